// The main window (dialog 100): hidden most of the time, the program's clock.
#pragma once

#include <windows.h>

#include "app/main_tick.h"

// Control ids of dialog 100.
constexpr int kMainDialog = 100;
constexpr int kIdTitle = 1008;
constexpr int kIdDayIcon = 1000;
constexpr int kIdMoonIcon = 1001;
constexpr int kIdDateLine = 1081;
constexpr int kIdDayInfo = 1084;
constexpr int kIdNote = 1077;
constexpr int kIdOptions = 1073;
constexpr int kIdAppointments = 1007;
constexpr int kIdHelp = 1072;
constexpr int kIdExit = 1004;
constexpr int kIdMinimise = 1005;

// The window's state (main thread only).
extern MainWindowState mainState;
// The day icon the window made last (the general options page shows it); the window keeps it.
HICON currentDayIcon();

// Runs dialog 100 modally until the program ends; its result.
INT_PTR runMainWindow(HINSTANCE instance);
INT_PTR CALLBACK MainWindow(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Registers (1) or unregisters (0) the active hotkeys for the main window.
void RegisterHotkeys(int doRegister);
