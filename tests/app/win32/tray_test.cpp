// The day icons as the platform makes them (under Wine): sizes, colours and masks.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/day_icon.h"
#include "app/settings.h"
#include "platform/clock.h"
#include "app/win32/program.h"
#include "app/win32/tray.h"
#include "imaging/image_reader.h"
#include "imaging/owned_block.h"
#include "imaging/sources.h"
#include "platform/win32/handles.h"

namespace {

struct IconPixels {
  int width = 0, height = 0;
  std::vector<BYTE> colour;  // B, G, R, x per pixel, top-down
  std::vector<BYTE> mask;    // one byte per pixel: 0 opaque
};

IconPixels readIcon(HICON icon) {
  IconPixels p;
  ICONINFO info;
  if (!GetIconInfo(icon, &info)) return p;
  OwnedBitmap colour(info.hbmColor), mask(info.hbmMask);  // GetIconInfo's copies
  BITMAP bm;
  GetObjectA(colour.get(), sizeof bm, &bm);
  p.width = bm.bmWidth;
  p.height = bm.bmHeight;
  WindowDc screen(nullptr);
  BITMAPINFO bi;
  ZeroMemory(&bi, sizeof bi);
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = p.width;
  bi.bmiHeader.biHeight = -p.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  p.colour.resize(static_cast<size_t>(p.width) * p.height * 4);
  GetDIBits(screen.get(), colour.get(), 0, p.height, p.colour.data(), &bi, DIB_RGB_COLORS);
  std::vector<BYTE> maskBits(p.colour.size());
  GetDIBits(screen.get(), mask.get(), 0, p.height, maskBits.data(), &bi, DIB_RGB_COLORS);
  for (size_t i = 0; i < maskBits.size(); i += 4) p.mask.push_back(maskBits[i] | maskBits[i + 1] | maskBits[i + 2]);
  return p;
}

int countWhere(const IconPixels& p, bool (*test)(BYTE r, BYTE g, BYTE b)) {
  int n = 0;
  for (size_t i = 0; i + 3 < p.colour.size(); i += 4) n += test(p.colour[i + 2], p.colour[i + 1], p.colour[i]);
  return n;
}

TEST(TrayIcons, SmallDayIconIsOpaqueYellowWithRedOrBlackDigits) {
  OwnedIcon sunday = MakeSmallDayIcon(28, 16, 16, kSmallIconBackground, dayNumberColour(0));
  ASSERT_TRUE(sunday);
  IconPixels p = readIcon(sunday.get());
  EXPECT_EQ(p.width, 16);
  EXPECT_EQ(p.height, 16);
  for (BYTE m : p.mask) ASSERT_EQ(m, 0) << "the mask must be all zero";
  EXPECT_GT(countWhere(p, [](BYTE r, BYTE g, BYTE b) { return r == 255 && g == 255 && b == 0; }), 100);
  EXPECT_GT(countWhere(p, [](BYTE r, BYTE g, BYTE b) { return r > 200 && g < 80 && b < 80; }), 8);
  EXPECT_EQ(countWhere(p, [](BYTE r, BYTE g, BYTE b) { return r < 60 && g < 60 && b < 60; }), 0);

  OwnedIcon wednesday = MakeSmallDayIcon(28, 16, 16, kSmallIconBackground, dayNumberColour(3));
  ASSERT_TRUE(wednesday);
  p = readIcon(wednesday.get());
  EXPECT_GT(countWhere(p, [](BYTE r, BYTE g, BYTE b) { return r < 60 && g < 60 && b < 60; }), 8);
  EXPECT_EQ(countWhere(p, [](BYTE r, BYTE g, BYTE b) { return r > 200 && g < 80 && b < 80; }), 0);

  OwnedIcon larger = MakeSmallDayIcon(5, 24, 24, kSmallIconBackground, 0);
  ASSERT_TRUE(larger);
  p = readIcon(larger.get());
  EXPECT_EQ(p.width, 24);
  EXPECT_FALSE(MakeSmallDayIcon(5, 0, 0, kSmallIconBackground, 0));
}

TEST(TrayIcons, DayIconOnTheCalendarPicture) {
  programInstance = GetModuleHandleA(nullptr);
  if (!FindResourceA(programInstance, "ICON_KAL", "BITMAPI")) GTEST_SKIP() << "pictures not linked";
  OwnedIcon red = MakeDayIcon(31, dayNumberColour(6));
  ASSERT_TRUE(red);
  IconPixels p = readIcon(red.get());
  EXPECT_EQ(p.width, 32);
  EXPECT_EQ(p.height, 32);
  // Against the bare calendar picture, only pixels inside the box (6, 7)-(26, 27) changed, and
  // they turned red.
  HRSRC found = FindResourceA(programInstance, "ICON_KAL", "BITMAPI");
  const void* bytes = LockResource(LoadResource(programInstance, found));
  ISSource source = IS40_OpenMemorySource(bytes, SizeofResource(programInstance, found));
  ASSERT_NE(source, nullptr);
  DWORD w = 0, h = 0;
  OwnedBlock bare(IS40_ReadImage(source, &w, &h, 0, 0));
  IS40_CloseSource(source);
  ASSERT_NE(bare, nullptr);
  ASSERT_EQ(w, 32u);
  int inside = 0, outside = 0, reddened = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const BYTE* px = &p.colour[(y * 32 + x) * 4];
      const BYTE* old = &bare.get()[(y * 32 + x) * 3];
      if (px[2] == old[0] && px[1] == old[1] && px[0] == old[2]) continue;
      if (x >= 6 && x < 26 && y >= 7 && y < 27) ++inside; else ++outside;
      if (px[2] >= old[0] && px[1] <= old[1] && px[0] <= old[2]) ++reddened;
    }
  EXPECT_GT(inside, 10);
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(reddened, inside);
}

}  // namespace

namespace {

// A hidden window to own the tray icon.
HWND makeOwner() {
  WNDCLASSA wc;
  ZeroMemory(&wc, sizeof wc);
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "QuendlerTrayTest";
  RegisterClassA(&wc);
  return CreateWindowA("QuendlerTrayTest", "tray test", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                       wc.hInstance, nullptr);
}

std::string lastTip() {
  char tip[128];
  TrayLastTip(tip, sizeof tip);
  return tip;
}

TEST(TrayIcons, TooltipFollowsTheBusyStateAndTheDateSettings) {
  programInstance = GetModuleHandleA(nullptr);
  mainWindowHandle = makeOwner();
  ASSERT_NE(mainWindowHandle, nullptr);
  LocalTime t;
  ASSERT_EQ(parseLocalTime("2009-03-09 10:00:00", t), 1);
  setClockStart(t, true);
  gSettings.iDate = 1;
  gSettings.sDate[0] = '.';
  gSettings.Mondphasen = 0;
  TrayTakeSettings();

  TrayUpdate(1);
  EXPECT_EQ(lastTip(), " Moment bitte ...");
  TrayUpdate(0);
  EXPECT_EQ(lastTip(), "Montag 09.03.2009");
  // While the wallpaper job runs, the minute refresh of the main window keeps the busy tip.
  TraySetJobBusy(1);
  TrayUpdate(0);
  EXPECT_EQ(lastTip(), " Moment bitte ...");
  TraySetJobBusy(0);
  TrayUpdate(0);
  EXPECT_EQ(lastTip(), "Montag 09.03.2009");

  gSettings.iDate = 2;
  gSettings.sDate[0] = '-';
  gSettings.Mondphasen = 1;  // moon picture; the tip stays the date
  TrayTakeSettings();
  TrayUpdate(0);
  EXPECT_EQ(lastTip(), "Montag 2009-03-09");
  // Changes to the settings reach the tray only through TrayTakeSettings (the worker's view).
  gSettings.iDate = 0;
  TrayUpdate(0);
  EXPECT_EQ(lastTip(), "Montag 2009-03-09");

  // The shell loses the icon (as when it restarts): the next update brings it back.
  NOTIFYICONDATAA probe;
  ZeroMemory(&probe, sizeof probe);
  probe.cbSize = NOTIFYICONDATAA_V2_SIZE;
  probe.hWnd = mainWindowHandle;
  probe.uID = kTrayIconId;
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &probe));
  EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &probe)) << "the icon should be gone";
  TrayUpdate(0);
  EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &probe)) << "the update did not add the icon again";
  TrayShellRestarted();
  TrayUpdate(0);
  EXPECT_TRUE(Shell_NotifyIconA(NIM_MODIFY, &probe));

  TrayRemoveIcon();
  EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &probe));
  TrayUpdate(0);  // a wallpaper job ending after the main window
  EXPECT_FALSE(Shell_NotifyIconA(NIM_MODIFY, &probe)) << "the icon came back after its removal";
  DestroyWindow(mainWindowHandle);
  mainWindowHandle = nullptr;
  clearClockStart();
  gSettings = Settings();
}

}  // namespace
