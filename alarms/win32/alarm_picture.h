// The appointment picture of a dialog (control 1070), shared by the alarm window and the
// appointment editor. Each dialog owns the bitmap it shows and hands its own holder in.
#pragma once

#include <windows.h>

#include "platform/win32/handles.h"

constexpr int kIdAlarmPicture = 1070;
constexpr int kAlarmDefaultPicture = 99;  // ALARM_P99, the alarm window's picture without one

// Shows the picture of a `picture` value (0..28 through alarmPictureMap, larger values as the
// resource number itself) scaled to control 1070, and keeps its bitmap in `shown`; the bitmap
// shown before is released first. A negative value, a missing or unreadable resource clear the
// control. Returns whether a picture is shown.
bool loadAlarmPicture(HWND dialog, int value, OwnedBitmap& shown);

// The name of the picture resource (type "ALARM") of a value: "ALARM_P%02d"; empty for a
// negative value.
void alarmPictureName(int value, char* name, size_t size);
