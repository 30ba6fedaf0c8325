// What the alarm check does on Windows: the beep and the alarm window, the program start and
// the message about a failed save. Sound goes through a hook that the program sets to its
// player (null plays nothing).
#pragma once

#include <windows.h>

#include "alarms/alarm_check.h"
#include "alarms/win32/alarm_window.h"

struct WindowsAlarmSetup {
  HINSTANCE instance = nullptr;        // holds dialog 109 and the pictures
  HWND owner = nullptr;                // the main window: owns program starts and the save error
  AlarmHelpFunction help = nullptr;    // F1 in the alarm window
  const AlarmCheck* check = nullptr;   // whose Snooze minutes the window offers
  void (*playSound)(const char* path) = nullptr;
};

// Fills the actions of a check with the Windows ones. The setup is copied and kept for the
// whole run; a later call replaces it.
void useWindowsAlarmActions(AlarmActions& actions, const WindowsAlarmSetup& setup);

// The single actions, for tests.
AlarmAnswer showAlarmWindow(const WindowsAlarmSetup& setup, const Appointment& record);
void startAlarmProgram(HWND owner, const char* program, const char* arguments);
