// The wallpaper job: one worker thread at a time composes wallpaper.bmp and installs it.
#pragma once

#include <windows.h>

#include "platform/clock.h"

constexpr int kWorkingDialog = 111;
constexpr int kWorkingPicture = 1057;

// Starts the worker unless one runs (then the request is dropped). The settings, the
// appointment pictures and the screen size are copied here, on the UI thread.
void StartWallpaperJob(HWND window, HINSTANCE instance, int force);
DWORD WINAPI WallpaperThread(LPVOID parameter);
INT_PTR CALLBACK WorkingWindow(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// 1 while a job runs.
int wallpaperJobBusy();
// Waits up to `millis` for a running job, still answering messages sent to this thread (the
// worker's wallpaper change is broadcast to every window). 1 when no job runs any more.
int waitForWallpaperJob(DWORD millis);

// "...\Skorvati\Desktopkalender\wallpaper.bmp" under the roaming application data, the
// folders created; the program folder when there is none. 1 on success.
int wallpaperPath(char* path, size_t size);

// The number of finished builds (written or not) in this run, for tests.
int wallpaperBuildCount();
