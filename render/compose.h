// Composing the wallpaper: background stretched over the screen, the month's sheet with its
// texts, the picture tiles over the cells, written as a 24-bit BMP.
//
// The composition runs on the wallpaper worker thread. It works only on the WallpaperJob that
// the UI thread filled when the job started (the look of the sheet, the appointment pictures
// of the month, the date, the screen size and the seed) and hands back what it changed in the
// WallpaperResult; it reads and writes no shared state.
#pragma once

#include <cstdint>

#include "alarms/appointment_file.h"
#include "platform/clock.h"
#include "platform/win_compat.h"
#include "render/picture_selection.h"
#include "render/sheet_layout.h"

// Gives the background picture `name` ("HG000" ..) as an RgbImage (R, G, B, top-down, stride
// width x 3) in a GlobalAlloc block that the caller frees; null when it is missing.
struct BackgroundLoader {
  BYTE* (*load)(void* user, const char* name, DWORD* width, DWORD* height);
  void* user;
};

// The portable loader: the bitmap resource's bytes through the BMP reader. `user` may point to
// a PictureFinder to search with instead of the resource seam.
BYTE* loadBackgroundFromResources(void* user, const char* name, DWORD* width, DWORD* height);

// Finds the bytes of a picture resource by type and name; 1 when found. The default is the
// resource seam.
typedef int (*PictureFinder)(const char* type, const char* name, const unsigned char** data,
                             unsigned long* size);

// What the user chose for the look of the sheet: the renderer's own record. The program fills
// it from its settings (lookFromSettings in app/), which also hold the defaults.
struct WallpaperLook {
  int background = 0;              // HG000 ..
  int left = 0, top = 0, right = 0;  // sheet margins
  int weekNumbers = 0;             // column of ISO week numbers
  int weekdayHeader = 0;           // weekday names above the columns
  int region = 0;                  // holiday region
  LOGFONTA sheetFont{};            // day numbers and small texts
  LOGFONTA headerFont{};           // month and year; its height is set per composition
};

struct WallpaperJob {
  WallpaperLook look;  // taken when the job started
  int day = 1, month = 1, year = 2000, weekday = 6;
  int W = 0, H = 0;   // screen size = canvas size
  int bottom = 0;     // the sheet ends above this line (top of the taskbar); 0 = H
  uint32_t seed = 0;  // start state of the job's random generator
  // Appointment picture number of each day of the month (index 1..31; 0 = none).
  int appointmentPictures[32] = {};
  char path[MAX_PATH] = "";  // the wallpaper file
  BackgroundLoader background = {nullptr, nullptr};  // null: loadBackgroundFromResources
  PictureFinder findPicture = nullptr;               // null: findResourceBytes
};

struct WallpaperResult {
  int ok = 0;                 // the file was written completely
  int oldDay = -1;            // the day that was built
  int sheetFontChanged = 0;   // the day font had to shrink to fit the cells
  LONG sheetFontHeight = 0;   // the day font's height after the composition
  LONG headerFontHeight = 0;  // the header font's height after shrinking
  SheetLayout layout{};
  CellTable cells{};
};

// Fills the appointment pictures of every day of the month (on the UI thread).
void snapshotAppointmentPictures(const AppointmentTable& table, int month, int year,
                                 int pictures[32]);

// Fills a job from the look, the appointment table, the local time and the screen size;
// the seed comes from the time as the worker's generator wants it.
void prepareWallpaperJob(WallpaperJob& job, const WallpaperLook& look,
                         const AppointmentTable& table, const LocalTime& now, int W, int H,
                         const char* path);

// Composes and writes the wallpaper. The file is written beside the target under a temporary
// name and moved over it only when complete, so a failure keeps the old wallpaper.
// Returns result.ok.
int ComposeWallpaper(const WallpaperJob& job, WallpaperResult& result);

// The composition into a canvas, without writing (for previews and tests). Returns the canvas
// (GlobalAlloc block, W x H x 3) or null when the background or the memory is missing.
BYTE* composeWallpaperImage(const WallpaperJob& job, WallpaperResult& result);

// Writes the canvas as the wallpaper file (temporary file, then moved over). 1 on success.
int writeWallpaperFile(const BYTE* canvas, int W, int H, const char* path);
