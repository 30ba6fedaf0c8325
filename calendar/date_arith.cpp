#include "calendar/date_arith.h"

#include "platform/clock.h"

namespace {

const int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

}  // namespace

void GetLocalDateTime(int* day, int* month, int* year, int* hour, int* minute, int* second,
                      int* weekday) {
  LocalTime now;
  readLocalClock(now);
  if (day) *day = now.day;
  if (month) *month = now.month;
  if (year) *year = now.year;
  if (hour) *hour = now.hour;
  if (minute) *minute = now.minute;
  if (second) *second = now.second;
  if (weekday) *weekday = now.weekday;
}

int fullYear(int year) {
  if (year < 39) return year + 2000;
  if (year < 1900) return year + 1900;
  return year;
}

int IsLeapYear(int year) {
  if (year % 400 == 0) return 1;
  if (year % 100 == 0) return 0;
  return year % 4 == 0 ? 1 : 0;
}

int DaysInMonth(int month, int year) {
  switch (month) {
    case 1: case 3: case 5: case 7: case 8: case 10: case 12:
      return 31;
    case 4: case 6: case 9: case 11:
      return 30;
    case 2:
      return IsLeapYear(year) ? 29 : 28;
    default:
      return 0;
  }
}

int DayOfYear(int day, int month, int year) {
  year = fullYear(year);
  int result = day;
  if (month >= 1 && month <= 12) result += kDaysBeforeMonth[month - 1];
  if (month >= 3 && IsLeapYear(year)) result += 1;
  return result;
}

int DayOfWeek(int day, int month, int year) {
  // Days before the year mod 7: 365·p + p/4 − p/100 + p/400 with p = year − 1, split into
  // centuries so that the numbers stay small.
  int p = year - 1;
  int a = p % 100;
  int k = p / 100;
  return (DayOfYear(day, month, year) + a + a / 4 + 5 * k + k / 4 + 28) % 7;
}

int WeekNumber(int day, int month, int year) {
  int j = (DayOfWeek(1, 1, year) + 2) % 7;
  int w = (DayOfYear(day, month, year) + j + 3) / 7;
  if (w < 1) {
    w = ((DayOfWeek(1, 1, year - 1) + 2) % 7 + DayOfYear(31, 12, year - 1) + 3) / 7;
  } else if (w > 52 && WeekNumber(1, 1, year + 1) == 1) {
    w = 1;
  }
  return w;
}

int EasterSunday(int year, int* month, int* day) {
  int y = fullYear(year);
  int g = y % 19 + 1;             // golden number
  int k = y / 100 + 1;            // century
  int x = 3 * k / 4 - 12;         // leap days dropped since the reform
  int z = (8 * k + 5) / 25 - 5;   // moon's orbit correction
  int d = 5 * y / 4 - x - 10;     // a Sunday
  int e = (11 * g + 20 + z - x) % 30;  // epact
  if ((e == 25 && g > 11) || e == 24) e += 1;
  int n = 44 - e;                 // paschal full moon as a day of March
  if (n < 21) n += 30;
  n = n + 7 - (d + n) % 7;
  int m = 3;
  if (n > 31) {
    m = 4;
    n -= 31;
  }
  if (month) *month = m;
  if (day) *day = n;
  return DayOfYear(n, m, y);
}
