#include "app/win32/wallpaper_job.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "alarms/appointment_file.h"
#include "app/settings.h"
#include "app/wallpaper_look.h"
#include "app/win32/program.h"
#include "app/win32/tray.h"
#include "imaging/win32/gdi_bridge.h"
#include "render/compose.h"

namespace {

volatile LONG BusyFlag = 0;
volatile LONG buildCount = 0;
HWND jobOwner = nullptr;
HINSTANCE jobInstance = nullptr;
int jobForce = 0;
int jobOldDay = -1;  // the settings the worker needs beside the look, taken at the start
int jobSplash = 1;
int lastBuiltMonth = 0;  // memory only: the first job of a run always builds
HANDLE jobThread = nullptr;
WallpaperJob job;  // filled on the UI thread before the worker starts, then the worker's

HBITMAP workingBitmap = nullptr;

// The background through the GDI bridge: the bitmap resource as the screen sees it.
BYTE* loadBackgroundWithGdi(void* user, const char* name, DWORD* width, DWORD* height) {
  HINSTANCE instance = static_cast<HINSTANCE>(user);
  HBITMAP bitmap = IS40_LoadResourceBitmap(instance, name, nullptr);
  if (!bitmap) return nullptr;
  DWORD w = 0, h = 0;
  BYTE* pixels = nullptr;
  if (IS40_GetHBITMAPDimensions(bitmap, &w, &h) && w && h) {
    pixels = static_cast<BYTE*>(GlobalAlloc(GPTR, static_cast<SIZE_T>(w) * h * 3));
    if (pixels) {
      HDC dc = CreateCompatibleDC(nullptr);
      IS40_HBITMAPToRGB(bitmap, dc, nullptr, pixels);
      if (dc) DeleteDC(dc);
    }
  }
  DeleteObject(bitmap);
  if (!pixels) return nullptr;
  *width = w;
  *height = h;
  return pixels;
}

void placeWorkingWindow(HWND dialog, int w, int h) {
  SetWindowPos(dialog, HWND_TOPMOST, (screenWidth - w) / 2, (screenHeight - h) / 2 - 50, w, h,
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

bool joinFolder(char* path, size_t size, const char* name, bool create) {
  size_t n = std::strlen(path);
  int w = std::snprintf(path + n, size - n, "%s%s", n && path[n - 1] == '\\' ? "" : "\\", name);
  if (w < 0 || static_cast<size_t>(w) >= size - n) return false;
  if (create) CreateDirectoryA(path, nullptr);
  return true;
}

}  // namespace

int wallpaperPath(char* path, size_t size) {
  if (!path || size < MAX_PATH) return 0;
  char folder[MAX_PATH];
  if (SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, TRUE)) {
    std::snprintf(path, size, "%s", folder);
    return joinFolder(path, size, "Skorvati", true) && joinFolder(path, size, "Desktopkalender", true) &&
           joinFolder(path, size, "wallpaper.bmp", false);
  }
  GetProgramFolder(folder, sizeof folder);
  int w = std::snprintf(path, size, "%swallpaper.bmp", folder);
  return w > 0 && static_cast<size_t>(w) < size;
}

INT_PTR CALLBACK WorkingWindow(HWND dialog, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      workingBitmap = IS40_LoadResourceBitmap(jobInstance, "ARBEITE", nullptr);
      if (workingBitmap) {
        DWORD w = 0, h = 0;
        IS40_GetHBITMAPDimensions(workingBitmap, &w, &h);
        placeWorkingWindow(dialog, w, h);
        HWND picture = GetDlgItem(dialog, kWorkingPicture);
        SetWindowPos(picture, nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(workingBitmap));
      }
      // The worker runs no message loop: paint now.
      InvalidateRect(dialog, nullptr, TRUE);
      UpdateWindow(dialog);
      return TRUE;
    }
    case WM_PAINT:
      if (workingBitmap) {
        HWND picture = GetDlgItem(dialog, kWorkingPicture);
        SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(workingBitmap));
        DWORD w = 0, h = 0;
        IS40_GetHBITMAPDimensions(workingBitmap, &w, &h);
        HDC target = GetDC(picture);
        HDC source = CreateCompatibleDC(target);
        if (target && source) {
          HGDIOBJ old = SelectObject(source, workingBitmap);
          BitBlt(target, 0, 0, w, h, source, 0, 0, SRCCOPY);
          SelectObject(source, old);
        }
        if (source) DeleteDC(source);
        if (target) ReleaseDC(picture, target);
        placeWorkingWindow(dialog, w, h);
      }
      return FALSE;
    case WM_DESTROY:
      if (workingBitmap) {
        // The control may still hold the bitmap; take it back before deleting it.
        SendDlgItemMessageA(dialog, kWorkingPicture, STM_SETIMAGE, IMAGE_BITMAP, 0);
        DeleteObject(workingBitmap);
        workingBitmap = nullptr;
      }
      return FALSE;
  }
  return FALSE;
}

DWORD WINAPI WallpaperThread(LPVOID) {
  // The job's date and seed were taken when it started (prepareWallpaperJob).
  if (jobForce || job.day != jobOldDay || job.month != lastBuiltMonth) {
    SetCursor(LoadCursor(nullptr, IDC_APPSTARTING));
    TraySetJobBusy(1);
    TrayUpdate(1);
    handBackOldDay(job.day);
    lastBuiltMonth = job.month;
    HWND working = nullptr;
    if (jobSplash) {
      working = CreateDialogParamA(jobInstance, MAKEINTRESOURCEA(kWorkingDialog), jobOwner, WorkingWindow, 0);
      if (working) ShowWindow(working, SW_SHOWNOACTIVATE);
    }
    WallpaperResult result;
    int ok = wallpaperPath(job.path, sizeof job.path) && ComposeWallpaper(job, result);
    if (ok) SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, job.path, SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
    if (result.sheetFontChanged) handBackSheetFontHeight(result.sheetFontHeight);
    if (working) DestroyWindow(working);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    InterlockedIncrement(&buildCount);
  }
  TraySetJobBusy(0);
  InterlockedExchange(&BusyFlag, 0);
  TrayUpdate(0);
  return 0;
}

void StartWallpaperJob(HWND window, HINSTANCE instance, int force) {
  if (InterlockedCompareExchange(&BusyFlag, 1, 0) != 0) return;  // one job at a time
  if (jobThread) {
    CloseHandle(jobThread);
    jobThread = nullptr;
  }
  jobOwner = window;
  jobInstance = instance;
  jobForce = force;
  LocalTime now;
  readLocalClock(now);
  jobOldDay = gSettings.OldDay;
  jobSplash = gSettings.Splash;
  prepareWallpaperJob(job, lookFromSettings(gSettings), AppointmentFile, now, screenWidth, screenHeight, "");
  job.background = {loadBackgroundWithGdi, instance};
  jobThread = CreateThread(nullptr, 0, WallpaperThread, nullptr, CREATE_SUSPENDED, nullptr);
  if (!jobThread) {
    InterlockedExchange(&BusyFlag, 0);
    return;
  }
  SetThreadPriority(jobThread, THREAD_PRIORITY_BELOW_NORMAL);
  ResumeThread(jobThread);
}

int wallpaperJobBusy() { return BusyFlag != 0; }

int wallpaperBuildCount() { return buildCount; }

int waitForWallpaperJob(DWORD millis) {
  if (!jobThread) return 1;
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= millis) break;
    DWORD r = MsgWaitForMultipleObjects(1, &jobThread, FALSE, millis - elapsed, QS_SENDMESSAGE);
    if (r == WAIT_OBJECT_0) break;
    if (r != WAIT_OBJECT_0 + 1) break;
    MSG msg;  // lets messages sent from the worker through
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  bool done = WaitForSingleObject(jobThread, 0) == WAIT_OBJECT_0;
  if (done) {
    CloseHandle(jobThread);
    jobThread = nullptr;
  }
  return done ? 1 : 0;
}
