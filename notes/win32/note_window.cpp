#include "notes/win32/note_window.h"

#include <cstring>

#include "notes/note_files.h"
#include "notes/note_title.h"
#include "platform/win32/handles.h"
#include "platform/win32/work_area.h"

namespace {

// The six icons that change with the note; the other three come with the template.
enum NoteIcon { kBack, kBackOff, kForward, kForwardOff, kDelete, kDeleteOff, kIconCount };
const char* const kIconNames[kIconCount] = {"NOTE_BACK", "NOTE_BACK_OFF", "NOTE_FORW",
                                            "NOTE_FORW_OFF", "NOTE_DEL", "NOTE_DEL_OFF"};

constexpr int kIconSize = 32;
constexpr int kIconTop = 3;
constexpr int kTextTop = kIconTop + kIconSize + 3;
constexpr int kTabBlanks = 4;

// The open window (there is at most one, on the main thread).
struct NoteWindowState {
  HWND dialog = nullptr;
  HWND edit = nullptr;
  WNDPROC editProc = nullptr;
  NoteWindowSetup setup;
  OwnedFont font;
  OwnedIcon icons[kIconCount];
  OwnedIcon smallIcon;
  bool timerRunning = false;
  bool filling = false;  // the window itself is putting text into the field
  char buffer[kNoteBufferSize] = "";
  char title[64] = "";
};
NoteWindowState win;

void showNoteMessage(void* owner, const char* text, const char* caption) {
  MessageBoxA(static_cast<HWND>(owner), text, caption, MB_OK | MB_ICONSTOP);
}

bool currentIsEntry() {
  return NoteList.currentIndex >= 0 && NoteList.currentIndex < NoteList.count;
}

void setIcon(int id, NoteIcon icon) {
  SendDlgItemMessageA(win.dialog, id, STM_SETICON, reinterpret_cast<WPARAM>(win.icons[icon].get()), 0);
}

void putText(const char* text) {
  win.filling = true;
  SetWindowTextA(win.edit, text);
  win.filling = false;
}

void titleCurrentEntry() {
  noteTitleFromName(win.title, sizeof win.title, NoteList.entries[NoteList.currentIndex].fileName,
                    win.setup.dateOrder, win.setup.dateSeparator);
  readCurrentNote(win.dialog, win.buffer);
}

void showCurrent() {
  std::memset(win.buffer, 0, sizeof win.buffer);
  win.title[0] = '\0';
  if (currentIsEntry()) {
    titleCurrentEntry();
  } else {
    int day = 0, month = 0, year = 0, hour = 0, minute = 0;
    char letter = 0;
    if (startNewNote(&day, &month, &year, &hour, &minute, &letter)) {
      noteTitleForNew(win.title, sizeof win.title, day, month, year, hour, minute, letter,
                      win.setup.dateOrder, win.setup.dateSeparator);
    } else if (currentIsEntry()) {
      // No room for a new note: the list went back to a note of its own.
      titleCurrentEntry();
    }
  }
  SetWindowTextA(win.dialog, win.title);
  int index = NoteList.currentIndex;
  bool entry = currentIsEntry();
  bool readOnly = entry && NoteList.entries[index].readOnly;
  setIcon(kIdNoteBack, index >= 1 && entry ? kBack : kBackOff);
  setIcon(kIdNoteForward, !NoteList.newNotePending && index < NoteList.count - 1 ? kForward : kForwardOff);
  setIcon(kIdNoteDelete, NoteList.count > 0 && !NoteList.newNotePending && !readOnly ? kDelete : kDeleteOff);
  putText(win.buffer);
  SendMessageA(win.edit, EM_SETREADONLY, readOnly ? TRUE : FALSE, 0);
}

void saveCurrent() {
  if (!currentIsEntry()) return;
  GetWindowTextA(win.edit, win.buffer, static_cast<int>(kNoteBufferSize));
  if (saveCurrentNote(win.dialog, win.buffer)) NoteList.newNotePending = 0;
}

void deleteCurrent() {
  if (!currentIsEntry() || NoteList.entries[NoteList.currentIndex].readOnly) return;
  markCurrentNoteDirty();
  win.buffer[0] = '\0';
  putText("");
  saveCurrentNote(win.dialog, "");
  showCurrent();
}

void previousNote() {
  if (NoteList.currentIndex <= 0) return;
  saveCurrent();
  bool pending = NoteList.newNotePending != 0;
  --NoteList.currentIndex;
  if (pending) {
    // The new note stood last; if it was empty the save has just removed it.
    ++NoteList.currentIndex;
    if (NoteList.currentIndex > NoteList.count - 1) NoteList.currentIndex = NoteList.count - 1;
    NoteList.newNotePending = 0;
  }
  showCurrent();
}

void nextNote() {
  if (NoteList.currentIndex >= NoteList.count - 1) return;
  saveCurrent();
  ++NoteList.currentIndex;
  showCurrent();
}

void goTo(int index) {  // kNoteStartNew, 0, or -1 for the newest
  saveCurrent();
  NoteList.currentIndex = index < 0 ? NoteList.count - 1 : index;
  showCurrent();
}

void autoSave() {
  if (!currentIsEntry() || !NoteList.entries[NoteList.currentIndex].dirty) return;
  if (GetWindowTextLengthA(win.edit) == 0) return;  // emptied notes go at the next step or close
  saveCurrent();
}

LRESULT CALLBACK editKeys(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE: {
      LRESULT code = CallWindowProcA(win.editProc, edit, message, wParam, lParam);
      const MSG* msg = reinterpret_cast<const MSG*>(lParam);
      if (msg && msg->wParam == VK_TAB && (msg->message == WM_KEYDOWN || msg->message == WM_CHAR))
        code |= DLGC_WANTTAB;
      return code;
    }
    case WM_KEYDOWN: {
      if (wParam == VK_TAB) {
        // A read-only note takes no blanks either (EM_REPLACESEL would ignore the style).
        if (!(GetWindowLongA(edit, GWL_STYLE) & ES_READONLY)) {
          char blanks[kTabBlanks + 1];
          std::memset(blanks, ' ', kTabBlanks);
          blanks[kTabBlanks] = '\0';
          SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(blanks));
        }
        return 0;
      }
      if (GetKeyState(VK_CONTROL) >= 0) break;
      switch (wParam) {
        case VK_PRIOR: SendMessageA(win.dialog, kNoteBackMessage, 0, 0); return 0;
        case VK_NEXT: SendMessageA(win.dialog, kNoteForwardMessage, 0, 0); return 0;
        case VK_HOME: goTo(0); return 0;
        case VK_END: goTo(-1); return 0;
        case VK_INSERT: goTo(kNoteStartNew); return 0;
        case VK_DELETE: SendMessageA(win.dialog, kNoteDeleteMessage, 0, 0); return 0;
      }
      break;
    }
    case WM_KEYUP:
      if (wParam == VK_TAB) return 0;
      break;
    case WM_CHAR:
      if (wParam == '\t') return 0;
      break;
  }
  return CallWindowProcA(win.editProc, edit, message, wParam, lParam);
}

void layOut() {
  RECT client{};
  GetClientRect(win.dialog, &client);
  int width = client.right - client.left;
  const struct { int id; int x; } row[] = {
      {kIdNoteNew, 3}, {kIdNoteDelete, 40}, {kIdNoteBack, 87}, {kIdNoteForward, 124},
      {kIdNoteExit, width - 37}, {kIdNoteHelp, width - 74}};
  for (const auto& icon : row)
    MoveWindow(GetDlgItem(win.dialog, icon.id), icon.x, kIconTop, kIconSize, kIconSize, FALSE);
  MoveWindow(win.edit, 0, kTextTop, width, client.bottom - kTextTop, FALSE);
}

// The window has the main window's size and covers it exactly, kept inside the work area.
void placeOverOwner(HWND dialog) {
  HWND owner = GetWindow(dialog, GW_OWNER);
  RECT at, own;
  if (!owner || !GetWindowRect(owner, &at) || !GetWindowRect(dialog, &own)) return;
  int x = at.left, y = at.top;
  keepOnWorkArea(x, y, own.right - own.left, own.bottom - own.top);
  SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void open(HWND dialog, const NoteWindowSetup* setup) {
  win.dialog = dialog;
  win.edit = GetDlgItem(dialog, kIdNoteText);
  if (setup) win.setup = *setup;
  if (!win.setup.dateSeparator) win.setup.dateSeparator = "";
  noteMessage = showNoteMessage;
  if (win.setup.font) {
    win.font.reset(CreateFontIndirectA(win.setup.font));
    if (win.font) SendMessageA(win.edit, WM_SETFONT, reinterpret_cast<WPARAM>(win.font.get()), FALSE);
  }
  layOut();
  placeOverOwner(dialog);
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
  for (int i = 0; i < kIconCount; ++i)
    win.icons[i].reset(static_cast<HICON>(LoadImageA(instance, kIconNames[i], IMAGE_ICON, kIconSize, kIconSize, 0)));
  SendMessageA(win.edit, EM_SETLIMITTEXT, kNoteTextLimit, 0);
  win.editProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(win.edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editKeys)));
  win.smallIcon.reset(static_cast<HICON>(LoadImageA(instance, "NOTE_EDIT", IMAGE_ICON,
      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
  SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(win.smallIcon.get()));
  scanNotes(win.setup.folder ? win.setup.folder : "");
  showCurrent();
  win.timerRunning = SetTimer(dialog, kNoteTimerId, kNoteSaveMillis, nullptr) != 0;
}

void close() {
  if (win.timerRunning) KillTimer(win.dialog, kNoteTimerId);
  if (win.edit && win.editProc)
    SetWindowLongPtrA(win.edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(win.editProc));
  if (win.edit) SendMessageA(win.edit, WM_SETFONT, 0, FALSE);
  SendMessageA(win.dialog, WM_SETICON, ICON_SMALL, 0);
  for (int id : {kIdNoteBack, kIdNoteForward, kIdNoteDelete})
    SendDlgItemMessageA(win.dialog, id, STM_SETICON, 0, 0);
  // Messages about note files have no window to belong to once this one is gone.
  if (noteMessage == showNoteMessage) noteMessage = nullptr;
  win = NoteWindowState();
}

BOOL command(HWND dialog, int id, int code) {
  switch (id) {
    case kIdNoteText:
      if (code == EN_CHANGE && !win.filling) {
        GetWindowTextA(win.edit, win.buffer, static_cast<int>(kNoteBufferSize));
        noteTextChanged(win.buffer);
      }
      return TRUE;
    case kIdNoteNew: goTo(kNoteStartNew); return TRUE;
    case kIdNoteDelete: deleteCurrent(); return TRUE;
    case kIdNoteBack: previousNote(); return TRUE;
    case kIdNoteForward: nextNote(); return TRUE;
    case kIdNoteHelp:
      if (win.setup.help) win.setup.help(dialog, nullptr, kNoteHelpTopic);
      return TRUE;
    case kIdNoteExit:
    case IDCANCEL:
      saveCurrent();
      EndDialog(dialog, 1);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

HICON noteWindowIcon(const char* name) {
  if (!win.dialog || !name) return nullptr;
  for (int i = 0; i < kIconCount; ++i)
    if (std::strcmp(kIconNames[i], name) == 0) return win.icons[i].get();
  return nullptr;
}

INT_PTR CALLBACK NoteWindow(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      open(dialog, reinterpret_cast<const NoteWindowSetup*>(lParam));
      return TRUE;
    case WM_COMMAND:
      return command(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_TIMER:
      if (wParam == kNoteTimerId) autoSave();
      return TRUE;
    case WM_HELP:
      if (win.setup.help) win.setup.help(dialog, reinterpret_cast<const HELPINFO*>(lParam), kNoteHelpTopic);
      return TRUE;
    case kNoteShowMessage: showCurrent(); return TRUE;
    case kNoteSaveMessage: saveCurrent(); return TRUE;
    case kNoteDeleteMessage: deleteCurrent(); return TRUE;
    case kNoteRescanMessage:
      saveCurrent();
      scanNotes(win.setup.folder ? win.setup.folder : "");
      showCurrent();
      return TRUE;
    case kNoteBackMessage: previousNote(); return TRUE;
    case kNoteForwardMessage: nextNote(); return TRUE;
    case WM_DESTROY:
      close();
      return TRUE;
  }
  return FALSE;
}

INT_PTR runNoteWindow(HINSTANCE instance, HWND owner, const NoteWindowSetup& setup) {
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(kNoteDialog), owner, NoteWindow,
                         reinterpret_cast<LPARAM>(&setup));
}
