// The hotkeys page (template 106): the three slots, unregistered while the page is open.
#include <windows.h>
#include <commctrl.h>

#include "app/help_tables.h"
#include "app/hotkeys.h"
#include "app/options_pages.h"
#include "app/win32/main_window.h"
#include "app/win32/options_sheet.h"
#include "app/win32/program.h"
#include "platform/win32/handles.h"

namespace {

OwnedIcon picture;

void fill(HWND list, int rows, const char* (*text)(int), int selected) {
  SendMessageA(list, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < rows; ++i) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text(i)));
  SendMessageA(list, CB_SETCURSEL, selected, 0);
}

const char* modifierText(int row) { return kHotkeyModifiers[row].text; }
const char* keyText(int row) { return hotkeyKeyTable()[row].text; }

void initialise(HWND page) {
  RegisterHotkeys(0);  // the keys being edited must not fire
  for (int i = 0; i < kHotkeySlotCount; ++i) {
    const HotkeySlot shown = hotkeySlotForPage(HotkeySlots[i]);
    SetDlgItemTextA(page, kIdHotkeyLabel[i], kHotkeyLabels[i]);
    SetDlgItemTextA(page, kIdHotkeyActive[i], "aktiviert");
    fill(GetDlgItem(page, kIdHotkeyModifier[i]), kHotkeyModifierCount, modifierText, shown.modifier);
    fill(GetDlgItem(page, kIdHotkeyKey[i]), kHotkeyKeyCount, keyText, shown.key);
    CheckDlgButton(page, kIdHotkeyActive[i], shown.active ? BST_CHECKED : BST_UNCHECKED);
  }
  // The picture in the bottom-right corner.
  picture.reset(static_cast<HICON>(LoadImageA(programInstance, "HOT-K", IMAGE_ICON, 48, 48, 0)));
  HWND control = GetDlgItem(page, kIdHotkeyPicture);
  if (picture) SendMessageA(control, STM_SETICON, reinterpret_cast<WPARAM>(picture.get()), 0);
  RECT pageRect, pictureRect;
  GetClientRect(page, &pageRect);
  GetWindowRect(control, &pictureRect);
  int w = pictureRect.right - pictureRect.left, h = pictureRect.bottom - pictureRect.top;
  SetWindowPos(control, nullptr, pageRect.right - w - 10, pageRect.bottom - h, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

long selection(HWND page, int id) {
  return static_cast<long>(SendDlgItemMessageA(page, id, CB_GETCURSEL, 0, 0));
}

void apply(HWND page) {
  for (int i = 0; i < kHotkeySlotCount; ++i) {
    HotkeySlot stored = HotkeySlots[i];
    stored.id = kHotkeyRebuild + i;
    HotkeySlots[i] = hotkeySlotFromPage(stored, selection(page, kIdHotkeyModifier[i]),
                                        selection(page, kIdHotkeyKey[i]),
                                        IsDlgButtonChecked(page, kIdHotkeyActive[i]) == BST_CHECKED);
  }
  SaveHotkeys();
  RegisterHotkeys(1);
}

}  // namespace

INT_PTR CALLBACK HotkeysPage(HWND page, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      initialise(page);
      return TRUE;
    case WM_HELP:
      pageHelp(page, reinterpret_cast<const HELPINFO*>(lParam), kHelpHotkeys);
      return TRUE;
    case WM_NOTIFY:
      switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_APPLY:
          apply(page);
          return pageResult(page, PSNRET_NOERROR);
        case PSN_RESET:
          LoadHotkeys();
          RegisterHotkeys(1);
          return TRUE;
        case PSN_KILLACTIVE:
          return pageResult(page, FALSE);
        case PSN_HELP:
          pageHelp(page, nullptr, kHelpHotkeys);
          return TRUE;
      }
      return FALSE;
    case WM_DESTROY:
      SendDlgItemMessageA(page, kIdHotkeyPicture, STM_SETICON, 0, 0);
      picture.reset();
      return FALSE;
  }
  return FALSE;
}
