// What the running program keeps for its whole run: the instance, the main window, the screen
// size, the sound switch and the help cookie.
#pragma once

#include <windows.h>

constexpr UINT kTrayMessage = 0x844C;  // tray icon callback
constexpr UINT kShowMessage = 0x844D;  // a second copy asks the first to show itself
constexpr const char* kMainWindowTitle = "Die Quendler";
constexpr const char* kMutexName = "SkorvatiQuendlerMutex";
constexpr DWORD kMinCommonControls = 0x50050;  // 5.80

extern HINSTANCE programInstance;
extern HWND mainWindowHandle;
extern int screenWidth, screenHeight;  // read once when the main window starts
extern bool soundAvailable;
extern DWORD helpCookie;

// (major << 16) | minor of the named library's DllGetVersion, 0 when it cannot tell.
DWORD GetCommonControlsVersion(const char* library);

// The whole run, from the mutex to the tear-down; the process exit code.
int runQuendler(HINSTANCE instance);
