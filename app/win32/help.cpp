#include "app/win32/help.h"

#include "app/help_tables.h"
#include "app/settings.h"
#include "app/win32/program.h"

namespace {

typedef HWND(WINAPI* HtmlHelpFunction)(HWND, LPCSTR, UINT, DWORD_PTR);

HtmlHelpFunction htmlHelp = nullptr;
bool helpLoadFailed = false;

HtmlHelpFunction loadHtmlHelp() {
  if (htmlHelp || helpLoadFailed) return htmlHelp;
  HMODULE module = nullptr;
  char server[MAX_PATH + 1] = "";
  LONG size = MAX_PATH;
  if (RegQueryValueA(HKEY_CLASSES_ROOT, "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32",
                     server, &size) == ERROR_SUCCESS && server[0]) {
    server[MAX_PATH] = 0;
    module = LoadLibraryA(server);
  }
  if (!module) module = LoadLibraryA("hhctrl.ocx");
  if (module)
    htmlHelp = reinterpret_cast<HtmlHelpFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(14))));
  if (!htmlHelp) helpLoadFailed = true;
  return htmlHelp;
}

}  // namespace

HWND callHtmlHelp(HWND caller, const char* file, UINT command, DWORD_PTR data) {
  HtmlHelpFunction f = loadHtmlHelp();
  return f ? f(caller, file, command, data) : nullptr;
}

void ShowHelp(HWND owner, const HELPINFO* info, int topic) {
  char folder[MAX_PATH];
  GetProgramFolder(folder, sizeof folder);
  char path[MAX_PATH * 2];
  if (info && info->iCtrlId > 0) {
    if (!helpPopupFor(info->iCtrlId)) return;
    if (!buildHelpPopupPath(path, sizeof path, folder)) return;
    callHtmlHelp(static_cast<HWND>(info->hItemHandle), path, kHhTpHelpWmHelp,
                 reinterpret_cast<DWORD_PTR>(kContextHelpTable));
    return;
  }
  HWND shown = nullptr;
  if (buildHelpTopicPath(path, sizeof path, folder, topic))
    shown = callHtmlHelp(GetDesktopWindow(), path, kHhDisplayTopic, 0);
  if (!shown) MessageBoxA(owner, "Hilfedatei nicht gefunden!", "", MB_ICONERROR);
}

void helpInitialize() { callHtmlHelp(nullptr, nullptr, kHhInitialize, reinterpret_cast<DWORD_PTR>(&helpCookie)); }

void helpUninitialize() {
  callHtmlHelp(nullptr, nullptr, kHhCloseAll, 0);
  callHtmlHelp(nullptr, nullptr, kHhUninitialize, helpCookie);
}
