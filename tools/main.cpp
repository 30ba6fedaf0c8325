// quendler: the native command-line tool that runs the program's portable core on any machine.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "quendler_version.h"
#include "tools/command.h"

namespace {

struct CommandEntry {
  std::string usage;
  CommandFunction run;
};

std::map<std::string, CommandEntry>& commands() {
  static std::map<std::string, CommandEntry> table;
  return table;
}

void printHelp(FILE* out) {
  std::fprintf(out, "Die Quendler – Werkzeug für den Desktop-Kalender\n\nAufruf: quendler BEFEHL [ARGUMENTE]\n\nBefehle:\n");
  for (const auto& entry : commands()) std::fprintf(out, "  %s\n", entry.second.usage.c_str());
  std::fprintf(out, "\n\"quendler BEFEHL --help\" erklärt einen Befehl genauer; \"quendler --version\" nennt die Version.\n");
}

}  // namespace

CommandRegistrar::CommandRegistrar(const char* name, const char* usage, CommandFunction run) {
  commands()[name] = CommandEntry{usage, run};
}

int usageError(const std::string& message) {
  std::fprintf(stderr, "quendler: %s\n", message.c_str());
  return kExitUsage;
}

int readToolOptions(int argc, char** argv, const char* command, const char* help,
                    std::initializer_list<ToolOption> options, std::string* positional,
                    const char* positionalWhat) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(help, stdout);
      return kExitOk;
    }
    const ToolOption* option = nullptr;
    for (const ToolOption& o : options)
      if (arg == o.name) option = &o;
    if (option) {
      if (option->value) {
        if (i + 1 >= argc) return usageError(arg + " ohne Wert");
        *option->value = argv[++i];
      }
      if (option->given) *option->given = true;
      continue;
    }
    if (!positional || (arg.size() > 1 && arg[0] == '-'))
      return usageError("unbekannte Angabe \"" + arg + "\" für " + command);
    if (!positional->empty()) return usageError(std::string("nur ") + positionalWhat + " angeben");
    *positional = arg;
  }
  return kRunCommand;
}

std::string cp1252ToUtf8(const std::string& text) {
  // Windows-1252 0x80..0x9F differ from Latin-1; the rest maps straight to U+00A0..U+00FF.
  static const unsigned short high[32] = {
      0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
  std::string out;
  out.reserve(text.size() + 8);
  for (unsigned char c : text) {
    unsigned code = c < 0x80 ? c : (c < 0xA0 ? high[c - 0x80] : c);
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

std::string utf8ToCp1252(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else if ((c & 0xE0) == 0xC0 && i + 1 < text.size()) {
      unsigned code = ((c & 0x1F) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F);
      out += code < 0x100 ? static_cast<char>(code) : '?';
      i += 2;
    } else {
      // Beyond Latin-1 only the euro sign matters for this program.
      if (text.compare(i, 3, "\xE2\x82\xAC") == 0) out += static_cast<char>(0x80);
      else out += '?';
      i += (c & 0xF0) == 0xE0 ? 3 : ((c & 0xF8) == 0xF0 ? 4 : 1);
    }
  }
  return out;
}

int main(int argc, char** argv) {
  if (argc == 2 && (!std::strcmp(argv[1], "--version") || !std::strcmp(argv[1], "version"))) {
    std::printf("quendler %s\n", QUENDLER_VERSION);
    return kExitOk;
  }
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
    printHelp(stdout);
    return argc < 2 ? kExitUsage : kExitOk;
  }
  auto it = commands().find(argv[1]);
  if (it == commands().end()) {
    usageError(std::string("unbekannter Befehl \"") + argv[1] + "\" (\"quendler --help\" zeigt alle Befehle)");
    return kExitUsage;
  }
  return it->second.run(argc - 1, argv + 1);
}
