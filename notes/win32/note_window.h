// The note window (dialog 110 "Notiz"): writes a new note and pages through the others.
#pragma once

#include <windows.h>

constexpr int kNoteDialog = 110;
constexpr int kIdNoteText = 1106;
constexpr int kIdNoteNew = 1213;
constexpr int kIdNoteDelete = 1108;
constexpr int kIdNoteBack = 1103;
constexpr int kIdNoteForward = 1105;
constexpr int kIdNoteHelp = 1210;
constexpr int kIdNoteExit = 1107;
constexpr UINT_PTR kNoteTimerId = 204;
constexpr UINT kNoteSaveMillis = 60000;
constexpr int kNoteHelpTopic = 8;

// The window's private messages (no parameters).
constexpr UINT kNoteShowMessage = WM_APP + 10;
constexpr UINT kNoteSaveMessage = WM_APP + 11;
constexpr UINT kNoteDeleteMessage = WM_APP + 12;
constexpr UINT kNoteRescanMessage = WM_APP + 13;
constexpr UINT kNoteBackMessage = WM_APP + 14;
constexpr UINT kNoteForwardMessage = WM_APP + 15;

using NoteHelpFunction = void (*)(HWND owner, const HELPINFO* info, int topic);

// What the caller knows and the window does not: the settings and the help.
struct NoteWindowSetup {
  const LOGFONTA* font = nullptr;     // the notes font; null keeps the field's own
  int dateOrder = 1;                  // iDate
  const char* dateSeparator = ".";    // sDate
  const char* folder = "";            // the note folder
  NoteHelpFunction help = nullptr;    // help icon (topic kNoteHelpTopic) and F1
};

// Runs the window modally; the caller sets NoteList.currentIndex (kNoteStartNew) first.
INT_PTR runNoteWindow(HINSTANCE instance, HWND owner, const NoteWindowSetup& setup);
// The dialog procedure; WM_INITDIALOG takes a NoteWindowSetup* (which must outlive the window).
INT_PTR CALLBACK NoteWindow(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The icon the open window loaded under `name` (one of the six that change), else null.
HICON noteWindowIcon(const char* name);
