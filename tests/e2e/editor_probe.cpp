// The user's part in the appointment editor for the end-to-end run and the screenshots: finds
// the running program's editor (the dialog with the name box 1068) and works its controls.
//   editor_probe wait SECONDS        0 when the editor is open; prints its left top right bottom
//   editor_probe gone SECONDS        0 when no editor is left
//   editor_probe click ID            a button click of control ID
//   editor_probe check ID            ticks the check box ID (as a click does)
//   editor_probe name TEXT           types TEXT into the name box and leaves it
//   editor_probe type ID TEXT        types TEXT into the field ID
//   editor_probe choose ID POSITION  chooses the entry at POSITION of the list ID
//   editor_probe slide POSITION      moves the picture slider
//   editor_probe names               prints the name list, one a line
//   editor_probe text ID             prints the text of control ID
//   editor_probe enabled ID          0 when control ID is enabled
//   editor_probe visible ID          0 when control ID is visible
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

BOOL CALLBACK findEditor(HWND window, LPARAM param) {
  char cls[64];
  GetClassNameA(window, cls, sizeof cls);
  if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(window) && GetDlgItem(window, 1068) &&
      GetDlgItem(window, 1069)) {
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
  }
  return TRUE;
}

HWND editor() {
  HWND found = nullptr;
  EnumWindows(findEditor, reinterpret_cast<LPARAM>(&found));
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

// Sent, so that the editor has done it when the probe ends (a message box it opens lets the
// probe go after a while).
void send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 3000, &result);
}

void command(HWND window, int id, int code) {
  send(window, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string what = argv[1];
  double seconds = argc > 2 ? std::atof(argv[2]) : 5;
  if (what == "wait") {
    HWND window = nullptr;
    if (!waitFor(seconds, [&] { return (window = editor()) != nullptr; })) return 1;
    RECT r;
    GetWindowRect(window, &r);
    std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    return 0;
  }
  if (what == "gone") return waitFor(seconds, [] { return editor() == nullptr; }) ? 0 : 1;

  HWND window = editor();
  if (!window) {
    std::fprintf(stderr, "editor_probe: no appointment editor\n");
    return 3;
  }
  int id = argc > 2 ? std::atoi(argv[2]) : 0;
  HWND control = GetDlgItem(window, id);
  if (what == "click" && argc > 2) {
    command(window, id, BN_CLICKED);
    return 0;
  }
  if (what == "check" && argc > 2) {
    SendMessageA(control, BM_SETCHECK, BST_CHECKED, 0);
    command(window, id, BN_CLICKED);
    return 0;
  }
  if (what == "name" && argc > 2) {
    SetWindowTextA(GetDlgItem(window, 1068), argv[2]);
    command(window, 1068, CBN_KILLFOCUS);
    return 0;
  }
  if (what == "type" && argc > 3) {
    for (const char* c = argv[3]; *c; ++c) send(control, WM_CHAR, static_cast<unsigned char>(*c), 1);
    return 0;
  }
  if (what == "choose" && argc > 3) {
    SendMessageA(control, CB_SETCURSEL, std::atoi(argv[3]), 0);
    command(window, id, CBN_SELCHANGE);
    return 0;
  }
  if (what == "slide" && argc > 2) {
    HWND slider = GetDlgItem(window, 1069);
    SendMessageA(slider, TBM_SETPOS, TRUE, id);
    send(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, id), reinterpret_cast<LPARAM>(slider));
    return 0;
  }
  if (what == "names") {
    HWND box = GetDlgItem(window, 1068);
    int n = static_cast<int>(SendMessageA(box, CB_GETCOUNT, 0, 0));
    // Asked in wide characters: Wine hands an ANSI request of another process's list back wide.
    for (int k = 0; k < n; ++k) {
      wchar_t wide[128] = L"";
      char text[256] = "";
      SendMessageW(box, CB_GETLBTEXT, k, reinterpret_cast<LPARAM>(wide));
      WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
      std::printf("%s\n", text);
    }
    return 0;
  }
  if (what == "text" && argc > 2) {
    char text[300] = "";
    GetWindowTextA(control, text, sizeof text);
    std::printf("%s\n", text);
    return 0;
  }
  if (what == "enabled" && argc > 2) return control && IsWindowEnabled(control) ? 0 : 1;
  if (what == "visible" && argc > 2) return control && IsWindowVisible(control) ? 0 : 1;
  return 2;
}
