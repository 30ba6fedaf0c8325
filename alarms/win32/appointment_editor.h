// The appointment editor (dialog 108 "Termine / Alarm"): creates, changes, protects, tests and
// deletes appointments right in the table; "OK" saves the file, and every way of closing loads
// the table from the file again, so that "Abbrechen" drops the changes.
#pragma once

#include <windows.h>

#include "alarms/alarm_check.h"

constexpr int kAppointmentEditorDialog = 108;
constexpr int kIdEditorName = 1068;
constexpr int kIdEditorKind = 1062;
constexpr int kIdEditorDay = 1058;
constexpr int kIdEditorMonth = 1059;
constexpr int kIdEditorYear = 1060;
constexpr int kIdEditorHour = 1065;
constexpr int kIdEditorMinute = 1066;
constexpr int kIdEditorPicture = 1070;
constexpr int kIdEditorSlider = 1069;
constexpr int kIdEditorAction = 1061;
constexpr int kIdEditorTest = 1214;
constexpr int kIdEditorPathLabel = 1071;
constexpr int kIdEditorPath = 1063;
constexpr int kIdEditorBrowse = 1064;
constexpr int kIdEditorRemark = 1067;
constexpr int kIdEditorProtected = 1089;
constexpr int kIdEditorNew = 1211;
constexpr int kIdEditorDelete = 1212;
constexpr int kIdEditorHelp = 1072;
constexpr int kEditorHelpTopic = 3;

using EditorHelpFunction = void (*)(HWND owner, const HELPINFO* info, int topic);

// What the editor takes from the program.
struct AppointmentEditorSetup {
  // The alarm check: its table is the one edited, it holds back while the editor is open, and
  // "&Test" fires through it.
  AlarmCheck* check = nullptr;
  const char* filePath = "";  // the appointment file (AlarmFile)
  int autoDelete = 0;         // AutoDelete, for the reload at the end
  int protection = 0;         // TerminSchutz: above 0 offers the "geschützt" box
  bool soundAvailable = false;
  void (*fadeOutSound)() = nullptr;
  EditorHelpFunction help = nullptr;  // "&Hilfe" (topic kEditorHelpTopic) and F1
  // Set to 1 by "OK" when a change touched a picture of the month's calendar; never cleared.
  int* rebuildRequested = nullptr;
};

// Runs the editor modally (one at a time: a second call brings the open one forward and
// returns 0). 1 after "OK" saved, 0 otherwise, -1 without a check and table.
INT_PTR runAppointmentEditor(HINSTANCE instance, HWND owner, const AppointmentEditorSetup& setup);
// The dialog procedure; WM_INITDIALOG takes an AppointmentEditorSetup* that outlives the window.
INT_PTR CALLBACK AppointmentEditor(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The open editor, or null.
HWND openAppointmentEditor();
