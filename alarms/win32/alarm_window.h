// The alarm window (dialog 109): one appointment's name, date, time, remark and picture, with
// "Snooze" and "OK". Modal and without owner, so the main window's timer runs on while it is
// open; several may be open at once, each with its own record.
#pragma once

#include <windows.h>

#include "alarms/alarm_check.h"
#include "alarms/appointment_file.h"

constexpr int kAlarmDialog = 109;
constexpr int kIdAlarmTime = 1086;
constexpr int kIdAlarmRemark = 1087;
constexpr int kIdAlarmSnooze = 1090;
constexpr int kIdAlarmOk = 1091;
constexpr int kAlarmHelpTopic = 3;  // the appointments page (alarm.html)

using AlarmHelpFunction = void (*)(HWND owner, const HELPINFO* info, int topic);

// What the window shows and whom it asks for help.
struct AlarmWindowSetup {
  Appointment record{};              // the record as it stood when the alarm fired
  int snoozeMinutes = 6;             // the Snooze setting
  AlarmHelpFunction help = nullptr;  // F1
  // Filled by the window while it is open (for tests): the dialog, and how it was closed.
  HWND dialog = nullptr;
  AlarmAnswer answer = kAlarmSnooze;
};

// Runs the window modally without owner until it is answered; "OK" gives kAlarmOk, "Snooze",
// Enter, Escape and the close box kAlarmSnooze. A window that cannot be made counts as snoozed,
// so the alarm comes back instead of being lost.
AlarmAnswer runAlarmWindow(HINSTANCE instance, AlarmWindowSetup& setup);

// The dialog procedure; WM_INITDIALOG takes an AlarmWindowSetup* that outlives the window.
INT_PTR CALLBACK AlarmWindow(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The texts of the window: 1086 (date and time, then the remark after an empty line) and the
// Snooze button. `snoozeMinutes` is shown as the check applies it (2..60).
void alarmTimeText(const Appointment& record, char* out, size_t size);
void alarmSnoozeText(int snoozeMinutes, char* out, size_t size);
// The picture value the window shows for a record: 99 for a daily one or one without picture.
int alarmWindowPicture(const Appointment& record);
