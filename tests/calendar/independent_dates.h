// Date arithmetic for the tests, written apart from the calendar engine: Julian day numbers
// (Fliegel and Van Flandern) and the anonymous Gregorian Easter algorithm (Meeus, Jones,
// Butcher).
#pragma once

namespace independent {

inline long julianDay(int day, int month, int year) {
  long y = year, m = month, d = day;
  long a = (m - 14) / 12;
  return (1461 * (y + 4800 + a)) / 4 + (367 * (m - 2 - 12 * a)) / 12 - (3 * ((y + 4900 + a) / 100)) / 4 + d - 32075;
}

inline void civilDate(long jdn, int& day, int& month, int& year) {
  long l = jdn + 68569;
  long n = 4 * l / 146097;
  l = l - (146097 * n + 3) / 4;
  long i = 4000 * (l + 1) / 1461001;
  l = l - 1461 * i / 4 + 31;
  long j = 80 * l / 2447;
  day = static_cast<int>(l - 2447 * j / 80);
  l = j / 11;
  month = static_cast<int>(j + 2 - 12 * l);
  year = static_cast<int>(100 * (n - 49) + i + l);
}

inline int weekday(long jdn) { return static_cast<int>((jdn + 1) % 7); }  // 0 = Sunday

inline void easter(int year, int& month, int& day) {
  int a = year % 19, b = year / 100, c = year % 100, d = b / 4, e = b % 4;
  int f = (b + 8) / 25, g = (b - f + 1) / 3;
  int h = (19 * a + b - d - g + 15) % 30;
  int i = c / 4, k = c % 4;
  int l = (32 + 2 * e + 2 * i - h - k) % 7;
  int m = (a + 11 * h + 22 * l) / 451;
  month = (h + l - 7 * m + 114) / 31;
  day = (h + l - 7 * m + 114) % 31 + 1;
}

inline long easterJulianDay(int year) {
  int m, d;
  easter(year, m, d);
  return julianDay(d, m, year);
}

}  // namespace independent
