#include "render/win32/wallpaper_job.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "imaging/owned_block.h"
#include "imaging/win32/gdi_bridge.h"
#include "platform/win32/handles.h"

namespace {

// The job module's state. The host and the working picture are the worker's while it runs;
// the thread handle is the UI thread's.
struct JobRecord {
  volatile LONG busy = 0;
  volatile LONG builds = 0;
  int lastBuiltMonth = 0;  // memory only: the first job of a run always builds
  OwnedHandle thread;
  WallpaperJobHost host;        // copied on the UI thread before the worker starts
  OwnedBitmap workingPicture;   // the working window's "ARBEITE"
};
JobRecord current;

// The background through the GDI bridge: the bitmap resource as the screen sees it.
BYTE* loadBackgroundWithGdi(void* user, const char* name, DWORD* width, DWORD* height) {
  OwnedImage image = resourceBitmapToRgb(static_cast<HINSTANCE>(user), name);
  if (!image) return nullptr;
  *width = image.width;
  *height = image.height;
  return image.pixels.release();
}

void placeWorkingWindow(HWND dialog, int w, int h) {
  SetWindowPos(dialog, HWND_TOPMOST, (current.host.screenWidth - w) / 2, (current.host.screenHeight - h) / 2 - 50,
               w, h, SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

bool joinFolder(char* path, size_t size, const char* name, bool create) {
  size_t n = std::strlen(path);
  int w = std::snprintf(path + n, size - n, "%s%s", n && path[n - 1] == '\\' ? "" : "\\", name);
  if (w < 0 || static_cast<size_t>(w) >= size - n) return false;
  if (create) CreateDirectoryA(path, nullptr);
  return true;
}

}  // namespace

int wallpaperPath(char* path, size_t size, const char* fallbackFolder) {
  if (!path || size < MAX_PATH) return 0;
  char folder[MAX_PATH];
  if (SHGetSpecialFolderPathA(nullptr, folder, CSIDL_APPDATA, TRUE)) {
    std::snprintf(path, size, "%s", folder);
    return joinFolder(path, size, "Skorvati", true) && joinFolder(path, size, "Desktopkalender", true) &&
           joinFolder(path, size, "wallpaper.bmp", false);
  }
  int w = std::snprintf(path, size, "%swallpaper.bmp", fallbackFolder ? fallbackFolder : "");
  return w > 0 && static_cast<size_t>(w) < size;
}

INT_PTR CALLBACK WorkingWindow(HWND dialog, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      current.workingPicture.reset(IS40_LoadResourceBitmap(current.host.instance, "ARBEITE", nullptr));
      if (HBITMAP bitmap = current.workingPicture.get()) {
        DWORD w = 0, h = 0;
        IS40_GetHBITMAPDimensions(bitmap, &w, &h);
        placeWorkingWindow(dialog, w, h);
        HWND picture = GetDlgItem(dialog, kWorkingPicture);
        SetWindowPos(picture, nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
      }
      // The worker runs no message loop: paint now.
      InvalidateRect(dialog, nullptr, TRUE);
      UpdateWindow(dialog);
      return TRUE;
    }
    case WM_PAINT:
      if (HBITMAP bitmap = current.workingPicture.get()) {
        HWND picture = GetDlgItem(dialog, kWorkingPicture);
        SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
        DWORD w = 0, h = 0;
        IS40_GetHBITMAPDimensions(bitmap, &w, &h);
        {
          WindowDc target(picture);
          OwnedDc source(CreateCompatibleDC(target.get()));
          SelectedObject selected(source.get(), bitmap);
          if (target && selected) BitBlt(target.get(), 0, 0, w, h, source.get(), 0, 0, SRCCOPY);
        }
        placeWorkingWindow(dialog, w, h);
      }
      return FALSE;
    case WM_DESTROY:
      if (current.workingPicture) {
        // The control may still hold the bitmap; take it back before deleting it.
        SendDlgItemMessageA(dialog, kWorkingPicture, STM_SETIMAGE, IMAGE_BITMAP, 0);
        current.workingPicture.reset();
      }
      return FALSE;
  }
  return FALSE;
}

DWORD WINAPI WallpaperThread(LPVOID) {
  const WallpaperJobHost& host = current.host;
  WallpaperJob& job = current.host.job;
  // The job's date and seed were taken when it was prepared.
  if (host.force || job.day != host.oldDay || job.month != current.lastBuiltMonth) {
    SetCursor(LoadCursor(nullptr, IDC_APPSTARTING));
    if (host.busyChanged) host.busyChanged(1);
    if (host.handBackOldDay) host.handBackOldDay(job.day);
    current.lastBuiltMonth = job.month;
    HWND working = nullptr;
    if (host.splash) {
      working = CreateDialogParamA(host.instance, MAKEINTRESOURCEA(kWorkingDialog), host.owner, WorkingWindow, 0);
      if (working) ShowWindow(working, SW_SHOWNOACTIVATE);
    }
    WallpaperResult result;
    int ok = wallpaperPath(job.path, sizeof job.path, host.fallbackFolder) && ComposeWallpaper(job, result);
    if (ok) SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, job.path, SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
    if (result.sheetFontChanged && host.handBackSheetFontHeight) host.handBackSheetFontHeight(result.sheetFontHeight);
    if (working) DestroyWindow(working);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    InterlockedIncrement(&current.builds);
  }
  // Told before the flag drops, so that a job started right after cannot have its busy state
  // cleared by this one.
  if (host.busyChanged) host.busyChanged(0);
  InterlockedExchange(&current.busy, 0);
  return 0;
}

int StartWallpaperJob(const WallpaperJobHost& host) {
  if (InterlockedCompareExchange(&current.busy, 1, 0) != 0) return 0;  // one job at a time
  current.thread.reset();  // the last job's, ended
  current.host = host;
  current.host.job.background = {loadBackgroundWithGdi, host.instance};
  current.thread.reset(CreateThread(nullptr, 0, WallpaperThread, nullptr, CREATE_SUSPENDED, nullptr));
  if (!current.thread) {
    InterlockedExchange(&current.busy, 0);
    return 0;
  }
  SetThreadPriority(current.thread.get(), THREAD_PRIORITY_BELOW_NORMAL);
  ResumeThread(current.thread.get());
  return 1;
}

int sheetBottomFromWorkArea(const RECT& workArea, int screenHeight) {
  if (workArea.bottom <= workArea.top || workArea.bottom <= 0 || workArea.bottom >= screenHeight)
    return 0;
  return workArea.bottom;
}

int sheetBottomOfWorkArea(int screenHeight) {
  RECT work{};
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) return 0;
  return sheetBottomFromWorkArea(work, screenHeight);
}

int wallpaperJobBusy() { return current.busy != 0; }

int wallpaperBuildCount() { return current.builds; }

int waitForWallpaperJob(DWORD millis) {
  if (!current.thread) return 1;
  HANDLE thread = current.thread.get();
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= millis) break;
    DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, millis - elapsed, QS_SENDMESSAGE);
    if (r == WAIT_OBJECT_0) break;
    if (r != WAIT_OBJECT_0 + 1) break;
    MSG msg;  // lets messages sent from the worker through
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  bool done = WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
  if (done) current.thread.reset();
  return done ? 1 : 0;
}
