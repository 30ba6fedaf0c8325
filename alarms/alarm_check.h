// The minute-by-minute alarm check and the firing of one appointment, without any window:
// what the platform does (the alarm window with its beep, a sound, a program start, the
// message about a failed save) goes through AlarmActions, which the Windows shell fills in.
#pragma once

#include <cstdint>
#include <string>

#include "alarms/appointment_file.h"
#include "platform/clock.h"

// How the alarm window was closed: "OK", or "Snooze" (also Enter, Escape, the close box).
enum AlarmAnswer : int {
  kAlarmSnooze = 0,
  kAlarmOk = 1,
};

struct AlarmActions {
  void* context = nullptr;
  // Beeps, shows the alarm window modally for the record (as it stood when the window
  // opened) and returns how it was closed. The timer, and with it further checks, may run
  // while it is open; the window refers to its record only by the id.
  AlarmAnswer (*showAlarm)(void* context, const Appointment& record, uint32_t id) = nullptr;
  void (*playSound)(void* context, const char* path) = nullptr;
  // "open" through the shell with those arguments; failures go unreported.
  void (*startProgram)(void* context, const char* program, const char* arguments) = nullptr;
  // "Fehler beim Speichern der Termin-Datei!"
  void (*saveFailed)(void* context) = nullptr;
  // Told about each firing by the check, with the record as it was before (may stay null).
  void (*fired)(void* context, const Appointment& before, const LocalTime& now) = nullptr;
  bool soundAvailable = false;
};

struct AlarmCheck {
  AppointmentTable* table = nullptr;
  // Where the table is saved after a check fired something; null only sorts the table as
  // saving does and writes nothing.
  const char* filePath = nullptr;
  int snoozeMinutes = 6;  // the Snooze setting; used within 2..60
  int lastMinute = 0;     // minute of the last check; 0 at start, as the program has it
  bool editorOpen = false;
  AlarmActions actions;
};

// One tick of the main window's timer: reads the clock and checks at most once a minute.
// Returns the number of records fired.
int checkAlarms(AlarmCheck& check);
// The same with the clock's reading given.
int checkAlarmsAt(AlarmCheck& check, const LocalTime& now);

// Carries out the action of the record with that id. Not in test mode it marks the record
// fired today; in test mode (the editor's "&Test") its alarm state stays as it was.
// Returns 1 when the record was there and not off.
int fireAppointment(AlarmCheck& check, uint32_t id, int test, const LocalTime& now);

// What the alarm window's buttons do to the record with that id (nothing when it is gone).
void answerAlarm(AppointmentTable& table, uint32_t id, AlarmAnswer answer, int snoozeMinutes);

// Whether the record fired on that date: day of the year and year both match.
bool firedOn(const Appointment& record, const LocalTime& now);

// A command line of action 3 split as the shell does: the program is the text up to the
// first blank outside quotes, without the quotes around it; the arguments are what follows
// that blank.
void splitProgramLine(const char* line, size_t width, std::string& program,
                      std::string& arguments);
