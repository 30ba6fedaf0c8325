// The C library's own calendar (timegm, gmtime_r, strftime) as a second source.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "calendar/date_arith.h"

namespace {

TEST(DateArithLibc, AgreesWithStrftimeFrom1901To2099) {
  std::tm start{};
  start.tm_year = 1901 - 1900;
  start.tm_mon = 0;
  start.tm_mday = 1;
  start.tm_hour = 12;
  time_t t = timegm(&start);
  for (;; t += 86400) {
    std::tm tm{};
    ASSERT_NE(gmtime_r(&t, &tm), nullptr);
    int y = tm.tm_year + 1900, m = tm.tm_mon + 1, d = tm.tm_mday;
    if (y > 2099) break;
    char text[32];
    std::strftime(text, sizeof text, "%w %j %V", &tm);
    int wd, doy, week;
    ASSERT_EQ(std::sscanf(text, "%d %d %d", &wd, &doy, &week), 3);
    ASSERT_EQ(DayOfWeek(d, m, y), wd) << text;
    ASSERT_EQ(DayOfYear(d, m, y), doy) << text;
    ASSERT_EQ(WeekNumber(d, m, y), week) << text;
  }
}

}  // namespace
