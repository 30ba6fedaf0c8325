// The wallpaper job on Windows: one worker thread at a time composes wallpaper.bmp, installs it
// as the desktop wallpaper and shows the working window meanwhile. The program prepares each
// job and fills the host record; the renderer only runs it.
#pragma once

#include <windows.h>

#include "render/compose.h"

constexpr int kWorkingDialog = 111;
constexpr int kWorkingPicture = 1057;

// What the program gives a job: the prepared composition, the values the worker needs beside
// it, and the callbacks through which it reports back. The callbacks run on the worker thread,
// so what they hand to the UI thread must go through something atomic or locked. A null
// callback is not called.
struct WallpaperJobHost {
  WallpaperJob job;               // prepared on the UI thread; the backgrounds come through GDI
  HWND owner = nullptr;           // owner of the working window
  HINSTANCE instance = nullptr;   // the working window's template and the background bitmaps
  int screenWidth = 0, screenHeight = 0;  // the working window is centred on the screen
  char fallbackFolder[MAX_PATH] = "";     // for wallpaper.bmp when there is no application data folder
  int splash = 1;                 // show the working window while building
  int force = 0;                  // build even when this day and month are built already
  int oldDay = -1;                // the day of the last build the program knows of
  void (*busyChanged)(int busy) = nullptr;                // 1 when a build starts, 0 when the job ends
  void (*handBackOldDay)(int day) = nullptr;              // the day that is being built
  void (*handBackSheetFontHeight)(int height) = nullptr;  // the day font had to shrink to this
};

// Starts the worker on a copy of the host unless one runs (then the request is dropped).
// 1 when a worker started.
int StartWallpaperJob(const WallpaperJobHost& host);
DWORD WINAPI WallpaperThread(LPVOID parameter);
INT_PTR CALLBACK WorkingWindow(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The line the sheet must end above: the bottom of the primary monitor's work area (the top of
// a taskbar at the bottom) when it lies inside the screen, else 0 (the screen's height).
int sheetBottomFromWorkArea(const RECT& workArea, int screenHeight);
int sheetBottomOfWorkArea(int screenHeight);  // SPI_GETWORKAREA

// 1 while a job runs.
int wallpaperJobBusy();
// Waits up to `millis` for a running job, still answering messages sent to this thread (the
// worker's wallpaper change is broadcast to every window). 1 when no job runs any more.
int waitForWallpaperJob(DWORD millis);

// "...\Skorvati\Desktopkalender\wallpaper.bmp" under the roaming application data, the
// folders created; else "wallpaper.bmp" in `fallbackFolder` (which ends with a separator).
// 1 on success.
int wallpaperPath(char* path, size_t size, const char* fallbackFolder);

// The number of finished builds (written or not) in this run, for tests.
int wallpaperBuildCount();
