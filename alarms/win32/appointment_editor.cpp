#include "alarms/win32/appointment_editor.h"

#include <commctrl.h>
#include <cderr.h>
#include <commdlg.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "alarms/appointment_editing.h"
#include "alarms/win32/alarm_picture.h"
#include "alarms/win32/save_error.h"
#include "platform/clock.h"
#include "platform/win32/handles.h"

namespace {

constexpr int kIconSize = 32;
constexpr int kPathEditLimit = 260;
constexpr int kRemarkEditLimit = 256;

// The open editor (there is at most one, on the main thread).
struct EditorState {
  HWND dialog = nullptr;
  AppointmentEditorSetup setup;
  AppointmentEditing editing;
  OwnedBitmap picture;  // the bitmap control 1070 shows
  OwnedIcon smallIcon;
  bool testSoundPlaying = false;
  bool filling = false;  // the editor itself is putting text into the fields
};
EditorState ed;

HWND item(int id) { return GetDlgItem(ed.dialog, id); }

int listPosition(int id) {
  return static_cast<int>(SendDlgItemMessageA(ed.dialog, id, CB_GETCURSEL, 0, 0));
}

void putText(int id, const char* text) {
  ed.filling = true;
  SetDlgItemTextA(ed.dialog, id, text);
  ed.filling = false;
}

std::string fieldText(const char* field, size_t width) {
  return std::string(field, appointmentFieldLength(field, width));
}

void fillList(int id, int first, int last, const char* format) {
  HWND list = item(id);
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  for (int v = first; v <= last; ++v) {
    char text[8];
    std::snprintf(text, sizeof text, format, v);
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
}

void fillTexts(int id, const char* const* texts, int count) {
  HWND list = item(id);
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  for (int k = 0; k < count; ++k) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(texts[k]));
}

// The names in table order, the current one selected.
void fillNames() {
  HWND box = item(kIdEditorName);
  SendMessageA(box, CB_RESETCONTENT, 0, 0);
  AppointmentTable& table = *ed.editing.table;
  int slot = currentSlot(ed.editing);
  for (int k = 0; k < table.count; ++k) {
    std::string name = fieldText(table.slots[k].name, sizeof table.slots[k].name);
    SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
  SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(slot), 0);
  if (slot < 0) SetWindowTextA(box, "");
}

void showPicture() {
  Appointment* a = currentAppointment(ed.editing);
  bool enabled = editorEnables(ed.editing).picture;
  loadAlarmPicture(ed.dialog, enabled && a ? a->picture : 0, ed.picture);
}

void enable(int id, bool on) { EnableWindow(item(id), on ? TRUE : FALSE); }

// A control that was just disabled keeps no keyboard focus: it goes on to the next one.
void keepFocusUsable() {
  HWND focus = GetFocus();
  if (focus && IsChild(ed.dialog, focus) && !IsWindowEnabled(focus))
    SendMessageA(ed.dialog, WM_NEXTDLGCTL, 0, FALSE);
}

void refresh() {
  Appointment* a = currentAppointment(ed.editing);
  EditorSelection s{-1, -1, -1, -1, -1, -1, -1};
  if (a) s = editorSelection(*a, ed.editing.openYear);
  const struct { int id, position; } lists[] = {
      {kIdEditorKind, s.kind}, {kIdEditorDay, s.day},       {kIdEditorMonth, s.month},
      {kIdEditorYear, s.year}, {kIdEditorHour, s.hour},     {kIdEditorMinute, s.minute},
      {kIdEditorAction, s.action}};
  for (const auto& list : lists)
    SendDlgItemMessageA(ed.dialog, list.id, CB_SETCURSEL, static_cast<WPARAM>(list.position), 0);

  EditorEnables e = editorEnables(ed.editing);
  enable(kIdEditorSlider, e.picture);
  SendDlgItemMessageA(ed.dialog, kIdEditorSlider, TBM_SETPOS, TRUE, a ? a->picture : 0);
  showPicture();

  putText(kIdEditorPath, a ? fieldText(a->path, sizeof a->path).c_str() : "");
  putText(kIdEditorRemark, a ? fieldText(a->remark, sizeof a->remark).c_str() : "");

  enable(kIdEditorName, e.nameBox);
  enable(kIdEditorKind, e.kind);
  enable(kIdEditorDelete, e.deleteButton);
  enable(kIdEditorDay, e.day);
  enable(kIdEditorMonth, e.month);
  enable(kIdEditorYear, e.year);
  enable(kIdEditorHour, e.hour);
  enable(kIdEditorMinute, e.minute);
  enable(kIdEditorAction, e.action);
  enable(kIdEditorRemark, e.remark);
  enable(kIdEditorPath, e.path);
  enable(kIdEditorBrowse, e.path);
  enable(kIdEditorTest, e.test);
  enable(kIdEditorNew, e.newButton);

  SetDlgItemTextA(ed.dialog, kIdEditorPathLabel, a && a->action == kActionSound ? "MP3-Datei:" : "Programm:");
  // The button tells what a press does: while a test sound plays, it stops it.
  SetDlgItemTextA(ed.dialog, kIdEditorTest, ed.testSoundPlaying ? "S&top" : "&Test");
  CheckDlgButton(ed.dialog, kIdEditorProtected, a && a->isProtected ? BST_CHECKED : BST_UNCHECKED);
  keepFocusUsable();
}

void fadeOut() {
  if (ed.setup.soundAvailable && ed.setup.fadeOutSound) ed.setup.fadeOutSound();
}

// The name box's text becomes the current record's name.
void takeName() {
  char text[kEditorNameLimit + 1] = "";
  GetWindowTextA(item(kIdEditorName), text, sizeof text);
  if (renameCurrent(ed.editing, text)) fillNames();
}

void newAppointment() {
  takeName();
  LocalTime now;
  readLocalClock(now);
  if (addNewAppointment(ed.editing, now) < 0) return;
  fillNames();
  refresh();
  // Straight on to a proper name: the box has the focus with "(neu)" selected.
  HWND box = item(kIdEditorName);
  SendMessageA(ed.dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(box), TRUE);
  SendMessageA(box, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

void deleteAppointment() {
  if (!deleteCurrentAppointment(ed.editing)) return;
  fillNames();
  refresh();
}

void test() {
  fadeOut();
  if (ed.testSoundPlaying) {
    ed.testSoundPlaying = false;  // the fade above has stopped it
    SetDlgItemTextA(ed.dialog, kIdEditorTest, "&Test");
    return;
  }
  Appointment* a = currentAppointment(ed.editing);
  if (!a || !ed.setup.check) return;
  ed.testSoundPlaying = a->action == kActionSound;
  SetDlgItemTextA(ed.dialog, kIdEditorTest, ed.testSoundPlaying ? "S&top" : "&Test");
  uint32_t id = ed.editing.currentId;
  LocalTime now;
  readLocalClock(now);
  HWND dialog = ed.dialog;
  fireAppointment(*ed.setup.check, id, 1, now);
  // An alarm window ran a message loop of its own: the table may have moved under it.
  if (ed.dialog != dialog) return;
  fillNames();
  refresh();
}

void browse() {
  Appointment* a = currentAppointment(ed.editing);
  if (!a || !isEditable(ed.editing)) return;
  char file[MAX_PATH] = "";
  std::snprintf(file, sizeof file, "%s", fieldText(a->path, sizeof a->path).c_str());
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = ed.dialog;
  ofn.lpstrFilter = browseFilter(a->action, nullptr);
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  BOOL chosen = GetOpenFileNameA(&ofn);
  if (!chosen && CommDlgExtendedError() == FNERR_INVALIDFILENAME) {
    // A command line with quotes and arguments is no file name: offer the dialog without it.
    file[0] = '\0';
    chosen = GetOpenFileNameA(&ofn);
  }
  if (!chosen || !setPath(ed.editing, file)) return;
  a = currentAppointment(ed.editing);
  putText(kIdEditorPath, fieldText(a->path, sizeof a->path).c_str());
}

void save(HWND dialog) {
  takeName();
  if (!saveAppointmentTable(*ed.editing.table, ed.setup.filePath)) {
    // The file stays as it was; the editor stays open with the changes, to try again or to
    // cancel them.
    showAppointmentSaveError(dialog);
    fillNames();
    refresh();
    return;
  }
  if (ed.editing.calendarAffected && ed.setup.rebuildRequested) *ed.setup.rebuildRequested = 1;
  EndDialog(dialog, 1);
}

void open(HWND dialog, const AppointmentEditorSetup* setup) {
  ed.dialog = dialog;
  if (setup) ed.setup = *setup;
  if (!ed.setup.filePath) ed.setup.filePath = "";
  if (!ed.setup.check || !ed.setup.check->table) {
    ed = EditorState();
    EndDialog(dialog, -1);
    return;
  }
  LocalTime now;
  readLocalClock(now);
  beginEditing(ed.editing, *ed.setup.check->table, now);
  ed.setup.check->editorOpen = true;

  SetWindowTextA(dialog, "Termine / Alarm");
  SetDlgItemTextA(dialog, IDOK, "OK");
  SetDlgItemTextA(dialog, IDCANCEL, "Abbrechen");
  SetDlgItemTextA(dialog, kIdEditorNew, "&Neu");
  SetDlgItemTextA(dialog, kIdEditorDelete, "&Löschen");
  SetDlgItemTextA(dialog, kIdEditorTest, "&Test");
  SetDlgItemTextA(dialog, kIdEditorProtected, "geschützt");
  SetDlgItemTextA(dialog, kIdEditorHelp, "&Hilfe");
  ShowWindow(item(kIdEditorProtected), ed.setup.protection > 0 ? SW_SHOW : SW_HIDE);

  fillNames();
  fillTexts(kIdEditorKind, kRepeatKindTexts, 12);
  fillList(kIdEditorDay, 1, 31, "%02d");
  fillList(kIdEditorMonth, 1, 12, "%02d");
  fillList(kIdEditorYear, kEditorFirstYear, editorLastYear(ed.editing.openYear), "%04d");
  fillList(kIdEditorHour, 0, 23, "%02d");
  fillList(kIdEditorMinute, 0, 59, "%02d");
  fillTexts(kIdEditorAction, kActionTexts, 4);

  HWND slider = item(kIdEditorSlider);
  SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELPARAM(0, kEditorLastPicture));
  SendMessageA(slider, TBM_SETPAGESIZE, 0, 1);
  SendMessageA(slider, TBM_SETTICFREQ, 1, 0);
  SendDlgItemMessageA(dialog, kIdEditorPath, EM_LIMITTEXT, kPathEditLimit, 0);
  SendDlgItemMessageA(dialog, kIdEditorRemark, EM_LIMITTEXT, kRemarkEditLimit, 0);
  SendDlgItemMessageA(dialog, kIdEditorName, CB_LIMITTEXT, kEditorNameLimit, 0);

  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
  ed.smallIcon.reset(static_cast<HICON>(LoadImageA(instance, "UHR", IMAGE_ICON, kIconSize, kIconSize, 0)));
  SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ed.smallIcon.get()));
  refresh();
}

void close() {
  if (ed.setup.check) ed.setup.check->editorOpen = false;
  loadAlarmPicture(ed.dialog, -1, ed.picture);
  if (ed.editing.table) {
    // Whatever was not saved goes; the current index is 0 again.
    LocalTime now;
    readLocalClock(now);
    loadAppointmentTable(*ed.editing.table, ed.setup.filePath, ed.setup.autoDelete, now.day, now.month,
                         now.year);
  }
  fadeOut();
  SendMessageA(ed.dialog, WM_SETICON, ICON_SMALL, 0);
  ed = EditorState();
}

BOOL command(HWND dialog, int id, int code) {
  switch (id) {
    case kIdEditorName:
      if (code == CBN_SELCHANGE) {
        selectSlot(ed.editing, listPosition(kIdEditorName));
        refresh();
      } else if (code == CBN_KILLFOCUS || code == CBN_DROPDOWN) {
        takeName();
      }
      return TRUE;
    case kIdEditorKind:
      if (code == CBN_SELCHANGE && setKind(ed.editing, listPosition(kIdEditorKind))) refresh();
      return TRUE;
    case kIdEditorDay:
    case kIdEditorMonth:
    case kIdEditorYear:
      if (code == CBN_SELCHANGE &&
          setDate(ed.editing, listPosition(kIdEditorDay), listPosition(kIdEditorMonth), listPosition(kIdEditorYear)))
        refresh();
      return TRUE;
    case kIdEditorHour:
    case kIdEditorMinute:
      if (code == CBN_SELCHANGE) setTime(ed.editing, listPosition(kIdEditorHour), listPosition(kIdEditorMinute));
      return TRUE;
    case kIdEditorAction:
      if (code == CBN_SELCHANGE && setAction(ed.editing, listPosition(kIdEditorAction))) {
        ed.testSoundPlaying = false;
        fadeOut();
        refresh();
      }
      return TRUE;
    case kIdEditorPath:
    case kIdEditorRemark:
      if (code == EN_CHANGE && !ed.filling) {
        char text[kPathEditLimit + 1] = "";
        GetDlgItemTextA(dialog, id, text, sizeof text);
        if (id == kIdEditorPath)
          setPath(ed.editing, text);
        else
          setRemark(ed.editing, text);
      }
      return TRUE;
    case kIdEditorBrowse: browse(); return TRUE;
    case kIdEditorProtected:
      if (code == BN_CLICKED) {
        setProtected(ed.editing, IsDlgButtonChecked(dialog, kIdEditorProtected) == BST_CHECKED);
        refresh();
      }
      return TRUE;
    case kIdEditorNew: newAppointment(); return TRUE;
    case kIdEditorDelete: deleteAppointment(); return TRUE;
    case kIdEditorTest: test(); return TRUE;
    case kIdEditorHelp:
      if (ed.setup.help) ed.setup.help(dialog, nullptr, kEditorHelpTopic);
      return TRUE;
    case IDOK: save(dialog); return TRUE;
    case IDCANCEL: EndDialog(dialog, 0); return TRUE;
  }
  return FALSE;
}

void sliderMoved() {
  int position = static_cast<int>(SendDlgItemMessageA(ed.dialog, kIdEditorSlider, TBM_GETPOS, 0, 0));
  if (setPicture(ed.editing, position)) showPicture();
}

}  // namespace

HWND openAppointmentEditor() { return ed.dialog; }

INT_PTR CALLBACK AppointmentEditor(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    open(dialog, reinterpret_cast<const AppointmentEditorSetup*>(lParam));
    return TRUE;
  }
  // Messages while the window is torn down (a box losing the focus) find no editor.
  if (dialog != ed.dialog || !ed.editing.table) return FALSE;
  switch (message) {
    case WM_COMMAND:
      return command(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == item(kIdEditorSlider)) sliderMoved();
      return TRUE;
    case WM_HELP:
      if (ed.setup.help) ed.setup.help(dialog, reinterpret_cast<const HELPINFO*>(lParam), kEditorHelpTopic);
      return TRUE;
    case WM_PAINT:
      showPicture();
      return FALSE;  // the dialog paints itself as usual
    case WM_DESTROY:
      close();
      return TRUE;
  }
  return FALSE;
}

INT_PTR runAppointmentEditor(HINSTANCE instance, HWND owner, const AppointmentEditorSetup& setup) {
  if (ed.dialog) {
    SetForegroundWindow(ed.dialog);
    return 0;
  }
  if (!setup.check || !setup.check->table) return -1;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(kAppointmentEditorDialog), owner, AppointmentEditor,
                         reinterpret_cast<LPARAM>(&setup));
}
