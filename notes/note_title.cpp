#include "notes/note_title.h"

#include <cstdio>
#include <cstring>

void noteTitleFromName(char* out, size_t size, const char* fileName, int dateOrder,
                       const char* separator) {
  if (!out || size == 0) return;
  out[0] = '\0';
  // "N_" year(4) month(2) day(2) "_" hour(2) minute(2) letter
  if (!fileName || std::strlen(fileName) < 16 || dateOrder < 0 || dateOrder > 2) return;
  const char* year = fileName + 2;
  const char* month = fileName + 6;
  const char* day = fileName + 8;
  const char* hour = fileName + 11;
  const char* minute = fileName + 13;
  char sep = separator ? separator[0] : '\0';
  char date[16];
  size_t n = 0;
  auto put = [&](const char* part, size_t length) {
    std::memcpy(date + n, part, length);
    n += length;
  };
  auto putSep = [&] {
    if (sep) date[n++] = sep;
  };
  if (dateOrder == 0) {
    put(month, 2); putSep(); put(day, 2); putSep(); put(year, 4);
  } else if (dateOrder == 1) {
    put(day, 2); putSep(); put(month, 2); putSep(); put(year, 4);
  } else {
    put(year, 4); putSep(); put(month, 2); putSep(); put(day, 2);
  }
  date[n] = '\0';
  std::snprintf(out, size, "%s %.2s:%.2s %c", date, hour, minute, fileName[15]);
}

void noteTitleForNew(char* out, size_t size, int day, int month, int year, int hour, int minute,
                     char letter, int dateOrder, const char* separator) {
  if (!out || size == 0) return;
  out[0] = '\0';
  const char* sep = separator ? separator : "";
  switch (dateOrder) {
    case 0:
      std::snprintf(out, size, "%02d%s%02d%s%04d %02d:%02d %c", month, sep, day, sep, year, hour,
                    minute, letter);
      break;
    case 1:
      std::snprintf(out, size, "%02d%s%02d%s%04d %02d:%02d %c", day, sep, month, sep, year, hour,
                    minute, letter);
      break;
    case 2:
      std::snprintf(out, size, "%04d%s%02d%s%02d %02d:%02d %c", year, sep, month, sep, day, hour,
                    minute, letter);
      break;
  }
}
