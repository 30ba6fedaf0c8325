#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

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

void setVariable(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value ? value : "");
#else
  if (value)
    setenv(name, value, 1);
  else
    unsetenv(name);
#endif
}

// Milliseconds of the set clock since `start` (same day or later).
long long millisSince(const LocalTime& start, const LocalTime& now) {
  auto ms = [](const LocalTime& t) {
    return ((daysFromCivil(t.year, t.month, t.day) * 24 + t.hour) * 60 + t.minute) * 60000LL + t.second * 1000LL +
           t.millisecond;
  };
  return ms(now) - ms(start);
}

// Sets the clock at `rate`, lets it run for about `sleepMillis` and checks that it moved by the
// real time that passed times `expected`: bounded by the real time measured just inside and
// just outside the reading.
void expectRunsAtRate(double rate, double expected, int sleepMillis) {
  LocalTime start;
  ASSERT_EQ(parseLocalTime("2026-12-09 23:59:00", start), 1);
  long long before = platformMonotonicMillis();
  setClockStart(start, false, rate);
  long long after = platformMonotonicMillis();
  std::this_thread::sleep_for(std::chrono::milliseconds(sleepMillis));
  long long readFrom = platformMonotonicMillis();
  LocalTime now;
  readLocalClock(now);
  long long readTo = platformMonotonicMillis();
  long long simulated = millisSince(start, now);
  EXPECT_GE(simulated, static_cast<long long>((readFrom - after) * expected) - 1) << "rate " << rate;
  EXPECT_LE(simulated, static_cast<long long>((readTo - before) * expected) + 1) << "rate " << rate;
}

TEST(ClockRate, ParsesPlainNumbersInRangeOnly) {
  double rate = 0;
  ASSERT_EQ(parseClockRate("1440", rate), 1);
  EXPECT_EQ(rate, 1440.0);
  ASSERT_EQ(parseClockRate("2.5", rate), 1);
  EXPECT_EQ(rate, 2.5);
  ASSERT_EQ(parseClockRate("1", rate), 1);
  EXPECT_EQ(rate, 1.0);
  ASSERT_EQ(parseClockRate("10000", rate), 1);
  EXPECT_EQ(rate, 10000.0);
  rate = 7;
  for (const char* bad : {"", "0", "0.5", "-5", "10000.5", "10001", "1e3", "inf", "nan", " 5", "5 ", "5x", "1..2",
                          ".", "0x10", "+3", "99999999999999999999999999999999999"}) {
    EXPECT_EQ(parseClockRate(bad, rate), 0) << "'" << bad << "'";
  }
  EXPECT_EQ(parseClockRate(nullptr, rate), 0);
  EXPECT_EQ(rate, 7.0);  // left alone by every refusal
}

TEST(ClockRate, SetClockRunsFasterAndRollsOverTheDay) {
  expectRunsAtRate(1.0, 1.0, 60);
  expectRunsAtRate(250.0, 250.0, 80);
  // 23:59:00 at 10000 times: the next day within a few real milliseconds, still one day on.
  expectRunsAtRate(10000.0, 10000.0, 30);
  LocalTime now;
  readLocalClock(now);
  EXPECT_EQ(now.day, 10);
  // A rate nobody could mean runs the clock in real time.
  expectRunsAtRate(0.0, 1.0, 40);
  expectRunsAtRate(-3.0, 1.0, 40);
  expectRunsAtRate(1e9, 1.0, 40);
  clearClockStart();
}

TEST(ClockRate, EnvironmentRateOnlyBesideAStartTime) {
  setVariable("QUENDLER_START_TIME", "2024-03-05 23:00:00");
  setVariable("QUENDLER_CLOCK_RATE", "3600");
  long long before = platformMonotonicMillis();
  ASSERT_EQ(startClockFromEnvironment(), 1);
  // An hour a real second: past midnight after a little more than one second.
  LocalTime now;
  do {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    readLocalClock(now);
  } while (now.day == 5 && platformMonotonicMillis() - before < 5000);
  long long took = platformMonotonicMillis() - before;
  EXPECT_EQ(now.day, 6);
  EXPECT_GE(took, 990);
  EXPECT_LT(took, 3000);

  // An unusable rate leaves the set clock at real time.
  setVariable("QUENDLER_CLOCK_RATE", "fast");
  ASSERT_EQ(startClockFromEnvironment(), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  readLocalClock(now);
  EXPECT_EQ(now.day, 5);
  EXPECT_EQ(now.hour, 23);
  EXPECT_EQ(now.minute, 0);

  // A rate alone does not set the clock: it stays the real one.
  clearClockStart();
  setVariable("QUENDLER_START_TIME", nullptr);
  setVariable("QUENDLER_CLOCK_RATE", "5000");
  EXPECT_EQ(startClockFromEnvironment(), 0);
  LocalTime real, clock;
  readPlatformClock(real);
  readLocalClock(clock);
  EXPECT_LE(std::abs(millisSince(real, clock)), 2000);
  setVariable("QUENDLER_CLOCK_RATE", nullptr);
}

}  // namespace
