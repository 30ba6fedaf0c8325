#include "render/sheet_text.h"

#include <cstdio>

#include "calendar/date_arith.h"
#include "calendar/holidays.h"

// Monday and Friday carry their names like the other days.
const char* const kWeekdayHeaderTexts[7] = {"Mo ", "Di ", "Mi ", "Do ", "Fr ", "Sa ", "So "};

COLORREF dayNumberStyle(int day, int isFree, int isToday, char* text, size_t size) {
  std::snprintf(text, size, isToday ? "%d*  " : "%d  ", day);
  if (isToday) return isFree ? kFreeTodayColour : kTodayColour;
  return isFree ? kFreeDayColour : kDayColour;
}

int isFreeDay(int weekday, int day, int month, int year, int region) {
  if (weekday == 0 || weekday == 6) return 1;
  return region != 0 && IsPublicHoliday(day, month, year, region);
}

int shrinkFontHeight(LONG& height, LONG smallest) {
  // A cell narrower than the sample at the smallest height would otherwise never let the
  // loop end.
  if (height >= -smallest && height <= smallest) return 0;
  height += height < 0 ? 1 : -1;
  return 1;
}

namespace {

RECT makeRect(int left, int top, int right, int bottom) {
  RECT r;
  r.left = left;
  r.top = top;
  r.right = right;
  r.bottom = bottom;
  return r;
}

}  // namespace

void SheetText::DrawWeekdayHeader(int index, int x, int y, int cw) {
  int w = 0, h = 0;
  RECT sample = makeRect(0, 0, cw, cw);
  painter.measure("SA ", headerFont, sample, w, h);
  while (w > cw && shrinkFontHeight(headerFont.lfHeight))
    painter.measure("SA ", headerFont, sample, w, h);

  if (index < 0 || index > 6) return;
  const char* text = kWeekdayHeaderTexts[index];
  painter.setOpacity(0.25);
  painter.measure(text, headerFont, sample, w, h);
  painter.draw(text, headerFont, makeRect(x, y, x + w + 40, y + h + 10), kHeaderColour);
}

void SheetText::DrawWeekNumber(int day, int month, int year, int x, int y) {
  char text[16];
  std::snprintf(text, sizeof text, "%d ", WeekNumber(day, month, year));
  int w = 0, h = 0;
  painter.setOpacity(0.5);
  painter.measure(text, headerFont, makeRect(0, 0, 64, 64), w, h);
  painter.draw(text, headerFont, makeRect(x, y, x + w + 40, y + h + 10), kWeekNumberColour);
}

void SheetText::DrawDayNumber(int day, int isFree, int isToday, int x, int y, int cw) {
  RECT sample = makeRect(0, 0, 64, 64);
  int w = 0, h = 0;
  painter.measure("99 ", sheetFont, sample, w, h);
  if (w > cw) {
    // A cell too narrow for the sample even at the smallest height (a screen too small for a
    // sheet) is no reason to spoil the user's font for good: it stays as it is.
    LOGFONTA smallest = sheetFont;
    smallest.lfHeight = sheetFont.lfHeight < 0 ? -kSmallestDayFontHeight : kSmallestDayFontHeight;
    int ws = 0, hs = 0;
    painter.measure("99 ", smallest, sample, ws, hs);
    if (ws <= cw) {
      while (w > cw && shrinkFontHeight(sheetFont.lfHeight, kSmallestDayFontHeight)) {
        sheetFontChanged = 1;
        painter.measure("99 ", sheetFont, sample, w, h);
      }
    }
  }

  char text[24];
  COLORREF colour = dayNumberStyle(day, isFree, isToday, text, sizeof text);
  painter.measure(text, sheetFont, sample, w, h);
  painter.setOpacity(0.5);
  painter.draw(text, sheetFont, makeRect(x + 1, y + 1, x + w + 40, y + h + 10), kShadowColour);
  painter.setOpacity(1.0);
  painter.draw(text, sheetFont, makeRect(x, y, x + w + 40, y + h + 10), colour);
}

void drawSheetText(SheetText& text, const SheetLayout& layout, const SheetTextOptions& options,
                   int today, int month, int year) {
  int weekday = layout.firstWeekday;
  for (int row = 1; row <= kSheetRows; ++row) {
    for (int column = 1; column <= kSheetColumns; ++column) {
      int x = cellLeft(layout, column);
      int y = cellTop(layout, row);
      int d = layout.s + (row - 1) * kSheetColumns + (column - 1);
      if (options.weekdays && row == 1)
        text.DrawWeekdayHeader(column - 1, x - layout.dx, y - 2 * layout.dy, layout.cw);
      // A row whose Monday lies before the 1st holds the 1st: it shows the 1st's week.
      if (options.weekNumbers && column == 1 && d >= -5 && d <= layout.daysInMonth &&
          !(options.weekdays && row == 1))
        text.DrawWeekNumber(d < 1 ? 1 : d, month, year, x, y - layout.dy);
      if (d >= 1 && d <= layout.daysInMonth) {
        int isFree = isFreeDay(weekday, d, month, year, options.region);
        text.DrawDayNumber(d, isFree, d == today, x - layout.dx, y - layout.dy, layout.cw);
        weekday = (weekday + 1) % 7;
      }
    }
  }
}
