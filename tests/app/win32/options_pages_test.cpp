// The options pages under Wine, each made from its template inside a host window and driven with
// the messages the sheet and the user's clicks send, against a settings store in memory.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <prsht.h>

#include <cstring>
#include <string>

#include "alarms/appointment_file.h"
#include "app/hotkeys.h"
#include "app/options_pages.h"
#include "app/settings.h"
#include "app/win32/main_window.h"
#include "app/win32/options_sheet.h"
#include "app/win32/program.h"
#include "render/win32/calendar_preview.h"
#include "tests/imaging/gdi_test_support.h"
#include "tests/support/files.h"
#include "tests/support/settings_guard.h"

namespace {

class OptionsPages : public ::testing::Test {
 protected:
  void SetUp() override {
    programInstance = GetModuleHandleA(nullptr);
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&classes);
    useSettingsStore(&store_);
    useSettingsFolders(&folders_);
    gSettings = Settings();
    mainState = MainWindowState();
    host_ = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 700, 600, nullptr, nullptr, programInstance, nullptr);
    ASSERT_NE(host_, nullptr);
    mainWindowHandle = host_;
  }
  void TearDown() override {
    if (page_) DestroyWindow(page_);
    RegisterHotkeys(0);
    for (HotkeySlot& slot : HotkeySlots) slot.active = 0;
    DestroyWindow(host_);
    mainWindowHandle = nullptr;
  }

  void open(int templateId, DLGPROC procedure) {
    PROPSHEETPAGEA sheetPage{};
    sheetPage.dwSize = sizeof sheetPage;
    page_ = CreateDialogParamA(programInstance, MAKEINTRESOURCEA(templateId), host_, procedure,
                               reinterpret_cast<LPARAM>(&sheetPage));
    ASSERT_NE(page_, nullptr);
  }
  // A sheet notification; the page's answer.
  LONG_PTR notify(UINT code) {
    PSHNOTIFY n{};
    n.hdr.hwndFrom = host_;
    n.hdr.code = code;
    SetWindowLongPtrA(page_, DWLP_MSGRESULT, -12345);
    SendMessageA(page_, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&n));
    return GetWindowLongPtrA(page_, DWLP_MSGRESULT);
  }
  HWND item(int id) { return GetDlgItem(page_, id); }
  std::string text(int id) {
    char buffer[512] = "";
    GetDlgItemTextA(page_, id, buffer, sizeof buffer);
    return buffer;
  }
  void click(int id) { SendMessageA(item(id), BM_CLICK, 0, 0); }
  void select(int id, long row) {
    SendMessageA(item(id), CB_SETCURSEL, row, 0);
    SendMessageA(page_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(item(id)));
  }
  void track(int id, int position) {
    SendMessageA(item(id), TBM_SETPOS, TRUE, position);
    UINT message = (GetWindowLongA(item(id), GWL_STYLE) & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
    SendMessageA(page_, message, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(item(id)));
  }
  const MemorySettingsStore::Value* stored(const char* key, const char* name) { return store_.find(key, name); }
  DWORD storedDword(const char* key, const char* name) {
    const MemorySettingsStore::Value* v = stored(key, name);
    return v ? v->dword : 0xDEADBEEF;
  }

  MemorySettingsStore store_;
  TempFolder temp_{"options"};
  PlainSettingsFolders folders_{"C:\\Programme\\Quendler\\quendler.exe", temp_.path(), '\\'};
  SettingsGuard guard_;
  HWND host_ = nullptr;
  HWND page_ = nullptr;
};

TEST_F(OptionsPages, GeneralPageWritesAutostartAtOnceAndReadsTheHiddenBoxesAtOk) {
  gSettings.AutoStart = 1;
  gSettings.AutoExit = 0;
  gSettings.Splash = 1;
  open(kGeneralPage, GeneralPage);
  EXPECT_EQ(text(kIdAutoStart), "automatisch &starten ");
  EXPECT_EQ(text(kIdAutoExit), "automatisch &beenden\n(kein Alarm!)");
  EXPECT_EQ(text(kIdSplash), "Splashscreen");
  EXPECT_EQ(text(kIdTitleAndVersion), kProgramTitleAndVersion);
  EXPECT_FALSE(IsWindowVisible(item(kIdAutoExit)) || GetWindowLongA(item(kIdAutoExit), GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(GetWindowLongA(item(kIdSplash), GWL_STYLE) & WS_VISIBLE);
  // Opening the page writes the entry that the setting asks for.
  const MemorySettingsStore::Value* run = stored(kRunKey, kAutostartValue);
  ASSERT_NE(run, nullptr);
  EXPECT_EQ(run->text, "\"C:\\Programme\\Quendler\\quendler.exe\"");

  click(kIdAutoStart);  // off: the entry goes at once
  EXPECT_EQ(gSettings.AutoStart, 0);
  EXPECT_EQ(stored(kRunKey, kAutostartValue), nullptr);
  EXPECT_EQ(stored(kSettingsKey, "AutoStart"), nullptr) << "nothing else is saved before OK";

  // The hidden boxes keep their state and are read back.
  SendMessageA(item(kIdAutoExit), BM_SETCHECK, BST_CHECKED, 0);
  SendMessageA(item(kIdSplash), BM_SETCHECK, BST_UNCHECKED, 0);
  EXPECT_EQ(notify(PSN_APPLY), PSNRET_NOERROR);
  EXPECT_EQ(storedDword(kSettingsKey, "AutoStart"), 0u);
  EXPECT_EQ(storedDword(kSettingsKey, "AutoExit"), 1u);
  EXPECT_EQ(storedDword(kSettingsKey, "Splash"), 0u);
  EXPECT_EQ(stored(kRunKey, kAutostartValue), nullptr);
}

// Another window cannot take a combination that the page registered for the main window.
bool combinationTaken(UINT flags, UINT code) {
  HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  bool taken = !RegisterHotKey(other, 999, flags, code);
  if (!taken) UnregisterHotKey(other, 999);
  DestroyWindow(other);
  return taken;
}

TEST_F(OptionsPages, HotkeysPageUnregistersWhileOpenAndRegistersWhatOkTakes) {
  LoadHotkeys();  // fresh store: nothing active
  HotkeySlots[1] = HotkeySlot{201, 1, 5, 1};  // Strg+F6, registered as at start-up
  RegisterHotkeys(1);
  ASSERT_TRUE(combinationTaken(MOD_CONTROL, VK_F6));
  open(kHotkeysPage, HotkeysPage);
  EXPECT_FALSE(combinationTaken(MOD_CONTROL, VK_F6)) << "the keys being edited must not fire";
  EXPECT_EQ(text(kIdHotkeyLabel[0]), "Desktop&kalender neu aufbauen:");
  EXPECT_EQ(text(kIdHotkeyActive[2]), "aktiviert");
  EXPECT_EQ(SendMessageA(item(kIdHotkeyModifier[0]), CB_GETCOUNT, 0, 0), 6);
  EXPECT_EQ(SendMessageA(item(kIdHotkeyKey[0]), CB_GETCOUNT, 0, 0), 60);
  EXPECT_EQ(SendMessageA(item(kIdHotkeyModifier[1]), CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessageA(item(kIdHotkeyKey[1]), CB_GETCURSEL, 0, 0), 5);
  EXPECT_EQ(IsDlgButtonChecked(page_, kIdHotkeyActive[1]), BST_CHECKED);

  // Slot 0: Alt+Strg and "K ", switched on. Slot 1: its lists lose their selection.
  select(kIdHotkeyModifier[0], 4);
  select(kIdHotkeyKey[0], 44);
  click(kIdHotkeyActive[0]);
  SendMessageA(item(kIdHotkeyModifier[1]), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  SendMessageA(item(kIdHotkeyKey[1]), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  EXPECT_EQ(notify(PSN_APPLY), PSNRET_NOERROR);
  EXPECT_EQ(storedDword(kHotkeysKey, "hk00m"), 4u);
  EXPECT_EQ(storedDword(kHotkeysKey, "hk00v"), 44u);
  EXPECT_EQ(storedDword(kHotkeysKey, "hk00a"), 1u);
  EXPECT_EQ(storedDword(kHotkeysKey, "hk01m"), 1u) << "no selection keeps the stored row";
  EXPECT_EQ(storedDword(kHotkeysKey, "hk01v"), 5u);
  EXPECT_EQ(storedDword(kHotkeysKey, "hk01a"), 1u);
  EXPECT_TRUE(combinationTaken(MOD_CONTROL | MOD_ALT, 'K'));
  EXPECT_TRUE(combinationTaken(MOD_CONTROL, VK_F6));
}

TEST_F(OptionsPages, HotkeysPageCancelGoesBackToTheStoredSlots) {
  HotkeySlots[2] = HotkeySlot{202, 0, 2, 1};  // Alt+F3, stored and registered
  SaveHotkeys();
  RegisterHotkeys(1);
  open(kHotkeysPage, HotkeysPage);
  select(kIdHotkeyKey[2], 3);
  click(kIdHotkeyActive[2]);
  notify(PSN_RESET);
  EXPECT_EQ(HotkeySlots[2].key, 2);
  EXPECT_EQ(HotkeySlots[2].active, 1);
  EXPECT_TRUE(combinationTaken(MOD_ALT, VK_F3));
  EXPECT_FALSE(combinationTaken(MOD_ALT, VK_F4));
}

TEST_F(OptionsPages, HotkeysPageShowsStoredRowsOutsideTheTablesAsInactiveFirstRows) {
  HotkeySlots[0] = HotkeySlot{200, 9, 75, 1};
  open(kHotkeysPage, HotkeysPage);
  EXPECT_EQ(SendMessageA(item(kIdHotkeyModifier[0]), CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(SendMessageA(item(kIdHotkeyKey[0]), CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(IsDlgButtonChecked(page_, kIdHotkeyActive[0]), BST_UNCHECKED);
  notify(PSN_APPLY);
  EXPECT_EQ(storedDword(kHotkeysKey, "hk00m"), 0u);
  EXPECT_EQ(storedDword(kHotkeysKey, "hk00v"), 0u);
  EXPECT_EQ(storedDword(kHotkeysKey, "hk00a"), 0u);
}

TEST_F(OptionsPages, CalendarPageSetsUpItsControlsAndPreviewAtTheScreensProportions) {
  gSettings.left = 40;
  gSettings.top = 20;
  gSettings.right = 10;
  gSettings.Feiertage = 9;
  open(kCalendarPage, CalendarPage);
  const int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_NE(calendarPagePreview(), nullptr);
  EXPECT_EQ(reinterpret_cast<HBITMAP>(SendMessageA(item(kIdPreviewPicture), STM_GETIMAGE, IMAGE_BITMAP, 0)),
            calendarPagePreview());
  RECT preview, bar;
  GetClientRect(item(kIdPreviewPicture), &preview);
  EXPECT_NEAR(static_cast<double>(preview.right) / preview.bottom, static_cast<double>(W) / H, 0.02);
  BITMAP bits;
  ASSERT_EQ(GetObjectA(calendarPagePreview(), sizeof bits, &bits), static_cast<int>(sizeof bits));
  EXPECT_EQ(bits.bmWidth, preview.right);
  EXPECT_EQ(bits.bmHeight, preview.bottom);
  GetWindowRect(item(kIdPreviewPicture), &preview);
  GetWindowRect(item(kIdBackgroundTrack), &bar);
  EXPECT_EQ(bar.right - bar.left, preview.right - preview.left);

  EXPECT_EQ(SendMessageA(item(kIdBackgroundTrack), TBM_GETRANGEMAX, 0, 0), 18);
  EXPECT_EQ(SendMessageA(item(kIdLeftTrack), TBM_GETRANGEMAX, 0, 0), W / 6);
  EXPECT_EQ(SendMessageA(item(kIdTopTrack), TBM_GETRANGEMAX, 0, 0), H / 6);
  EXPECT_EQ(SendMessageA(item(kIdLeftTrack), TBM_GETSELEND, 0, 0), 40);
  EXPECT_EQ(SendMessageA(item(kIdRightTrack), TBM_GETSELSTART, 0, 0), 10);
  EXPECT_EQ(SendMessageA(item(kIdRightTrack), TBM_GETSELEND, 0, 0), W / 6);
  EXPECT_EQ(text(kIdLeftLabel), "&links (40)");
  EXPECT_EQ(text(kIdRightLabel), "&rechts (10)");
  EXPECT_EQ(text(kIdTopLabel), "&oben (20)");
  EXPECT_EQ(text(kIdBackgroundLabel), "&Hintergrund: ");
  EXPECT_EQ(text(kIdRegionLabel), "&Feiertage:");
  EXPECT_EQ(text(kIdFontButton), "Schri&ftart");
  EXPECT_EQ(SendMessageA(item(kIdRegionList), CB_GETCOUNT, 0, 0), 19);
  EXPECT_EQ(SendMessageA(item(kIdRegionList), CB_GETCURSEL, 0, 0), 9);
}

TEST_F(OptionsPages, CalendarPageTrackBarsChangeTheSettingsAndRebuildThePreviewWithoutLeaking) {
  open(kCalendarPage, CalendarPage);
  HBITMAP first = calendarPagePreview();
  ASSERT_NE(first, nullptr);
  track(kIdLeftTrack, 100);
  EXPECT_EQ(gSettings.left, 100);
  EXPECT_EQ(text(kIdLeftLabel), "&links (100)");
  EXPECT_EQ(SendMessageA(item(kIdLeftTrack), TBM_GETSELEND, 0, 0), 100);
  EXPECT_EQ(GetObjectType(first), 0u) << "the replaced preview was not deleted";
  track(kIdTopTrack, 77);
  EXPECT_EQ(gSettings.top, 77);
  EXPECT_EQ(text(kIdTopLabel), "&oben (77)");
  track(kIdRightTrack, 33);
  EXPECT_EQ(gSettings.right, 33);
  EXPECT_EQ(SendMessageA(item(kIdRightTrack), TBM_GETSELSTART, 0, 0), 33);
  track(kIdBackgroundTrack, 7);
  EXPECT_EQ(gSettings.HG, 7);
  EXPECT_EQ(mainState.RebuildRequested, 0) << "moving alone asks for nothing; OK does";

  const size_t before = freeGdiHandles();
  for (int i = 0; i < 25; ++i) {
    track(kIdBackgroundTrack, i % 19);
    track(kIdLeftTrack, i * 4);
  }
  EXPECT_EQ(freeGdiHandles(), before);
  notify(PSN_KILLACTIVE);
  EXPECT_EQ(calendarPagePreview(), nullptr);
  EXPECT_EQ(SendMessageA(item(kIdPreviewPicture), STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  notify(PSN_SETACTIVE);
  EXPECT_NE(calendarPagePreview(), nullptr);
}

TEST_F(OptionsPages, CalendarPageOnAControlWithoutRoomKeepsThePictureItHas) {
  open(kCalendarPage, CalendarPage);
  HBITMAP shown = calendarPagePreview();
  SetWindowPos(item(kIdPreviewPicture), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOZORDER);
  HBITMAP made = reinterpret_cast<HBITMAP>(1);
  PreviewLook look;
  look.instance = programInstance;
  look.screenWidth = 1024;
  look.screenHeight = 768;
  EXPECT_EQ(BuildPreview(page_, &made, look), 0);
  EXPECT_EQ(made, reinterpret_cast<HBITMAP>(1));
  track(kIdLeftTrack, 12);  // no crash, no division by zero
  EXPECT_EQ(gSettings.left, 12);
  EXPECT_EQ(calendarPagePreview(), shown);
  // A missing background bitmap builds nothing either.
  look.background = 99;
  SetWindowPos(item(kIdPreviewPicture), nullptr, 0, 0, 200, 150, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(BuildPreview(page_, &made, look), 0);
}

TEST_F(OptionsPages, CalendarPageOkTakesWeekNumbersAndRegionCancelRestoresBackgroundAndMargins) {
  gSettings.Feiertage = 3;
  open(kCalendarPage, CalendarPage);
  // Apply without a change leaves the request as it was.
  notify(PSN_APPLY);
  EXPECT_EQ(mainState.RebuildRequested, 0);
  EXPECT_EQ(storedDword(kSettingsKey, "Feiertage"), 3u);
  // Choosing the same region again does not clear an earlier request.
  mainState.RebuildRequested = 1;
  select(kIdRegionList, 3);
  EXPECT_EQ(mainState.RebuildRequested, 1);
  mainState.RebuildRequested = 0;
  select(kIdRegionList, 17);
  EXPECT_EQ(mainState.RebuildRequested, 1);
  EXPECT_EQ(gSettings.Feiertage, 3) << "the region is taken at OK";
  mainState.RebuildRequested = 0;
  click(kIdWeekNumbers);
  notify(PSN_APPLY);
  EXPECT_EQ(mainState.RebuildRequested, 1);
  EXPECT_EQ(storedDword(kSettingsKey, "Feiertage"), 17u);
  EXPECT_EQ(storedDword(kSettingsKey, "Kalenderwoche"), 0u);
  // A list without a selection keeps the region.
  SendMessageA(item(kIdRegionList), CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  notify(PSN_APPLY);
  EXPECT_EQ(gSettings.Feiertage, 17);
  DestroyWindow(page_);

  gSettings = Settings();
  open(kCalendarPage, CalendarPage);
  track(kIdBackgroundTrack, 11);
  track(kIdLeftTrack, 5);
  track(kIdTopTrack, 6);
  track(kIdRightTrack, 7);
  select(kIdRegionList, 2);
  click(kIdWeekNumbers);
  notify(PSN_RESET);
  EXPECT_EQ(gSettings.HG, 0);
  EXPECT_EQ(gSettings.left, 50);
  EXPECT_EQ(gSettings.top, 30);
  EXPECT_EQ(gSettings.right, 0);
  EXPECT_EQ(gSettings.Feiertage, 0);
  EXPECT_EQ(gSettings.Kalenderwoche, 1);
  EXPECT_EQ(calendarPagePreview(), nullptr);
}

// Presses a button of the font dialog once it is up (the dialog runs its own loop meanwhile).
// With a size, that row of the size list is chosen first.
int fontDialogButton = IDOK;
const char* fontDialogSize = nullptr;
void CALLBACK pressFontDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = FindWindowA(nullptr, "Schriftart");
  if (!dialog || !IsWindowVisible(dialog)) return;
  KillTimer(nullptr, timer);
  if (fontDialogSize) {
    HWND sizes = GetDlgItem(dialog, cmb3);
    LRESULT row = SendMessageA(sizes, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(fontDialogSize));
    SendMessageA(sizes, CB_SETCURSEL, row, 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(cmb3, CBN_SELCHANGE), reinterpret_cast<LPARAM>(sizes));
  }
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(fontDialogButton, BN_CLICKED), 0);
}

// (The dialog under Wine offers 8..72 points, so sizes beyond 128 pixels, which are brought
// into range before saving, are tested natively.)
TEST_F(OptionsPages, CalendarFontIsSavedAtTheDialogsOkAndKeptByTheNextStart) {
  open(kCalendarPage, CalendarPage);
  std::strcpy(gSettings.SheetFont.lfFaceName, "Tahoma");
  fontDialogButton = IDOK;
  fontDialogSize = "72";
  SetTimer(nullptr, 0, 100, pressFontDialog);
  click(kIdFontButton);
  const LONG expected = -MulDiv(72, GetDeviceCaps(GetDC(nullptr), LOGPIXELSY), 72);
  EXPECT_EQ(gSettings.SheetFont.lfHeight, expected);
  EXPECT_EQ(static_cast<int32_t>(storedDword(kSettingsKey, "FHeight")), expected);
  EXPECT_EQ(mainState.RebuildRequested, 1);
  EXPECT_STREQ(gSettings.HeaderFont.lfFaceName, gSettings.SheetFont.lfFaceName);
  EXPECT_EQ(gSettings.SheetFont.lfQuality, 4) << "what the settings do not keep stays as it was";
  Settings next;
  LoadSettings(next, store_, &folders_);
  EXPECT_EQ(next.SheetFont.lfHeight, expected) << "the next start keeps the chosen size";
}

TEST_F(OptionsPages, FontDialogCancelLeavesTheFontAsItWas) {
  LOGFONTA font;
  setDefaultNoteFont(font);
  LOGFONTA before = font;
  fontDialogButton = IDCANCEL;
  fontDialogSize = "12";
  SetTimer(nullptr, 0, 100, pressFontDialog);
  EXPECT_FALSE(chooseFontOn(host_, font, 6, 18, CF_SCRIPTSONLY));
  EXPECT_EQ(std::memcmp(&font, &before, sizeof font), 0);
}

TEST_F(OptionsPages, AppointmentsPageReloadsOnlyForAnotherFile) {
  const std::string a = temp_.file("a.qtm"), b = temp_.file("b.qtm");
  AppointmentTable one{};
  Appointment record{};
  std::strcpy(record.name, "Zahnarzt");
  record.repeatKind = kRepeatYearly;
  record.day = 1;
  record.month = 12;
  record.year = 2030;
  addAppointment(one, record);
  ASSERT_EQ(saveAppointmentTable(one, b.c_str()), 1);
  std::snprintf(gSettings.AlarmFile, sizeof gSettings.AlarmFile, "%s", a.c_str());
  gSettings.Snooze = 6;
  AppointmentFile = AppointmentTable{};
  AppointmentFile.count = 0;
  open(kAppointmentsPage, AppointmentsPage);
  EXPECT_EQ(text(kIdSnoozeLabel), "&Snooze-Zeit (6 Minuten):");
  EXPECT_EQ(SendMessageA(item(kIdSnoozeTrack), TBM_GETRANGEMIN, 0, 0), 2);
  EXPECT_EQ(SendMessageA(item(kIdSnoozeTrack), TBM_GETRANGEMAX, 0, 0), 60);

  // Only the letter case changed: the table stays as it is.
  std::string upper = a;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  AppointmentFile.count = 1;
  std::strcpy(AppointmentFile.slots[0].name, "im Speicher");
  SetDlgItemTextA(page_, kIdAlarmFile, upper.c_str());
  notify(PSN_APPLY);
  EXPECT_EQ(AppointmentFile.count, 1);
  EXPECT_STREQ(AppointmentFile.slots[0].name, "im Speicher");
  EXPECT_EQ(stored(kSettingsKey, "AlarmFile")->text, upper);

  // Another file: its appointments replace the table.
  SetDlgItemTextA(page_, kIdAlarmFile, b.c_str());
  notify(PSN_APPLY);
  EXPECT_EQ(AppointmentFile.count, 1);
  EXPECT_STREQ(AppointmentFile.slots[0].name, "Zahnarzt");
  // An empty field keeps the file.
  SetDlgItemTextA(page_, kIdAlarmFile, "");
  notify(PSN_APPLY);
  EXPECT_EQ(std::string(gSettings.AlarmFile), b);
  EXPECT_EQ(stored(kSettingsKey, "AlarmFile")->text, b);
}

TEST_F(OptionsPages, AppointmentsPageSnoozeMovesAtOnceAndCancelPutsItBack) {
  gSettings.Snooze = 6;
  std::strcpy(gSettings.AlarmFile, "C:\\Termine\\alarm.qtm");
  open(kAppointmentsPage, AppointmentsPage);
  SendMessageA(item(kIdSnoozeTrack), TBM_SETPOS, TRUE, 10);
  SendMessageA(page_, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 10), reinterpret_cast<LPARAM>(item(kIdSnoozeTrack)));
  EXPECT_EQ(gSettings.Snooze, 10);
  EXPECT_EQ(text(kIdSnoozeLabel), "&Snooze-Zeit (10 Minuten):");
  std::strcpy(gSettings.AlarmFile, "C:\\anders.qtm");
  notify(PSN_RESET);
  EXPECT_EQ(gSettings.Snooze, 6);
  EXPECT_STREQ(gSettings.AlarmFile, "C:\\Termine\\alarm.qtm");
}

TEST_F(OptionsPages, NotesPageTakesTheFolderWithOneSeparatorAndRefusesOneTooLong) {
  std::strcpy(gSettings.NotePath, "C:\\Alt\\");
  open(kNotesPage, NotesPage);
  EXPECT_EQ(text(kIdNoteFolder), "C:\\Alt\\");
  EXPECT_EQ(text(kIdNoteFolderLabel), "&Ordner für Notizen:");
  SetDlgItemTextA(page_, kIdNoteFolder, "C:\\Notizen");
  EXPECT_EQ(notify(PSN_APPLY), PSNRET_NOERROR);
  EXPECT_EQ(stored(kSettingsKey, "NotePath")->text, "C:\\Notizen\\");
  SetDlgItemTextA(page_, kIdNoteFolder, "D:\\");
  notify(PSN_APPLY);
  EXPECT_STREQ(gSettings.NotePath, "D:\\");
  SetDlgItemTextA(page_, kIdNoteFolder, "");
  notify(PSN_APPLY);
  EXPECT_STREQ(gSettings.NotePath, "D:\\");

  // 259 characters: with the separator the folder would not fit its field.
  const std::string tooLong = "C:\\" + std::string(256, 'n');
  SetDlgItemTextA(page_, kIdNoteFolder, tooLong.c_str());
  EXPECT_EQ(text(kIdNoteFolder), tooLong);
  EXPECT_EQ(notify(PSN_APPLY), PSNRET_INVALID);
  EXPECT_STREQ(gSettings.NotePath, "D:\\");
  EXPECT_TRUE(GetWindowLongA(item(kIdNoteFolderMessage), GWL_STYLE) & WS_VISIBLE);
  EXPECT_EQ(text(kIdNoteFolderMessage), kNoteFolderTooLongText);
  SetDlgItemTextA(page_, kIdNoteFolder, tooLong.substr(0, 258).c_str());
  EXPECT_EQ(notify(PSN_APPLY), PSNRET_NOERROR);
  EXPECT_EQ(std::string(gSettings.NotePath), tooLong.substr(0, 258) + "\\");
  EXPECT_FALSE(GetWindowLongA(item(kIdNoteFolderMessage), GWL_STYLE) & WS_VISIBLE);
}

TEST_F(OptionsPages, NotesFontIsSavedAtTheDialogsOk) {
  open(kNotesPage, NotesPage);
  fontDialogButton = IDOK;
  fontDialogSize = "16";
  SetTimer(nullptr, 0, 100, pressFontDialog);
  click(kIdFontButton);
  const LONG expected = -MulDiv(16, GetDeviceCaps(GetDC(nullptr), LOGPIXELSY), 72);
  EXPECT_EQ(gSettings.NoteFont.lfHeight, expected);
  EXPECT_EQ(static_cast<int32_t>(storedDword(kNoteFontKey, "FHeight")), expected);
  EXPECT_EQ(gSettings.NoteFont.lfPitchAndFamily, 0x31);
}

// The whole sheet, driven step by step from a timer while it runs modally.
int sheetStep = 0;
std::string sheetButtonTexts;  // the sheet's own buttons as the first step found them
void CALLBACK driveSheet(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND sheet = FindWindowA(nullptr, " Optionen");
  if (!sheet) return;
  HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  switch (sheetStep++) {
    case 0: {
      char text[32];
      for (int id : {IDOK, IDCANCEL, IDHELP}) {
        GetDlgItemTextA(sheet, id, text, sizeof text);
        sheetButtonTexts += std::string(text) + "|";
      }
      SendMessageA(sheet, PSM_SETCURSEL, 1, 0);
      break;
    }
    case 1: {
      HWND bar = GetDlgItem(page, kIdLeftTrack);
      SendMessageA(bar, TBM_SETPOS, TRUE, 10);
      SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 10), reinterpret_cast<LPARAM>(bar));
      // What a font accepted in its dialog does.
      SaveSettings();
      noteSavedDuringSheet();
      break;
    }
    case 2:
      SendMessageA(sheet, PSM_SETCURSEL, 3, 0);
      break;
    default:
      KillTimer(nullptr, timer);
      PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  }
}

TEST_F(OptionsPages, CancelAfterAFontWasSavedPutsTheMarginsBackInTheStore) {
  sheetButtonTexts.clear();
  gSettings.left = 120;
  SaveSettings();
  sheetStep = 0;
  SetTimer(nullptr, 0, 200, driveSheet);
  EXPECT_EQ(OpenOptionsSheet(host_), 1);
  EXPECT_EQ(gSettings.left, 120);
  EXPECT_EQ(storedDword(kSettingsKey, "left"), 120u);
  EXPECT_EQ(sheetButtonTexts, "OK|Abbrechen|Hilfe|") << "the sheet's buttons are German";
}

}  // namespace
