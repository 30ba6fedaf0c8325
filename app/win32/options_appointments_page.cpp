// The appointments page (template 140): the appointment file, deleting old appointments and the
// snooze time.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>
#include <cstring>

#include "alarms/appointment_file.h"
#include "app/help_tables.h"
#include "app/options_pages.h"
#include "app/settings.h"
#include "app/win32/options_sheet.h"
#include "app/win32/program.h"
#include "platform/win32/handles.h"

namespace {

// What the page keeps from its opening: the file the table was loaded from and the snooze.
struct AppointmentsPageState {
  char file[MAX_PATH] = "";
  int snooze = 0;
  OwnedIcon picture;
};
AppointmentsPageState state;

void setSnoozeLabel(HWND page, int minutes) {
  char text[64];
  std::snprintf(text, sizeof text, "&Snooze-Zeit (%d Minuten):", minutes);
  SetDlgItemTextA(page, kIdSnoozeLabel, text);
}

void initialise(HWND page) {
  CheckDlgButton(page, kIdAutoDelete, gSettings.AutoDelete ? BST_CHECKED : BST_UNCHECKED);
  SendDlgItemMessageA(page, kIdAlarmFile, EM_LIMITTEXT, MAX_PATH, 0);
  SetDlgItemTextA(page, kIdAlarmFile, gSettings.AlarmFile);
  setSnoozeLabel(page, gSettings.Snooze);
  std::snprintf(state.file, sizeof state.file, "%s", gSettings.AlarmFile);
  state.snooze = gSettings.Snooze;

  HWND slider = GetDlgItem(page, kIdSnoozeTrack);
  SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELPARAM(kSnoozeMin, kSnoozeMax));
  SendMessageA(slider, TBM_SETPAGESIZE, 0, 5);
  SendMessageA(slider, TBM_SETPOS, TRUE, gSettings.Snooze);
  for (int tick = 5; tick <= 55; tick += 5) SendMessageA(slider, TBM_SETTIC, 0, tick);

  state.picture.reset(static_cast<HICON>(LoadImageA(programInstance, "WECKER96", IMAGE_ICON, 96, 96, 0)));
  HWND control = GetDlgItem(page, kIdPagePicture);
  if (state.picture) SendMessageA(control, STM_SETICON, reinterpret_cast<WPARAM>(state.picture.get()), 0);
  RECT pageRect;
  GetClientRect(page, &pageRect);
  SetWindowPos(control, nullptr, pageRect.right - 210, pageRect.bottom - 168, 96, 96,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void browse(HWND page) {
  char file[MAX_PATH] = "";
  GetDlgItemTextA(page, kIdAlarmFile, file, sizeof file);
  if (!file[0]) std::snprintf(file, sizeof file, "%s", gSettings.AlarmFile);
  OPENFILENAMEA open;
  std::memset(&open, 0, sizeof open);
  open.lStructSize = sizeof open;
  open.hwndOwner = page;
  open.lpstrFilter = "Termin-Dateien (*.qtm)\0*.qtm\0Alle Dateien (*.*)\0*.*\0";
  open.nFilterIndex = 1;
  open.lpstrFile = file;
  open.nMaxFile = sizeof file;
  open.Flags = OFN_CREATEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (GetOpenFileNameA(&open)) SetDlgItemTextA(page, kIdAlarmFile, file);
}

void apply(HWND page) {
  char field[MAX_PATH + 1] = "";
  GetDlgItemTextA(page, kIdAlarmFile, field, sizeof field);
  appointmentFileFromField(gSettings.AlarmFile, sizeof gSettings.AlarmFile, field);
  gSettings.AutoDelete = IsDlgButtonChecked(page, kIdAutoDelete) == BST_CHECKED;
  gSettings.Snooze = static_cast<int>(SendDlgItemMessageA(page, kIdSnoozeTrack, TBM_GETPOS, 0, 0));
  SaveSettings();
  // Another file (not the same one spelt differently): the table is replaced by its content.
  if (!samePathIgnoringCase(gSettings.AlarmFile, state.file)) {
    loadAppointments(gSettings.AlarmFile, gSettings.AutoDelete);
    std::snprintf(state.file, sizeof state.file, "%s", gSettings.AlarmFile);
  }
}

}  // namespace

INT_PTR CALLBACK AppointmentsPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      initialise(page);
      return TRUE;
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(page, kIdSnoozeTrack)) {
        gSettings.Snooze = static_cast<int>(SendDlgItemMessageA(page, kIdSnoozeTrack, TBM_GETPOS, 0, 0));
        setSnoozeLabel(page, gSettings.Snooze);
      }
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == kIdAlarmFileBrowse && HIWORD(wParam) == BN_CLICKED) {
        browse(page);
        return TRUE;
      }
      return FALSE;
    case WM_HELP:
      pageHelp(page, reinterpret_cast<const HELPINFO*>(lParam), kHelpAlarmOptions);
      return TRUE;
    case WM_NOTIFY:
      switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_APPLY:
          apply(page);
          return pageResult(page, PSNRET_NOERROR);
        case PSN_RESET:
          gSettings.Snooze = state.snooze;
          std::snprintf(gSettings.AlarmFile, sizeof gSettings.AlarmFile, "%s", state.file);
          return TRUE;
        case PSN_KILLACTIVE:
          return pageResult(page, FALSE);
        case PSN_HELP:
          pageHelp(page, nullptr, kHelpAlarmOptions);
          return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      SendDlgItemMessageA(page, kIdPagePicture, STM_SETICON, 0, 0);
      state.picture.reset();
      return FALSE;
  }
  return FALSE;
}
