#include "alarms/safe_file.h"

#include <cstdio>

std::string temporaryPathBeside(const char* target) {
  return std::string(target ? target : "") + ".tmp";
}

int finishWrittenFile(FILE* file) {
  if (!file) return 0;
  int ok = std::fflush(file) == 0 && !std::ferror(file);
  if (std::fclose(file) != 0) ok = 0;
  return ok;
}

int replaceFileWith(const char* temporary, const char* target) {
  if (!temporary || !target || !*temporary || !*target) return 0;
  if (std::rename(temporary, target) == 0) return 1;

  // The C library of Windows refuses to rename over an existing file.
  std::string aside = std::string(target) + ".old";
  std::remove(aside.c_str());
  if (std::rename(target, aside.c_str()) != 0) {
    std::remove(temporary);
    return 0;
  }
  if (std::rename(temporary, target) != 0) {
    std::rename(aside.c_str(), target);
    std::remove(temporary);
    return 0;
  }
  std::remove(aside.c_str());
  return 1;
}
