#include "app/main_tick.h"

TickWork mainWindowTick(MainWindowState& state, const LocalTime& now, int autoExit, int jobBusy) {
  TickWork work;
  if (state.firstTick) {
    work.firstTick = true;
    state.shown = 0;
    state.firstTick = 0;
  }
  state.now = now;
  if (now.day != state.lastDay || now.month != state.lastMonth) {
    state.lastMonth = now.month;
    state.lastMinute = now.minute;
    state.lastDay = now.day;
    state.RebuildRequested = 1;
    work.dayChanged = true;
  }
  if (now.minute != state.lastMinute) {
    state.lastMinute = now.minute;
    work.minuteChanged = true;
  }
  if (state.RebuildRequested && !state.dialogOpen && !jobBusy) {
    work.startJob = state.RebuildRequested;
    state.RebuildRequested = 0;
    state.shown = 0;
  }
  if (autoExit && !state.shown) {
    ++state.autoExitCount;
    if (state.autoExitCount > kAutoExitTicks) work.autoExit = true;
  }
  return work;
}

void defaultWindowPlace(const WorkArea& area, int w, int h, int cap, int& x, int& y) {
  x = area.right - w - 50;
  y = area.bottom - h - cap;
}

// Sums in 64 bits: a stored place near INT_MAX must not wrap round onto the screen.
static bool beyondWorkArea(const WorkArea& area, int w, int h, int x, int y) {
  return static_cast<long long>(x) + w > area.right || static_cast<long long>(y) + h > area.bottom;
}

int placeAtStart(const WorkArea& area, int w, int h, int cap, int& x, int& y) {
  if ((x < 1 && y < 1) || beyondWorkArea(area, w, h, x, y)) {
    defaultWindowPlace(area, w, h, cap, x, y);
    return 1;
  }
  return 0;
}

int placeFromTray(const WorkArea& area, int w, int h, int cap, int& x, int& y) {
  if (x < 0 || y < 0 || beyondWorkArea(area, w, h, x, y)) {
    defaultWindowPlace(area, w, h, cap, x, y);
    return 1;
  }
  return 0;
}

unsigned desktopIconTextColour(int background) {
  static const unsigned colours[19] = {
      0xFFFFFF, 0xF0FFFF, 0xF0FFFF, 0xF5FFFF, 0xFAFFFF, 0x000000, 0xFAFFFF,
      0xFFFAFA, 0xE6FFFF, 0xF0FFFF, 0x000000, 0x080800, 0x000000, 0xFFFAFF,
      0x400808, 0xE6FFFF, 0x402020, 0xFFFDFB, 0x100000};
  return background >= 0 && background < 19 ? colours[background] : colours[0];
}
