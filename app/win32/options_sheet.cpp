#include "app/win32/options_sheet.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <cstring>

#include "app/help_tables.h"
#include "app/options_pages.h"
#include "app/settings.h"
#include "app/win32/help.h"
#include "app/win32/main_window.h"
#include "app/win32/program.h"
#include "platform/win32/work_area.h"
#include "quendler_version.h"

const char* const kProgramTitleAndVersion = "Die Quendler\nDesktopkalender, Version " QUENDLER_VERSION;

namespace {

bool savedDuringSheet = false;
bool sheetApplied = false;  // OK reached the general page, which is always made

// The sheet stands over the middle of its owner (or the screen when the owner is hidden),
// moved into the work area: the main window lives near the taskbar, and a sheet placed by it
// alone would hang over the screen's edge.
void placeSheet(HWND sheet) {
  RECT work, r;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  GetWindowRect(sheet, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  RECT around = work;
  HWND owner = GetWindow(sheet, GW_OWNER);
  if (owner && IsWindowVisible(owner)) GetWindowRect(owner, &around);
  int x = (around.left + around.right - w) / 2, y = (around.top + around.bottom - h) / 2;
  keepOnWorkArea(x, y, w, h);
  SetWindowPos(sheet, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The sheet's template gets the system menu before the sheet is made from it.
int CALLBACK sheetCallback(HWND sheet, UINT message, LPARAM lParam) {
  if (message == PSCB_INITIALIZED) {
    placeSheet(sheet);
    // The sheet's own buttons speak the program's language, whatever the system's is.
    SetDlgItemTextA(sheet, IDOK, "OK");
    SetDlgItemTextA(sheet, IDCANCEL, "Abbrechen");
    SetDlgItemTextA(sheet, IDHELP, "Hilfe");
    return 0;
  }
  if (message != PSCB_PRECREATE || !lParam) return 0;
  // A DLGTEMPLATEEX starts with version 1 and signature 0xFFFF; its style is at byte 12.
  WORD* words = reinterpret_cast<WORD*>(lParam);
  DWORD* style = words[1] == 0xFFFF ? reinterpret_cast<DWORD*>(words + 6) : reinterpret_cast<DWORD*>(words);
  *style |= WS_SYSMENU;
  return 0;
}

PROPSHEETPAGEA page(int templateId, const char* title, DLGPROC procedure) {
  PROPSHEETPAGEA p;
  std::memset(&p, 0, sizeof p);
  p.dwSize = sizeof p;
  p.dwFlags = PSP_USETITLE | PSP_HASHELP;
  p.hInstance = programInstance;
  p.pszTemplate = MAKEINTRESOURCEA(templateId);
  p.pszTitle = title;
  p.pfnDlgProc = procedure;
  return p;
}

int CALLBACK startAtFolder(HWND window, UINT message, LPARAM, LPARAM data) {
  const char* start = reinterpret_cast<const char*>(data);
  if (message == BFFM_INITIALIZED && start && start[0])
    SendMessageA(window, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start));
  return 0;
}

// --- General page

void initGeneral(HWND page) {
  if (HICON icon = currentDayIcon())
    SendDlgItemMessageA(page, kIdGeneralDayIcon, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  SetDlgItemTextA(page, kIdAutoStart, "automatisch &starten ");
  CheckDlgButton(page, kIdAutoStart, gSettings.AutoStart ? BST_CHECKED : BST_UNCHECKED);
  SetAutostart(gSettings.AutoStart);
  SetDlgItemTextA(page, kIdAutoExit, "automatisch &beenden\n(kein Alarm!)");
  CheckDlgButton(page, kIdAutoExit, gSettings.AutoExit ? BST_CHECKED : BST_UNCHECKED);
  SetDlgItemTextA(page, kIdSplash, "Splashscreen");
  CheckDlgButton(page, kIdSplash, gSettings.Splash ? BST_CHECKED : BST_UNCHECKED);
  // Both keep their state and are read back at OK.
  ShowWindow(GetDlgItem(page, kIdAutoExit), SW_HIDE);
  ShowWindow(GetDlgItem(page, kIdSplash), SW_HIDE);
  SetDlgItemTextA(page, kIdTitleAndVersion, kProgramTitleAndVersion);
}

bool checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

}  // namespace

void pageHelp(HWND page, const HELPINFO* info, int topic) { ShowHelp(page, info, topic); }

INT_PTR pageResult(HWND page, LONG_PTR result) {
  SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
  return TRUE;
}

void noteSavedDuringSheet() { savedDuringSheet = true; }

INT_PTR CALLBACK GeneralPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      initGeneral(page);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == kIdAutoStart && HIWORD(wParam) == BN_CLICKED) {
        gSettings.AutoStart = checked(page, kIdAutoStart);
        SetAutostart(gSettings.AutoStart);
        return TRUE;
      }
      return FALSE;
    case WM_HELP:
      pageHelp(page, reinterpret_cast<const HELPINFO*>(lParam), kHelpGeneralOptions);
      return TRUE;
    case WM_NOTIFY:
      switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_APPLY:
          gSettings.AutoStart = checked(page, kIdAutoStart);
          gSettings.AutoExit = checked(page, kIdAutoExit);
          gSettings.Splash = checked(page, kIdSplash);
          SetAutostart(gSettings.AutoStart);
          SaveSettings();
          sheetApplied = true;
          return pageResult(page, PSNRET_NOERROR);
        case PSN_KILLACTIVE:
          return pageResult(page, FALSE);
        case PSN_HELP:
          pageHelp(page, nullptr, kHelpGeneralOptions);
          return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

bool browseForFolder(HWND owner, const char* title, char* path) {
  char start[MAX_PATH];
  std::strncpy(start, path, MAX_PATH - 1);
  start[MAX_PATH - 1] = 0;
  BROWSEINFOA info;
  std::memset(&info, 0, sizeof info);
  info.hwndOwner = owner;
  info.pszDisplayName = nullptr;
  info.lpszTitle = title;
  info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX | BIF_RETURNFSANCESTORS | BIF_SHAREABLE;
  info.lpfn = startAtFolder;
  info.lParam = reinterpret_cast<LPARAM>(start);
  LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
  if (!chosen) return false;
  char folder[MAX_PATH] = "";
  bool ok = SHGetPathFromIDListA(chosen, folder) != FALSE && folder[0];
  CoTaskMemFree(chosen);
  if (ok) std::memcpy(path, folder, std::strlen(folder) + 1);
  return ok;
}

bool chooseFontOn(HWND owner, LOGFONTA& font, int minPoints, int maxPoints, DWORD flags) {
  const LOGFONTA before = font;
  char style[LF_FACESIZE] = "";
  CHOOSEFONTA choice;
  std::memset(&choice, 0, sizeof choice);
  choice.lStructSize = sizeof choice;
  choice.hwndOwner = owner;
  choice.lpLogFont = &font;
  choice.Flags = CF_SCREENFONTS | CF_PRINTERFONTS | CF_INITTOLOGFONTSTRUCT | CF_ENABLETEMPLATE | CF_USESTYLE |
                 CF_LIMITSIZE | flags;
  choice.hInstance = programInstance;
  choice.lpTemplateName = MAKEINTRESOURCEA(kFontDialog);
  choice.lpszStyle = style;
  choice.nSizeMin = minPoints;
  choice.nSizeMax = maxPoints;
  const bool accepted = ChooseFontA(&choice) != FALSE;
  // The dialog writes into the whole record while it runs. Only the four values the settings
  // keep are taken from it (so the font in use is the one the next start loads); a cancelled
  // dialog leaves the record as it was.
  const FontBackup chosen = backupFont(font);
  font = before;
  if (accepted) restoreFont(font, chosen);
  return accepted;
}

int OpenOptionsSheet(HWND owner) {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES | ICC_BAR_CLASSES};
  if (!InitCommonControlsEx(&classes)) return 0;
  LoadSettings();
  keepMarginsOnScreen(gSettings, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  savedDuringSheet = false;
  sheetApplied = false;

  PROPSHEETPAGEA pages[] = {
      page(kGeneralPage, "Allgemein", GeneralPage),         page(kCalendarPage, "Desktopkalender", CalendarPage),
      page(kAppointmentsPage, "Termine", AppointmentsPage), page(kNotesPage, "Notizen", NotesPage),
      page(kHotkeysPage, "Hotkeys", HotkeysPage),
  };
  PROPSHEETHEADERA header;
  std::memset(&header, 0, sizeof header);
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_USEICONID | PSH_HASHELP | PSH_NOAPPLYNOW | PSH_USECALLBACK;
  header.hwndParent = owner;
  header.hInstance = programInstance;
  header.pszIcon = "CONFIG";
  header.pszCaption = " Optionen";
  header.nPages = sizeof pages / sizeof pages[0];
  header.nStartPage = 0;
  header.ppsp = pages;
  header.pfnCallback = sheetCallback;
  PropertySheetA(&header);
  // A font accepted in its dialog was saved with the whole record, margins moved on the
  // desktop-calendar page included; Cancel put those back in the record, so the store gets
  // them back too.
  if (!sheetApplied && savedDuringSheet) SaveSettings();
  savedDuringSheet = false;
  return 1;
}
