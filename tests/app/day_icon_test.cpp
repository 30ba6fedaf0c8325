// The day icon pictures: sizes, colours and the shrinking of the number's font.
#include <gtest/gtest.h>

#include "app/day_icon.h"
#include "imaging/owned_block.h"
#include "imaging/smooth_text.h"

namespace {

struct Counts {
  int background = 0, red = 0, dark = 0, other = 0;
};

Counts countPixels(const BYTE* image, int w, int h) {
  Counts c;
  for (int i = 0; i < w * h; ++i) {
    int r = image[i * 3], g = image[i * 3 + 1], b = image[i * 3 + 2];
    if (r == 255 && g == 255 && b == 0) ++c.background;
    else if (r > 200 && g < 60 && b < 60) ++c.red;
    else if (r < 60 && g < 60 && b < 60) ++c.dark;
    else ++c.other;
  }
  return c;
}

LONG measuredWidth(const char* text, int height, const RECT& box, LONG* h) {
  LOGFONTA font;
  dayNumberFont(font, height);
  LONG w = 0;
  *h = 0;
  IS40_GetTextLineSize2(text, &font, &box, kCentredLine, 0, &w, h);
  return w;
}

TEST(DayIcon, WeekendDigitsAreRedOnYellow) {
  EXPECT_EQ(dayNumberColour(0), 0x0000FFu);
  EXPECT_EQ(dayNumberColour(6), 0x0000FFu);
  EXPECT_EQ(dayNumberColour(3), 0u);

  OwnedBlock sunday = renderSmallDayIcon(28, 16, 16, kSmallIconBackground, dayNumberColour(0));
  ASSERT_NE(sunday, nullptr);
  EXPECT_EQ(GlobalSize(sunday.get()), 16u * 16u * 3u);
  Counts c = countPixels(sunday.get(), 16, 16);
  // Corners stay background; there is red and no black.
  for (int p : {0, 15, 15 * 16, 16 * 16 - 1}) {
    EXPECT_EQ(sunday.get()[p * 3], 255);
    EXPECT_EQ(sunday.get()[p * 3 + 2], 0);
  }
  EXPECT_GT(c.red, 8);
  EXPECT_EQ(c.dark, 0);
  EXPECT_GT(c.background, 100);

  OwnedBlock wednesday = renderSmallDayIcon(28, 16, 16, kSmallIconBackground, dayNumberColour(3));
  ASSERT_NE(wednesday, nullptr);
  c = countPixels(wednesday.get(), 16, 16);
  EXPECT_GT(c.dark, 8);
  EXPECT_EQ(c.red, 0);
}

TEST(DayIcon, OtherSizesAndBadSizes) {
  OwnedBlock big = renderSmallDayIcon(5, 24, 20, kSmallIconBackground, 0);
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(GlobalSize(big.get()), 24u * 20u * 3u);
  EXPECT_EQ(renderSmallDayIcon(5, 0, 16, kSmallIconBackground, 0), nullptr);
  EXPECT_EQ(renderSmallDayIcon(5, 16, -1, kSmallIconBackground, 0), nullptr);
}

TEST(DayIcon, FontShrinksUntilItFitsThenOneStepMore) {
  struct Case {
    const char* text;
    int start;
    RECT box;
  };
  const Case cases[] = {{"28", kSmallIconStartHeight, {0, 0, 16, 16}},
                        {"31", kDayIconStartHeight, kDayIconBox},
                        {"8", kSmallIconStartHeight, {0, 0, 16, 16}}};
  for (const Case& c : cases) {
    LOGFONTA font;
    dayNumberFont(font, c.start);
    ASSERT_EQ(fitDayNumberFont(font, c.text, c.box), 1);
    const int fitted = font.lfHeight - 1;  // the height at which the loop stopped
    LONG h = 0;
    LONG w = measuredWidth(c.text, fitted, c.box, &h);
    EXPECT_LE(w, c.box.right - c.box.left) << c.text;
    EXPECT_LE(h, c.box.bottom - c.box.top) << c.text;
    if (fitted > c.start) {  // it had to shrink: one unit larger did not fit
      w = measuredWidth(c.text, fitted - 1, c.box, &h);
      EXPECT_TRUE(w > c.box.right - c.box.left || h > c.box.bottom - c.box.top) << c.text;
    }
    EXPECT_GT(font.lfHeight, c.start) << "always at least the one extra step";
  }
  // Two digits need a smaller font than one digit.
  LOGFONTA one, two;
  dayNumberFont(one, -16);
  dayNumberFont(two, -16);
  RECT box = {0, 0, 16, 16};
  fitDayNumberFont(one, "8", box);
  fitDayNumberFont(two, "28", box);
  EXPECT_GE(two.lfHeight, one.lfHeight);
}

TEST(DayIcon, ShrinkingEndsEvenInATinyBox) {
  LOGFONTA font;
  dayNumberFont(font, -24);
  RECT box = {0, 0, 1, 1};
  ASSERT_EQ(fitDayNumberFont(font, "28", box), 1);
  EXPECT_EQ(font.lfHeight, -1);
}

TEST(DayIcon, CalendarPictureMustDecode) {
  const char junk[] = "not a bitmap";
  EXPECT_FALSE(renderDayIcon(3, 0, junk, sizeof junk));
  EXPECT_FALSE(renderDayIcon(3, 0, nullptr, 0));
}

}  // namespace
