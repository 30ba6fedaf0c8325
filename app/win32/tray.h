// The notification-area icon (today's day number or moon phase, the date as tooltip) and the
// day icons made for it and for the main window.
#pragma once

#include <windows.h>

#include "platform/win32/handles.h"

constexpr UINT kTrayIconId = 2000;
constexpr const char* kBusyTip = " Moment bitte ...";

// Adds the icon on the first call (and again after a failed add or a shell restart), then
// sets picture and tooltip. Safe from the wallpaper worker.
void TrayUpdate(int busy);
// Removes the icon for good: later updates (a finishing wallpaper job) do not add it again.
void TrayRemoveIcon();
// The wallpaper job's busy state: while it is set every update shows the busy tooltip, also
// the main window's own minute refresh.
void TraySetJobBusy(int busy);
// The shell was restarted ("TaskbarCreated"): the next update adds the icon again.
void TrayShellRestarted();
// What the tray shows, taken from the settings on the UI thread (after loading and whenever
// Mondphasen changes); the worker's updates read only this copy.
void TrayTakeSettings();

// The tooltip the last update set (for tests and screenshots).
void TrayLastTip(char* buffer, size_t size);

// The tray's day icon (the number on a coloured square) and the main window's (the number on
// the calendar picture ICON_KAL, with the mask ICON_MSK). Empty on failure.
OwnedIcon MakeSmallDayIcon(int day, int width, int height, COLORREF background, COLORREF colour);
OwnedIcon MakeDayIcon(int day, COLORREF colour);
