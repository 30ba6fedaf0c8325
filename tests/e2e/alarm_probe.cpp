// The user's part at the alarm windows of the running program, for the end-to-end run of the
// alarms (alarms_e2e.sh). An alarm window is a dialog with the buttons 1090 and 1091; CAPTION
// is its caption (the appointment's name).
//   alarm_probe wait CAPTION SECONDS  waits for it; prints its caption, the texts 1086 and 1087
//                                     (line breaks as \n), the Snooze button's text, "topmost"
//                                     or "not topmost", "picture" or "no picture"; 0 when seen
//   alarm_probe none CAPTION SECONDS  0 when no such window shows up in that time
//   alarm_probe gone CAPTION SECONDS  0 when it has closed within that time
//   alarm_probe rect CAPTION          prints its left top right bottom
//   alarm_probe key CAPTION esc|enter a key as the keyboard sends it (to the focused button)
//   alarm_probe click CAPTION ID      a click of button ID
//   alarm_probe quit                  "Beenden" in the main window
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string textOf(HWND window) {
  char buffer[1024] = "";
  GetWindowTextA(window, buffer, sizeof buffer);
  std::string out;
  for (const char* c = buffer; *c; ++c) {
    if (*c == '\n') out += "\\n";
    else if (*c != '\r') out += *c;
  }
  return out;
}

struct Search {
  const char* caption;
  HWND found;
};

BOOL CALLBACK findAlarm(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  char cls[64];
  GetClassNameA(window, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  if (!GetDlgItem(window, 1090) || !GetDlgItem(window, 1091)) return TRUE;
  if (textOf(window) != search->caption) return TRUE;
  search->found = window;
  return FALSE;
}

HWND alarmWindow(const char* caption) {
  Search search{caption, nullptr};
  EnumWindows(findAlarm, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

template <typename F>
bool waitFor(double seconds, F condition) {
  DWORD end = GetTickCount() + static_cast<DWORD>(seconds * 1000);
  do {
    if (condition()) return true;
    Sleep(100);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
  return condition();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string command = argv[1];
  if (command == "quit") {
    HWND main = FindWindowA(nullptr, "Die Quendler");
    return main && PostMessageA(main, WM_COMMAND, MAKEWPARAM(1004, BN_CLICKED), 0) ? 0 : 1;
  }
  if (argc < 3) return 2;
  const char* caption = argv[2];
  double seconds = argc > 3 ? std::atof(argv[3]) : 5;
  if (command == "wait") {
    HWND w = nullptr;
    if (!waitFor(seconds, [&] { return (w = alarmWindow(caption)) != nullptr; })) return 1;
    Sleep(300);  // the window fills itself while it is being shown
    bool topmost = (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    bool picture = SendDlgItemMessageA(w, 1070, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
    std::printf("%s\n%s\n%s\n%s\n%s\n%s\n", textOf(w).c_str(), textOf(GetDlgItem(w, 1086)).c_str(),
                textOf(GetDlgItem(w, 1087)).c_str(), textOf(GetDlgItem(w, 1090)).c_str(),
                topmost ? "topmost" : "not topmost", picture ? "picture" : "no picture");
    return 0;
  }
  if (command == "none") return waitFor(seconds, [&] { return alarmWindow(caption) != nullptr; }) ? 1 : 0;
  if (command == "gone") return waitFor(seconds, [&] { return alarmWindow(caption) == nullptr; }) ? 0 : 1;
  HWND w = alarmWindow(caption);
  if (!w) return 3;
  if (command == "rect") {
    RECT r;
    GetWindowRect(w, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    return 0;
  }
  if (command == "key" && argc > 3) {
    WPARAM key = std::strcmp(argv[3], "esc") == 0 ? VK_ESCAPE : VK_RETURN;
    HWND focus = GetDlgItem(w, 1090);  // the default button has the focus when the window opens
    PostMessageA(focus, WM_KEYDOWN, key, 1);
    PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
    return 0;
  }
  if (command == "click" && argc > 3) {
    int id = std::atoi(argv[3]);
    return PostMessageA(w, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(w, id))) ? 0 : 1;
  }
  return 2;
}
