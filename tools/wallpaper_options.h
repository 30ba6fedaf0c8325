// Arguments and files shared by the wallpaper and appointments commands.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "alarms/appointment_file.h"
#include "app/settings.h"
#include "calendar/date_arith.h"
#include "platform/clock.h"
#include "tools/command.h"

// The range the calendar engine is checked for.
constexpr int kToolFirstYear = 1901;
constexpr int kToolLastYear = 2099;

inline bool parseDecimal(const std::string& text, size_t maxDigits, unsigned long long& value) {
  if (text.empty() || text.size() > maxDigits) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return true;
}

// "YYYY-MM-DD" into the date fields of `now` (the time of day stays).
inline bool parseToolDate(const std::string& text, LocalTime& now) {
  unsigned long long y, m, d;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  if (!parseDecimal(text.substr(0, 4), 4, y) || !parseDecimal(text.substr(5, 2), 2, m) ||
      !parseDecimal(text.substr(8, 2), 2, d))
    return false;
  if (y < kToolFirstYear || y > kToolLastYear || m < 1 || m > 12) return false;
  if (d < 1 || d > static_cast<unsigned>(DaysInMonth(static_cast<int>(m), static_cast<int>(y))))
    return false;
  now.year = static_cast<int>(y);
  now.month = static_cast<int>(m);
  now.day = static_cast<int>(d);
  now.weekday = DayOfWeek(now.day, now.month, now.year);
  return true;
}

// "YYYY-MM".
inline bool parseToolMonth(const std::string& text, int& month, int& year) {
  unsigned long long y, m;
  if (text.size() != 7 || text[4] != '-') return false;
  if (!parseDecimal(text.substr(0, 4), 4, y) || !parseDecimal(text.substr(5, 2), 2, m))
    return false;
  if (y < kToolFirstYear || y > kToolLastYear || m < 1 || m > 12) return false;
  month = static_cast<int>(m);
  year = static_cast<int>(y);
  return true;
}

// "WxH", each side 16..16384.
inline bool parseScreenSize(const std::string& text, int& W, int& H) {
  size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  unsigned long long w, h;
  if (!parseDecimal(text.substr(0, x), 5, w) || !parseDecimal(text.substr(x + 1), 5, h)) return false;
  if (w < 16 || h < 16 || w > 16384 || h > 16384) return false;
  W = static_cast<int>(w);
  H = static_cast<int>(h);
  return true;
}

inline bool parseSeed(const std::string& text, uint32_t& seed) {
  unsigned long long v;
  if (!parseDecimal(text, 10, v) || v > 0xFFFFFFFFull) return false;
  seed = static_cast<uint32_t>(v);
  return true;
}

inline bool toolFileExists(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

// The settings file of the tool; a file that is named but missing is an error.
inline bool loadToolSettings(const std::string& path, Settings& settings) {
  if (!toolFileExists(path) || !loadSettingsFile(path.c_str(), settings)) {
    std::fprintf(stderr, "quendler: Einstellungsdatei %s nicht gefunden oder nicht lesbar\n", path.c_str());
    return false;
  }
  return true;
}

// The appointment file as the program loads it on that day.
inline bool loadToolAppointments(const std::string& path, const Settings& settings,
                                 const LocalTime& now, AppointmentTable& table) {
  if (!loadAppointmentTable(table, path.c_str(), settings.AutoDelete, now.day, now.month, now.year)) {
    std::fprintf(stderr, "quendler: Termin-Datei %s nicht gefunden oder nicht lesbar\n", path.c_str());
    return false;
  }
  return true;
}
