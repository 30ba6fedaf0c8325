// A small Windows helper for the end-to-end run: it finds the running program's main window
// and plays the user's part (buttons, tray clicks, message boxes) from outside.
//   probe wait-window SECONDS      0 when the window "Die Quendler" exists
//   probe visible                  prints "shown" or "hidden"; 0 when shown
//   probe expect shown|hidden SECS waits until the window is in that state; 0 when it came
//   probe click ID                 posts a button click of control ID to the main window
//   probe tray left|right          posts a tray icon click
//   probe hotkey ID                posts a hotkey message
//   probe message TEXT SECONDS     waits for a message box showing TEXT, closes it; 0 when seen
//   probe working SECONDS          waits for the working window (dialog with control 1057)
//   probe rect                     prints the main window's left top right bottom
//   probe cursor X Y               moves the mouse pointer
//   probe hover X Y                moves the pointer there and nudges it (to raise a tooltip)
//   probe note SECONDS             waits for the note window; prints its left top right bottom
//   probe note-gone SECONDS        0 when no note window is left
//   probe note-type TEXT           types TEXT into the note window's text
//   probe note-click ID            posts a click of icon ID to the note window
//   probe note-type-hex HEX        types the bytes HEX (code page 1252) into the note's text
//   probe note-text                prints the note's text as hex bytes
//   probe sheet SECONDS            waits for the options sheet; prints its left top right bottom
//   probe sheet-gone SECONDS       0 when the options sheet is closed
//   probe sheet-page N             shows page N (0..4) of the sheet
//   probe sheet-ok / sheet-cancel  presses the sheet's OK or Cancel
//   probe page-click ID            clicks button ID on the sheet's current page
//   probe page-checked ID          prints 1 or 0 for check box ID; 0 when checked
//   probe page-select ID ROW       selects ROW of list ID as the user does
//   probe page-selected ID         prints the selected row of list ID
//   probe page-track ID POS        moves track bar ID to POS as the user does
//   probe page-text ID TEXT        puts TEXT into control ID; probe page-get ID prints it
//   probe page-visible ID          0 when control ID is visible
//   probe page-size ID             prints the client width and height of control ID
//   probe font-ok POINTS SECS      waits for the font dialog, chooses that size and presses OK
//   probe window CAPTION SECS      waits for a dialog titled CAPTION; prints its rectangle
//   probe dialog CAPTION ID SECS   waits for a dialog titled CAPTION and presses its button ID
//   probe keys MODIFIERS VK        presses the key VK (hex) with the modifiers (a = Alt,
//                                  c = Ctrl, s = Shift) as real input
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

HWND mainWindow() { return FindWindowA(nullptr, "Die Quendler"); }

struct MessageSearch {
  const char* text;
  HWND found;
};

BOOL CALLBACK findStatic(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<MessageSearch*>(param);
  char text[512];
  GetWindowTextA(child, text, sizeof text);
  if (std::strcmp(text, search->text) == 0) {
    search->found = GetParent(child);
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK findMessageBox(HWND window, LPARAM param) {
  char cls[64];
  GetClassNameA(window, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(window)) {
    EnumChildWindows(window, findStatic, param);
    if (reinterpret_cast<MessageSearch*>(param)->found) return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK findWorking(HWND window, LPARAM param) {
  char cls[64];
  GetClassNameA(window, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(window) && GetDlgItem(window, 1057)) {
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
  }
  return TRUE;
}

// The note window: a dialog with the note text 1106.
BOOL CALLBACK findNote(HWND window, LPARAM param) {
  char cls[64];
  GetClassNameA(window, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(window) && GetDlgItem(window, 1106)) {
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
  }
  return TRUE;
}
HWND noteWindow() {
  HWND found = nullptr;
  EnumWindows(findNote, reinterpret_cast<LPARAM>(&found));
  return found;
}

// A visible dialog with exactly this caption.
struct CaptionSearch {
  const char* caption;
  HWND found;
};
BOOL CALLBACK findCaption(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<CaptionSearch*>(param);
  char cls[64], text[256];
  GetClassNameA(window, cls, sizeof cls);
  GetWindowTextA(window, text, sizeof text);
  if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(window) && std::strcmp(text, search->caption) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}
HWND dialogTitled(const char* caption) {
  CaptionSearch search{caption, nullptr};
  EnumWindows(findCaption, reinterpret_cast<LPARAM>(&search));
  return search.found;
}
HWND optionsSheet() { return dialogTitled(" Optionen"); }
HWND currentPage() {
  HWND sheet = optionsSheet();
  return sheet ? reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)) : nullptr;
}

void key(WORD code, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = code;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
  Sleep(30);
}

template <typename F>
bool waitFor(double seconds, F condition) {
  DWORD end = GetTickCount() + static_cast<DWORD>(seconds * 1000);
  do {
    if (condition()) return true;
    Sleep(50);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
  return condition();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string command = argv[1];
  if (command == "wait-window") {
    return waitFor(argc > 2 ? std::atof(argv[2]) : 10, [] { return mainWindow() != nullptr; }) ? 0 : 1;
  }
  if (command == "cursor" && argc > 3) return SetCursorPos(std::atoi(argv[2]), std::atoi(argv[3])) ? 0 : 1;
  if (command == "hover" && argc > 3) {
    int x = std::atoi(argv[2]), y = std::atoi(argv[3]);
    SetCursorPos(x - 40, y - 40);
    Sleep(60);
    SetCursorPos(x, y);
    Sleep(60);
    return SetCursorPos(x + 1, y) ? 0 : 1;
  }
  if (command == "message" && argc > 2) {
    MessageSearch search{argv[2], nullptr};
    bool seen = waitFor(argc > 3 ? std::atof(argv[3]) : 5, [&] {
      search.found = nullptr;
      EnumWindows(findMessageBox, reinterpret_cast<LPARAM>(&search));
      return search.found != nullptr;
    });
    if (!seen) return 1;
    std::printf("message seen\n");
    PostMessageA(search.found, WM_COMMAND, IDOK, 0);
    return 0;
  }
  if (command == "working") {
    HWND working = nullptr;
    bool seen = waitFor(argc > 2 ? std::atof(argv[2]) : 5, [&] {
      EnumWindows(findWorking, reinterpret_cast<LPARAM>(&working));
      return working != nullptr;
    });
    if (!seen) return 1;
    RECT r;
    GetWindowRect(working, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    return 0;
  }
  if (command == "note") {
    HWND note = nullptr;
    if (!waitFor(argc > 2 ? std::atof(argv[2]) : 5, [&] { return (note = noteWindow()) != nullptr; })) return 1;
    RECT r;
    GetWindowRect(note, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    return 0;
  }
  if (command == "note-gone") {
    return waitFor(argc > 2 ? std::atof(argv[2]) : 5, [] { return noteWindow() == nullptr; }) ? 0 : 1;
  }
  if (command == "note-type" && argc > 2) {
    HWND note = noteWindow();
    if (!note) return 3;
    for (const char* c = argv[2]; *c; ++c)
      PostMessageA(GetDlgItem(note, 1106), WM_CHAR, static_cast<unsigned char>(*c), 1);
    return 0;
  }
  if (command == "note-type-hex" && argc > 2) {
    HWND note = noteWindow();
    if (!note) return 3;
    for (const char* c = argv[2]; c[0] && c[1]; c += 2) {
      char pair[3] = {c[0], c[1], 0};
      PostMessageA(GetDlgItem(note, 1106), WM_CHAR, std::strtoul(pair, nullptr, 16), 1);
    }
    return 0;
  }
  if (command == "note-text") {
    HWND note = noteWindow();
    if (!note) return 3;
    char text[16384] = "";
    GetDlgItemTextA(note, 1106, text, sizeof text);
    for (const char* c = text; *c; ++c) std::printf("%02x", static_cast<unsigned char>(*c));
    std::printf("\n");
    return 0;
  }
  if (command == "note-click" && argc > 2) {
    HWND note = noteWindow();
    if (!note) return 3;
    int id = std::atoi(argv[2]);
    return PostMessageA(note, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(note, id))) ? 0 : 1;
  }
  if (command == "sheet" || command == "sheet-gone") {
    bool wantOpen = command == "sheet";
    HWND sheet = nullptr;
    if (!waitFor(argc > 2 ? std::atof(argv[2]) : 5, [&] { return ((sheet = optionsSheet()) != nullptr) == wantOpen; }))
      return 1;
    if (wantOpen) {
      RECT r;
      GetWindowRect(sheet, &r);
      std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    }
    return 0;
  }
  if (command == "sheet-page" && argc > 2) {
    HWND sheet = optionsSheet();
    if (!sheet) return 3;
    SendMessageA(sheet, PSM_SETCURSEL, std::atoi(argv[2]), 0);
    Sleep(300);
    return currentPage() ? 0 : 1;
  }
  if (command == "sheet-ok" || command == "sheet-cancel") {
    HWND sheet = optionsSheet();
    if (!sheet) return 3;
    return PostMessageA(sheet, PSM_PRESSBUTTON, command == "sheet-ok" ? PSBTN_OK : PSBTN_CANCEL, 0) ? 0 : 1;
  }
  if (command.rfind("page-", 0) == 0) {
    HWND page = currentPage();
    if (!page || argc < 3) return 3;
    HWND control = GetDlgItem(page, std::atoi(argv[2]));
    if (!control) return 4;
    if (command == "page-click") return PostMessageA(control, BM_CLICK, 0, 0) ? 0 : 1;
    if (command == "page-checked") {
      bool on = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
      std::printf("%d\n", on ? 1 : 0);
      return on ? 0 : 1;
    }
    if (command == "page-select" && argc > 3) {
      SendMessageA(control, CB_SETCURSEL, std::atoi(argv[3]), 0);
      SendMessageA(page, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
      return 0;
    }
    if (command == "page-selected") {
      std::printf("%ld\n", static_cast<long>(SendMessageA(control, CB_GETCURSEL, 0, 0)));
      return 0;
    }
    if (command == "page-track" && argc > 3) {
      int position = std::atoi(argv[3]);
      SendMessageA(control, TBM_SETPOS, TRUE, position);
      UINT message = (GetWindowLongA(control, GWL_STYLE) & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
      SendMessageA(page, message, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(control));
      SendMessageA(page, message, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(control));
      return 0;
    }
    if (command == "page-text" && argc > 3) return SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3])) ? 0 : 1;
    if (command == "page-get") {
      char text[1024] = "";
      GetWindowTextA(control, text, sizeof text);
      std::printf("%s\n", text);
      return 0;
    }
    if (command == "page-visible") return IsWindowVisible(control) ? 0 : 1;
    if (command == "page-size") {
      RECT r;
      GetClientRect(control, &r);
      std::printf("%ld %ld\n", r.right - r.left, r.bottom - r.top);
      return 0;
    }
    return 2;
  }
  if (command == "dialog" && argc > 3) {
    HWND dialog = nullptr;
    if (!waitFor(argc > 4 ? std::atof(argv[4]) : 5, [&] { return (dialog = dialogTitled(argv[2])) != nullptr; }))
      return 1;
    Sleep(300);
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(std::atoi(argv[3]), BN_CLICKED), 0) ? 0 : 1;
  }
  if (command == "font-ok" && argc > 2) {
    HWND dialog = nullptr;
    if (!waitFor(argc > 3 ? std::atof(argv[3]) : 5, [&] { return (dialog = dialogTitled("Schriftart")) != nullptr; }))
      return 1;
    Sleep(300);
    HWND sizes = GetDlgItem(dialog, 0x472);  // cmb3
    LRESULT row = SendMessageA(sizes, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(argv[2]));
    if (row == CB_ERR) return 4;
    SendMessageA(sizes, CB_SETCURSEL, row, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(0x472, CBN_SELCHANGE), reinterpret_cast<LPARAM>(sizes));
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0) ? 0 : 1;
  }
  if (command == "window" && argc > 2) {
    HWND dialog = nullptr;
    if (!waitFor(argc > 3 ? std::atof(argv[3]) : 5, [&] { return (dialog = dialogTitled(argv[2])) != nullptr; }))
      return 1;
    RECT r;
    GetWindowRect(dialog, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    return 0;
  }
  if (command == "keys" && argc > 3) {
    std::string modifiers = argv[2];
    WORD code = static_cast<WORD>(std::strtoul(argv[3], nullptr, 16));
    const WORD order[] = {VK_CONTROL, VK_MENU, VK_SHIFT};
    const char letters[] = {'c', 'a', 's'};
    for (int i = 0; i < 3; ++i) if (modifiers.find(letters[i]) != std::string::npos) key(order[i], false);
    key(code, false);
    key(code, true);
    for (int i = 2; i >= 0; --i) if (modifiers.find(letters[i]) != std::string::npos) key(order[i], true);
    return 0;
  }
  HWND window = mainWindow();
  if (!window) {
    std::fprintf(stderr, "probe: no window \"Die Quendler\"\n");
    return 3;
  }
  if (command == "visible") {
    bool shown = IsWindowVisible(window);
    std::printf("%s\n", shown ? "shown" : "hidden");
    return shown ? 0 : 1;
  }
  if (command == "expect" && argc > 2) {
    bool wantShown = std::strcmp(argv[2], "shown") == 0;
    DWORD start = GetTickCount();
    bool came = waitFor(argc > 3 ? std::atof(argv[3]) : 5,
                        [&] { return (IsWindowVisible(window) != FALSE) == wantShown; });
    std::printf("%s after %lu ms\n", came ? argv[2] : "timeout", static_cast<unsigned long>(GetTickCount() - start));
    return came ? 0 : 1;
  }
  if (command == "rect") {
    RECT r;
    GetWindowRect(window, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    return 0;
  }
  if (command == "click" && argc > 2) {
    int id = std::atoi(argv[2]);
    return PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(window, id))) ? 0 : 1;
  }
  if (command == "tray" && argc > 2) {
    LPARAM mouse = std::strcmp(argv[2], "right") == 0 ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
    return PostMessageA(window, 0x844C, 2000, mouse) ? 0 : 1;
  }
  if (command == "hotkey" && argc > 2) return PostMessageA(window, WM_HOTKEY, std::atoi(argv[2]), 0) ? 0 : 1;
  return 2;
}
