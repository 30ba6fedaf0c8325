// Which picture tile goes into each cell of the sheet: appointment pictures, special days,
// today's month picture and decorative tiles under neighbour and exclusion rules. The choice
// is kept apart from the drawing (a TileDrawer) so that it can be checked without pictures.
#pragma once

#include <cstdint>

#include "render/sheet_layout.h"

// The wallpaper job's random generator: 15-bit values from a linear congruential state.
struct JobRandom {
  uint32_t state = 0;
  explicit JobRandom(uint32_t seed = 0) : state(seed) {}
  int next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
  }
};

// The job's seed from the local time.
uint32_t jobSeed(int minute, int second, int millisecond, int day);

// Values recorded per cell while a sheet is built.
enum : int32_t {
  kCellNothing = -1,
  kCellMonthPicture = 1000,
  kCellSpecialDay = 2000,
  kCellAppointmentBase = 3000,
};

struct CellTable {
  int32_t cell[kSheetRows][kSheetColumns];  // [row - 1][column - 1]
  void reset();
  int32_t at(int row, int column) const { return cell[row - 1][column - 1]; }
  void set(int row, int column, int32_t value) { cell[row - 1][column - 1] = value; }
};

// Tiles that must not share a sheet, for tile numbers 7..92 (0 = empty entry).
extern const int (&TileConflictTable)[93][5];

// t >= 1 stands in some cell of rows 1..5.
int TileOnSheet(const CellTable& cells, int t);
// t >= 7 and some tile of its conflict row is on the sheet.
int TileConflicts(const CellTable& cells, int t);
// The placement rule of decorative tile t at (row, column).
int TilePlacementAccepted(const CellTable& cells, int t, int row, int column);

// Outcome of drawing one named picture.
enum TileDrawResult { kTileDrawn = 1, kTileFailed = 0, kTileNotFound = -1 };

// Draws the picture `name` of resource type `type` scaled to cw x ch at (x, y) with the given
// opacity, the key colour left out.
struct TileDrawer {
  int (*draw)(void* user, const char* type, const char* name, int x, int y, int cw, int ch,
              double alpha);
  void* user;
};

// Everything one picture pass works with.
struct PictureContext {
  CellTable cells;
  JobRandom* random;
  int isEasterMonth;
  // Appointment picture number per day of the month (index 1..31), taken when the job started.
  const int* appointmentPictures;
  TileDrawer drawer;
};

// Resource name of a position: 'I' interior, 'R' right column, 'U' bottom row, 'E' corner.
char cellPosition(int row, int column);

int PlaceAlarmPicture(PictureContext& ctx, int day, int month, int year, int x, int y, int cw,
                      int ch, int row, int column, double alpha);
int PlaceHolidayPicture(PictureContext& ctx, int day, int month, int year, int x, int y, int cw,
                        int ch, int row, int column);
void PlaceCellPicture(PictureContext& ctx, int m, int x, int y, int cw, int ch, int row,
                      int column);

// The picture pass over all 42 cells in the order appointment, special day, cell picture.
// Resets the cell table first.
void placeSheetPictures(PictureContext& ctx, const SheetLayout& layout, int today, int month,
                        int year);
