#include "app/win32/main_window.h"

#include <commctrl.h>

#include <cstdio>
#include <utility>

#include "alarms/alarm_check.h"
#include "alarms/appointment_file.h"
#include "alarms/win32/alarm_actions.h"
#include "alarms/win32/appointment_editor.h"
#include "alarms/win32/sound_player.h"
#include "app/day_icon.h"
#include "app/day_texts.h"
#include "app/hotkeys.h"
#include "app/settings.h"
#include "app/wallpaper_look.h"
#include "app/win32/help.h"
#include "app/win32/options_sheet.h"
#include "app/win32/program.h"
#include "app/win32/program_alarms.h"
#include "app/win32/tray.h"
#include "calendar/moon.h"
#include "imaging/frame.h"
#include "imaging/image_ops.h"
#include "imaging/owned_block.h"
#include "imaging/win32/gdi_bridge.h"
#include "notes/note_files.h"
#include "notes/win32/note_window.h"
#include "platform/win32/handles.h"
#include "render/win32/wallpaper_job.h"

MainWindowState mainState;

namespace {

constexpr DWORD kJobWaitAtEnd = 5000;

HINSTANCE instanceOfWindow = nullptr;
UINT taskbarCreatedMessage = 0;

// What the main window holds while it exists; its tear-down drops the whole record.
struct MainWindowHandles {
  bool timerRunning = false;
  OwnedFont boldFont;   // the date line's
  OwnedBitmap title;    // the title picture, scaled to its control
  OwnedIcon dayIcon;    // today's number on the calendar picture
  // Today's moon phase. Loaded as the window's own, not shared: a shared icon stays loaded
  // until the program ends, so each new phase would leave one more behind.
  OwnedIcon moonIcon;
  // The desktop's icon list (the shell's window, not ours); searched once.
  bool iconListSearched = false;
  HWND iconList = nullptr;
};
MainWindowHandles window;

struct Geometry {
  WorkArea area;
  int w, h, cap;
};

Geometry readGeometry(HWND dialog) {
  Geometry g;
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  g.area = {work.left, work.top, work.right, work.bottom};
  RECT client;
  GetClientRect(dialog, &client);
  g.w = client.right - client.left;
  g.h = client.bottom - client.top;
  g.cap = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYSIZEFRAME);
  return g;
}

void setDesktopIconTextColour(COLORREF colour) {
  if (!window.iconListSearched) {
    window.iconListSearched = true;
    HWND progman = FindWindowA("Progman", "Program Manager");
    HWND view = progman ? FindWindowExA(progman, nullptr, "SHELLDLL_DefView", nullptr) : nullptr;
    window.iconList = view ? FindWindowExA(view, nullptr, "SysListView32", nullptr) : nullptr;
  }
  HWND list = window.iconList;
  if (!list || !IsWindow(list)) return;
  if (ListView_GetTextBkColor(list) == CLR_NONE) return;
  ListView_SetTextBkColor(list, CLR_NONE);
  ListView_SetTextColor(list, colour);
  InvalidateRect(list, nullptr, TRUE);
  UpdateWindow(list);
}

bool displayTooPoor() {
  OwnedDc dc(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
  if (!dc) return false;
  int colours = (GetDeviceCaps(dc.get(), RASTERCAPS) & RC_PALETTE) ? GetDeviceCaps(dc.get(), SIZEPALETTE)
                                                                   : GetDeviceCaps(dc.get(), NUMCOLORS);
  return colours >= 1 && colours <= 256;
}

void storeWindowPlace(HWND dialog) {
  RECT r;
  if (GetWindowRect(dialog, &r)) {
    gSettings.x = r.left;
    gSettings.y = r.top;
  }
}

void makeBoldFont(HWND dialog) {
  HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
  LOGFONTA font;
  if (!dialogFont || GetObjectA(dialogFont, sizeof font, &font) != sizeof font) return;
  font.lfHeight = font.lfHeight + font.lfHeight / 6;
  font.lfWeight = 600;
  window.boldFont.reset(CreateFontIndirectA(&font));
  if (window.boldFont)
    SendDlgItemMessageA(dialog, kIdDateLine, WM_SETFONT, reinterpret_cast<WPARAM>(window.boldFont.get()), FALSE);
}

void loadTitlePicture(HWND dialog) {
  OwnedImage picture = resourceBitmapToRgb(instanceOfWindow, "TITEL");
  if (!picture) return;
  HWND control = GetDlgItem(dialog, kIdTitle);
  RECT r;
  GetClientRect(control, &r);
  DWORD cw = r.right - r.left, ch = r.bottom - r.top;
  if (!cw || !ch) return;
  OwnedBlock scaled(static_cast<BYTE*>(GlobalAlloc(GPTR, static_cast<SIZE_T>(cw) * ch * 3)));
  if (!scaled || !IS40_ResizeImage(picture.data(), picture.width, picture.height, picture.width * 3, scaled.get(), cw,
                                   ch, cw * 3, 3, 16, 0))
    return;
  window.title.reset(IS40_RGBToHBITMAP(scaled.get(), cw, ch, cw * 3, nullptr, nullptr));
  if (window.title)
    SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(window.title.get()));
}

void showDay(HWND dialog, const LocalTime& now) {
  OwnedIcon icon = MakeDayIcon(now.day, dayNumberColour(now.weekday));
  SendDlgItemMessageA(dialog, kIdDayIcon, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
  SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon.get()));
  window.dayIcon = std::move(icon);  // the one shown before goes now

  char name[16];
  std::snprintf(name, sizeof name, "MOND%01d", MoonPhase(now.day, now.month, now.year));
  OwnedIcon moon(static_cast<HICON>(LoadImageA(instanceOfWindow, name, IMAGE_ICON, 32, 32, 0)));
  SendDlgItemMessageA(dialog, kIdMoonIcon, STM_SETICON, reinterpret_cast<WPARAM>(moon.get()), 0);
  window.moonIcon = std::move(moon);  // the phase shown before goes now

  char text[kDayInfoSize];
  FormatDateLine(text);
  SetDlgItemTextA(dialog, kIdDateLine, text);
  FormatDayInfo(text);
  SetDlgItemTextA(dialog, kIdDayInfo, text);
}

void hideWindow(HWND dialog) { ShowWindow(dialog, SW_HIDE); }

// The wallpaper worker's way back into the program (on the worker thread): the tray is safe to
// update from there, the settings go back through the hand-back of app/settings.h.
void jobBusyChanged(int busy) {
  TraySetJobBusy(busy);
  TrayUpdate(busy);
}

// Prepares the job on this thread from the settings and the appointments, then lets the
// renderer run it.
void startWallpaperJob(HWND dialog, int force) {
  if (wallpaperJobBusy()) return;  // one job at a time: the request is dropped
  WallpaperJobHost host;
  LocalTime now;
  readLocalClock(now);
  prepareWallpaperJob(host.job, lookFromSettings(gSettings), AppointmentFile, now, screenWidth, screenHeight, "");
  host.job.bottom = sheetBottomOfWorkArea(screenHeight);  // a taskbar never hides the last row
  host.owner = dialog;
  host.instance = instanceOfWindow;
  host.screenWidth = screenWidth;
  host.screenHeight = screenHeight;
  GetProgramFolder(host.fallbackFolder, sizeof host.fallbackFolder);
  host.splash = gSettings.Splash;
  host.force = force;
  host.oldDay = gSettings.OldDay;
  host.busyChanged = jobBusyChanged;
  host.handBackOldDay = handBackOldDay;
  host.handBackSheetFontHeight = handBackSheetFontHeight;
  StartWallpaperJob(host);
}

void timerTick(HWND dialog) {
  LocalTime now;
  readLocalClock(now);
  // What the wallpaper worker changed comes back here and is kept.
  if (takeSettingsHandBack(gSettings)) SaveSettings();

  TickWork work = mainWindowTick(mainState, now, gSettings.AutoExit, wallpaperJobBusy());
  if (work.firstTick) {
    TrayUpdate(0);
    SetWindowPos(dialog, HWND_BOTTOM, gSettings.x, gSettings.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    hideWindow(dialog);
    KillTimer(dialog, kMainTimerId);
    setDesktopIconTextColour(desktopIconTextColour(gSettings.HG));
    if (displayTooPoor())
      MessageBoxA(dialog,
                  "Dieses Programm benötigt min. 65535 Farben (High Color) oder 16 Millionen Farben "
                  "(True Color). ",
                  "Sorry!", MB_ICONWARNING);
    SetTimer(dialog, kMainTimerId, kTickMillis, nullptr);
  }
  if (work.dayChanged) showDay(dialog, now);
  if (work.minuteChanged) TrayUpdate(0);
  if (work.startJob) {
    hideWindow(dialog);
    startWallpaperJob(dialog, work.startJob);
  }
  setDesktopIconTextColour(desktopIconTextColour(gSettings.HG));
  // At most once a minute; an alarm window opened here runs this tick's loop, and later ticks
  // come through it.
  takeAlarmSettings();
  checkAlarms(programAlarms);
  if (work.autoExit) {
    SaveSettings();
    EndDialog(dialog, 1);
  }
}

void trayClicked(HWND dialog, LPARAM mouse) {
  if (mouse == WM_LBUTTONDOWN) {
    if (soundAvailable) fadeOutSound();
    if (mainState.dialogOpen) return;
    mainState.shown = !mainState.shown;
    if (!mainState.shown) {
      hideWindow(dialog);
      return;
    }
    Geometry g = readGeometry(dialog);
    placeFromTray(g.area, g.w, g.h, g.cap, gSettings.x, gSettings.y);
    SetWindowPos(dialog, HWND_TOP, gSettings.x, gSettings.y, 0, 0, SWP_NOSIZE);
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    SetFocus(GetDlgItem(dialog, kIdMinimise));
  } else if (mouse == WM_RBUTTONDOWN) {
    gSettings.Mondphasen = !gSettings.Mondphasen;
    TrayTakeSettings();
    TrayUpdate(0);
    if (soundAvailable) fadeOutSound();
  }
}

// The note window, always on a new note; the open-dialog flag holds back rebuilds and tray
// clicks while it is shown.
void openNoteWindow(HWND dialog) {
  if (mainState.dialogOpen) return;
  mainState.dialogOpen = 1;
  loadNoteFont();
  NoteWindowSetup setup;
  setup.font = &gSettings.NoteFont;
  setup.dateOrder = gSettings.iDate;
  setup.dateSeparator = gSettings.sDate;
  setup.folder = gSettings.NotePath;
  setup.help = ShowHelp;
  NoteList.currentIndex = kNoteStartNew;
  runNoteWindow(instanceOfWindow, dialog, setup);
  mainState.dialogOpen = 0;
}

// The appointment editor over the program's table, as "&Termine / Alarm" and hotkey 201 open
// it. The open-dialog flag holds back rebuilds and tray clicks while it is shown; opened by the
// hotkey over another of the window's dialogs, it leaves the flag as that one set it.
void showAppointmentEditor(HWND dialog) {
  int outer = mainState.dialogOpen;
  mainState.dialogOpen = 1;
  takeAlarmSettings();
  AppointmentEditorSetup setup;
  setup.check = &programAlarms;
  setup.filePath = gSettings.AlarmFile;
  setup.autoDelete = gSettings.AutoDelete;
  setup.protection = gSettings.TerminSchutz;
  setup.soundAvailable = soundAvailable;
  setup.fadeOutSound = fadeOutSound;
  setup.help = ShowHelp;
  setup.rebuildRequested = &mainState.RebuildRequested;
  runAppointmentEditor(instanceOfWindow, dialog, setup);
  mainState.dialogOpen = outer;
}

BOOL command(HWND dialog, int id) {
  switch (id) {
    case kIdMinimise:
    case IDCANCEL:
      mainState.shown = 0;
      storeWindowPlace(dialog);
      SaveSettings();
      hideWindow(dialog);
      return TRUE;
    case kIdExit:
      if (soundAvailable) fadeOutSound();
      storeWindowPlace(dialog);
      SaveSettings();
      EndDialog(dialog, 1);
      return TRUE;
    case kIdDayIcon:
      gSettings.Mondphasen = 0;
      TrayTakeSettings();
      TrayUpdate(0);
      return TRUE;
    case kIdMoonIcon:
      gSettings.Mondphasen = 1;
      TrayTakeSettings();
      TrayUpdate(0);
      return TRUE;
    case kIdNote:
      openNoteWindow(dialog);
      return TRUE;
    case kIdAppointments:
      showAppointmentEditor(dialog);
      return TRUE;
    case kIdOptions:
      if (mainState.dialogOpen) return TRUE;
      mainState.dialogOpen = 1;
      OpenOptionsSheet(dialog);
      mainState.dialogOpen = 0;
      TrayTakeSettings();  // the sheet loaded the settings again
      TrayUpdate(0);
      return TRUE;
    case kIdHelp:
      ShowHelp(dialog, nullptr, 1);
      return TRUE;
  }
  return FALSE;
}

BOOL hotkey(HWND dialog, int id) {
  if (id != kHotkeyRebuild && id != kHotkeyAppointments && id != kHotkeyNewNote) return TRUE;
  if (soundAvailable) fadeOutSound();
  if (id == kHotkeyRebuild) mainState.RebuildRequested = 1;
  if (id == kHotkeyAppointments) showAppointmentEditor(dialog);
  if (id == kHotkeyNewNote) openNoteWindow(dialog);
  return FALSE;
}

void initialise(HWND dialog) {
  mainWindowHandle = dialog;
  screenWidth = GetSystemMetrics(SM_CXSCREEN);
  screenHeight = GetSystemMetrics(SM_CYSCREEN);
  Geometry g = readGeometry(dialog);
  placeAtStart(g.area, g.w, g.h, g.cap, gSettings.x, gSettings.y);
  // Off-screen, so that the dialog manager's first showing is never seen.
  SetWindowPos(dialog, HWND_BOTTOM, 9999, 9999, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowTextA(dialog, kMainWindowTitle);
  TrayTakeSettings();
  TrayUpdate(1);
  makeBoldFont(dialog);
  SetDlgItemTextA(dialog, kIdNote, "&Notiz");
  SetDlgItemTextA(dialog, kIdOptions, "&Optionen");
  SetDlgItemTextA(dialog, kIdAppointments, "&Termine / Alarm");
  SetDlgItemTextA(dialog, kIdHelp, "&Hilfe");
  SetDlgItemTextA(dialog, kIdExit, "Beenden");
  SetDlgItemTextA(dialog, kIdMinimise, "Mi&nimieren");
  loadTitlePicture(dialog);
  LoadHotkeys();
  RegisterHotkeys(1);
  WindowsAlarmSetup alarms;
  alarms.instance = instanceOfWindow;
  alarms.owner = dialog;
  alarms.help = ShowHelp;
  alarms.check = &programAlarms;
  alarms.playSound = playSound;
  useWindowsAlarmActions(programAlarms.actions, alarms);
  window.timerRunning = SetTimer(dialog, kMainTimerId, kFirstTickMillis, nullptr) != 0;
}

void finish(HWND dialog) {
  if (window.timerRunning) KillTimer(dialog, kMainTimerId);
  RegisterHotkeys(0);
  if (soundAvailable) unloadSoundLibrary();
  window = MainWindowHandles();
  // A running job still uses the image library and the tray: let it finish (a few seconds at
  // most) before both go.
  waitForWallpaperJob(kJobWaitAtEnd);
  TrayRemoveIcon();
  IS40_Shutdown();
}

}  // namespace

HICON currentDayIcon() { return window.dayIcon.get(); }

INT_PTR CALLBACK MainWindow(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (taskbarCreatedMessage && message == taskbarCreatedMessage) {
    TrayShellRestarted();
    TrayUpdate(wallpaperJobBusy());
    return TRUE;
  }
  switch (message) {
    case WM_INITDIALOG:
      initialise(dialog);
      return TRUE;
    case WM_TIMER:
      if (wParam == kMainTimerId) timerTick(dialog);
      return TRUE;
    case WM_COMMAND:
      return command(dialog, LOWORD(wParam));
    case WM_HOTKEY:
      return hotkey(dialog, static_cast<int>(wParam));
    case kTrayMessage:
      if (lParam != WM_LBUTTONDOWN && lParam != WM_RBUTTONDOWN) return FALSE;
      trayClicked(dialog, lParam);
      return TRUE;
    case kShowMessage:
      ShowWindow(dialog, SW_SHOW);
      SetForegroundWindow(dialog);
      mainState.shown = 1;
      SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_HELP:
      ShowHelp(dialog, reinterpret_cast<const HELPINFO*>(lParam), 0);
      return TRUE;
    case WM_COMPACTING:
      if (mainState.shown) return TRUE;
      EndDialog(dialog, 1);
      return TRUE;
    case WM_DESTROY:
      finish(dialog);
      return TRUE;
  }
  return FALSE;
}

INT_PTR runMainWindow(HINSTANCE instance) {
  instanceOfWindow = instance;
  taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
  return DialogBoxParamA(instance, MAKEINTRESOURCEA(kMainDialog), nullptr, MainWindow, 0);
}
