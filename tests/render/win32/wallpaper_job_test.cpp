// The wallpaper job under Wine, driven through its host record as the program drives it: what
// the worker reports back, the once-a-day rule, one job at a time, the file it installs, and no
// GDI object left behind by the working window or the background loader.
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <cstdio>
#include <vector>

#include "app/settings.h"
#include "app/wallpaper_look.h"
#include "platform/win32/handles.h"
#include "render/win32/wallpaper_job.h"
#include "tests/imaging/gdi_test_support.h"

namespace {

// What the worker reported; the test reads it only after the worker has ended.
struct Reports {
  std::vector<int> busy;
  int oldDay = INT_MIN;
  int sheetFontHeight = INT_MIN;
};
Reports reports;
HANDLE holdBuild = nullptr;  // when set, a starting build waits in its busy report for it

void busyChanged(int busy) {
  reports.busy.push_back(busy);
  if (busy && holdBuild) WaitForSingleObject(holdBuild, 30000);
}
void oldDayHandedBack(int day) { reports.oldDay = day; }
void fontHandedBack(int height) { reports.sheetFontHeight = height; }

const int kW = 800, kH = 600;

WallpaperJobHost makeHost(int force, int oldDay) {
  static const AppointmentTable none = {};
  WallpaperJobHost host;
  LocalTime now;
  EXPECT_EQ(parseLocalTime("2024-12-24 10:00:00", now), 1);
  prepareWallpaperJob(host.job, lookFromSettings(Settings()), none, now, kW, kH, "");
  host.instance = GetModuleHandleA(nullptr);
  host.screenWidth = kW;
  host.screenHeight = kH;
  host.force = force;
  host.oldDay = oldDay;
  host.busyChanged = busyChanged;
  host.handBackOldDay = oldDayHandedBack;
  host.handBackSheetFontHeight = fontHandedBack;
  return host;
}

Reports run(const WallpaperJobHost& host) {
  reports = Reports();
  EXPECT_EQ(StartWallpaperJob(host), 1);
  EXPECT_EQ(waitForWallpaperJob(60000), 1);
  EXPECT_FALSE(wallpaperJobBusy());
  return reports;
}

struct BmpHeader {
  bool ok = false;
  int width = 0, height = 0, bits = 0;
};

BmpHeader readBmpHeader(const char* path) {
  BmpHeader h;
  unsigned char b[54] = {};
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return h;
  h.ok = std::fread(b, 1, sizeof b, f) == sizeof b && b[0] == 'B' && b[1] == 'M';
  std::fclose(f);
  h.width = b[18] | b[19] << 8 | b[20] << 16 | b[21] << 24;
  h.height = b[22] | b[23] << 8 | b[24] << 16 | b[25] << 24;
  h.bits = b[28] | b[29] << 8;
  return h;
}

// One test, because the job remembers the month it built last for the whole run.
TEST(WallpaperJob, BuildsOncePerDayAndReportsThroughItsHost) {
  const int builds = wallpaperBuildCount();
  char path[MAX_PATH];
  ASSERT_EQ(wallpaperPath(path, sizeof path, ""), 1);
  std::remove(path);

  // The first job of a run builds even when the settings say today is built.
  OwnedHandle hold(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  holdBuild = hold.get();
  reports = Reports();
  ASSERT_EQ(StartWallpaperJob(makeHost(0, 24)), 1);
  EXPECT_TRUE(wallpaperJobBusy());
  EXPECT_EQ(StartWallpaperJob(makeHost(1, 24)), 0) << "a second job while one runs";
  SetEvent(holdBuild);
  ASSERT_EQ(waitForWallpaperJob(60000), 1);
  holdBuild = nullptr;
  EXPECT_FALSE(wallpaperJobBusy());
  EXPECT_EQ(reports.busy, (std::vector<int>{1, 0}));
  EXPECT_EQ(reports.oldDay, 24);
  EXPECT_EQ(reports.sheetFontHeight, INT_MIN) << "the default font fits, nothing to hand back";
  EXPECT_EQ(wallpaperBuildCount(), builds + 1);

  const BmpHeader header = readBmpHeader(path);
  EXPECT_TRUE(header.ok) << path;
  EXPECT_EQ(header.width, kW);
  EXPECT_EQ(header.height, kH);
  EXPECT_EQ(header.bits, 24);
  char installed[MAX_PATH] = "";
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETDESKWALLPAPER, sizeof installed, installed, 0));
  EXPECT_STRCASEEQ(installed, path);

  // Same day and month again: nothing is built, the job only ends.
  Reports again = run(makeHost(0, 24));
  EXPECT_EQ(again.busy, std::vector<int>{0});
  EXPECT_EQ(again.oldDay, INT_MIN);
  EXPECT_EQ(wallpaperBuildCount(), builds + 1);

  // Another day of the same month builds; so does a forced job. A font too large for the
  // cells comes back shrunk. The working window and its picture leave nothing behind.
  const size_t freeBefore = freeGdiHandles();
  Reports otherDay = run(makeHost(0, 23));
  EXPECT_EQ(otherDay.busy, (std::vector<int>{1, 0}));
  EXPECT_EQ(otherDay.oldDay, 24);
  WallpaperJobHost forced = makeHost(1, 24);
  forced.job.look.sheetFont.lfHeight = -128;
  Reports big = run(forced);
  EXPECT_EQ(big.busy, (std::vector<int>{1, 0}));
  EXPECT_GT(big.sheetFontHeight, -128);
  EXPECT_LT(big.sheetFontHeight, -7);
  EXPECT_EQ(wallpaperBuildCount(), builds + 3);
  EXPECT_EQ(freeGdiHandles(), freeBefore);
}

// The sheet ends above a taskbar at the bottom; a work area that fills the screen, one that
// ends below it or an empty one leave the screen's height. What Windows (Wine) reports for
// its own work area goes the same way.
TEST(WallpaperJob, SheetEndsAboveTheTaskbar) {
  EXPECT_EQ(sheetBottomFromWorkArea(RECT{0, 0, 1920, 1040}, 1080), 1040);
  EXPECT_EQ(sheetBottomFromWorkArea(RECT{0, 40, 1920, 1080}, 1080), 0);  // taskbar at the top
  EXPECT_EQ(sheetBottomFromWorkArea(RECT{0, 0, 1920, 1200}, 1080), 0);
  EXPECT_EQ(sheetBottomFromWorkArea(RECT{0, 0, 0, 0}, 1080), 0);
  EXPECT_EQ(sheetBottomFromWorkArea(RECT{0, 500, 1920, 400}, 1080), 0);

  RECT work{};
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
  int H = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(sheetBottomOfWorkArea(H), work.bottom < H && work.bottom > work.top ? work.bottom : 0);
}

}  // namespace
