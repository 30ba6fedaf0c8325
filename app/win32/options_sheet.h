// The options sheet " Optionen": a modal property sheet with the pages Allgemein (103),
// Desktopkalender (105), Termine (140), Notizen (141) and Hotkeys (106), owned by the main
// window. Each page saves what it changes when the sheet closes with OK.
//
// The pages live here, beside the settings record they edit, rather than in the win32 folders
// of their subsystems: every one of them reads and writes gSettings, saves it, opens help and
// asks the main window for a rebuild, which are all part of the program shell. What they
// decide apart from their windows is in app/options_pages.h; the preview is drawn by the
// renderer (render/win32/calendar_preview.h).
#pragma once

#include <windows.h>

// Templates.
constexpr int kGeneralPage = 103;
constexpr int kCalendarPage = 105;
constexpr int kHotkeysPage = 106;
constexpr int kAppointmentsPage = 140;
constexpr int kNotesPage = 141;
constexpr int kFontDialog = 1543;

// General page.
constexpr int kIdGeneralDayIcon = 1017;
constexpr int kIdAutoStart = 1003;
constexpr int kIdAutoExit = 1006;
constexpr int kIdSplash = 1011;
constexpr int kIdTitleAndVersion = 1020;

// Desktop calendar page (the preview is 1038, kIdPreviewPicture).
constexpr int kIdBackgroundTrack = 1052;
constexpr int kIdBackgroundLabel = 1037;
constexpr int kIdLeftTrack = 1051;
constexpr int kIdLeftLabel = 1040;
constexpr int kIdRightTrack = 1050;
constexpr int kIdRightLabel = 1041;
constexpr int kIdTopTrack = 1053;
constexpr int kIdTopLabel = 1039;
constexpr int kIdMarginsLabel = 1055;
constexpr int kIdWeekNumbers = 1010;
constexpr int kIdRegionList = 1079;
constexpr int kIdRegionLabel = 1215;
constexpr int kIdFontButton = 1014;  // also on the notes page

// Hotkeys page: per slot the label, modifier list, key list and check box.
constexpr int kIdHotkeyLabel[3] = {1098, 1099, 1100};
constexpr int kIdHotkeyModifier[3] = {1093, 1095, 1101};
constexpr int kIdHotkeyKey[3] = {1094, 1096, 1102};
constexpr int kIdHotkeyActive[3] = {1092, 1097, 1104};
constexpr int kIdHotkeyPicture = 1228;

// Appointments page.
constexpr int kIdAlarmFile = 1076;
constexpr int kIdAlarmFileBrowse = 1078;
constexpr int kIdAutoDelete = 1013;
constexpr int kIdSnoozeLabel = 1221;
constexpr int kIdSnoozeTrack = 1222;
constexpr int kIdPagePicture = 1227;  // also on the notes page
constexpr int kSnoozeMin = 2, kSnoozeMax = 60;

// Notes page; 1086 says why a folder was refused.
constexpr int kIdNoteFolderLabel = 1080;
constexpr int kIdNoteFolder = 1083;
constexpr int kIdNoteFolderBrowse = 1085;
constexpr int kIdNoteFolderMessage = 1086;

// The title and version on the general page.
extern const char* const kProgramTitleAndVersion;

// Loads the settings, shows the sheet and returns 1 when it closes; 0 when the tab and tooltip
// classes cannot be set up (nothing is shown then).
int OpenOptionsSheet(HWND owner);

// The page procedures; the sheet registers them, the tests create single pages from their
// templates (WM_INITDIALOG takes the PROPSHEETPAGE, which the pages do not read).
INT_PTR CALLBACK GeneralPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CalendarPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK HotkeysPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AppointmentsPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK NotesPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The preview bitmap the desktop-calendar page shows now (null when none), for the tests.
HBITMAP calendarPagePreview();

// The shell's folder picker owned by `owner` with `title`, starting at `path` when it names a
// folder. true with the chosen folder in path (MAX_PATH bytes; at most 259 characters, no
// trailing backslash except for a drive root); false when cancelled or when the choice is not
// a file-system folder.
bool browseForFolder(HWND owner, const char* title, char* path);

// The font dialog (template 1543) on `font`, screen and printer fonts, sizes minPoints ..
// maxPoints, with `flags` added. true when accepted: the height, weight, italic flag and face
// name are the dialog's, the rest of the record stays; when cancelled nothing changes.
bool chooseFontOn(HWND owner, LOGFONTA& font, int minPoints, int maxPoints, DWORD flags);

// Shared by the pages: the help of a page notification (PSN_HELP: the page's topic) and of F1
// (WM_HELP: the control's popup).
void pageHelp(HWND page, const HELPINFO* info, int topic);
// A page's answer to a notification.
INT_PTR pageResult(HWND page, LONG_PTR result);
// The pages note a save made while the sheet is open (the font dialogs save at once), so that
// Cancel can write the restored record back.
void noteSavedDuringSheet();
