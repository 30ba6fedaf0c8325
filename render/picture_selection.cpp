#include "render/picture_selection.h"

#include <cstdio>

#include "calendar/date_arith.h"

uint32_t jobSeed(int minute, int second, int millisecond, int day) {
  return static_cast<uint32_t>(minute * second + millisecond + day);
}

void CellTable::reset() {
  for (auto& row : cell)
    for (auto& value : row) value = kCellNothing;
}

namespace {

struct ConflictRow {
  int tile;
  int excluded[5];
};

// Families of tiles that vary one motif: never two of one family on a sheet.
constexpr ConflictRow kConflictRows[] = {
    {7, {16, 18, 23, 24, 26}},  {10, {36}},
    {16, {7, 18, 23, 24, 26}},  {18, {7, 16, 23, 24, 26}},
    {22, {31}},                 {23, {7, 16, 18, 24, 26}},
    {24, {7, 16, 18, 23, 26}},  {26, {7, 16, 18, 23, 24}},
    {27, {29, 30, 31, 32}},     {29, {27, 30, 31, 32}},
    {30, {27, 29, 31, 32}},     {31, {27, 29, 30, 32, 22}},
    {32, {27, 29, 30, 31, 48}}, {33, {54, 56}},
    {35, {39, 40, 41, 47}},     {36, {10}},
    {39, {35, 40, 41, 47}},     {40, {35, 39, 41, 47}},
    {41, {35, 39, 40, 47}},     {42, {43}},
    {43, {42}},                 {44, {45}},
    {45, {44}},                 {47, {35, 39, 40, 41}},
    {48, {32}},                 {54, {33, 55, 56}},
    {55, {54}},                 {56, {33, 54}},
    {57, {58}},                 {58, {57}},
    {59, {60, 61}},             {60, {59, 61}},
    {61, {59, 60}},             {86, {87}},
    {87, {86}},
};

struct ConflictTableBuilder {
  int table[93][5] = {};
  constexpr ConflictTableBuilder() {
    for (const ConflictRow& row : kConflictRows)
      for (int i = 0; i < 5; ++i) table[row.tile][i] = row.excluded[i];
  }
};

constexpr ConflictTableBuilder kConflicts;

bool isInterior(int row, int column) { return row < kSheetRows && column < kSheetColumns; }

int drawPicture(PictureContext& ctx, const char* type, const char* name, int x, int y, int cw,
                int ch, double alpha) {
  if (!ctx.drawer.draw) return kTileNotFound;
  return ctx.drawer.draw(ctx.drawer.user, type, name, x, y, cw, ch, alpha);
}

int lastSunday(int month, int year) {
  int last = DaysInMonth(month, year);
  return last - DayOfWeek(last, month, year);
}

// A decorative tile for an interior cell that is not today.
int chooseTile(PictureContext& ctx, int row, int column) {
  if (row >= 2) {
    int above = ctx.cells.at(row - 1, column);
    // Tiles 11, 13 and 21 reach into the cell below.
    if (above == 11 || above == 13 || above == 21) return 0;
  }
  int range = (row == 1 && column == 1) ? 7 : 121;
  for (;;) {
    int r = ctx.random->next() % range;
    if (r >= 93 || r == 0) return 0;
    if (TileOnSheet(ctx.cells, r) || TileConflicts(ctx.cells, r) ||
        !TilePlacementAccepted(ctx.cells, r, row, column))
      continue;
    return r;
  }
}

}  // namespace

const int (&TileConflictTable)[93][5] = kConflicts.table;

int TileOnSheet(const CellTable& cells, int t) {
  if (t < 1) return 0;
  for (int row = 1; row <= 5; ++row)
    for (int column = 1; column <= kSheetColumns; ++column)
      if (cells.at(row, column) == t) return 1;
  return 0;
}

int TileConflicts(const CellTable& cells, int t) {
  if (t < 7 || t > 92) return 0;
  for (int i = 0; i < 5; ++i)
    if (TileOnSheet(cells, TileConflictTable[t][i])) return 1;
  return 0;
}

int TilePlacementAccepted(const CellTable& cells, int t, int row, int column) {
  int L = column >= 2 ? cells.at(row, column - 1) : 0;
  switch (t) {
    case 6:
    case 51:
      return column <= 5 && L != 25;
    case 7: case 8: case 10: case 14: case 15: case 16: case 18: case 19: case 22: case 34:
    case 65:
      return column >= 2 && L <= 6;
    case 9:
    case 12:
      return 0;
    case 21: {
      if (column > 5 || row < 2) return 0;
      int A = cells.at(row - 1, column);
      int AR = cells.at(row - 1, column + 1);
      return A <= 6 || AR <= 6;
    }
    case 25:
      if (column < 2) return 0;
      switch (L) {
        case 6: case 15: case 21: case 34: case 50: case 63: case 64: case 69: case 74: case 75:
          return 0;
        default:
          return 1;
      }
    case 44: case 45: case 46: case 57: case 58:
      return column >= 2;
    case 86:
      return column == 6;
    default:
      return t >= 1 && t <= 92;
  }
}

char cellPosition(int row, int column) {
  if (row == kSheetRows && column == kSheetColumns) return 'E';
  if (row == kSheetRows) return 'U';
  if (column == kSheetColumns) return 'R';
  return 'I';
}

int PlaceAlarmPicture(PictureContext& ctx, int day, int month, int year, int x, int y, int cw,
                      int ch, int row, int column, double alpha) {
  (void)month;
  (void)year;
  int N = (ctx.appointmentPictures && day >= 1 && day <= 31) ? ctx.appointmentPictures[day] : 0;
  if (N <= 0) return 0;
  char position = cellPosition(row, column);
  char name[32];
  std::snprintf(name, sizeof name, "ALARM_%c%02d", position == 'I' ? 'X' : position, N);
  // Recorded before loading: a picture that fails leaves it for the next step to overwrite.
  ctx.cells.set(row, column, kCellAppointmentBase + N);
  return drawPicture(ctx, "ALARM", name, x, y, cw, ch, alpha) == kTileDrawn;
}

int PlaceHolidayPicture(PictureContext& ctx, int day, int month, int year, int x, int y, int cw,
                        int ch, int row, int column) {
  char name[32];
  bool bottom = row == kSheetRows;
  switch (month) {
    case 1:
      if (day != 1) return 0;
      std::snprintf(name, sizeof name, column == kSheetColumns ? "NEUJAHR_%02dR" : "NEUJAHR_%02d",
                    ctx.random->next() % 2 + 1);
      break;
    case 2:
    case 3:
    case 4: {
      int easterMonth = 0, easterDay = 0;
      int easter = EasterSunday(year, &easterMonth, &easterDay);
      if (month == 3 && column == kSheetColumns && day == lastSunday(3, year)) {
        std::snprintf(name, sizeof name, "%s", bottom ? "SBEG_E" : "SBEG_R");
      } else if (month == easterMonth && day == easterDay) {
        std::snprintf(name, sizeof name, bottom ? "OSTERN_%02dE" : "OSTERN_%02dR",
                      ctx.random->next() % 2 + 1);
      } else if (DayOfYear(day, month, year) == easter - 48) {
        std::snprintf(name, sizeof name, "%s", bottom ? "ROSENMONTAG_U" : "ROSENMONTAG");
      } else {
        return 0;
      }
      break;
    }
    case 10:
      if (column != kSheetColumns || day != lastSunday(10, year)) return 0;
      std::snprintf(name, sizeof name, "%s", bottom ? "SEND_E" : "SEND_R");
      break;
    case 12:
      if (day != 24) return 0;
      std::snprintf(name, sizeof name, "%s",
                    column == kSheetColumns ? "HEILIGABEND_R" : "HEILIGABEND");
      break;
    default:
      return 0;
  }
  if (drawPicture(ctx, "RASTER", name, x, y, cw, ch, 1.0) != kTileDrawn) return 0;
  ctx.cells.set(row, column, kCellSpecialDay);
  return 1;
}

void PlaceCellPicture(PictureContext& ctx, int m, int x, int y, int cw, int ch, int row,
                      int column) {
  int attemptsLeft = 1;
  for (;;) {
    char name[32];
    const char* easter = ctx.isEasterMonth ? "_OS" : "";
    if (isInterior(row, column)) {
      if (m > 0) {
        ctx.cells.set(row, column, kCellMonthPicture);
        std::snprintf(name, sizeof name, "MON%02dA%s", m, easter);
      } else {
        int t = chooseTile(ctx, row, column);
        ctx.cells.set(row, column, t);
        std::snprintf(name, sizeof name, "E%03d", t);
      }
    } else if (m > 0) {
      ctx.cells.set(row, column, kCellMonthPicture);
      std::snprintf(name, sizeof name, "MON%02d%c%s", m, cellPosition(row, column), easter);
    } else {
      char position = cellPosition(row, column);
      if (position == 'E') return;  // the corner outside the month stays empty
      std::snprintf(name, sizeof name, "%s", position == 'R' ? "ER" : "EU");
    }
    int result = drawPicture(ctx, "RASTER", name, x, y, cw, ch, 1.0);
    if (result == kTileNotFound && attemptsLeft > 0) {
      --attemptsLeft;
      continue;
    }
    return;
  }
}

void placeSheetPictures(PictureContext& ctx, const SheetLayout& layout, int today, int month,
                        int year) {
  ctx.cells.reset();
  for (int row = 1; row <= kSheetRows; ++row) {
    for (int column = 1; column <= kSheetColumns; ++column) {
      int d = layout.s + (row - 1) * kSheetColumns + (column - 1);
      int x = cellLeft(layout, column);
      int y = cellTop(layout, row);
      if (d >= 1 && d <= layout.daysInMonth) {
        if (PlaceAlarmPicture(ctx, d, month, year, x, y, layout.cw, layout.ch, row, column, 1.0))
          continue;
        if (PlaceHolidayPicture(ctx, d, month, year, x, y, layout.cw, layout.ch, row, column))
          continue;
        PlaceCellPicture(ctx, d == today ? month : 0, x, y, layout.cw, layout.ch, row, column);
      } else {
        PlaceCellPicture(ctx, 0, x, y, layout.cw, layout.ch, row, column);
      }
    }
  }
}
