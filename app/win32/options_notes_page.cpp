// The notes page (template 141): the note folder and the note window's font.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <cstring>

#include "app/help_tables.h"
#include "app/options_pages.h"
#include "app/settings.h"
#include "app/win32/options_sheet.h"
#include "app/win32/program.h"
#include "platform/win32/handles.h"

namespace {

constexpr int kNoteFontMinPoints = 6, kNoteFontMaxPoints = 18;

OwnedIcon picture;

void initialise(HWND page) {
  SendDlgItemMessageA(page, kIdNoteFolder, EM_LIMITTEXT, MAX_PATH, 0);
  SetDlgItemTextA(page, kIdNoteFolder, gSettings.NotePath);
  SetDlgItemTextA(page, kIdNoteFolderLabel, "&Ordner für Notizen:");
  SetDlgItemTextA(page, kIdFontButton, "Schri&ftart");
  // The note picture in its own full size (its largest image; asked for with 0 x 0 the
  // first, 16 pixels, would come), 15 pixels from the right edge and 1 from the bottom.
  picture.reset(static_cast<HICON>(LoadImageA(programInstance, "ZETTEL", IMAGE_ICON, 48, 48, 0)));
  HWND control = GetDlgItem(page, kIdPagePicture);
  int w = 32, h = 32;
  ICONINFO info;
  if (picture && GetIconInfo(picture.get(), &info)) {
    BITMAP bits;
    if (info.hbmColor && GetObjectA(info.hbmColor, sizeof bits, &bits)) w = bits.bmWidth, h = bits.bmHeight;
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    SendMessageA(control, STM_SETICON, reinterpret_cast<WPARAM>(picture.get()), 0);
  }
  RECT pageRect;
  GetClientRect(page, &pageRect);
  SetWindowPos(control, nullptr, pageRect.right - w - 15, pageRect.bottom - h - 1, w, h,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void browse(HWND page) {
  char folder[MAX_PATH];
  std::memcpy(folder, gSettings.NotePath, sizeof folder);
  if (!browseForFolder(page, "Verzeichnis für Ihre Notizen", folder)) return;
  char field[MAX_PATH + 1];
  if (folderWithSeparator(field, sizeof field, folder)) SetDlgItemTextA(page, kIdNoteFolder, field);
}

void chooseNoteFont(HWND page) {
  if (chooseFontOn(page, gSettings.NoteFont, kNoteFontMinPoints, kNoteFontMaxPoints, CF_SCRIPTSONLY)) {
    SaveSettings();  // the next note window uses it, whatever becomes of the sheet
    noteSavedDuringSheet();
  }
}

// false when the folder is refused; the page then says why and stays open.
bool apply(HWND page) {
  char field[MAX_PATH + 2] = "";
  GetDlgItemTextA(page, kIdNoteFolder, field, sizeof field);
  HWND message = GetDlgItem(page, kIdNoteFolderMessage);
  if (notePathFromField(gSettings.NotePath, sizeof gSettings.NotePath, field) == NoteFolderResult::tooLong) {
    SetWindowTextA(message, kNoteFolderTooLongText);
    ShowWindow(message, SW_SHOW);
    return false;
  }
  ShowWindow(message, SW_HIDE);
  SaveSettings();
  return true;
}

}  // namespace

INT_PTR CALLBACK NotesPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      initialise(page);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      if (LOWORD(wParam) == kIdNoteFolderBrowse) {
        browse(page);
        return TRUE;
      }
      if (LOWORD(wParam) == kIdFontButton) {
        chooseNoteFont(page);
        return TRUE;
      }
      return FALSE;
    case WM_HELP:
      pageHelp(page, reinterpret_cast<const HELPINFO*>(lParam), kHelpNoteOptions);
      return TRUE;
    case WM_NOTIFY:
      switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_APPLY:
          if (apply(page)) return pageResult(page, PSNRET_NOERROR);
          return pageResult(page, PSNRET_INVALID);  // the sheet stays open on this page
        case PSN_KILLACTIVE:
          return pageResult(page, FALSE);
        case PSN_HELP:
          pageHelp(page, nullptr, kHelpNoteOptions);
          return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      SendDlgItemMessageA(page, kIdPagePicture, STM_SETICON, 0, 0);
      picture.reset();
      return FALSE;
  }
  return FALSE;
}
