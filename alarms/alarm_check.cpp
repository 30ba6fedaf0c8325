#include "alarms/alarm_check.h"

#include <cstring>

#include "calendar/date_arith.h"

namespace {

int usedSlots(const AppointmentTable& table) {
  if (table.count < 0) return 0;
  return table.count > kAppointmentSlots ? kAppointmentSlots : table.count;
}

int clampedSnooze(int minutes) {
  if (minutes < 2) return 2;
  return minutes > 60 ? 60 : minutes;
}

void markFired(Appointment& a, const LocalTime& now) {
  a.lastFiredDay = static_cast<uint16_t>(DayOfYear(now.day, now.month, now.year));
  a.lastFiredYear = static_cast<uint16_t>(now.year);
}

void rearm(Appointment& a) {
  a.lastFiredDay = 0;
  a.lastFiredYear = 0;
}

// Whether the record is due today; `timeReached` tells whether its time of day has come.
bool isDue(const Appointment& a, const LocalTime& now, bool& timeReached) {
  timeReached = a.hour * 60 + a.minute <= now.hour * 60 + now.minute;
  bool firedToday = firedOn(a, now);
  switch (a.repeatKind) {
    case kRepeatOnce: {
      if (a.lastFiredDay != 0 || a.year > now.year) return false;
      // A one-off alarm is due once its whole date and time have passed: a day before today
      // (of this year or an earlier one) is past whatever its time of day, so a missed alarm
      // comes as soon as the program runs again.
      int due = DayOfYear(a.day, a.month, a.year), today = DayOfYear(now.day, now.month, now.year);
      if (a.year < now.year || due < today) {
        timeReached = true;
        return true;
      }
      return due == today;
    }
    case kRepeatDaily:
      return !firedToday;
    case kRepeatMonthly:
      return a.day == now.day && !firedToday;
    case kRepeatYearly:
      return a.day == now.day && a.month == now.month && !firedToday;
    default:
      if (a.repeatKind >= kRepeatMonday && a.repeatKind <= kRepeatSunday) {
        int weekday = a.repeatKind == kRepeatSunday ? 0 : a.repeatKind - 4;
        return now.weekday == weekday && !firedToday;
      }
      return false;  // off, or a kind this program does not know
  }
}

void saveAfterFiring(AlarmCheck& check) {
  AppointmentTable& table = *check.table;
  if (!check.filePath) {
    sortAppointments(table);
    return;
  }
  if (!saveAppointmentTable(table, check.filePath) && check.actions.saveFailed)
    check.actions.saveFailed(check.actions.context);
}

}  // namespace

bool firedOn(const Appointment& record, const LocalTime& now) {
  return record.lastFiredDay != 0 &&
         record.lastFiredDay == DayOfYear(now.day, now.month, now.year) &&
         record.lastFiredYear == now.year;
}

void answerAlarm(AppointmentTable& table, uint32_t id, AlarmAnswer answer, int snoozeMinutes) {
  int slot = findAppointmentSlot(table, id);
  if (slot < 0) return;
  Appointment& a = table.slots[slot];
  if (answer == kAlarmOk) {
    if (a.repeatKind == kRepeatOnce) a.repeatKind = kRepeatOff;
    a.snoozeLeft = 0;
    return;
  }
  rearm(a);
  unsigned left = a.snoozeLeft + static_cast<unsigned>(clampedSnooze(snoozeMinutes));
  a.snoozeLeft = static_cast<uint16_t>(left > 0xFFFF ? 0xFFFF : left);
}

void splitProgramLine(const char* line, size_t width, std::string& program,
                      std::string& arguments) {
  std::string text(line, appointmentFieldLength(line, width));
  bool quoted = false;
  size_t end = 0;
  while (end < text.size() && (quoted || text[end] != ' ')) {
    if (text[end] == '"') quoted = !quoted;
    ++end;
  }
  program = text.substr(0, end);
  arguments = end < text.size() ? text.substr(end + 1) : std::string();
  if (program.size() >= 2 && program.front() == '"' && program.back() == '"')
    program = program.substr(1, program.size() - 2);
}

int fireAppointment(AlarmCheck& check, uint32_t id, int test, const LocalTime& now) {
  AppointmentTable& table = *check.table;
  int slot = findAppointmentSlot(table, id);
  if (slot < 0) return 0;
  Appointment& a = table.slots[slot];
  if (a.repeatKind == kRepeatOff) return 0;
  const AlarmActions& act = check.actions;
  if (!test && act.fired) act.fired(act.context, a, now);
  if (!test) markFired(a, now);

  switch (a.action) {
    case kActionNotice: {
      // The window runs a message loop: checks and saves may move or change the table
      // meanwhile, so nothing here holds the slot across it.
      Appointment before = a;
      if (!act.showAlarm) return 1;
      AlarmAnswer answer = act.showAlarm(act.context, before, id);
      answerAlarm(table, id, answer, check.snoozeMinutes);
      int slotAfter = findAppointmentSlot(table, id);
      if (test && slotAfter >= 0) {
        Appointment& after = table.slots[slotAfter];
        after.lastFiredDay = before.lastFiredDay;
        after.lastFiredYear = before.lastFiredYear;
        after.snoozeLeft = before.snoozeLeft;
        after.repeatKind = before.repeatKind;
      }
      break;
    }
    case kActionSound: {
      if (!test && a.repeatKind == kRepeatOnce) a.repeatKind = kRepeatOff;
      std::string path(a.path, appointmentFieldLength(a.path, sizeof a.path));
      if (act.soundAvailable && path.size() > 2 && act.playSound)
        act.playSound(act.context, path.c_str());
      break;
    }
    case kActionProgram: {
      if (!test && a.repeatKind == kRepeatOnce) a.repeatKind = kRepeatOff;
      if (appointmentFieldLength(a.path, sizeof a.path) > 2 && act.startProgram) {
        std::string program, arguments;
        splitProgramLine(a.path, sizeof a.path, program, arguments);
        act.startProgram(act.context, program.c_str(), arguments.c_str());
      }
      break;
    }
    default:
      break;
  }
  return 1;
}

int checkAlarmsAt(AlarmCheck& check, const LocalTime& now) {
  if (!check.table || check.editorOpen) return 0;
  if (now.minute == check.lastMinute) return 0;
  check.lastMinute = now.minute;

  AppointmentTable& table = *check.table;
  // The records by id, in table order as it stands now: a firing may re-sort the table.
  uint32_t order[kAppointmentSlots];
  int count = usedSlots(table);
  for (int k = 0; k < count; ++k) order[k] = appointmentIdAt(table, k);

  int fired = 0;
  for (int k = 0; k < count; ++k) {
    // The editor opened while an alarm window was shown: it owns the table now. The rest waits
    // for the check after it closes, and nothing is saved here, so that its "Abbrechen" still
    // finds the file as it was.
    if (check.editorOpen) break;
    int slot = findAppointmentSlot(table, order[k]);
    if (slot < 0) continue;
    Appointment& a = table.slots[slot];
    bool timeReached = false;
    if (!isDue(a, now, timeReached)) continue;
    bool released = false;
    if (a.snoozeLeft > 0) {
      if (--a.snoozeLeft > 0) continue;
      released = true;
    }
    if (!released && !timeReached) continue;
    rearm(a);
    fireAppointment(check, order[k], 0, now);
    ++fired;
  }
  if (fired && !check.editorOpen) saveAfterFiring(check);
  return fired;
}

int checkAlarms(AlarmCheck& check) {
  LocalTime now;
  readLocalClock(now);
  return checkAlarmsAt(check, now);
}
