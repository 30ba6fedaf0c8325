#include "render/sheet_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
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

TEST(SheetLayout, ExampleScreensFitTheWholeMonth) {
  // The designed cell (175 on 1280 x 1024) would run 68 px past the right edge.
  SheetLayout l = layoutOn(1280, 1024, 50, 30, 0, 15, 6, 2010);
  EXPECT_EQ(l.cw, 169);
  EXPECT_EQ(l.ch, 146);
  EXPECT_EQ(l.X0, 96);
  EXPECT_EQ(l.Y0, 70);
  EXPECT_EQ(l.dx, 15);
  EXPECT_EQ(l.dy, 21);
  EXPECT_EQ(l.headerHeight, -102);
  const struct { int W, H, cw, ch; } examples[] = {
      {1024, 768, 133, 115}, {1920, 1080, 195, 168}, {3840, 2160, 395, 341}};
  for (const auto& e : examples) {
    SheetLayout x = layoutOn(e.W, e.H, 50, 30, 0, 9, 12, 2026);
    EXPECT_EQ(x.cw, e.cw) << e.W << "x" << e.H;
    EXPECT_EQ(x.ch, e.ch) << e.W << "x" << e.H;
  }
  // A taskbar: the last row ends above its top edge.
  SheetLayout bar = computeSheetLayout(1920, 1080, 50, 30, 0, 9, 12, 2026, 3, 1040);
  EXPECT_EQ(bar.cw, 187);  // 72 + 6 x trunc(187 x 0.86486486) = 72 + 6 x 161 = 1038
  EXPECT_LE(cellTop(bar, 6) + bar.ch, 1040);
}

TEST(SheetLayout, CellHeightUsesTheRoundedConstant) {
  // Grids that fit as designed (a right margin wider than the left shift of the grid):
  // cw 148 gives 127 (not 128 as 256/296 would), 296 gives 255.
  EXPECT_EQ(layoutOn(1100, 1200, 0, 0, 64, 1, 1, 2010).cw, 148);
  EXPECT_EQ(layoutOn(1100, 1200, 0, 0, 64, 1, 1, 2010).ch, 127);
  EXPECT_EQ(layoutOn(2200, 2000, 0, 0, 128, 1, 1, 2010).ch, 255);
  // -0.7 x ch in doubles: 0.7 x 90 comes out just below 63.
  SheetLayout l = layoutOn(800, 768, 0, 0, 65, 1, 1, 2010);  // cw 105: trunc(105 x 0.86486486) = 90
  EXPECT_EQ(l.ch, 90);
  EXPECT_EQ(l.headerHeight, -62);
}

// Every screen from 800 x 600 to 7680 x 4320 in steps of 8, with the default, no, wide and
// nonsensical margins and with a taskbar: the grid never leaves the canvas, the cell is the
// largest that fits (or the designed one where that fits), and never below one pixel.
TEST(SheetLayout, SweepOfScreensAndMarginsStaysOnTheCanvas) {
  const int margins[][3] = {{50, 30, 0},   {0, 0, 0},       {120, 80, 300}, {-1, -1, -1},
                            {999999, 999999, 999999}, {2000, 30, 2000}};
  long long checked = 0, lowered = 0, failures = 0;
  auto ch = [](long long cw) { return cw * 86486486LL / 100000000LL; };
  for (int W = 800; W <= 7680; W += 8) {
    for (int H = 600; H <= 4320; H += 8) {
      for (const auto& mg : margins) {
        for (int bar = 0; bar < 2; ++bar) {
          int bottom = bar ? H - 40 : 0;
          SheetLayout l = computeSheetLayout(W, H, mg[0], mg[1], mg[2], 9, 5, 2021, 0, bottom);
          // The model: margins clamped to what the options page offers, then the largest cell
          // within the three bounds.
          long long left = std::min<long long>(std::max(mg[0], 0), W / 6);
          long long top = std::min<long long>(std::max(mg[1], 0), H / 6);
          long long right = std::min<long long>(std::max(mg[2], 0), W / 6);
          long long B = bar ? H - 40 : H;
          long long X0 = left + 37LL * W / 1024, Y0 = top + 30LL * H / 768;
          long long designed = (W - left - right) / 7;
          long long cw = std::min(designed, (W - X0) / 7);
          while (cw > 1 && Y0 + 6 * ch(cw) > B) --cw;
          bool ok = l.X0 == X0 && l.Y0 == Y0 && l.cw == cw && l.ch == ch(cw) && l.cw >= 1 &&
                    l.X0 + 7LL * l.cw <= W && l.Y0 + 6LL * l.ch <= B &&
                    l.dx == 12LL * W / 1024 && l.dy == 16LL * H / 768 &&
                    l.headerHeight == static_cast<int>(std::trunc(-0.7 * l.ch));
          if (!ok && failures++ < 5)
            ADD_FAILURE() << W << "x" << H << " margins " << mg[0] << "/" << mg[1] << "/" << mg[2]
                          << " bottom " << B << ": cw " << l.cw << " (model " << cw << "), X0 "
                          << l.X0 << ", Y0 " << l.Y0;
          lowered += l.cw < designed;
          ++checked;
        }
      }
    }
  }
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(checked, 861LL * 466 * 6 * 2);
  EXPECT_GT(lowered, checked / 2);  // most screens are wider than 5:4
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
