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

SheetLayout computeSheetLayout(int W, int H, int left, int top, int right, int day, int month,
                               int year, int weekday, int bottom) {
  (void)bottom;
  SheetLayout l;
  int G = W - right - left;
  l.X0 = left + 37 * W / 1024;
  l.Y0 = top + 30 * H / 768;
  l.cw = G / 7;
  l.ch = static_cast<int>(l.cw * 0.86486486);
  l.dx = 12 * W / 1024;
  l.dy = 16 * H / 768;
  l.headerHeight = static_cast<int>(-0.7 * l.ch);
  l.daysInMonth = DaysInMonth(month, year);
  l.firstWeekday = firstWeekdayOfMonth(day, weekday);
  l.s = firstCellDay(l.firstWeekday, l.daysInMonth);
  return l;
}
