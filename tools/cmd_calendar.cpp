// quendler month / quendler days: the calendar engine on the command line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "calendar/date_arith.h"
#include "calendar/holidays.h"
#include "calendar/moon.h"
#include "platform/clock.h"
#include "tools/command.h"

namespace {

// Before 1900 the engine reads years as two-digit years, and the first days of 1900 belong
// to a week of 1899; the range is also what the tests check against the ISO calendar.
constexpr int kFirstYear = 1901;
constexpr int kLastYear = 2099;

const char* const kMonthNames[12] = {"Januar", "Februar", "März",     "April",   "Mai",      "Juni",
                                     "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
const char* const kWeekdayShort[7] = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};

bool isHelp(const char* arg) { return !std::strcmp(arg, "--help") || !std::strcmp(arg, "-h"); }

// Only plain decimal digits, at most `maxDigits` of them.
bool parseDigits(const std::string& text, size_t maxDigits, int& value) {
  if (text.empty() || text.size() > maxDigits) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

std::string yearRangeMessage(int year) {
  return "Jahr " + std::to_string(year) + " außerhalb des Bereichs " + std::to_string(kFirstYear) + " bis " +
         std::to_string(kLastYear);
}

std::string regionList() {
  std::string out;
  for (int r = 0; r < kHolidayRegionCount; ++r) {
    char line[16];
    std::snprintf(line, sizeof line, "  %2d  ", r);
    out += line + cp1252ToUtf8(holidayRegionTexts[r]) + "\n";
  }
  return out;
}

// Reads "--region N" or "--region=N" at argv[i]; moves i past the value. Returns 0 when the
// argument is not a region option, 1 when it was read, -1 after a usage error was printed.
int readRegionOption(int argc, char** argv, int& i, int& region, int& status) {
  std::string arg = argv[i];
  std::string value;
  if (arg == "--region") {
    if (i + 1 >= argc) {
      status = usageError("--region ohne Wert (erwartet 0 bis 18)");
      return -1;
    }
    value = argv[++i];
  } else if (arg.compare(0, 9, "--region=") == 0) {
    value = arg.substr(9);
  } else {
    return 0;
  }
  if (!parseDigits(value, 2, region) || region >= kHolidayRegionCount) {
    status = usageError("ungültige Region \"" + value + "\" (erwartet 0 bis 18)");
    return -1;
  }
  return 1;
}

// What both commands share: --help, --region N and unknown options. Every other argument goes
// to `positional`, which answers kExitOk to go on or the exit status of a bad call. Returns
// kRun when the command is to run, else the status to exit with.
constexpr int kRun = -1;
template <typename Positional>
int readArguments(int argc, char** argv, const char* command, void (*printHelp)(), int& region,
                  Positional positional) {
  for (int i = 1; i < argc; ++i) {
    if (isHelp(argv[i])) {
      printHelp();
      return kExitOk;
    }
    int status = kExitUsage;
    int option = readRegionOption(argc, argv, i, region, status);
    if (option < 0) return status;
    if (option > 0) continue;
    std::string arg = argv[i];
    if (arg.size() > 1 && arg[0] == '-')
      return usageError("unbekannte Option \"" + arg + "\" (\"quendler " + command + " --help\" erklärt den Befehl)");
    status = positional(arg);
    if (status != kExitOk) return status;
  }
  return kRun;
}

// The names of the date from the engine, as UTF-8, each line feed replaced by `separator`,
// the trailing blanks of each name dropped when `trim` is set.
std::string holidayNames(int day, int month, int year, int region, const char* separator, bool trim) {
  char buffer[400];
  GetHolidayNames(day, month, year, region, buffer, sizeof buffer);
  std::string text = cp1252ToUtf8(buffer);
  std::string out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    std::string part = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (trim) {
      while (!part.empty() && part.back() == ' ') part.pop_back();
    }
    out += part;
    if (end == std::string::npos) break;
    out += separator;
    start = end + 1;
  }
  return out;
}

void printMonthHelp() {
  std::printf(
      "Aufruf: quendler month [JJJJ-MM] [--region N]\n\n"
      "Zeigt einen Monat als Kalenderblatt: Montag zuerst, links die Kalenderwoche,\n"
      "freie Tage (Samstag, Sonntag und die Feiertage der Region) mit *, heute in [ ].\n"
      "Darunter die benannten Tage des Monats mit ihren Namen.\n\n"
      "  JJJJ-MM      der Monat (Vorgabe: der heutige), Jahre %d bis %d\n"
      "  --region N   Feiertagsregion (Vorgabe: 0; ohne Region sind nur Wochenenden frei):\n%s\n"
      "Jahre vor 1900 liest der Kalender als zweistellige Jahre; geprüft ist er für %d bis %d.\n",
      kFirstYear, kLastYear, regionList().c_str(), kFirstYear, kLastYear);
}

int runMonth(int argc, char** argv) {
  int region = 0;
  int year = 0;
  int month = 0;
  bool haveMonth = false;
  const int status = readArguments(argc, argv, "month", printMonthHelp, region, [&](const std::string& arg) {
    if (haveMonth) return usageError("month: zu viele Argumente (erwartet höchstens einen Monat JJJJ-MM)");
    if (arg.size() != 7 || arg[4] != '-' || !parseDigits(arg.substr(0, 4), 4, year) ||
        !parseDigits(arg.substr(5, 2), 2, month) || month < 1 || month > 12) {
      return usageError("ungültiger Monat \"" + arg + "\" (erwartet JJJJ-MM)");
    }
    if (year < kFirstYear || year > kLastYear) return usageError(yearRangeMessage(year));
    haveMonth = true;
    return kExitOk;
  });
  if (status != kRun) return status;

  startClockFromEnvironment();
  int today = 0, thisMonth = 0, thisYear = 0;
  GetLocalDateTime(&today, &thisMonth, &thisYear, nullptr, nullptr, nullptr, nullptr);
  if (!haveMonth) {
    month = thisMonth;
    year = thisYear;
    if (year < kFirstYear || year > kLastYear) return usageError(yearRangeMessage(year));
  }
  bool todayShown = month == thisMonth && year == thisYear;

  std::printf("%s %d\n", kMonthNames[month - 1], year);
  std::printf("Feiertage: %s\n\n", cp1252ToUtf8(holidayRegionTexts[region]).c_str());

  // Each cell: '[' day ']' for today, then '*' for a free day.
  std::printf(" KW ");
  for (int c = 0; c < 7; ++c) std::printf(c < 6 ? " %s  " : " %s\n", kWeekdayShort[(c + 1) % 7]);
  int days = DaysInMonth(month, year);
  int column = (DayOfWeek(1, month, year) + 6) % 7;  // Monday = 0
  int day = 1;
  while (day <= days) {
    std::string line;
    char cell[16];
    std::snprintf(cell, sizeof cell, "%3d ", WeekNumber(day, month, year));
    line += cell;
    for (int c = 0; c < 7; ++c) {
      if (c < column || day > days) {
        line += "     ";
        continue;
      }
      int weekday = (c + 1) % 7;
      bool isFree = weekday == 0 || weekday == 6 || (region != 0 && IsPublicHoliday(day, month, year, region));
      bool isToday = todayShown && day == today;
      std::snprintf(cell, sizeof cell, "%c%2d%c%c", isToday ? '[' : ' ', day, isToday ? ']' : ' ',
                    isFree ? '*' : ' ');
      line += cell;
      ++day;
    }
    column = 0;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::printf("%s\n", line.c_str());
  }
  std::printf("\n* freier Tag%s\n\n", todayShown ? "   [ ] heute" : "");

  bool anyName = false;
  for (int d = 1; d <= days; ++d) {
    std::string names = holidayNames(d, month, year, region, ", ", true);
    if (names.empty()) continue;
    if (!anyName) std::printf("Benannte Tage:\n");
    anyName = true;
    bool isHoliday = region != 0 && IsPublicHoliday(d, month, year, region);
    std::printf("%3d. %s  %s%s\n", d, kWeekdayShort[DayOfWeek(d, month, year)], names.c_str(),
                isHoliday ? " (Feiertag)" : "");
  }
  if (!anyName) std::printf("Keine benannten Tage.\n");
  return kExitOk;
}

void printDaysHelp() {
  std::printf(
      "Aufruf: quendler days JAHR [--region N]\n\n"
      "Schreibt jeden Tag des Jahres als eine Zeile mit acht durch Tabulatoren getrennten\n"
      "Feldern (UTF-8, dieses Format bleibt stabil):\n"
      "  1  Datum JJJJ-MM-TT\n"
      "  2  DayOfWeek: Wochentag, 0 = Sonntag bis 6 = Samstag\n"
      "  3  DayOfYear: Tag im Jahr, 1 bis 366\n"
      "  4  WeekNumber: Kalenderwoche nach ISO 8601, 1 bis 53\n"
      "  5  IsPublicHoliday: 1 = Feiertag der Region, sonst 0 (Wochenenden zählen nicht)\n"
      "  6  MoonAge: Mondalter in ganzen Tagen, 0 bis 29\n"
      "  7  MoonPhase: Mondphase 0 bis 7 (0 Neumond, 4 Vollmond)\n"
      "  8  GetHolidayNames: die Namen des Tages, wie der Kalender sie liefert (jeder Name\n"
      "     mit einem folgenden Leerzeichen, Zeilenwechsel als die zwei Zeichen \\n);\n"
      "     leer, wenn der Tag keinen Namen hat\n\n"
      "  JAHR         %d bis %d (Jahre vor 1900 liest der Kalender als zweistellige Jahre)\n"
      "  --region N   Feiertagsregion (Vorgabe: 0):\n%s",
      kFirstYear, kLastYear, regionList().c_str());
}

int runDays(int argc, char** argv) {
  int region = 0;
  int year = 0;
  bool haveYear = false;
  const int status = readArguments(argc, argv, "days", printDaysHelp, region, [&](const std::string& arg) {
    if (haveYear) return usageError("days: zu viele Argumente (erwartet ein Jahr JJJJ)");
    if (arg.size() != 4 || !parseDigits(arg, 4, year)) return usageError("ungültiges Jahr \"" + arg + "\" (erwartet JJJJ)");
    if (year < kFirstYear || year > kLastYear) return usageError(yearRangeMessage(year));
    haveYear = true;
    return kExitOk;
  });
  if (status != kRun) return status;
  if (!haveYear) return usageError("days: Jahr fehlt (Aufruf: quendler days JAHR [--region N])");

  for (int month = 1; month <= 12; ++month) {
    for (int day = 1, days = DaysInMonth(month, year); day <= days; ++day) {
      std::printf("%04d-%02d-%02d\t%d\t%d\t%d\t%d\t%d\t%d\t%s\n", year, month, day, DayOfWeek(day, month, year),
                  DayOfYear(day, month, year), WeekNumber(day, month, year), IsPublicHoliday(day, month, year, region),
                  MoonAge(day, month, year), MoonPhase(day, month, year),
                  holidayNames(day, month, year, region, "\\n", false).c_str());
    }
  }
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? kExitOk : kExitFailure;
}

}  // namespace

QUENDLER_COMMAND("month", "month [JJJJ-MM] [--region N]   Monatsblatt mit Kalenderwochen, freien Tagen und Namen", runMonth);
QUENDLER_COMMAND("days", "days JAHR [--region N]         jeder Tag eines Jahres als Tabellenzeile (für Skripte)", runDays);
