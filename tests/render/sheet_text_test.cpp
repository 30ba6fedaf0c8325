#include "render/sheet_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace {

int weekdaySundayZero(int d, int m, int y) {
  long long n = daysFromCivil(y, m, d);
  return static_cast<int>(((n % 7) + 7 + 4) % 7);
}

// Glyphs 0.6 of the font height wide, one line as high as the font.
class RecordingPainter : public TextPainter {
 public:
  struct Call {
    std::string text;
    LONG fontHeight;
    LONG fontWeight;
    RECT rect;
    COLORREF colour;
    double opacity;
  };
  std::vector<Call> draws;
  int measures = 0;
  double opacity = 1.0;

  int measure(const char* text, const LOGFONTA& font, const RECT&, int& w, int& h) override {
    ++measures;
    int size = std::abs(static_cast<int>(font.lfHeight));
    w = static_cast<int>(std::strlen(text)) * size * 6 / 10;
    h = size;
    return 1;
  }
  void setOpacity(double o) override { opacity = o; }
  void draw(const char* text, const LOGFONTA& font, const RECT& rect, COLORREF colour) override {
    draws.push_back({text, font.lfHeight, font.lfWeight, rect, colour, opacity});
  }
  std::vector<Call> withColour(COLORREF c) const {
    std::vector<Call> out;
    for (const Call& d : draws)
      if (d.colour == c) out.push_back(d);
    return out;
  }
  const Call* find(const std::string& text, COLORREF colour) const {
    for (const Call& d : draws)
      if (d.text == text && d.colour == colour) return &d;
    return nullptr;
  }
};

struct TextSheet {
  RecordingPainter painter;
  SheetText text{painter};
  SheetLayout layout{};
  TextSheet(int today, int month, int year, int weekdays, int weekNumbers, int region,
            int W = 1280, int H = 1024) {
    layout = computeSheetLayout(W, H, 50, 30, 0, today, month, year,
                                weekdaySundayZero(today, month, year));
    text.sheetFont.lfHeight = -30;
    text.sheetFont.lfWeight = 600;
    text.headerFont.lfHeight = layout.headerHeight;
    text.headerFont.lfWeight = 800;
    drawSheetText(text, layout, SheetTextOptions{weekdays, weekNumbers, region}, today, month,
                  year);
  }
  // Corner of the cell that holds day d.
  int xOf(int d) const { return cellLeft(layout, (d - layout.s) % 7 + 1); }
  int yOf(int d) const { return cellTop(layout, (d - layout.s) / 7 + 1); }
};

TEST(SheetText, WeekdayHeadersAboveRowOne) {
  TextSheet s(10, 8, 2009, 1, 0, 0);
  std::vector<RecordingPainter::Call> headers = s.painter.withColour(kHeaderColour);
  ASSERT_EQ(headers.size(), 7u);
  const char* expected[7] = {"Mo ", "Di ", "Mi ", "Do ", "Fr ", "Sa ", "So "};
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(headers[c].text, expected[c]);
    EXPECT_EQ(headers[c].opacity, 0.25);
    EXPECT_EQ(headers[c].fontWeight, 800);
    EXPECT_EQ(headers[c].rect.left, cellLeft(s.layout, c + 1) - s.layout.dx);
    EXPECT_EQ(headers[c].rect.top, cellTop(s.layout, 1) - 2 * s.layout.dy);
  }
  TextSheet off(10, 8, 2009, 0, 0, 0);
  EXPECT_TRUE(off.painter.withColour(kHeaderColour).empty());
}

TEST(SheetText, WeekNumbersAtTheLeftOfEachRow) {
  // August 2009 starts in row 1 (Monday of row 1 is day -4); ISO weeks 31..36.
  TextSheet on(10, 8, 2009, 1, 1, 0);
  std::vector<RecordingPainter::Call> weeks = on.painter.withColour(kWeekNumberColour);
  std::vector<std::string> texts;
  for (const auto& w : weeks) texts.push_back(w.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"32 ", "33 ", "34 ", "35 ", "36 "}));
  EXPECT_EQ(weeks[0].opacity, 0.5);
  EXPECT_EQ(weeks[0].rect.left, cellLeft(on.layout, 1));
  EXPECT_EQ(weeks[0].rect.top, cellTop(on.layout, 2) - on.layout.dy);

  TextSheet noHeaders(10, 8, 2009, 0, 1, 0);
  texts.clear();
  for (const auto& w : noHeaders.painter.withColour(kWeekNumberColour)) texts.push_back(w.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"31 ", "32 ", "33 ", "34 ", "35 ", "36 "}));

  // February 2009: row 1's Monday is day -12, too early; row 2 shows the week of the 1st.
  TextSheet feb(10, 2, 2009, 0, 1, 0);
  texts.clear();
  for (const auto& w : feb.painter.withColour(kWeekNumberColour)) texts.push_back(w.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"5 ", "6 ", "7 ", "8 ", "9 "}));

  TextSheet none(10, 8, 2009, 1, 0, 0);
  EXPECT_TRUE(none.painter.withColour(kWeekNumberColour).empty());
}

TEST(SheetText, DayNumbersWithShadowAndColours) {
  // June 2010, today Saturday the 12th; region 0 marks only weekends.
  TextSheet s(12, 6, 2010, 1, 1, 0);
  const auto* today = s.painter.find("12*  ", kFreeTodayColour);
  ASSERT_NE(today, nullptr);
  EXPECT_EQ(today->rect.left, s.xOf(12) - s.layout.dx);
  EXPECT_EQ(today->rect.top, s.yOf(12) - s.layout.dy);
  EXPECT_EQ(today->opacity, 1.0);
  EXPECT_EQ(today->fontHeight, -30);
  const auto* shadow = s.painter.find("12*  ", kShadowColour);
  ASSERT_NE(shadow, nullptr);
  EXPECT_EQ(shadow->rect.left, today->rect.left + 1);
  EXPECT_EQ(shadow->rect.top, today->rect.top + 1);
  EXPECT_EQ(shadow->rect.right, today->rect.right);
  EXPECT_EQ(shadow->opacity, 0.5);
  EXPECT_NE(s.painter.find("11  ", kDayColour), nullptr);      // Friday
  EXPECT_NE(s.painter.find("13  ", kFreeDayColour), nullptr);  // Sunday
  EXPECT_NE(s.painter.find("3  ", kDayColour), nullptr);       // Thursday, Corpus Christi
  EXPECT_EQ(s.painter.withColour(kShadowColour).size(), 30u);
  EXPECT_EQ(s.painter.withColour(kTodayColour).size(), 0u);

  TextSheet weekday(11, 6, 2010, 1, 1, 0);
  EXPECT_NE(weekday.painter.find("11*  ", kTodayColour), nullptr);
}

TEST(SheetText, PublicHolidaysOfTheRegionAreFree) {
  // Epiphany (6 January 2010, a Wednesday) is free in Bavaria (region 2), not in Berlin (3).
  TextSheet bavaria(20, 1, 2010, 1, 1, 2);
  EXPECT_NE(bavaria.painter.find("6  ", kFreeDayColour), nullptr);
  TextSheet berlin(20, 1, 2010, 1, 1, 3);
  EXPECT_NE(berlin.painter.find("6  ", kDayColour), nullptr);
  // Easter Monday 2010 (5 April) is free in every region, but region 0 marks only weekends.
  TextSheet none(20, 4, 2010, 1, 1, 0);
  EXPECT_NE(none.painter.find("5  ", kDayColour), nullptr);
  TextSheet austria(5, 4, 2010, 1, 1, 17);
  EXPECT_NE(austria.painter.find("5*  ", kFreeTodayColour), nullptr);
  EXPECT_EQ(isFreeDay(6, 1, 1, 2011, 0), 1);  // a Saturday
}

TEST(SheetText, FontsShrinkUntilTheSampleFits) {
  RecordingPainter painter;
  SheetText text(painter);
  text.sheetFont.lfHeight = -100;  // "99 " is 180 px wide
  text.DrawDayNumber(7, 0, 0, 10, 10, 120);
  // trunc(3 x h x 0.6) <= 120 first holds at h = 67.
  EXPECT_EQ(text.sheetFont.lfHeight, -67);
  EXPECT_EQ(text.sheetFontChanged, 1);
  ASSERT_EQ(painter.draws.size(), 2u);
  EXPECT_EQ(painter.draws[1].fontHeight, -67);

  SheetText fits(painter);
  fits.sheetFont.lfHeight = -30;
  fits.DrawDayNumber(7, 0, 0, 10, 10, 120);
  EXPECT_EQ(fits.sheetFontChanged, 0);
  EXPECT_EQ(fits.sheetFont.lfHeight, -30);

  // Positive heights shrink toward zero as well, but never below the smallest height the
  // settings accept ("99 " at 7 px is trunc(3 x 7 x 0.6) = 12 wide).
  SheetText positive(painter);
  positive.sheetFont.lfHeight = 40;
  positive.DrawDayNumber(7, 0, 0, 10, 10, 12);
  EXPECT_EQ(positive.sheetFont.lfHeight, 7);
  EXPECT_EQ(positive.sheetFontChanged, 1);
  SheetText narrow(painter);
  narrow.sheetFont.lfHeight = -20;
  narrow.DrawDayNumber(7, 0, 0, 10, 10, 13);
  EXPECT_EQ(narrow.sheetFont.lfHeight, -7);

  // A cell too narrow for any accepted height leaves the user's font alone; the header, which
  // is sized anew each time, still ends at one pixel.
  SheetText tiny(painter);
  tiny.sheetFont.lfHeight = 40;
  tiny.DrawDayNumber(7, 0, 0, 10, 10, 11);
  EXPECT_EQ(tiny.sheetFont.lfHeight, 40);
  EXPECT_EQ(tiny.sheetFontChanged, 0);
  tiny.DrawDayNumber(7, 0, 0, 10, 10, -5);
  EXPECT_EQ(tiny.sheetFont.lfHeight, 40);
  tiny.headerFont.lfHeight = -50;
  tiny.DrawWeekdayHeader(0, 0, 0, 0);
  EXPECT_EQ(tiny.headerFont.lfHeight, -1);

  // The header shrinks on "SA " within the cell width and keeps the smaller height.
  SheetText header(painter);
  header.headerFont.lfHeight = -105;
  header.DrawWeekdayHeader(4, 0, 0, 90);
  EXPECT_EQ(header.headerFont.lfHeight, -50);
  EXPECT_EQ(painter.draws.back().text, "Fr ");
}

TEST(SheetText, ShrinkStepsTowardZero) {
  LONG h = -3;
  EXPECT_EQ(shrinkFontHeight(h), 1);
  EXPECT_EQ(h, -2);
  EXPECT_EQ(shrinkFontHeight(h), 1);
  EXPECT_EQ(h, -1);
  EXPECT_EQ(shrinkFontHeight(h), 0);
  EXPECT_EQ(h, -1);
  h = 2;
  EXPECT_EQ(shrinkFontHeight(h), 1);
  EXPECT_EQ(h, 1);
  EXPECT_EQ(shrinkFontHeight(h), 0);
  h = 0;
  EXPECT_EQ(shrinkFontHeight(h), 0);
}

}  // namespace
