// What the main window's timer does at each tick, as a pure function over its state, so that
// day changes, rebuild requests and the automatic exit can be driven with a set clock.
#pragma once

#include "platform/clock.h"

constexpr unsigned kMainTimerId = 200;
constexpr unsigned kFirstTickMillis = 200;
constexpr unsigned kTickMillis = 300;
constexpr int kAutoExitTicks = 90;  // the 91st hidden tick ends the program (about 27 s)

struct MainWindowState {
  int shown = 0;
  int dialogOpen = 0;
  int firstTick = 1;
  int RebuildRequested = 0;
  int lastDay = 0;
  int lastMonth = 0;
  int lastMinute = 0;
  int autoExitCount = 0;  // never reset
  LocalTime now{};
};

// The work one tick asks the window to do, in this order.
struct TickWork {
  bool firstTick = false;      // tray update, move to the stored place, hide, 300 ms timer...
  bool dayChanged = false;     // new day icon, moon icon and date texts
  bool minuteChanged = false;  // tray update
  int startJob = 0;            // nonzero: hide the window and start the wallpaper job with this force
  bool autoExit = false;       // save the settings and end the dialog
};

// One tick at `now`. `autoExit` is the AutoExit setting; `jobBusy` tells that a wallpaper job
// still runs, in which case a request waits for a later tick instead of being lost.
TickWork mainWindowTick(MainWindowState& state, const LocalTime& now, int autoExit, int jobBusy = 0);

// Default place of the main window: 50 pixels left of the work area's right edge, resting on
// its bottom edge. W, H: client size; cap: caption height.
struct WorkArea {
  int left, top, right, bottom;
};
void defaultWindowPlace(const WorkArea& area, int w, int h, int cap, int& x, int& y);
// The placement rules: at start the stored place is kept unless both coordinates are below 1
// or the window would reach beyond the work area's right or bottom edge; when the tray shows
// the window, unless either is below 0 or it would reach beyond. Returns 1 when x, y changed.
int placeAtStart(const WorkArea& area, int w, int h, int cap, int& x, int& y);
int placeFromTray(const WorkArea& area, int w, int h, int cap, int& x, int& y);

// Colour of the desktop icon captions for each background picture.
unsigned desktopIconTextColour(int background);
