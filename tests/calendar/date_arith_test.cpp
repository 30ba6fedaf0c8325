#include "calendar/date_arith.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "tests/calendar/independent_dates.h"
#include "tests/support/clock_guard.h"

namespace {

using namespace independent;

TEST(DateArith, AgreesWithTheIsoCalendarFrom1901To2099) {
  for (long jdn = julianDay(1, 1, 1901), last = julianDay(31, 12, 2099); jdn <= last; ++jdn) {
    int d, m, y;
    civilDate(jdn, d, m, y);
    int wd = weekday(jdn);
    // ISO week: the week of the Thursday in the same Monday-based week.
    long thursday = jdn - (wd == 0 ? 7 : wd) + 4;
    int td, tm, ty;
    civilDate(thursday, td, tm, ty);
    int week = static_cast<int>((thursday - julianDay(1, 1, ty)) / 7 + 1);

    ASSERT_EQ(DayOfWeek(d, m, y), wd) << d << "." << m << "." << y;
    ASSERT_EQ(DayOfYear(d, m, y), jdn - julianDay(1, 1, y) + 1) << d << "." << m << "." << y;
    ASSERT_EQ(WeekNumber(d, m, y), week) << d << "." << m << "." << y;
  }
}

TEST(DateArith, MonthLengthsAndLeapYears) {
  for (int y = 1600; y <= 2400; ++y) {
    for (int m = 1; m <= 12; ++m) {
      long next = m == 12 ? julianDay(1, 1, y + 1) : julianDay(1, m + 1, y);
      ASSERT_EQ(DaysInMonth(m, y), next - julianDay(1, m, y)) << m << "/" << y;
    }
    ASSERT_EQ(IsLeapYear(y), julianDay(1, 3, y) - julianDay(1, 2, y) == 29 ? 1 : 0) << y;
  }
  EXPECT_EQ(DaysInMonth(13, 2009), 0);
  EXPECT_EQ(DaysInMonth(0, 2009), 0);
  EXPECT_EQ(DaysInMonth(-1, 2009), 0);
  EXPECT_EQ(DaysInMonth(2, 2100), 28);
  EXPECT_EQ(DaysInMonth(2, 2000), 29);
}

TEST(DateArith, KnownDaysAndWeeks) {
  EXPECT_EQ(DayOfWeek(1, 1, 2001), 1);
  EXPECT_EQ(DayOfWeek(1, 1, 2000), 6);
  EXPECT_EQ(WeekNumber(31, 12, 2008), 1);
  EXPECT_EQ(WeekNumber(1, 1, 2010), 53);
  EXPECT_EQ(WeekNumber(1, 1, 2005), 53);
  EXPECT_EQ(WeekNumber(29, 12, 2014), 1);
  EXPECT_EQ(WeekNumber(28, 12, 2015), 53);
  EXPECT_EQ(DayOfYear(1, 3, 2000), 61);
  EXPECT_EQ(DayOfYear(1, 3, 1900), 60);
  EXPECT_EQ(DayOfYear(31, 12, 2008), 366);
}

TEST(DateArith, TwoDigitYears) {
  EXPECT_EQ(DayOfYear(1, 3, 8), 61);    // 2008
  EXPECT_EQ(DayOfYear(1, 3, 38), 60);   // 2038
  EXPECT_EQ(DayOfYear(1, 3, 39), 60);   // 1939
  EXPECT_EQ(DayOfYear(1, 3, 96), 61);   // 1996
  // Every year below 1900 is read so, not only 0..99.
  EXPECT_EQ(DayOfYear(1, 3, 100), 61);  // 2000
  EXPECT_EQ(DayOfYear(1, 3, 400), 60);  // 2300
  int m = 0, d = 0;
  EXPECT_EQ(EasterSunday(8, &m, &d), 83);
  EXPECT_EQ(m, 3);
  EXPECT_EQ(d, 23);
  EXPECT_EQ(EasterSunday(99, &m, &d), 94);  // 4 April 1999
  EXPECT_EQ(m, 4);
  EXPECT_EQ(d, 4);
}

TEST(DateArith, EasterAgreesWithTheAnonymousGregorianAlgorithm) {
  for (int y = 1900; y <= 2299; ++y) {
    int em, ed;
    easter(y, em, ed);
    int m = 0, d = 0;
    int doy = EasterSunday(y, &m, &d);
    ASSERT_EQ(m, em) << y;
    ASSERT_EQ(d, ed) << y;
    ASSERT_EQ(doy, julianDay(ed, em, y) - julianDay(1, 1, y) + 1) << y;
  }
  struct Known {
    int year, month, day, doy;
  };
  for (Known k : {Known{2008, 3, 23, 83}, Known{2009, 4, 12, 102}, Known{2011, 4, 24, 114},
                  Known{2038, 4, 25, 115}, Known{2285, 3, 22, 81}}) {
    int m = 0, d = 0;
    EXPECT_EQ(EasterSunday(k.year, &m, &d), k.doy) << k.year;
    EXPECT_EQ(m, k.month) << k.year;
    EXPECT_EQ(d, k.day) << k.year;
  }
}

TEST(DateArith, LocalDateTimeComesFromTheClockSeam) {
  ClockGuard keepClock;
  LocalTime start;
  ASSERT_EQ(parseLocalTime("2026-12-09 23:59:58", start), 1);
  setClockStart(start, true);
  int d = 0, mo = 0, y = 0, h = 0, mi = 0, s = 0, wd = -1;
  GetLocalDateTime(&d, &mo, &y, &h, &mi, &s, &wd);
  clearClockStart();
  EXPECT_EQ(d, 9);
  EXPECT_EQ(mo, 12);
  EXPECT_EQ(y, 2026);
  EXPECT_EQ(h, 23);
  EXPECT_EQ(mi, 59);
  EXPECT_EQ(s, 58);
  EXPECT_EQ(wd, 3);  // a Wednesday
  GetLocalDateTime(nullptr, nullptr, &y, nullptr, nullptr, nullptr, nullptr);  // only what is asked
  EXPECT_GE(y, 2020);
}

}  // namespace
