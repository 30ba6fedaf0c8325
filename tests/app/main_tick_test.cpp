// The main window's timer logic, driven with set times.
#include <gtest/gtest.h>

#include "app/main_tick.h"
#include "platform/clock.h"

namespace {

LocalTime at(const char* text) {
  LocalTime t;
  EXPECT_EQ(parseLocalTime(text, t), 1) << text;
  return t;
}

TEST(MainTick, FirstTickRequestsAndStartsABuild) {
  MainWindowState s;
  TickWork w = mainWindowTick(s, at("2024-03-05 10:15:00"), 0);
  EXPECT_TRUE(w.firstTick);
  EXPECT_TRUE(w.dayChanged);
  EXPECT_FALSE(w.minuteChanged);  // the day branch takes the minute along
  EXPECT_EQ(w.startJob, 1);
  EXPECT_EQ(s.RebuildRequested, 0);
  EXPECT_EQ(s.firstTick, 0);
  EXPECT_EQ(s.lastDay, 5);
  EXPECT_EQ(s.lastMonth, 3);

  w = mainWindowTick(s, at("2024-03-05 10:15:00"), 0);
  EXPECT_FALSE(w.firstTick);
  EXPECT_FALSE(w.dayChanged);
  EXPECT_EQ(w.startJob, 0);
}

TEST(MainTick, MinuteAndMidnight) {
  MainWindowState s;
  mainWindowTick(s, at("2024-03-05 23:58:59"), 0);
  TickWork w = mainWindowTick(s, at("2024-03-05 23:59:00"), 0);
  EXPECT_TRUE(w.minuteChanged);
  EXPECT_EQ(w.startJob, 0);
  w = mainWindowTick(s, at("2024-03-05 23:59:30"), 0);
  EXPECT_FALSE(w.minuteChanged);

  int jobs = 0;
  for (const char* t : {"2024-03-06 00:00:00", "2024-03-06 00:00:00", "2024-03-06 00:00:01",
                        "2024-03-06 00:01:00"}) {
    w = mainWindowTick(s, at(t), 0);
    jobs += w.startJob != 0;
  }
  EXPECT_EQ(jobs, 1);  // midnight rebuilds once
}

TEST(MainTick, AMonthChangeAloneCountsAsADayChange) {
  MainWindowState s;
  mainWindowTick(s, at("2024-03-05 12:00:00"), 0);
  TickWork w = mainWindowTick(s, at("2024-04-05 12:00:00"), 0);
  EXPECT_TRUE(w.dayChanged);
  EXPECT_EQ(w.startJob, 1);
}

TEST(MainTick, RebuildWaitsForTheDialog) {
  MainWindowState s;
  mainWindowTick(s, at("2024-03-05 12:00:00"), 0);
  s.dialogOpen = 1;
  s.RebuildRequested = 1;  // hotkey 200 while the options sheet is open
  for (int i = 0; i < 5; ++i) EXPECT_EQ(mainWindowTick(s, at("2024-03-05 12:00:01"), 0).startJob, 0);
  // A day change while the dialog is open waits too.
  TickWork w = mainWindowTick(s, at("2024-03-06 00:00:00"), 0);
  EXPECT_TRUE(w.dayChanged);
  EXPECT_EQ(w.startJob, 0);
  s.dialogOpen = 0;
  s.shown = 1;
  w = mainWindowTick(s, at("2024-03-06 00:00:01"), 0);
  EXPECT_EQ(w.startJob, 1);
  EXPECT_EQ(s.shown, 0);  // the build hides the window
}

TEST(MainTick, ARequestWhileAJobRunsWaitsInsteadOfBeingLost) {
  MainWindowState s;
  mainWindowTick(s, at("2024-03-05 23:59:59"), 0);
  // Midnight comes while the first build still runs.
  TickWork w = mainWindowTick(s, at("2024-03-06 00:00:00"), 0, 1);
  EXPECT_TRUE(w.dayChanged);
  EXPECT_EQ(w.startJob, 0);
  EXPECT_EQ(s.RebuildRequested, 1);
  EXPECT_EQ(mainWindowTick(s, at("2024-03-06 00:00:00"), 0, 1).startJob, 0);
  EXPECT_EQ(mainWindowTick(s, at("2024-03-06 00:00:01"), 0, 0).startJob, 1);
  EXPECT_EQ(mainWindowTick(s, at("2024-03-06 00:00:01"), 0, 0).startJob, 0);
}

TEST(MainTick, ForceCarriesTheRequestValue) {
  MainWindowState s;
  mainWindowTick(s, at("2024-03-05 12:00:00"), 0);
  s.RebuildRequested = 2;
  EXPECT_EQ(mainWindowTick(s, at("2024-03-05 12:00:00"), 0).startJob, 2);
}

TEST(MainTick, AutoExitCountsOnlyHiddenTicks) {
  MainWindowState s;
  LocalTime t = at("2024-03-05 12:00:00");
  int ticks = 0;
  bool ended = false;
  // 40 hidden ticks, then 200 shown ones (no count, no reset), then hidden until the end.
  for (; ticks < 40; ++ticks) ended |= mainWindowTick(s, t, 1).autoExit;
  EXPECT_FALSE(ended);
  EXPECT_EQ(s.autoExitCount, 40);
  s.shown = 1;
  for (int i = 0; i < 200; ++i) ended |= mainWindowTick(s, t, 1).autoExit;
  EXPECT_FALSE(ended);
  EXPECT_EQ(s.autoExitCount, 40);
  s.shown = 0;
  int hidden = 40;
  while (!mainWindowTick(s, t, 1).autoExit) ++hidden;
  EXPECT_EQ(hidden + 1, 91);  // the 91st hidden tick ends it
  // Without AutoExit nothing is counted.
  MainWindowState quiet;
  for (int i = 0; i < 200; ++i) EXPECT_FALSE(mainWindowTick(quiet, t, 0).autoExit);
  EXPECT_EQ(quiet.autoExitCount, 0);
}

// A stored place near the ends of the 32-bit range must not wrap round and stay off screen.
TEST(MainTick, PlacementOfExtremeCoordinates) {
  WorkArea area{0, 0, 1280, 772};
  int x = 2147483647, y = 2147483600;
  EXPECT_EQ(placeAtStart(area, 295, 386, 28, x, y), 1);
  EXPECT_EQ(x, 1280 - 295 - 50);
  EXPECT_EQ(y, 772 - 386 - 28);
  x = 2147483647; y = 10;
  EXPECT_EQ(placeFromTray(area, 295, 386, 28, x, y), 1);
  EXPECT_EQ(x, 1280 - 295 - 50);
  x = 10; y = 2147483647;
  EXPECT_EQ(placeFromTray(area, 295, 386, 28, x, y), 1);
  EXPECT_EQ(y, 772 - 386 - 28);
  x = -2147483647 - 1; y = -2147483647 - 1;
  EXPECT_EQ(placeFromTray(area, 295, 386, 28, x, y), 1);
  EXPECT_EQ(x, 1280 - 295 - 50);
}

TEST(MainTick, Placement) {
  WorkArea area{0, 0, 1920, 1040};
  int x = -1, y = -1;
  EXPECT_EQ(placeAtStart(area, 250, 360, 28, x, y), 1);
  EXPECT_EQ(x, 1920 - 250 - 50);
  EXPECT_EQ(y, 1040 - 360 - 28);
  x = 0; y = 500;  // only one coordinate below 1: kept at start, replaced from the tray
  EXPECT_EQ(placeAtStart(area, 250, 360, 28, x, y), 0);
  x = -1; y = 500;
  EXPECT_EQ(placeAtStart(area, 250, 360, 28, x, y), 0);
  EXPECT_EQ(placeFromTray(area, 250, 360, 28, x, y), 1);
  x = 1700; y = 100;  // reaches beyond the right edge
  EXPECT_EQ(placeAtStart(area, 250, 360, 28, x, y), 1);
  x = 100; y = 681;   // 681 + 360 > 1040
  EXPECT_EQ(placeFromTray(area, 250, 360, 28, x, y), 1);
  x = 100; y = 680;
  EXPECT_EQ(placeFromTray(area, 250, 360, 28, x, y), 0);
}

TEST(MainTick, DesktopCaptionColours) {
  EXPECT_EQ(desktopIconTextColour(0), 0xFFFFFFu);
  EXPECT_EQ(desktopIconTextColour(11), 0x080800u);
  EXPECT_EQ(desktopIconTextColour(14), 0x400808u);
  EXPECT_EQ(desktopIconTextColour(18), 0x100000u);
  EXPECT_EQ(desktopIconTextColour(19), 0xFFFFFFu);
}

}  // namespace
