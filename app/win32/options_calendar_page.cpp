// The desktop-calendar page (template 105): background, margins, week numbers, region and
// calendar font, with a live preview.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "app/help_tables.h"
#include "app/options_pages.h"
#include "app/settings.h"
#include "app/win32/main_window.h"
#include "app/win32/options_sheet.h"
#include "app/win32/program.h"
#include "calendar/holidays.h"
#include "platform/win32/handles.h"
#include "render/win32/calendar_preview.h"
#include "render/win32/wallpaper_job.h"

namespace {

constexpr int kMarginPage = 10;
constexpr int kFontMinPoints = 7, kFontMaxPoints = 128;

// The open page (one at a time, on the main thread).
struct CalendarPageState {
  CalendarPageStart start{};
  OwnedBitmap preview;  // shown in the picture control
};
CalendarPageState state;

int screenW() { return GetSystemMetrics(SM_CXSCREEN); }
int screenH() { return GetSystemMetrics(SM_CYSCREEN); }

// Takes the preview out of the control and deletes it (and a copy the control may have made).
void dropPreview(HWND page) {
  HBITMAP shown = reinterpret_cast<HBITMAP>(
      SendDlgItemMessageA(page, kIdPreviewPicture, STM_SETIMAGE, IMAGE_BITMAP, 0));
  if (shown && shown != state.preview.get()) DeleteObject(shown);
  state.preview.reset();
}

void showPreview(HWND page) {
  PreviewLook look;
  look.instance = programInstance;
  look.background = gSettings.HG;
  look.left = gSettings.left;
  look.top = gSettings.top;
  look.right = gSettings.right;
  look.screenWidth = screenW();
  look.screenHeight = screenH();
  look.bottom = sheetBottomOfWorkArea(look.screenHeight);
  HBITMAP made = nullptr;
  if (!BuildPreview(page, &made, look)) return;  // the previous picture stays
  OwnedBitmap fresh(made);
  HBITMAP replaced = reinterpret_cast<HBITMAP>(
      SendDlgItemMessageA(page, kIdPreviewPicture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(made)));
  if (replaced && replaced != state.preview.get()) DeleteObject(replaced);
  state.preview = std::move(fresh);
}

void setLabel(HWND page, int id, const char* format, int value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  SetDlgItemTextA(page, id, text);
}

void setTrack(HWND page, int id, int most, int pageSize, int position) {
  SendDlgItemMessageA(page, id, TBM_SETRANGE, TRUE, MAKELPARAM(0, most));
  SendDlgItemMessageA(page, id, TBM_SETPAGESIZE, 0, pageSize);
  SendDlgItemMessageA(page, id, TBM_SETPOS, TRUE, position);
}

void setSelection(HWND page, int id, int from, int to) {
  SendDlgItemMessageA(page, id, TBM_SETSELSTART, FALSE, from);
  SendDlgItemMessageA(page, id, TBM_SETSELEND, TRUE, to);
}

int trackPosition(HWND page, int id) {
  return static_cast<int>(SendDlgItemMessageA(page, id, TBM_GETPOS, 0, 0));
}

void initialise(HWND page) {
  state = CalendarPageState();
  state.start = calendarPageStart(gSettings);
  showPreview(page);
  // The background track bar runs under the preview, as wide as it.
  RECT previewRect, trackRect;
  GetWindowRect(GetDlgItem(page, kIdPreviewPicture), &previewRect);
  GetWindowRect(GetDlgItem(page, kIdBackgroundTrack), &trackRect);
  SetWindowPos(GetDlgItem(page, kIdBackgroundTrack), nullptr, 0, 0, previewRect.right - previewRect.left,
               trackRect.bottom - trackRect.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  const MarginRanges most = marginRanges(screenW(), screenH());
  setTrack(page, kIdBackgroundTrack, kBackgroundCount - 1, 1, gSettings.HG);
  SendDlgItemMessageA(page, kIdBackgroundTrack, TBM_SETTICFREQ, 1, 0);
  setTrack(page, kIdLeftTrack, most.horizontal, kMarginPage, gSettings.left);
  setSelection(page, kIdLeftTrack, 0, trackPosition(page, kIdLeftTrack));
  setTrack(page, kIdRightTrack, most.horizontal, kMarginPage, gSettings.right);
  setSelection(page, kIdRightTrack, trackPosition(page, kIdRightTrack), most.horizontal);
  setTrack(page, kIdTopTrack, most.vertical, kMarginPage, gSettings.top);
  setSelection(page, kIdTopTrack, 0, trackPosition(page, kIdTopTrack));
  setLabel(page, kIdLeftLabel, "&links (%d)", gSettings.left);
  setLabel(page, kIdRightLabel, "&rechts (%d)", gSettings.right);
  setLabel(page, kIdTopLabel, "&oben (%d)", gSettings.top);

  CheckDlgButton(page, kIdWeekNumbers, gSettings.Kalenderwoche ? BST_CHECKED : BST_UNCHECKED);
  HWND regions = GetDlgItem(page, kIdRegionList);
  SendMessageA(regions, CB_RESETCONTENT, 0, 0);
  for (int i = 0; i < kHolidayRegionCount; ++i)
    SendMessageA(regions, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(holidayRegionTexts[i]));
  SendMessageA(regions, CB_SETCURSEL, regionListRow(gSettings.Feiertage), 0);

  SetDlgItemTextA(page, kIdBackgroundLabel, "&Hintergrund: ");
  SetDlgItemTextA(page, kIdMarginsLabel, "Randeinstellungen:");
  SetDlgItemTextA(page, kIdWeekNumbers, "Kalender&woche");
  SetDlgItemTextA(page, kIdFontButton, "Schri&ftart");
  SetDlgItemTextA(page, kIdRegionLabel, "&Feiertage:");
}

void trackMoved(HWND page, HWND track) {
  const int id = GetDlgCtrlID(track);
  const int position = static_cast<int>(SendMessageA(track, TBM_GETPOS, 0, 0));
  switch (id) {
    case kIdBackgroundTrack:
      gSettings.HG = position;
      break;
    case kIdLeftTrack:
      gSettings.left = position;
      SendMessageA(track, TBM_SETSELEND, TRUE, position);
      setLabel(page, kIdLeftLabel, "&links (%d)", position);
      break;
    case kIdRightTrack:
      gSettings.right = position;
      SendMessageA(track, TBM_SETSELSTART, TRUE, position);
      setLabel(page, kIdRightLabel, "&rechts (%d)", position);
      break;
    case kIdTopTrack:
      gSettings.top = position;
      SendMessageA(track, TBM_SETSELEND, TRUE, position);
      setLabel(page, kIdTopLabel, "&oben (%d)", position);
      break;
    default:
      return;
  }
  showPreview(page);
}

void chooseCalendarFont(HWND page) {
  if (!chooseFontOn(page, gSettings.SheetFont, kFontMinPoints, kFontMaxPoints, 0)) return;
  bringSheetFontIntoRange(gSettings.SheetFont);
  std::memcpy(gSettings.HeaderFont.lfFaceName, gSettings.SheetFont.lfFaceName, LF_FACESIZE);
  mainState.RebuildRequested = 1;
  SaveSettings();
  noteSavedDuringSheet();
}

INT_PTR notify(HWND page, const NMHDR* header) {
  switch (header->code) {
    case PSN_SETACTIVE:
      showPreview(page);
      return pageResult(page, 0);
    case PSN_KILLACTIVE:
      dropPreview(page);
      return pageResult(page, FALSE);
    case PSN_APPLY: {
      long region = static_cast<long>(SendDlgItemMessageA(page, kIdRegionList, CB_GETCURSEL, 0, 0));
      bool changed = applyCalendarPage(gSettings, state.start,
                                       IsDlgButtonChecked(page, kIdWeekNumbers) == BST_CHECKED, region);
      SaveSettings();
      if (changed) mainState.RebuildRequested = 1;
      return pageResult(page, PSNRET_NOERROR);
    }
    case PSN_RESET:
      cancelCalendarPage(gSettings, state.start);
      dropPreview(page);
      return TRUE;
    case PSN_HELP:
      pageHelp(page, nullptr, kHelpDesktopCalendar);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

INT_PTR CALLBACK CalendarPage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      initialise(page);
      return TRUE;
    case WM_HSCROLL:
    case WM_VSCROLL:
      if (lParam) trackMoved(page, reinterpret_cast<HWND>(lParam));
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == kIdRegionList && HIWORD(wParam) == CBN_SELCHANGE) {
        long selection = static_cast<long>(SendDlgItemMessageA(page, kIdRegionList, CB_GETCURSEL, 0, 0));
        if (regionChangeAsksRebuild(gSettings.Feiertage, selection)) mainState.RebuildRequested = 1;
        return TRUE;
      }
      if (LOWORD(wParam) == kIdFontButton && HIWORD(wParam) == BN_CLICKED) {
        chooseCalendarFont(page);
        return TRUE;
      }
      return FALSE;
    case WM_HELP:
      pageHelp(page, reinterpret_cast<const HELPINFO*>(lParam), kHelpDesktopCalendar);
      return TRUE;
    case WM_NOTIFY:
      return notify(page, reinterpret_cast<const NMHDR*>(lParam));
    case WM_DESTROY:
      dropPreview(page);
      return FALSE;
  }
  return FALSE;
}

HBITMAP calendarPagePreview() { return state.preview.get(); }
