#include "alarms/win32/alarm_actions.h"

#include <shellapi.h>

#include "alarms/win32/save_error.h"

namespace {

WindowsAlarmSetup programSetup;

const WindowsAlarmSetup& setupOf(void* context) { return *static_cast<const WindowsAlarmSetup*>(context); }

AlarmAnswer showAlarm(void* context, const Appointment& record, uint32_t) {
  return showAlarmWindow(setupOf(context), record);
}

void playSound(void* context, const char* path) {
  if (setupOf(context).playSound) setupOf(context).playSound(path);
}

void startProgram(void* context, const char* program, const char* arguments) {
  startAlarmProgram(setupOf(context).owner, program, arguments);
}

void saveFailed(void* context) { showAppointmentSaveError(setupOf(context).owner); }

}  // namespace

AlarmAnswer showAlarmWindow(const WindowsAlarmSetup& setup, const Appointment& record) {
  MessageBeep(MB_ICONEXCLAMATION);
  // Each window has a setup of its own: a later alarm may open another one meanwhile.
  AlarmWindowSetup window;
  window.record = record;
  window.snoozeMinutes = setup.check ? setup.check->snoozeMinutes : 6;
  window.help = setup.help;
  return runAlarmWindow(setup.instance, window);
}

void startAlarmProgram(HWND owner, const char* program, const char* arguments) {
  ShellExecuteA(owner, "open", program, arguments, "", SW_SHOWNORMAL);
}

void useWindowsAlarmActions(AlarmActions& actions, const WindowsAlarmSetup& setup) {
  programSetup = setup;
  actions.context = &programSetup;
  actions.showAlarm = showAlarm;
  actions.playSound = playSound;
  actions.startProgram = startProgram;
  actions.saveFailed = saveFailed;
}
