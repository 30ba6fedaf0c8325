// quendler appointments: lists an appointment file as the program loads it on a date.
#include <cstdio>
#include <memory>
#include <string>

#include "alarms/appointment_file.h"
#include "app/settings.h"
#include "calendar/date_arith.h"
#include "platform/clock.h"
#include "tools/command.h"
#include "tools/wallpaper_options.h"

namespace {

// Texts of a record on one line: control characters would break the columns.
std::string fieldText(const char* field, size_t width) {
  std::string raw(field, appointmentFieldLength(field, width));
  std::string escaped;
  for (char c : raw) {
    if (c == '\t') escaped += "\\t";
    else if (c == '\n') escaped += "\\n";
    else if (c == '\r') escaped += "\\r";
    else if (c == '\\') escaped += "\\\\";
    else if (static_cast<unsigned char>(c) < 0x20) escaped += ' ';
    else escaped += c;
  }
  return cp1252ToUtf8(escaped);
}

int runAppointments(int argc, char** argv) {
  std::string file, settingsFile, dateText, picturesText;
  static const char help[] =
    "quendler appointments DATEI [--settings DATEI] [--date JJJJ-MM-TT] [--pictures JJJJ-MM]\n\n"
    "Lädt die Termin-Datei wie das Programm an diesem Tag (mit AutoDelete, wenn die\n"
    "Einstellungen es wollen) und zeigt je Termin eine Zeile, durch Tabulatoren getrennt:\n"
    "Nummer, Name, Art, Datum, Uhrzeit, Aktion, Bild, Pfad, Bemerkung, zuletzt ausgelöst\n"
    "(Tag des Jahres), Schlummerminuten. Mit --pictures je Tag des Monats das Datum und\n"
    "die Nummer des Terminbilds im Kalender.\n";
  int status = readToolOptions(argc, argv, "appointments", help,
                               {{"--settings", &settingsFile, nullptr},
                                {"--date", &dateText, nullptr},
                                {"--pictures", &picturesText, nullptr}},
                               &file, "eine Termin-Datei");
  if (status != kRunCommand) return status;
  if (file.empty()) return usageError("appointments braucht eine Termin-Datei");

  startClockFromEnvironment();
  LocalTime now;
  readLocalClock(now);
  if (!dateText.empty() && !parseToolDate(dateText, now))
    return usageError("ungültiges Datum \"" + dateText + "\" (erwartet JJJJ-MM-TT, 1901 bis 2099)");
  int pictureMonth = 0, pictureYear = 0;
  if (!picturesText.empty() && !parseToolMonth(picturesText, pictureMonth, pictureYear))
    return usageError("ungültiger Monat \"" + picturesText + "\" (erwartet JJJJ-MM, 1901 bis 2099)");

  std::unique_ptr<Settings> settings(new Settings());
  if (!settingsFile.empty() && !loadToolSettings(settingsFile, *settings)) return kExitFailure;
  std::unique_ptr<AppointmentTable> table(new AppointmentTable());
  if (!loadToolAppointments(file, *settings, now, *table)) return kExitFailure;

  for (int i = 0; i < table->count; ++i) {
    const Appointment& a = table->slots[i];
    std::string kind = a.repeatKind < 12 ? cp1252ToUtf8(kRepeatKindTexts[a.repeatKind])
                                         : std::to_string(a.repeatKind);
    std::string action = a.action < 4 ? cp1252ToUtf8(kActionTexts[a.action]) : std::to_string(a.action);
    std::printf("%d\t%s\t%s\t%02u.%02u.%04u\t%02u:%02u\t%s\t%u\t%s\t%s\t%u\t%u\n", i,
                fieldText(a.name, sizeof a.name).c_str(), kind.c_str(), a.day, a.month, a.year,
                a.hour, a.minute, action.c_str(), a.picture, fieldText(a.path, sizeof a.path).c_str(),
                fieldText(a.remark, sizeof a.remark).c_str(), a.lastFiredDay, a.snoozeLeft);
  }
  if (pictureMonth) {
    int days = DaysInMonth(pictureMonth, pictureYear);
    for (int d = 1; d <= days; ++d)
      std::printf("%02d.%02d.%04d\t%d\n", d, pictureMonth, pictureYear,
                  findAppointmentPicture(*table, d, pictureMonth, pictureYear));
  }
  return kExitOk;
}

}  // namespace

QUENDLER_COMMAND("appointments",
                 "appointments DATEI [--settings DATEI] [--date JJJJ-MM-TT] [--pictures JJJJ-MM]   "
                 "Termin-Datei anzeigen",
                 runAppointments);
