// Where the month's sheet lies on the wallpaper and which day falls in which cell. The
// geometry is scaled from a design for a 1024 x 768 screen.
#pragma once

constexpr int kSheetRows = 6;
constexpr int kSheetColumns = 7;

struct SheetLayout {
  int s;             // day number of row 1, column 1 (cell k shows day s + k)
  int X0, Y0;        // top-left corner of row 1, column 1
  int cw, ch;        // cell size
  int dx, dy;        // text offsets to the left of and above a cell
  int headerHeight;  // font height of the header font for this composition
  int firstWeekday;  // weekday of the 1st, 0 = Sunday
  int daysInMonth;
};

// Weekday of the 1st of the month from today's day and weekday.
int firstWeekdayOfMonth(int day, int weekday);

// Day number of the first cell for a month whose 1st falls on `firstWeekday`.
int firstCellDay(int firstWeekday, int daysInMonth);

// The whole layout for a W x H canvas, the margins of the settings and today's date.
//
// The design scales the cell from the width alone, which on any screen wider than 5:4 puts the
// lower rows below the screen, and lets the grid start right of the left margin, so column 7
// runs past a right margin of 0. So the cell is then lowered to the largest width for which
// the seven columns end inside the canvas and the six rows end above `bottom` (the canvas
// height, or the top of the taskbar; 0 or anything outside 1..H means H). Where the designed
// grid fits, it stays as it is. Margins outside what the options page offers for the screen
// (0..W/6, 0..H/6), such as values kept from a larger monitor, are used clamped to that range.
SheetLayout computeSheetLayout(int W, int H, int left, int top, int right, int day, int month,
                               int year, int weekday, int bottom = 0);

// Top-left corner of a cell, row and column counted from 1.
inline int cellLeft(const SheetLayout& l, int column) { return l.X0 + (column - 1) * l.cw; }
inline int cellTop(const SheetLayout& l, int row) { return l.Y0 + (row - 1) * l.ch; }
