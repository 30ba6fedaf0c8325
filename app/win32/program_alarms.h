// The program's alarm check over its appointment table, for the whole run. The main window's
// timer runs it; the appointment editor holds it back while open and fires through it in test
// mode; the alarm actions of Windows are filled in where the main window starts.
#pragma once

#include "alarms/alarm_check.h"

extern AlarmCheck programAlarms;

// Takes what the check reads from the settings (file, snooze minutes) and the sound switch;
// called before every check, so that a changed setting counts from the next minute on.
void takeAlarmSettings();
