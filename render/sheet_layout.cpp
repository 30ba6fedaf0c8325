#include "render/sheet_layout.h"

#include "calendar/date_arith.h"

int firstWeekdayOfMonth(int day, int weekday) {
  int f = (weekday - (day - 1)) % 7;
  return f < 0 ? f + 7 : f;
}

int firstCellDay(int firstWeekday, int daysInMonth) {
  int s = firstWeekday == 0 ? -5 : 2 - firstWeekday;
  // A month that leaves row 6 empty moves down a row, so row 1 stays free for the headers.
  int magnitude = s < 0 ? -s : s;
  if (magnitude + daysInMonth < 35) s -= 7;
  return s;
}

namespace {

int clampMargin(int value, int most) {
  if (most < 0) most = 0;
  return value < 0 ? 0 : value > most ? most : value;
}

int cellHeight(int cw) { return static_cast<int>(cw * 0.86486486); }

}  // namespace

SheetLayout computeSheetLayout(int W, int H, int left, int top, int right, int day, int month,
                               int year, int weekday, int bottom) {
  SheetLayout l;
  if (W < 0) W = 0;
  if (H < 0) H = 0;
  left = clampMargin(left, W / 6);
  right = clampMargin(right, W / 6);
  top = clampMargin(top, H / 6);
  if (bottom <= 0 || bottom > H) bottom = H;
  int G = W - right - left;
  // 64-bit products: a canvas of up to 2^31 pixels wide must not overflow 37 * W.
  l.X0 = left + static_cast<int>(37LL * W / 1024);
  l.Y0 = top + static_cast<int>(30LL * H / 768);
  l.cw = G / 7;
  int widest = (W - l.X0) / 7;
  if (l.cw > widest) l.cw = widest;
  // The largest cw whose six rows end above the bottom: start from the quotient, then step.
  int rowsRoom = bottom - l.Y0;
  if (rowsRoom < 0) rowsRoom = 0;
  int tallest = static_cast<int>((rowsRoom / 6 + 1) / 0.86486486) + 1;
  if (l.cw > tallest) l.cw = tallest;
  while (l.cw > 1 && l.Y0 + 6 * cellHeight(l.cw) > bottom) --l.cw;
  if (l.cw < 1) l.cw = 1;
  l.ch = cellHeight(l.cw);
  l.dx = static_cast<int>(12LL * W / 1024);
  l.dy = static_cast<int>(16LL * H / 768);
  l.headerHeight = static_cast<int>(-0.7 * l.ch);
  l.daysInMonth = DaysInMonth(month, year);
  l.firstWeekday = firstWeekdayOfMonth(day, weekday);
  l.s = firstCellDay(l.firstWeekday, l.daysInMonth);
  return l;
}
