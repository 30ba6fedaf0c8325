#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/clock.h"

namespace {

TEST(Clock, CivilDaysAgreeWithKnownDates) {
  EXPECT_EQ(daysFromCivil(1970, 1, 1), 0);
  EXPECT_EQ(daysFromCivil(2000, 3, 1), 11017);
  EXPECT_EQ(daysFromCivil(1969, 12, 31), -1);
  // Round trip over four centuries, across every leap-day rule.
  for (long long d = daysFromCivil(1900, 1, 1); d <= daysFromCivil(2300, 12, 31); ++d) {
    int y, m, dd;
    civilFromDays(d, y, m, dd);
    ASSERT_EQ(daysFromCivil(y, m, dd), d);
  }
}

TEST(Clock, ParsesStartTimesAndRefusesImpossibleOnes) {
  LocalTime t;
  ASSERT_EQ(parseLocalTime("2026-12-09 23:59:58", t), 1);
  EXPECT_EQ(t.year, 2026);
  EXPECT_EQ(t.month, 12);
  EXPECT_EQ(t.day, 9);
  EXPECT_EQ(t.hour, 23);
  EXPECT_EQ(t.minute, 59);
  EXPECT_EQ(t.second, 58);
  EXPECT_EQ(t.weekday, 3);  // a Wednesday
  ASSERT_EQ(parseLocalTime("2024-02-29 08:00", t), 1);
  EXPECT_EQ(t.weekday, 4);
  EXPECT_EQ(parseLocalTime("2023-02-29 08:00:00", t), 0);
  EXPECT_EQ(parseLocalTime("2026-13-01 08:00:00", t), 0);
  EXPECT_EQ(parseLocalTime("2026-12-09 24:00:00", t), 0);
  EXPECT_EQ(parseLocalTime("2026-12-09 08:00:00x", t), 0);
  EXPECT_EQ(parseLocalTime("", t), 0);
  EXPECT_EQ(parseLocalTime(nullptr, t), 0);
}

TEST(Clock, SetStartStandsWhenFrozenAndRollsOverMidnight) {
  LocalTime start;
  ASSERT_EQ(parseLocalTime("2026-12-31 23:59:59", start), 1);
  start.millisecond = 999;
  setClockStart(start, true);
  LocalTime now;
  readLocalClock(now);
  EXPECT_EQ(now.year, 2026);
  EXPECT_EQ(now.second, 59);
  EXPECT_EQ(now.millisecond, 999);

  // Running on from one millisecond before the new year reaches it at once.
  setClockStart(start, false);
  LocalTime later;
  long long t0 = platformMonotonicMillis();
  do {
    readLocalClock(later);
  } while (later.year != 2027 && platformMonotonicMillis() - t0 < 2000);
  EXPECT_EQ(later.year, 2027);
  EXPECT_EQ(later.month, 1);
  EXPECT_EQ(later.day, 1);
  EXPECT_EQ(later.hour, 0);
  EXPECT_EQ(later.weekday, 5);
  clearClockStart();
}

TEST(Clock, EnvironmentStartTime) {
#ifdef _WIN32
  _putenv_s("QUENDLER_START_TIME", "2009-02-09 07:59:30");
#else
  setenv("QUENDLER_START_TIME", "2009-02-09 07:59:30", 1);
#endif
  ASSERT_EQ(startClockFromEnvironment(), 1);
  LocalTime now;
  readLocalClock(now);
  EXPECT_EQ(now.year, 2009);
  EXPECT_EQ(now.month, 2);
  EXPECT_EQ(now.day, 9);
  EXPECT_EQ(now.hour, 7);
  EXPECT_EQ(now.weekday, 1);
  clearClockStart();
#ifdef _WIN32
  _putenv_s("QUENDLER_START_TIME", "bogus");
#else
  setenv("QUENDLER_START_TIME", "bogus", 1);
#endif
  EXPECT_EQ(startClockFromEnvironment(), 0);
}

}  // namespace
