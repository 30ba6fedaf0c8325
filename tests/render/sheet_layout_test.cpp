#include "render/sheet_layout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "platform/clock.h"

namespace {

// Weekday from the day count since 1970-01-01 (a Thursday), ISO numbering 1 = Monday .. 7.
int isoWeekday(int d, int m, int y) {
  long long n = daysFromCivil(y, m, d);
  return static_cast<int>(((n % 7) + 7 + 3) % 7) + 1;
}

int monthLength(int m, int y) {
  static const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : lengths[m - 1];
}

int weekdaySundayZero(int d, int m, int y) { return isoWeekday(d, m, y) % 7; }

SheetLayout layoutOn(int W, int H, int left, int top, int right, int d, int m, int y) {
  return computeSheetLayout(W, H, left, top, right, d, m, y, weekdaySundayZero(d, m, y));
}

TEST(SheetLayout, ExampleScreen1280x1024) {
  SheetLayout l = layoutOn(1280, 1024, 50, 30, 0, 15, 6, 2010);
  EXPECT_EQ(l.cw, 175);
  EXPECT_EQ(l.ch, 151);
  EXPECT_EQ(l.X0, 96);
  EXPECT_EQ(l.Y0, 70);
  EXPECT_EQ(l.dx, 15);
  EXPECT_EQ(l.dy, 21);
  EXPECT_EQ(l.headerHeight, -105);
}

TEST(SheetLayout, CellHeightUsesTheRoundedConstant) {
  // G = 7 * cw with no margins: cw 148 gives 127 (not 128 as 256/296 would), 296 gives 255.
  EXPECT_EQ(layoutOn(148 * 7, 768, 0, 0, 0, 1, 1, 2010).ch, 127);
  EXPECT_EQ(layoutOn(296 * 7, 768, 0, 0, 0, 1, 1, 2010).ch, 255);
  // -0.7 x ch in doubles: 0.7 x 90 comes out just below 63.
  int cwFor90 = 105;  // trunc(105 x 0.86486486) = 90
  EXPECT_EQ(layoutOn(cwFor90 * 7, 768, 0, 0, 0, 1, 1, 2010).ch, 90);
  EXPECT_EQ(layoutOn(cwFor90 * 7, 768, 0, 0, 0, 1, 1, 2010).headerHeight, -62);
}

TEST(SheetLayout, ManyScreenSizesAndMargins) {
  const int sizes[][2] = {{800, 600},   {1024, 768},  {1152, 864},  {1280, 720},  {1280, 800},
                          {1280, 1024}, {1366, 768},  {1440, 900},  {1600, 900},  {1600, 1200},
                          {1680, 1050}, {1920, 1080}, {1920, 1200}, {2560, 1080}, {2560, 1440},
                          {2560, 1600}, {3440, 1440}, {3840, 1600}, {3840, 2160}, {4096, 2160},
                          {5120, 1440}, {5120, 2880}, {6016, 3384}, {7680, 4320}};
  const int margins[][3] = {{50, 30, 0}, {0, 0, 0}, {120, 80, 300}, {10, 200, 390}};
  for (const auto& size : sizes) {
    for (const auto& mg : margins) {
      int W = size[0], H = size[1], left = mg[0], top = mg[1], right = mg[2];
      SheetLayout l = layoutOn(W, H, left, top, right, 9, 5, 2021);
      SCOPED_TRACE(testing::Message() << W << "x" << H << " margins " << left << "/" << top
                                      << "/" << right);
      int G = W - right - left;
      ASSERT_GT(G, 0);
      // Written out in integers: every factor is a ratio of small numbers.
      long long cw = G / 7;
      EXPECT_EQ(l.X0, left + static_cast<int>(std::floor(37.0 * W / 1024.0)));
      EXPECT_EQ(l.Y0, top + static_cast<int>(std::floor(30.0 * H / 768.0)));
      EXPECT_EQ(l.cw, cw);
      EXPECT_EQ(l.ch, cw * 86486486LL / 100000000LL);
      EXPECT_EQ(l.dx, static_cast<int>(std::floor(W * 12.0 / 1024.0)));
      EXPECT_EQ(l.dy, static_cast<int>(std::floor(H * 16.0 / 768.0)));
      EXPECT_EQ(l.headerHeight, static_cast<int>(std::trunc(-0.7 * static_cast<double>(l.ch))));
      EXPECT_EQ(cellLeft(l, 7), l.X0 + 6 * l.cw);
      EXPECT_EQ(cellTop(l, 6), l.Y0 + 5 * l.ch);
    }
  }
}

TEST(SheetLayout, FirstCellDayOfTheExampleMonths) {
  auto cellOf = [](const SheetLayout& l, int day) {
    int k = day - l.s;
    return std::make_pair(k / 7 + 1, k % 7 + 1);  // row, column
  };
  SheetLayout feb = layoutOn(1024, 768, 50, 30, 0, 10, 2, 2009);  // 1st a Sunday, 28 days
  EXPECT_EQ(feb.s, -12);
  EXPECT_EQ(cellOf(feb, 1), std::make_pair(2, 7));
  EXPECT_EQ(cellOf(feb, 28), std::make_pair(6, 6));
  SheetLayout aug = layoutOn(1024, 768, 50, 30, 0, 10, 8, 2009);  // 1st a Saturday, 31 days
  EXPECT_EQ(aug.s, -4);
  EXPECT_EQ(cellOf(aug, 1), std::make_pair(1, 6));
  EXPECT_EQ(cellOf(aug, 31), std::make_pair(6, 1));
  SheetLayout jun = layoutOn(1024, 768, 50, 30, 0, 10, 6, 2009);  // 1st a Monday, 30 days
  EXPECT_EQ(jun.s, -6);
  EXPECT_EQ(cellOf(jun, 1), std::make_pair(2, 1));
}

TEST(SheetLayout, FirstCellDayForEveryMonth1901To2099) {
  for (int y = 1901; y <= 2099; ++y) {
    for (int m = 1; m <= 12; ++m) {
      int dim = monthLength(m, y);
      int column = isoWeekday(1, m, y);  // Monday = column 1
      // Row 1 stays free for the headers unless the month needs all six rows.
      int row = (column - 1) + dim > 35 ? 1 : 2;
      int expected = 1 - ((row - 1) * 7 + (column - 1));
      // Today may be any day of the month: the first weekday comes from today's weekday.
      for (int today : {1, 17, dim}) {
        SheetLayout l = layoutOn(1920, 1080, 50, 30, 0, today, m, y);
        ASSERT_EQ(l.s, expected) << m << "/" << y << " today " << today;
        ASSERT_EQ(l.daysInMonth, dim);
      }
    }
  }
}

}  // namespace
