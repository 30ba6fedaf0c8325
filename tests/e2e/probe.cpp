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
#include <windows.h>

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
