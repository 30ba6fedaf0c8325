#include "calendar/moon.h"

#include <gtest/gtest.h>

#include "calendar/date_arith.h"

namespace {

TEST(Moon, AgesAndPhasesOfKnownDays) {
  struct Known {
    int day, month, year, age, phase;
  };
  for (Known k : {Known{26, 1, 2009, 0, 0}, Known{2, 2, 2009, 7, 2}, Known{9, 2, 2009, 14, 4}, Known{6, 1, 2000, 0, 0}}) {
    EXPECT_EQ(MoonAge(k.day, k.month, k.year), k.age) << k.day << "." << k.month << "." << k.year;
    EXPECT_EQ(MoonPhase(k.day, k.month, k.year), k.phase) << k.day << "." << k.month << "." << k.year;
  }
}

// Total lunar eclipses happen at full moon, solar eclipses at new moon; the mean moon is
// within a day of the true one.
TEST(Moon, EclipsesFallOnFullAndNewMoon) {
  struct Day {
    int day, month, year;
  };
  for (Day d : {Day{30, 12, 1982}, Day{17, 8, 1989}, Day{4, 4, 1996}, Day{16, 9, 1997}, Day{21, 1, 2000},
                Day{9, 11, 2003}, Day{28, 8, 2007}, Day{15, 4, 2014}, Day{28, 9, 2015}, Day{31, 1, 2018},
                Day{27, 7, 2018}, Day{8, 11, 2022}, Day{14, 3, 2025}}) {
    EXPECT_EQ(MoonPhase(d.day, d.month, d.year), 4) << d.day << "." << d.month << "." << d.year;
  }
  for (Day d : {Day{11, 8, 1999}, Day{29, 3, 2006}, Day{20, 3, 2015}, Day{21, 8, 2017}, Day{8, 4, 2024},
                Day{12, 8, 2026}}) {
    int phase = MoonPhase(d.day, d.month, d.year);
    EXPECT_TRUE(phase == 7 || phase == 0 || phase == 1) << d.day << "." << d.month << "." << d.year << ": " << phase;
  }
}

TEST(Moon, AgeStaysInRangeAndGrowsByADay) {
  // From the new moon of 6 January 2000 on; before it the formula takes the absolute value of
  // a negative fraction, so the age counts down there.
  int previous = MoonAge(6, 1, 2000);
  EXPECT_EQ(previous, 0);
  for (int y = 2000; y <= 2099; ++y) {
    for (int m = 1; m <= 12; ++m) {
      for (int d = (y == 2000 && m == 1) ? 7 : 1; d <= DaysInMonth(m, y); ++d) {
        int age = MoonAge(d, m, y);
        ASSERT_GE(age, 0);
        ASSERT_LE(age, 29);
        // The fraction of a lunation is scaled by 29.53, a little less than the 29.5306 days
        // it lasts, so the age now and then stays for a day.
        bool grows = age == previous + 1 || age == previous || (age == 0 && previous >= 28);
        ASSERT_TRUE(grows) << d << "." << m << "." << y << ": " << previous << " -> " << age;
        previous = age;
      }
    }
  }
}

}  // namespace
