#include "calendar/moon.h"

#include <cmath>

int MoonAge(int day, int month, int year) {
  // Julian day number with the year starting in March.
  int y = year - (12 - month) / 10;
  int m = month + 9;
  if (m >= 12) m -= 12;
  int j = static_cast<int>(std::trunc(365.25 * (y + 4712))) +
          static_cast<int>(std::trunc(30.6 * m + 0.5)) + day + 59;
  if (j > 2299160) j = j + 38 - static_cast<int>(std::trunc((y * 0.01 + 49) * 0.75));
  // Lunations since the new moon of 6 January 2000 (1 / 29.530588853 days).
  double p = (j - 2451550.1) * 0.0338631919931529;
  return static_cast<int>(std::trunc(std::fabs(p - std::trunc(p)) * 29.53));
}

int MoonPhase(int day, int month, int year) {
  int age = MoonAge(day, month, year);
  if (age < 1 || age > 28) return 0;
  return (age - 1) / 4 + 1;
}
