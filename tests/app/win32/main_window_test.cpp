// The main window under Wine: opened and shown a day it holds its title picture, day icon and
// date line; closed, it gives back every GDI object it made.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/settings.h"
#include "app/win32/main_window.h"
#include "app/win32/program.h"
#include "app/win32/tray.h"
#include "platform/clock.h"
#include "tests/imaging/gdi_test_support.h"
#include "tests/support/clock_guard.h"
#include "tests/support/settings_guard.h"

namespace {

// Opens the window, lets the first tick show the day and closes it again. The open-dialog flag
// holds back the wallpaper job that the first tick would start.
void openShowAndClose(std::string* dateLine = nullptr) {
  mainState = MainWindowState();
  mainState.dialogOpen = 1;
  TrayShellRestarted();  // the last close removed the tray icon for good
  HWND dialog = CreateDialogParamA(programInstance, MAKEINTRESOURCEA(kMainDialog), nullptr, MainWindow, 0);
  ASSERT_NE(dialog, nullptr);
  SendMessageA(dialog, WM_TIMER, kMainTimerId, 0);
  EXPECT_NE(SendDlgItemMessageA(dialog, kIdTitle, STM_GETIMAGE, IMAGE_BITMAP, 0), 0) << "no title picture";
  EXPECT_NE(currentDayIcon(), nullptr);
  EXPECT_EQ(reinterpret_cast<HICON>(SendDlgItemMessageA(dialog, kIdDayIcon, STM_GETICON, 0, 0)), currentDayIcon());
  char text[128] = "";
  GetDlgItemTextA(dialog, kIdDateLine, text, sizeof text);
  if (dateLine) *dateLine = text;
  DestroyWindow(dialog);
  EXPECT_EQ(currentDayIcon(), nullptr) << "the day icon outlived its window";
  mainWindowHandle = nullptr;
}

TEST(MainWindow, ShowsTheDayAndGivesBackEveryGdiObjectWhenClosed) {
  ClockGuard clock;
  SettingsGuard settings;
  programInstance = GetModuleHandleA(nullptr);
  LocalTime t;
  ASSERT_EQ(parseLocalTime("2024-12-24 10:00:00", t), 1);
  setClockStart(t, true);
  gSettings = Settings();

  std::string line;
  openShowAndClose(&line);  // also fills the system's own caches
  EXPECT_NE(line.find("24"), std::string::npos) << line;
  const size_t before = freeGdiHandles();
  for (int i = 0; i < 3; ++i) openShowAndClose();
  EXPECT_EQ(freeGdiHandles(), before);
}

}  // namespace
