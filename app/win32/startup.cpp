#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>

#include "alarms/appointment_file.h"
#include "alarms/win32/sound_player.h"
#include "app/day_texts.h"
#include "app/settings.h"
#include "app/win32/help.h"
#include "app/win32/main_window.h"
#include "app/win32/program.h"
#include "app/win32/registry_store.h"
#include "calendar/date_arith.h"
#include "imaging/frame.h"
#include "platform/clock.h"
#include "platform/win32/handles.h"

HINSTANCE programInstance = nullptr;
HWND mainWindowHandle = nullptr;
int screenWidth = 0, screenHeight = 0;
bool soundAvailable = false;
DWORD helpCookie = 0;

DWORD GetCommonControlsVersion(const char* library) {
  HMODULE module = LoadLibraryA(library);
  if (!module) return 0;
  DWORD version = 0;
  auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllGetVersion")));
  if (getVersion) {
    DLLVERSIONINFO info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = 20;
    if (getVersion(&info) >= 0)
      version = (LOWORD(info.dwMajorVersion) << 16) | LOWORD(info.dwMinorVersion);
  }
  FreeLibrary(module);
  return version;
}

int runQuendler(HINSTANCE instance) {
  // The end-to-end runs set the program's clock; without the variable the real clock stands.
  startClockFromEnvironment();

  OwnedHandle mutex(CreateMutexA(nullptr, TRUE, kMutexName));
  if (!mutex) return 0;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    HWND running = FindWindowA(nullptr, kMainWindowTitle);
    if (!running) return 0;
    SendMessageA(running, kShowMessage, 0, 0);
    return 1;
  }

  if (GetCommonControlsVersion("comctl32.dll") < kMinCommonControls) {
    MessageBoxA(nullptr,
                "Dieses Programm funktioniert nur, wenn Microsoft Internet Explorer ab Version 5.0 "
                "installiert ist.",
                "FEHLER!", MB_ICONERROR | MB_TOPMOST);
    ReleaseMutex(mutex.get());
    return 0;
  }

  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  programInstance = instance;
  // The image library sets itself up per thread on first use (frame.h); the weekday table and
  // the settings come next.
  fillWeekdayNames();
  useWindowsSettings();
  LoadSettings();
  keepMarginsOnScreen(gSettings, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  soundAvailable = loadSoundLibrary();
  helpInitialize();
  loadNoteFont();
  {
    int day, month, year;
    GetLocalDateTime(&day, &month, &year, nullptr, nullptr, nullptr, nullptr);
    loadAppointmentTable(AppointmentFile, gSettings.AlarmFile, gSettings.AutoDelete, day, month, year);
  }

  runMainWindow(instance);

  helpUninitialize();
  CoUninitialize();
  // The player keeps its COM objects on threads of its own, so this may follow CoUninitialize.
  unloadSoundLibrary();
  ReleaseMutex(mutex.get());
  return 1;
}
