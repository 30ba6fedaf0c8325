// The program an alarm with "Programm starten" opens in the end-to-end runs: it appends how
// many arguments it got and each of them, one per line, to the file its first argument names,
// so that every start leaves its own lines.
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) return 1;
  std::FILE* out = std::fopen(argv[1], "a");
  if (!out) return 1;
  std::fprintf(out, "%d\n", argc - 1);
  for (int i = 1; i < argc; ++i) std::fprintf(out, "%s\n", argv[i]);
  std::fclose(out);
  return 0;
}
