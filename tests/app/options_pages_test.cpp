// The decisions of the options pages: which hotkey and region rows a list without a selection
// or a stored value outside its table gives, what OK and Cancel of the desktop-calendar page
// keep, the calendar font's height range, and how the appointment file and the note folder are
// taken from their fields.
#include "app/options_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

TEST(OptionsHotkeys, ListsWithoutSelectionKeepTheStoredRows) {
  const HotkeySlot stored{201, 4, 44, 1};  // Alt+Strg, "K "
  HotkeySlot s = hotkeySlotFromPage(stored, kNoListSelection, kNoListSelection, true);
  EXPECT_EQ(s.id, 201);
  EXPECT_EQ(s.modifier, 4);
  EXPECT_EQ(s.key, 44);
  EXPECT_EQ(s.active, 1);
  // Rows outside the tables count as no selection too.
  s = hotkeySlotFromPage(stored, kHotkeyModifierCount, kHotkeyKeyCount, false);
  EXPECT_EQ(s.modifier, 4);
  EXPECT_EQ(s.key, 44);
  EXPECT_EQ(s.active, 0);
  // Selections are taken as they are.
  s = hotkeySlotFromPage(stored, 5, 59, true);
  EXPECT_EQ(s.modifier, 5);
  EXPECT_EQ(s.key, 59);
  EXPECT_EQ(hotkeyModifierFlags(s), 8u);
  EXPECT_EQ(hotkeyKeyCode(s), 0x5Au);
}

TEST(OptionsHotkeys, StoredRowsOutsideTheTablesShowAsInactiveFirstRows) {
  for (HotkeySlot stored : {HotkeySlot{200, 6, 3, 1}, HotkeySlot{200, -1, 3, 1},
                            HotkeySlot{200, 2, 60, 1}, HotkeySlot{200, 2, -7, 1}}) {
    HotkeySlot shown = hotkeySlotForPage(stored);
    EXPECT_EQ(shown.id, 200);
    EXPECT_EQ(shown.modifier, 0);
    EXPECT_EQ(shown.key, 0);
    EXPECT_EQ(shown.active, 0);
    // OK with nothing selected: a slot the tables can hold, never the stored rows.
    HotkeySlot taken = hotkeySlotFromPage(stored, kNoListSelection, kNoListSelection, true);
    EXPECT_TRUE(hotkeySlotValid(taken));
    EXPECT_EQ(taken.modifier, 0);
    EXPECT_EQ(taken.key, 0);
  }
  HotkeySlot fine{202, 3, 10, 1};
  HotkeySlot shown = hotkeySlotForPage(fine);
  EXPECT_EQ(shown.modifier, 3);
  EXPECT_EQ(shown.key, 10);
  EXPECT_EQ(shown.active, 1);
}

TEST(OptionsCalendar, RegionRowsAndTheRebuildTheirChangeAsksFor) {
  EXPECT_EQ(regionListRow(0), 0);
  EXPECT_EQ(regionListRow(18), 18);
  EXPECT_EQ(regionListRow(19), 0);
  EXPECT_EQ(regionListRow(-3), 0);
  EXPECT_TRUE(regionChangeAsksRebuild(0, 5));
  EXPECT_FALSE(regionChangeAsksRebuild(5, 5));  // the same region again: no new request
  EXPECT_FALSE(regionChangeAsksRebuild(5, kNoListSelection));
  EXPECT_FALSE(regionChangeAsksRebuild(5, 19));
}

TEST(OptionsCalendar, MarginRangesAreASixthOfTheScreen) {
  MarginRanges r = marginRanges(1024, 768);
  EXPECT_EQ(r.horizontal, 170);
  EXPECT_EQ(r.vertical, 128);
  r = marginRanges(1600, 900);
  EXPECT_EQ(r.horizontal, 266);
  EXPECT_EQ(r.vertical, 150);
  r = marginRanges(0, -5);
  EXPECT_EQ(r.horizontal, 0);
  EXPECT_EQ(r.vertical, 0);
}

TEST(OptionsCalendar, OkTakesWeekNumbersAndRegionAndTellsWhetherAnythingChanged) {
  Settings s;
  s.HG = 3;
  s.Feiertage = 7;
  const CalendarPageStart start = calendarPageStart(s);
  // Nothing changed.
  EXPECT_FALSE(applyCalendarPage(s, start, s.Kalenderwoche != 0, 7));
  // No selection in the region list keeps the region.
  EXPECT_FALSE(applyCalendarPage(s, start, true, kNoListSelection));
  EXPECT_EQ(s.Feiertage, 7);
  EXPECT_FALSE(applyCalendarPage(s, start, true, 25));
  EXPECT_EQ(s.Feiertage, 7);
  // Each of the six values counts.
  Settings t = s;
  EXPECT_TRUE(applyCalendarPage(t, start, false, 7));
  EXPECT_EQ(t.Kalenderwoche, 0);
  t = s;
  EXPECT_TRUE(applyCalendarPage(t, start, true, 17));
  EXPECT_EQ(t.Feiertage, 17);
  for (int Settings::*field : {&Settings::HG, &Settings::left, &Settings::top, &Settings::right}) {
    t = s;
    t.*field += 1;  // the track bars change the record at once
    EXPECT_TRUE(applyCalendarPage(t, start, true, 7));
  }
}

TEST(OptionsCalendar, CancelRestoresBackgroundAndMarginsOnly) {
  Settings s;
  const CalendarPageStart start = calendarPageStart(s);
  s.HG = 12;
  s.left = 1;
  s.top = 2;
  s.right = 3;
  s.Kalenderwoche = 0;
  s.Feiertage = 9;
  s.SheetFont.lfHeight = -40;
  cancelCalendarPage(s, start);
  EXPECT_EQ(s.HG, 0);
  EXPECT_EQ(s.left, 50);
  EXPECT_EQ(s.top, 30);
  EXPECT_EQ(s.right, 0);
  EXPECT_EQ(s.Kalenderwoche, 0);
  EXPECT_EQ(s.Feiertage, 9);
  EXPECT_EQ(s.SheetFont.lfHeight, -40);
}

TEST(OptionsFonts, ABackupPutsBackWhatTheDialogChanged) {
  LOGFONTA font;
  setDefaultNoteFont(font);
  const FontBackup backup = backupFont(font);
  font.lfHeight = -24;
  font.lfWeight = 700;
  font.lfItalic = 1;
  std::strcpy(font.lfFaceName, "Lucida Console");
  restoreFont(font, backup);
  LOGFONTA fresh;
  setDefaultNoteFont(fresh);
  EXPECT_EQ(std::memcmp(&font, &fresh, sizeof font), 0);
}

TEST(OptionsFonts, ACalendarFontOutsideTheStoredRangeIsBroughtIntoItAndSurvivesTheNextStart) {
  struct Case {
    LONG chosen, kept;
  } cases[] = {{-171, -128}, {-129, -128}, {-128, -128}, {-9, -9}, {-7, -7}, {-6, -7},
               {-1, -7},     {200, 128},   {3, 7},       {-30, -30}, {0, kDefaultSheetFontHeight},
               {INT32_MIN, -128}, {INT32_MAX, 128}};
  for (const Case& c : cases) {
    Settings s;
    s.SheetFont.lfHeight = c.chosen;
    bringSheetFontIntoRange(s.SheetFont);
    EXPECT_EQ(s.SheetFont.lfHeight, c.kept) << c.chosen;
    // Saved and loaded again it stays, rather than falling back to the default.
    MemorySettingsStore store;
    ASSERT_EQ(SaveSettings(s, store), 1);
    Settings loaded;
    LoadSettings(loaded, store, nullptr);
    EXPECT_EQ(loaded.SheetFont.lfHeight, c.kept) << c.chosen;
  }
}

TEST(OptionsAppointments, EmptyFieldKeepsTheFileAndCaseDoesNotMakeAnotherFile) {
  char file[MAX_PATH] = "C:\\Daten\\alarm.qtm";
  appointmentFileFromField(file, sizeof file, "");
  EXPECT_STREQ(file, "C:\\Daten\\alarm.qtm");
  appointmentFileFromField(file, sizeof file, "D:\\Termine\\büro.qtm");
  EXPECT_STREQ(file, "D:\\Termine\\büro.qtm");

  EXPECT_TRUE(samePathIgnoringCase("C:\\Daten\\Alarm.QTM", "c:\\daten\\alarm.qtm"));
  EXPECT_TRUE(samePathIgnoringCase("C:\\Büro\\ÄÖÜ.qtm", "c:\\bÜro\\äöü.QTM"));
  EXPECT_FALSE(samePathIgnoringCase("C:\\Daten\\alarm.qtm", "C:\\Daten\\alarm2.qtm"));
  EXPECT_FALSE(samePathIgnoringCase("C:\\Daten\\alarm.qtm", "C:\\Daten\\alarm.qt"));
  EXPECT_FALSE(samePathIgnoringCase("C:\\a", "C:\\b"));
}

TEST(OptionsNotes, TheFolderGetsOneSeparatorAndNeverOverflowsItsField) {
  char path[MAX_PATH] = "C:\\Alt\\";
  EXPECT_EQ(notePathFromField(path, sizeof path, "C:\\Notizen"), NoteFolderResult::taken);
  EXPECT_STREQ(path, "C:\\Notizen\\");
  EXPECT_EQ(notePathFromField(path, sizeof path, "D:\\Notizen\\"), NoteFolderResult::taken);
  EXPECT_STREQ(path, "D:\\Notizen\\");
  EXPECT_EQ(notePathFromField(path, sizeof path, "C:\\"), NoteFolderResult::taken);
  EXPECT_STREQ(path, "C:\\");  // a drive root keeps its one separator
  EXPECT_EQ(notePathFromField(path, sizeof path, ""), NoteFolderResult::keptOld);
  EXPECT_STREQ(path, "C:\\");

  // 258 characters and the separator fill the field; 259 and the separator would not fit.
  const std::string folder258 = "C:\\" + std::string(255, 'n');
  EXPECT_EQ(notePathFromField(path, sizeof path, folder258.c_str()), NoteFolderResult::taken);
  EXPECT_EQ(std::string(path), folder258 + "\\");
  EXPECT_EQ(std::strlen(path), kNotePathMost);
  std::strcpy(path, "C:\\Alt\\");
  const std::string folder259 = folder258 + "x";
  EXPECT_EQ(notePathFromField(path, sizeof path, folder259.c_str()), NoteFolderResult::tooLong);
  EXPECT_STREQ(path, "C:\\Alt\\");
  // 259 with its separator already there fits.
  const std::string ending259 = folder258 + "\\";
  EXPECT_EQ(notePathFromField(path, sizeof path, ending259.c_str()), NoteFolderResult::taken);
  EXPECT_EQ(std::string(path), ending259);
}

TEST(OptionsNotes, TheFolderPickersChoiceGetsItsSeparator) {
  char out[16];
  ASSERT_EQ(folderWithSeparator(out, sizeof out, "C:\\Notizen"), 1);
  EXPECT_STREQ(out, "C:\\Notizen\\");
  ASSERT_EQ(folderWithSeparator(out, sizeof out, "C:\\"), 1);
  EXPECT_STREQ(out, "C:\\");
  // 15 characters with the separator fill 16 bytes; one more does not fit, out stays.
  ASSERT_EQ(folderWithSeparator(out, sizeof out, "C:\\abcdefghijk"), 1);
  EXPECT_STREQ(out, "C:\\abcdefghijk\\");
  EXPECT_EQ(folderWithSeparator(out, sizeof out, "C:\\abcdefghijkl"), 0);
  EXPECT_STREQ(out, "C:\\abcdefghijk\\");
}

}  // namespace
