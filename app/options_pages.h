// What the pages of the options sheet decide, apart from their windows: which rows the lists
// show and take, what OK and Cancel keep, how the chosen paths and fonts are stored. The pages
// in app/win32/ read their controls and call these.
#pragma once

#include <cstddef>

#include "app/hotkeys.h"
#include "app/settings.h"

// A list's selection as the page reads it: the row, or -1 (CB_ERR) when none is selected.
constexpr long kNoListSelection = -1;

// --- Hotkeys page

// The slot as the page shows it: a stored index outside its table makes the slot 0/0, inactive.
HotkeySlot hotkeySlotForPage(const HotkeySlot& stored);
// The slot the page's two lists and check box give at OK. A list without a selection (or one
// outside its table) keeps the stored row; a stored row outside its table counts as row 0.
HotkeySlot hotkeySlotFromPage(const HotkeySlot& stored, long modifierSelection, long keySelection,
                              bool checked);

// --- Desktop calendar page

// The values the page keeps when it opens, for Cancel and for the change test of OK.
struct CalendarPageStart {
  int HG, left, top, right, Kalenderwoche, Feiertage;
};
CalendarPageStart calendarPageStart(const Settings& s);

// The margin track bars' maxima: screen width / 6 (left, right) and height / 6 (top).
struct MarginRanges {
  int horizontal, vertical;
};
MarginRanges marginRanges(int screenWidth, int screenHeight);

// The row of the region list for a stored region; one outside the table shows as 0.
int regionListRow(int stored);
// The region list's selection changed: true when that asks for a rebuild (a row other than the
// current region). The region itself is taken at OK.
bool regionChangeAsksRebuild(int currentRegion, long selection);
// OK: week numbers from the box, the region from the list (no selection keeps it). True when
// any of the six kept values differs from the page start, so that a rebuild is due.
bool applyCalendarPage(Settings& s, const CalendarPageStart& start, bool weekNumbers,
                       long regionSelection);
// Cancel: background and margins go back to the page start. Week numbers, region and the font
// are not touched (they change only at OK and at the font dialog's OK).
void cancelCalendarPage(Settings& s, const CalendarPageStart& start);

// --- Fonts

// The four values of a font that the settings keep (height, weight, italic flag, face).
struct FontBackup {
  LONG height, weight;
  BYTE italic;
  char face[LF_FACESIZE];
};
FontBackup backupFont(const LOGFONTA& font);
void restoreFont(LOGFONTA& font, const FontBackup& backup);
// A calendar font chosen in points can come out at more pixels than the settings accept (128
// points are about 171 pixels): its height is brought into 7..128 pixels, keeping its sign, so
// that the next start does not fall back to the default. A height of 0 gets the default.
void bringSheetFontIntoRange(LOGFONTA& font);

// --- Appointments page

// The appointment file from the page's field: an empty field keeps the file as it is.
void appointmentFileFromField(char* file, size_t size, const char* field);
// Paths compare as Windows compares file names: without regard to case (code page 1252).
bool samePathIgnoringCase(const char* a, const char* b);

// --- Notes page

enum class NoteFolderResult {
  taken,    // the folder, with its separator, is the new NotePath
  keptOld,  // empty field: NotePath stays
  tooLong,  // with its separator it would not fit: NotePath stays, the page says so
};
constexpr size_t kNotePathMost = MAX_PATH - 1;  // characters of NotePath, separator included
// NotePath from the page's field: a separator is appended unless the text ends with one
// (so "C:\" stays as it is).
NoteFolderResult notePathFromField(char* notePath, size_t size, const char* field);
// The folder picker's choice for the field: the folder with one separator at its end. 0 when
// that does not fit into size bytes.
int folderWithSeparator(char* out, size_t size, const char* folder);
// The page's text when the folder is refused.
extern const char* const kNoteFolderTooLongText;
