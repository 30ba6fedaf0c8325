#include "app/day_texts.h"

#include <cstdio>
#include <cstring>

#include "app/settings.h"
#include "calendar/date_arith.h"
#include "calendar/holidays.h"

char WeekdayNames[7][kWeekdayNameSize];

void fillWeekdayNames() {
  static const char* const names[7] = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                                       "Donnerstag", "Freitag", "Samstag"};
  for (int i = 0; i < 7; ++i) std::snprintf(WeekdayNames[i], kWeekdayNameSize, "%s", names[i]);
}

void formatDateLineFor(char* text, size_t size, int day, int month, int year, int weekday,
                       int dateOrder, const char* separator) {
  if (!text || size == 0) return;
  if (!WeekdayNames[0][0]) fillWeekdayNames();
  const char* w = WeekdayNames[(weekday % 7 + 7) % 7];
  const char* s = separator ? separator : ".";
  switch (dateOrder) {
    case 0:
      std::snprintf(text, size, "%s %02d%s%02d%s%04d", w, month, s, day, s, year);
      break;
    case 2:
      std::snprintf(text, size, "%s %04d%s%02d%s%02d", w, year, s, month, s, day);
      break;
    default:  // 1, and the orders the platform does not define: the German day-month-year
      std::snprintf(text, size, "%s %02d%s%02d%s%04d", w, day, s, month, s, year);
      break;
  }
}

void formatDayInfoFor(char* text, size_t size, int day, int month, int year, int region) {
  if (!text || size == 0) return;
  text[0] = 0;
  char names[400];
  GetHolidayNames(day, month, year, region, names, sizeof names);
  size_t used = 0;
  if (names[0]) {
    int n = std::snprintf(text, size, "%s\n\n", names);
    used = n < 0 ? 0 : (static_cast<size_t>(n) < size ? static_cast<size_t>(n) : size - 1);
  }
  std::snprintf(text + used, size - used, "%d. Tag im Jahr\n%d. Kalenderwoche\n",
                DayOfYear(day, month, year), WeekNumber(day, month, year));
}

void FormatDateLine(char* text) {
  int day, month, year, weekday;
  GetLocalDateTime(&day, &month, &year, nullptr, nullptr, nullptr, &weekday);
  formatDateLineFor(text, kDateLineSize, day, month, year, weekday, gSettings.iDate, gSettings.sDate);
}

void FormatDayInfo(char* text) {
  int day, month, year;
  GetLocalDateTime(&day, &month, &year, nullptr, nullptr, nullptr, nullptr);
  formatDayInfoFor(text, kDayInfoSize, day, month, year, gSettings.Feiertage);
}
