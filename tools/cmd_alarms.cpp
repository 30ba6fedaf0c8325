// quendler alarms: runs the alarm check minute by minute over a span, as the program would.
#include <cstdio>
#include <memory>
#include <string>

#include "alarms/alarm_check.h"
#include "alarms/appointment_file.h"
#include "alarms/wall_clock.h"
#include "app/settings.h"
#include "platform/clock.h"
#include "tools/command.h"
#include "tools/wallpaper_options.h"

namespace {

// A name on one line: tabs and line breaks would break the columns.
std::string lineText(const char* field, size_t width) {
  std::string escaped;
  for (char c : std::string(field, appointmentFieldLength(field, width))) {
    if (c == '\t') escaped += "\\t";
    else if (c == '\n') escaped += "\\n";
    else if (c == '\r') escaped += "\\r";
    else if (c == '\\') escaped += "\\\\";
    else if (static_cast<unsigned char>(c) < 0x20) escaped += ' ';
    else escaped += c;
  }
  return cp1252ToUtf8(escaped);
}

struct Run {
  AlarmAnswer answer = kAlarmOk;
  bool saveFailed = false;
};

AlarmAnswer answerWindow(void* context, const Appointment&, uint32_t) {
  return static_cast<Run*>(context)->answer;
}

void noteSaveFailure(void* context) {
  static_cast<Run*>(context)->saveFailed = true;
  std::fprintf(stderr, "quendler: %s\n", cp1252ToUtf8("Fehler beim Speichern der Termin-Datei!").c_str());
}

void printFiring(void*, const Appointment& a, const LocalTime& now) {
  std::string kind = a.repeatKind < 12 ? cp1252ToUtf8(kRepeatKindTexts[a.repeatKind])
                                       : std::to_string(a.repeatKind);
  std::string action = a.action < 4 ? cp1252ToUtf8(kActionTexts[a.action]) : std::to_string(a.action);
  std::printf("%04d-%02d-%02d %02d:%02d\t%s\t%s\t%s\n", now.year, now.month, now.day, now.hour,
              now.minute, lineText(a.name, sizeof a.name).c_str(), kind.c_str(), action.c_str());
}

int runAlarms(int argc, char** argv) {
  std::string file, settingsFile, fromText, toText, answerText = "ok";
  bool write = false;
  static const char help[] =
    "quendler alarms DATEI --from \"JJJJ-MM-TT HH:MM\" --to \"JJJJ-MM-TT HH:MM\"\n"
    "                [--settings DATEI] [--answer ok|snooze] [--write]\n\n"
    "Lädt die Termin-Datei wie das Programm, das ab --from läuft (mit AutoDelete, wenn die\n"
    "Einstellungen es wollen), und macht jede Minute bis --to (einschließlich) die\n"
    "Alarmprüfung. Die Minuten sind die der Uhr in deutscher Zeit: am letzten Sonntag im\n"
    "März folgt auf 01:59 gleich 03:00, am letzten Sonntag im Oktober kommt 02:00 bis 02:59\n"
    "zweimal (--from meint dann die erste, --to die zweite). Jedes Alarmfenster wird mit\n"
    "\"OK\" beantwortet (Voreinstellung) oder mit --answer snooze mit \"Snooze\" (Minuten aus\n"
    "der Einstellung Snooze). Je Auslösung eine Zeile, durch Tabulatoren getrennt:\n"
    "Datum und Uhrzeit (JJJJ-MM-TT HH:MM), Name, Art vor der Auslösung, Aktion.\n"
    "Mit --write wird die Datei wie vom Programm nach jeder Prüfung, die etwas ausgelöst\n"
    "hat, sortiert gespeichert; ohne --write bleibt sie, wie sie ist.\n";
  int status = readToolOptions(argc, argv, "alarms", help,
                               {{"--write", nullptr, &write},
                                {"--settings", &settingsFile, nullptr},
                                {"--from", &fromText, nullptr},
                                {"--to", &toText, nullptr},
                                {"--answer", &answerText, nullptr}},
                               &file, "eine Termin-Datei");
  if (status != kRunCommand) return status;
  if (file.empty()) return usageError("alarms braucht eine Termin-Datei");
  if (fromText.empty() || toText.empty()) return usageError("alarms braucht --from und --to");
  LocalTime from, to;
  if (!parseLocalTime(fromText.c_str(), from))
    return usageError("ungültige Zeit \"" + fromText + "\" (erwartet JJJJ-MM-TT HH:MM)");
  if (!parseLocalTime(toText.c_str(), to))
    return usageError("ungültige Zeit \"" + toText + "\" (erwartet JJJJ-MM-TT HH:MM)");
  Run run;
  if (answerText == "ok") run.answer = kAlarmOk;
  else if (answerText == "snooze") run.answer = kAlarmSnooze;
  else return usageError("--answer kennt nur ok und snooze");
  UtcMinute first = firstWallClockMinute(from), last = lastWallClockMinute(to);
  if (first > last) return usageError("--to liegt vor --from");

  std::unique_ptr<Settings> settings(new Settings());
  if (!settingsFile.empty() && !loadToolSettings(settingsFile, *settings)) return kExitFailure;
  std::unique_ptr<AppointmentTable> table(new AppointmentTable());
  LocalTime start;
  wallClockAt(first, start);
  if (!loadToolAppointments(file, *settings, start, *table)) return kExitFailure;

  AlarmCheck check;
  check.table = table.get();
  check.filePath = write ? file.c_str() : nullptr;
  check.snoozeMinutes = settings->Snooze;
  check.actions.context = &run;
  check.actions.showAlarm = answerWindow;
  check.actions.saveFailed = noteSaveFailure;
  check.actions.fired = printFiring;
  check.actions.soundAvailable = true;  // nothing plays here, but the bookkeeping is the same

  // One check per minute that the clock shows, read through the program's own clock.
  for (UtcMinute u = first; u <= last; ++u) {
    LocalTime now;
    wallClockAt(u, now);
    setClockStart(now, true);
    checkAlarms(check);
  }
  clearClockStart();
  std::fflush(stdout);
  return run.saveFailed ? kExitFailure : kExitOk;
}

}  // namespace

QUENDLER_COMMAND("alarms",
                 "alarms DATEI --from \"JJJJ-MM-TT HH:MM\" --to \"JJJJ-MM-TT HH:MM\" [--settings DATEI] "
                 "[--answer ok|snooze] [--write]   Alarmprüfung über eine Zeitspanne",
                 runAlarms);
