// quendler wallpaper: composes the wallpaper for a date, screen size, settings and appointments.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "alarms/appointment_file.h"
#include "app/settings.h"
#include "app/wallpaper_look.h"
#include "calendar/date_arith.h"
#include "imaging/owned_block.h"
#include "platform/clock.h"
#include "render/compose.h"
#include "tools/command.h"
#include "tools/png_file.h"
#include "tools/wallpaper_options.h"

namespace {

bool endsWithPng(const std::string& path) {
  if (path.size() < 4) return false;
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".png";
}

int runWallpaper(int argc, char** argv) {
  std::string dateText, sizeText = "1920x1080", settingsFile, appointmentsFile, seedText, bottomText;
  std::string out = "wallpaper.bmp";
  bool printCells = false, printLayout = false;
  static const char help[] =
    "quendler wallpaper [--date JJJJ-MM-TT] [--size BxH] [--bottom N] [--settings DATEI]\n"
    "                   [--appointments DATEI] [--seed N] [--out DATEI] [--cells] [--layout]\n\n"
    "Setzt das Hintergrundbild für den Tag (Vorgabe: heute) und die Bildschirmgröße\n"
    "(Vorgabe: 1920x1080) zusammen und schreibt es als 24-Bit-BMP (Vorgabe:\n"
    "./wallpaper.bmp), als PNG, wenn der Name auf .png endet. Einstellungen aus einer Textdatei mit Zeilen \"Name=Wert\"\n"
    "(Registrierungsnamen), Termine aus einer .qtm-Datei. --seed startet den Zufall\n"
    "fest, --cells zeigt die Belegung der 42 Felder, --layout die Maße des Blatts\n"
    "(s X0 Y0 cw ch dx dy Überschrifthöhe). --bottom N hält das Blatt über der Zeile N\n"
    "(etwa der Oberkante der Taskleiste; Vorgabe: die Bildhöhe).\n";
  int status = readToolOptions(argc, argv, "wallpaper", help,
                               {{"--cells", nullptr, &printCells},
                                {"--layout", nullptr, &printLayout},
                                {"--date", &dateText, nullptr},
                                {"--size", &sizeText, nullptr},
                                {"--settings", &settingsFile, nullptr},
                                {"--appointments", &appointmentsFile, nullptr},
                                {"--seed", &seedText, nullptr},
                                {"--bottom", &bottomText, nullptr},
                                {"--out", &out, nullptr}},
                               nullptr, nullptr);
  if (status != kRunCommand) return status;

  startClockFromEnvironment();
  LocalTime now;
  readLocalClock(now);
  if (!dateText.empty() && !parseToolDate(dateText, now))
    return usageError("ungültiges Datum \"" + dateText + "\" (erwartet JJJJ-MM-TT, 1901 bis 2099)");
  int W = 0, H = 0;
  if (!parseScreenSize(sizeText, W, H))
    return usageError("ungültige Größe \"" + sizeText + "\" (erwartet BxH, je 16 bis 16384)");
  uint32_t seed = 0;
  if (!seedText.empty() && !parseSeed(seedText, seed))
    return usageError("ungültiger Startwert \"" + seedText + "\" (erwartet 0 bis 4294967295)");
  if (out.empty()) return usageError("--out ohne Dateinamen");
  unsigned long long bottom = 0;
  if (!bottomText.empty() && (!parseDecimal(bottomText, 5, bottom) || bottom < 1 ||
                              bottom > static_cast<unsigned long long>(H)))
    return usageError("ungültige Unterkante \"" + bottomText + "\" (erwartet 1 bis " +
                      std::to_string(H) + ")");

  std::unique_ptr<Settings> settings(new Settings());
  if (!settingsFile.empty() && !loadToolSettings(settingsFile, *settings)) return kExitFailure;
  std::unique_ptr<AppointmentTable> table(new AppointmentTable());
  table->count = 0;
  if (!appointmentsFile.empty() &&
      !loadToolAppointments(appointmentsFile, *settings, now, *table))
    return kExitFailure;

  std::unique_ptr<WallpaperJob> job(new WallpaperJob());
  prepareWallpaperJob(*job, lookFromSettings(*settings), *table, now, W, H, out.c_str());
  if (!seedText.empty()) job->seed = seed;
  job->bottom = static_cast<int>(bottom);

  std::unique_ptr<WallpaperResult> result(new WallpaperResult());
  OwnedBlock canvas(composeWallpaperImage(*job, *result));
  if (!canvas) {
    std::fprintf(stderr, "quendler: Hintergrundbild HG%03d nicht gefunden oder zu wenig Speicher\n",
                 settings->HG);
    return kExitFailure;
  }
  int written = endsWithPng(out) ? writePngFile(canvas.get(), W, H, job->path)
                                 : writeWallpaperFile(canvas.get(), W, H, job->path);
  if (!written) {
    std::fprintf(stderr, "quendler: %s konnte nicht geschrieben werden\n", out.c_str());
    return kExitFailure;
  }

  std::error_code ec;
  std::filesystem::path shown = std::filesystem::absolute(out, ec);
  std::printf("%s\n", ec ? out.c_str() : shown.string().c_str());
  if (result->sheetFontChanged)
    std::fprintf(stderr, "Hinweis: Kalenderschrift auf Höhe %ld verkleinert, damit \"99\" in die Felder passt\n",
                 static_cast<long>(result->sheetFontHeight));
  if (printLayout) {
    const SheetLayout& l = result->layout;
    std::printf("%d %d %d %d %d %d %d %d\n", l.s, l.X0, l.Y0, l.cw, l.ch, l.dx, l.dy,
                l.headerHeight);
  }
  if (printCells) {
    for (int row = 1; row <= kSheetRows; ++row)
      for (int column = 1; column <= kSheetColumns; ++column)
        std::printf("%d%c", result->cells.at(row, column), column == kSheetColumns ? '\n' : ' ');
  }
  return kExitOk;
}

}  // namespace

QUENDLER_COMMAND("wallpaper",
                 "wallpaper [--date JJJJ-MM-TT] [--size BxH] [--bottom N] [--settings DATEI] [--appointments DATEI] "
                 "[--seed N] [--out DATEI] [--cells] [--layout]   Hintergrundbild zusammensetzen",
                 runWallpaper);
