#include "calendar/holidays.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "calendar/date_arith.h"
#include "tests/calendar/independent_dates.h"

namespace {

using namespace independent;

std::string names(int d, int m, int y, int region) {
  char buffer[400];
  std::memset(buffer, 'x', sizeof buffer);
  int n = GetHolidayNames(d, m, y, region, buffer, sizeof buffer);
  std::string text(buffer);
  EXPECT_EQ(n, text.empty() ? 0 : static_cast<int>(text.size()) + 1) << d << "." << m << "." << y;
  return text;
}

std::vector<int> range(int from, int to) {
  std::vector<int> r;
  for (int i = from; i <= to; ++i) r.push_back(i);
  return r;
}

// The statutory free days, written down as dates and region lists.
struct FreeDate {
  int month, day;
  std::vector<int> regions;
  int first = 0, last = 9999;
};

std::vector<int> reformationRegions(int year) {
  if (year == 2017) return range(1, 16);
  if (year >= 2018) return {4, 5, 6, 8, 9, 13, 14, 15, 16};
  return {4, 8, 13, 14, 16};
}

using FreeSet = std::set<std::tuple<int, int, int>>;  // region, month, day

FreeSet expectedFreeDays(int year) {
  const std::vector<int> all = range(0, 18);
  const std::vector<FreeDate> fixed = {
      {1, 1, all},
      {1, 6, {1, 2, 14, 17, 18}},
      {3, 8, {3}, 2019},
      {3, 8, {8}, 2023},
      {5, 1, range(0, 17)},
      {5, 8, {3}, 2020, 2020},  // Berlin, Tag der Befreiung, twice only
      {5, 8, {3}, 2025, 2025},
      {8, 1, {18}},
      {8, 15, {2, 12, 17, 18}},
      {9, 20, {16}, 2019},
      {10, 3, range(1, 16)},
      {10, 26, {17}, 1967},
      {10, 31, reformationRegions(year)},
      {11, 1, {1, 2, 10, 11, 12, 17, 18}},
      {12, 8, {17}},
      {12, 25, all},
      {12, 26, all},
  };
  FreeSet out;
  for (const FreeDate& f : fixed) {
    if (year < f.first || year > f.last) continue;
    for (int r : f.regions) out.insert({r, f.month, f.day});
  }
  long easter = easterJulianDay(year);
  auto addMovable = [&](long jdn, const std::vector<int>& regions) {
    int d, m, y;
    civilDate(jdn, d, m, y);
    for (int r : regions) out.insert({r, m, d});
  };
  // Good Friday, Holy Saturday, Easter, Easter Monday, Ascension, Whitsun, Whit Monday.
  for (int offset : {-2, -1, 0, 1, 39, 49, 50}) addMovable(easter + offset, all);
  addMovable(easter + 60, {1, 2, 7, 10, 11, 12, 17, 18});  // Corpus Christi
  // Repentance Day in Saxony: the Wednesday from 16 to 22 November.
  for (int d = 16; d <= 22; ++d) {
    if (weekday(julianDay(d, 11, year)) == 3) out.insert({13, 11, d});
  }
  return out;
}

TEST(Holidays, FreeDaysOfEveryRegionAndYearAgreeWithTheLaw) {
  // Covers the years around every change: 1967 (Austria), 2017/2018 (Reformation Day),
  // 2019 (Berlin, Thuringia) and 2023 (Mecklenburg-Western Pomerania).
  for (int y = 1901; y <= 2099; ++y) {
    FreeSet expected = expectedFreeDays(y);
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= DaysInMonth(m, y); ++d) {
        for (int r = 0; r < kHolidayRegionCount; ++r) {
          ASSERT_EQ(IsPublicHoliday(d, m, y, r), expected.count({r, m, d}) ? 1 : 0)
              << d << "." << m << "." << y << " region " << r;
        }
      }
    }
  }
}

// Whole years written out from the published calendars.
TEST(Holidays, PublishedFreeDaysOfSingleYears) {
  struct Year {
    int region, year;
    std::set<std::pair<int, int>> days;  // month, day
  };
  const std::vector<Year> years = {
      {3, 2018, {{1, 1}, {3, 30}, {3, 31}, {4, 1}, {4, 2}, {5, 1}, {5, 10}, {5, 20}, {5, 21}, {10, 3}, {12, 25}, {12, 26}}},
      {3, 2019, {{1, 1}, {3, 8}, {4, 19}, {4, 20}, {4, 21}, {4, 22}, {5, 1}, {5, 30}, {6, 9}, {6, 10}, {10, 3}, {12, 25}, {12, 26}}},
      {3, 2020, {{1, 1}, {3, 8}, {4, 10}, {4, 11}, {4, 12}, {4, 13}, {5, 1}, {5, 8}, {5, 21}, {5, 31}, {6, 1}, {10, 3}, {12, 25}, {12, 26}}},
      {3, 2025, {{1, 1}, {3, 8}, {4, 18}, {4, 19}, {4, 20}, {4, 21}, {5, 1}, {5, 8}, {5, 29}, {6, 8}, {6, 9}, {10, 3}, {12, 25}, {12, 26}}},
      {8, 2022, {{1, 1}, {4, 15}, {4, 16}, {4, 17}, {4, 18}, {5, 1}, {5, 26}, {6, 5}, {6, 6}, {10, 3}, {10, 31}, {12, 25}, {12, 26}}},
      {8, 2023, {{1, 1}, {3, 8}, {4, 7}, {4, 8}, {4, 9}, {4, 10}, {5, 1}, {5, 18}, {5, 28}, {5, 29}, {10, 3}, {10, 31}, {12, 25}, {12, 26}}},
      {16, 2019, {{1, 1}, {4, 19}, {4, 20}, {4, 21}, {4, 22}, {5, 1}, {5, 30}, {6, 9}, {6, 10}, {9, 20}, {10, 3}, {10, 31}, {12, 25}, {12, 26}}},
      {9, 2018, {{1, 1}, {3, 30}, {3, 31}, {4, 1}, {4, 2}, {5, 1}, {5, 10}, {5, 20}, {5, 21}, {10, 3}, {10, 31}, {12, 25}, {12, 26}}},
      {6, 2016, {{1, 1}, {3, 25}, {3, 26}, {3, 27}, {3, 28}, {5, 1}, {5, 5}, {5, 15}, {5, 16}, {10, 3}, {12, 25}, {12, 26}}},
      {6, 2017, {{1, 1}, {4, 14}, {4, 15}, {4, 16}, {4, 17}, {5, 1}, {5, 25}, {6, 4}, {6, 5}, {10, 3}, {10, 31}, {12, 25}, {12, 26}}},
      {17, 1966, {{1, 1}, {1, 6}, {4, 8}, {4, 9}, {4, 10}, {4, 11}, {5, 1}, {5, 19}, {5, 29}, {5, 30}, {6, 9}, {8, 15}, {11, 1}, {12, 8}, {12, 25}, {12, 26}}},
      {17, 1967, {{1, 1}, {1, 6}, {3, 24}, {3, 25}, {3, 26}, {3, 27}, {5, 1}, {5, 4}, {5, 14}, {5, 15}, {5, 25}, {8, 15}, {10, 26}, {11, 1}, {12, 8}, {12, 25}, {12, 26}}},
      {13, 2009, {{1, 1}, {4, 10}, {4, 11}, {4, 12}, {4, 13}, {5, 1}, {5, 21}, {5, 31}, {6, 1}, {10, 3}, {10, 31}, {11, 18}, {12, 25}, {12, 26}}},
  };
  for (const Year& y : years) {
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= DaysInMonth(m, y.year); ++d) {
        EXPECT_EQ(IsPublicHoliday(d, m, y.year, y.region), y.days.count({m, d}) ? 1 : 0)
            << d << "." << m << "." << y.year << " region " << y.region;
      }
    }
  }
}

TEST(Holidays, FixedDaysAndTheirNames) {
  EXPECT_EQ(names(1, 1, 2009, 0), "Neujahr ");
  EXPECT_EQ(names(3, 6, 2009, 0), "");
  for (int r = 0; r <= 16; ++r) {
    EXPECT_EQ(names(25, 12, 2009, r), "1. Weihnachtstag ") << r;
    EXPECT_EQ(names(26, 12, 2009, r), "2. Weihnachtstag ") << r;
    EXPECT_EQ(names(1, 5, 2009, r), "Maifeiertag ") << r;
    EXPECT_EQ(names(3, 10, 2009, r), "Tag der deutschen Einheit ") << r;
  }
  EXPECT_EQ(names(25, 12, 2009, 17), "Christtag ");
  EXPECT_EQ(names(25, 12, 2009, 18), "Weihnachten ");
  EXPECT_EQ(names(26, 12, 2009, 17), "Stephanitag ");
  EXPECT_EQ(names(26, 12, 2009, 18), "Stephanstag ");
  EXPECT_EQ(names(1, 5, 2009, 17), "Staatsfeiertag ");
  EXPECT_EQ(names(1, 5, 2009, 18), "");
  EXPECT_EQ(names(3, 10, 2009, 17), "");
  EXPECT_EQ(names(1, 8, 2009, 18), "Bundesfeiertag ");
  EXPECT_EQ(names(1, 8, 2009, 17), "");
  EXPECT_EQ(names(6, 1, 2009, 5), "Dreikönigstag ");
  EXPECT_EQ(names(2, 2, 2009, 5), "Mariä Lichtmeß ");
  EXPECT_EQ(names(10, 5, 2009, 0), "Muttertag ");
  EXPECT_EQ(names(14, 5, 2006, 0), "Muttertag ");
  EXPECT_EQ(names(7, 5, 2006, 0), "");
  EXPECT_EQ(names(27, 3, 2011, 0), "Beginn der Sommerzeit ");
  EXPECT_EQ(names(29, 3, 2009, 0), "Beginn der Sommerzeit \nJudika ");
  EXPECT_EQ(names(4, 10, 2009, 0), "Erntedankfest ");
  EXPECT_EQ(names(25, 10, 2009, 0), "Ende der Sommerzeit ");
  // Several names on one date, in table order.
  EXPECT_EQ(names(31, 10, 2010, 0), "Reformationstag \nEnde der Sommerzeit ");
  EXPECT_EQ(names(8, 3, 2038, 3), "Internationaler Frauentag \nRosenmontag ");
  EXPECT_EQ(names(26, 10, 2014, 17), "Nationalfeiertag \nEnde der Sommerzeit ");
  EXPECT_EQ(names(26, 10, 2014, 16), "Ende der Sommerzeit ");
  // Before the law changed.
  EXPECT_EQ(names(8, 10, 1966, 17), "Nationalfeiertag ");
  EXPECT_EQ(IsPublicHoliday(8, 10, 1966, 17), 0);
  EXPECT_EQ(names(26, 10, 1966, 17), "");
  EXPECT_EQ(names(8, 10, 1967, 17), "");
  EXPECT_EQ(names(8, 3, 2018, 3), "");
  EXPECT_EQ(names(8, 3, 2019, 3), "Internationaler Frauentag ");
  EXPECT_EQ(names(8, 5, 2020, 3), "Tag der Befreiung ");
  EXPECT_EQ(names(8, 5, 2025, 3), "Tag der Befreiung ");
  EXPECT_EQ(names(8, 5, 2025, 1), "");
  EXPECT_EQ(names(8, 5, 2024, 3), "");
  EXPECT_EQ(names(8, 3, 2022, 8), "");
  EXPECT_EQ(names(8, 3, 2023, 8), "Internationaler Frauentag ");
  EXPECT_EQ(names(20, 9, 2018, 16), "");
  EXPECT_EQ(names(20, 9, 2019, 16), "Weltkindertag ");
}

TEST(Holidays, MovableDaysAndTheirNames) {
  // 2009: Easter 12 April, fourth Advent 20 December.
  EXPECT_EQ(names(23, 2, 2009, 0), "Rosenmontag ");
  EXPECT_EQ(names(25, 2, 2009, 0), "Aschermittwoch ");
  EXPECT_EQ(names(21, 5, 2009, 0), "Christi Himmelfahrt ");
  EXPECT_EQ(names(21, 5, 2009, 17), "Christi Himmelfahrt ");
  EXPECT_EQ(names(21, 5, 2009, 18), "Auffahrt ");
  EXPECT_EQ(names(11, 6, 2009, 0), "Fronleichnam ");
  EXPECT_EQ(names(11, 4, 2009, 0), "");
  EXPECT_EQ(names(12, 4, 2009, 0), "Ostersonntag ");
  EXPECT_EQ(names(19, 4, 2009, 0), "Weißer Sonntag ");
  EXPECT_EQ(names(15, 11, 2009, 0), "Volkstrauertag ");
  EXPECT_EQ(names(18, 11, 2009, 0), "Buß- und Bettag ");
  EXPECT_EQ(names(22, 11, 2009, 0), "Totensonntag ");
  EXPECT_EQ(names(29, 11, 2009, 0), "1. Advent ");
  EXPECT_EQ(names(20, 12, 2009, 0), "4. Advent ");
  EXPECT_EQ(FourthAdvent(2009), DayOfYear(20, 12, 2009));
  // The fourth Sunday of Advent is the Sunday from 18 to 24 December.
  for (int y = 1901; y <= 2099; ++y) {
    long jdn = julianDay(24, 12, y);
    while (weekday(jdn) != 0) --jdn;
    ASSERT_EQ(FourthAdvent(y), jdn - julianDay(1, 1, y) + 1) << y;
  }
}

// Where each changed name may appear, over every day and region; and 400 bytes hold every
// text.
TEST(Holidays, ChangedNamesAppearOnlyWhereTheLawHasThem) {
  char buffer[400];
  for (int y = 1901; y <= 2099; ++y) {
    for (int m = 1; m <= 12; ++m) {
      for (int d = 1; d <= DaysInMonth(m, y); ++d) {
        for (int r = 0; r < kHolidayRegionCount; ++r) {
          int n = GetHolidayNames(d, m, y, r, buffer, sizeof buffer);
          ASSERT_LT(n, 400);
          bool frauentag = std::strstr(buffer, "Internationaler Frauentag") != nullptr;
          bool kindertag = std::strstr(buffer, "Weltkindertag") != nullptr;
          bool national = std::strstr(buffer, "Nationalfeiertag") != nullptr;
          ASSERT_EQ(frauentag, m == 3 && d == 8 && ((r == 3 && y >= 2019) || (r == 8 && y >= 2023)))
              << d << "." << m << "." << y << " region " << r;
          ASSERT_EQ(kindertag, m == 9 && d == 20 && r == 16 && y >= 2019) << d << "." << m << "." << y;
          ASSERT_EQ(national, r == 17 && m == 10 && d == (y >= 1967 ? 26 : 8)) << d << "." << m << "." << y;
        }
      }
    }
  }
}

TEST(Holidays, NamesNeverOverrunTheBuffer) {
  const std::string full = "Reformationstag \nEnde der Sommerzeit ";
  const int expectedResult = static_cast<int>(full.size()) + 1;
  for (int size = 0; size <= 45; ++size) {
    char buffer[64];
    std::memset(buffer, 0x5A, sizeof buffer);
    EXPECT_EQ(GetHolidayNames(31, 10, 2010, 0, buffer, size), expectedResult) << size;
    for (int i = size; i < 64; ++i) ASSERT_EQ(buffer[i], 0x5A) << "byte " << i << " of size " << size;
    if (size == 0) continue;
    int kept = std::min(static_cast<int>(full.size()), size - 1);
    for (int i = kept; i < size; ++i) ASSERT_EQ(buffer[i], 0) << "byte " << i << " of size " << size;
    EXPECT_EQ(std::string(buffer), full.substr(0, kept)) << size;
  }
  // No name: the given bytes are cleared, nothing beyond.
  char buffer[16];
  std::memset(buffer, 0x5A, sizeof buffer);
  EXPECT_EQ(GetHolidayNames(3, 6, 2009, 0, buffer, 8), 0);
  for (int i = 0; i < 16; ++i) ASSERT_EQ(buffer[i], i < 8 ? 0 : 0x5A) << i;
  // Nonsense sizes and no buffer write nothing.
  std::memset(buffer, 0x5A, sizeof buffer);
  EXPECT_EQ(GetHolidayNames(1, 1, 2009, 0, buffer, -5), 9);
  EXPECT_EQ(GetHolidayNames(1, 1, 2009, 0, nullptr, 400), 9);
  for (char c : buffer) ASSERT_EQ(c, 0x5A);
}

TEST(Holidays, RegionTextsAndUnknownRegions) {
  EXPECT_STREQ(holidayRegionTexts[0], "(keine)");
  EXPECT_STREQ(holidayRegionTexts[1], "Deutschland (Baden-Württemberg)");
  EXPECT_STREQ(holidayRegionTexts[8], "Deutschland (Mecklenburg-Vorpommern)");
  EXPECT_STREQ(holidayRegionTexts[16], "Deutschland (Thüringen)");
  EXPECT_STREQ(holidayRegionTexts[17], "Österreich");
  EXPECT_EQ(std::strlen(holidayRegionTexts[17]), 10u);  // one byte per letter in the ANSI code page
  EXPECT_STREQ(holidayRegionTexts[18], "Schweiz");
  EXPECT_EQ(sizeof holidayRegionTexts, 19u * 80u);
  // A region code out of range is read as no region.
  for (int r : {-1, 19, 1000}) {
    EXPECT_EQ(IsPublicHoliday(1, 1, 2009, r), 1);
    EXPECT_EQ(IsPublicHoliday(6, 1, 2009, r), 0);
    EXPECT_EQ(names(25, 12, 2009, r), "1. Weihnachtstag ");
  }
}

}  // namespace
