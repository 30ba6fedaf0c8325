// The program's options: one process-wide record, filled from the settings store at start-up
// and each time the options sheet opens, written back when the main window hides or closes and
// when an options page applies.
//
// Threads: the record belongs to the UI thread. The wallpaper worker composes from a copy taken
// when its job starts (`Settings snapshot = gSettings;`) and never writes gSettings; what it
// changes goes back through handBackOldDay / handBackSheetFontHeight, which the UI thread takes
// over with takeSettingsHandBack at its next timer tick (and then saves).
#pragma once

#include <cstddef>

#include "app/settings_store.h"
#include "platform/win_compat.h"

// Ranges and defaults that other parts need.
constexpr int kBackgroundCount = 19;       // HG 0..18
constexpr int kDefaultSheetFontHeight = -30;
constexpr int kMinFontHeight = 7;          // |FHeight| accepted from the store: 7..128
constexpr int kMaxFontHeight = 128;
constexpr int kHeaderFontHeight = -100;    // the large calendar font before a composition sizes it
constexpr int kHeaderFontWeight = 800;
constexpr int kMaxFontWeight = 1000;       // FWeight and the notes font's weight: 0..1000
constexpr int kMinSnooze = 2;              // Snooze minutes as the alarm check applies them
constexpr int kMaxSnooze = 60;

struct Settings {
  // Main key, in the order of the value table. Registry value names in comments where they
  // differ from the field name.
  int AutoDelete = 0;    // delete past appointments when the file loads
  int Splash = 1;        // show the working window while the wallpaper is built
  int Mondphasen = 0;    // tray icon shows the moon phase instead of the day number
  int AutoExit = 0;      // end by itself while the main window stays hidden
  int AutoStart = 1;     // keep the autostart entry
  int TerminSchutz = 0;  // read only: > 0 offers the editor's protect box
  int Snooze = 6;        // snooze minutes
  int x = -1;            // main window left edge; -1 = not yet placed
  int y = -1;            // main window top edge
  int left = 50;         // sheet margins
  int top = 30;
  int right = 0;
  int OldDay = -1;       // day of month of the last wallpaper build
  int HG = 0;            // background picture 0..18
  int Kalenderwoche = 1; // week numbers on the sheet
  int Wochentage = 1;    // weekday names on the sheet
  int Feiertage = 0;     // holiday region
  char AlarmFile[MAX_PATH] = "";  // full path of the appointment file
  char NotePath[MAX_PATH] = "";   // note folder, always with a trailing separator

  // Calendar font (`SheetFont`): values FHeight, FWeight, FItalic (low byte), FName.
  LOGFONTA SheetFont{};
  // Large calendar font: a copy of SheetFont with height -100 and weight 800, made when the
  // settings load; the composition sets its height per run.
  LOGFONTA HeaderFont{};
  // Notes font (subkey Notiz: FHeight, FWeight, FItalic, FName); set by loadNoteFont only.
  LOGFONTA NoteFont{};

  // From the regional settings: 0 = month-day-year, 1 = day-month-year, 2 = year-month-day,
  // and the one-character date separator.
  int iDate = 1;
  char sDate[2] = ".";

  // The folder of the program file and the data folder (application data, then the folders
  // Skorvati, Desktopkalender, Die Quendler), both with a trailing separator; empty if unknown.
  char programFolder[MAX_PATH] = "";
  char dataFolder[MAX_PATH] = "";

  Settings();
};

// The record of the running program.
extern Settings gSettings;

// Sets every main-key field and both calendar fonts to the defaults (the notes font is left
// alone), then reads the main key and the date settings through the chosen store. The
// data folder is created on the way. 1 when a store was chosen.
int LoadSettings();
// Writes the main key and the Notiz key. 1 when both keys could be written.
int SaveSettings();
// Notes font defaults, then the Notiz key.
void loadNoteFont();
// Writes (on) or deletes (off) the autostart entry: the program path in quotes.
void SetAutostart(int on);

// The same on an explicit record and store (tests, snapshots, the native tool).
int LoadSettings(Settings& s, SettingsStore& store, SettingsFolders* folders);
int SaveSettings(const Settings& s, SettingsStore& store);
void loadNoteFont(Settings& s, SettingsStore& store);
void SetAutostart(int on, SettingsStore& store, SettingsFolders& folders);

// Keeps the three sheet margins within 0..screen width / 6 (left, right) and 0..screen
// height / 6 (top), the ranges the options page offers and the sheet is built with. The
// program calls it after each LoadSettings, with the primary screen's size.
void keepMarginsOnScreen(Settings& s, int screenWidth, int screenHeight);

// Defaults of the three fonts.
void setDefaultSheetFont(LOGFONTA& font);
void setDefaultNoteFont(LOGFONTA& font);
// HeaderFont = SheetFont with height -100 and weight 800.
void deriveHeaderFont(Settings& s);

// The program folder (with trailing separator) from the chosen folders; "" when unknown.
// Returns the length.
int GetProgramFolder(char* buffer, size_t size);

// Worker -> UI thread. The worker calls these on its copy's changes; they are lock-free and
// keep only the latest value.
void handBackOldDay(int day);
void handBackSheetFontHeight(int height);
// UI thread: copies handed-back values into s; 1 when anything changed (the caller saves).
int takeSettingsHandBack(Settings& s);

// Reads the native tool's settings file into s (text-file store; the data folder is not
// created). A missing file leaves the defaults. 1 when the file was read, 0 when it is missing
// or unreadable.
int loadSettingsFile(const char* path, Settings& s);
