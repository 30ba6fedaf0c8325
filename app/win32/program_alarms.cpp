#include "app/win32/program_alarms.h"

#include "app/settings.h"
#include "app/win32/program.h"

AlarmCheck programAlarms = [] {
  AlarmCheck check;
  check.table = &AppointmentFile;
  return check;
}();

void takeAlarmSettings() {
  programAlarms.table = &AppointmentFile;
  programAlarms.filePath = gSettings.AlarmFile;
  programAlarms.snoozeMinutes = gSettings.Snooze;
  programAlarms.actions.soundAvailable = soundAvailable;
}
