// Date line, day information, help tables and hotkey tables.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "app/day_texts.h"
#include "app/help_tables.h"
#include "app/hotkeys.h"
#include "app/settings.h"
#include "platform/clock.h"
#include "tests/support/clock_guard.h"
#include "tests/support/settings_guard.h"

namespace {

std::string dateLine(int d, int m, int y, int wd, int order, const char* sep) {
  char text[kDateLineSize];
  formatDateLineFor(text, sizeof text, d, m, y, wd, order, sep);
  return text;
}

TEST(DateLine, TheThreeDateOrders) {
  fillWeekdayNames();
  EXPECT_EQ(dateLine(9, 3, 2009, 1, 0, "/"), "Montag 03/09/2009");
  EXPECT_EQ(dateLine(9, 3, 2009, 1, 1, "."), "Montag 09.03.2009");
  EXPECT_EQ(dateLine(9, 3, 2009, 1, 2, "-"), "Montag 2009-03-09");
  EXPECT_EQ(dateLine(28, 12, 1999, 2, 1, "."), "Dienstag 28.12.1999");
  // Orders the platform does not define are written day-month-year.
  EXPECT_EQ(dateLine(1, 1, 2024, 1, 7, "."), "Montag 01.01.2024");
  EXPECT_EQ(dateLine(1, 1, 2024, 6, -1, "."), "Samstag 01.01.2024");
  EXPECT_EQ(std::string(WeekdayNames[0]), "Sonntag");
  EXPECT_EQ(std::string(WeekdayNames[4]), "Donnerstag");
}

TEST(DateLine, TodayUsesTheClockAndTheSettings) {
  ClockGuard keepClock;
  SettingsGuard keepSettings;
  LocalTime t;
  ASSERT_EQ(parseLocalTime("2009-03-09 10:00:00", t), 1);
  setClockStart(t, true);
  gSettings.iDate = 2;
  gSettings.sDate[0] = '-';
  char text[kDateLineSize];
  FormatDateLine(text);
  EXPECT_STREQ(text, "Montag 2009-03-09");
}

TEST(DayInfo, NamedDaysComeFirstWithAnEmptyLine) {
  char text[kDayInfoSize];
  // 12 April 2009 was Easter Sunday: day 31 + 28 + 31 + 12 = 102, ISO week 15.
  formatDayInfoFor(text, sizeof text, 12, 4, 2009, 1);
  std::string info = text;
  EXPECT_EQ(info.rfind("Ostersonntag", 0), 0u) << info;
  EXPECT_NE(info.find(" \n\n102. Tag im Jahr\n15. Kalenderwoche\n"), std::string::npos) << info;

  // An ordinary day: only the two lines. 30 December 2024 is day 365 and in ISO week 1 of 2025.
  formatDayInfoFor(text, sizeof text, 30, 12, 2024, 0);
  EXPECT_STREQ(text, "365. Tag im Jahr\n1. Kalenderwoche\n");
  // 1 January 2021 belongs to week 53 of 2020.
  formatDayInfoFor(text, sizeof text, 1, 1, 2021, 0);
  EXPECT_STREQ(text, "Neujahr \n\n1. Tag im Jahr\n53. Kalenderwoche\n");
}

TEST(DayInfo, ASmallBufferIsCutNotOverrun) {
  char text[24];
  std::memset(text, 'x', sizeof text);
  formatDayInfoFor(text, 20, 12, 4, 2009, 1);
  EXPECT_EQ(std::strlen(text), 19u);
  EXPECT_EQ(text[20], 'x');
}

TEST(HelpTables, TopicsAndFallback) {
  EXPECT_STREQ(helpTopicString(1), "zuvi.chm::html/index.html>main");
  EXPECT_STREQ(helpTopicString(2), "zuvi.chm::html/optionen-hintergrund.html>main");
  EXPECT_STREQ(helpTopicString(9), "zuvi.chm::html/optionen-hotkeys.html>main");
  EXPECT_STREQ(helpTopicString(12), "zuvi.chm::html/erste_schritte.html>main");
  for (int unknown : {0, 4, 5, 6, 13, -1, 1000})
    EXPECT_STREQ(helpTopicString(unknown), "zuvi.chm::html/index.html>main") << unknown;
  char path[MAX_PATH];
  ASSERT_EQ(buildHelpTopicPath(path, sizeof path, "C:\\Q\\", 3), 1);
  EXPECT_STREQ(path, "C:\\Q\\zuvi.chm::html/alarm.html>main");
  ASSERT_EQ(buildHelpPopupPath(path, sizeof path, "C:\\Q\\"), 1);
  EXPECT_STREQ(path, "C:\\Q\\zuvi.chm::/popups.txt");
  EXPECT_EQ(buildHelpTopicPath(path, 10, "C:\\Q\\", 1), 0);
}

TEST(HelpTables, PopupIds) {
  EXPECT_EQ(helpPopupFor(1004), 108u);  // "Beenden"
  EXPECT_EQ(helpPopupFor(1072), 201u);
  EXPECT_EQ(helpPopupFor(1210), 201u);
  EXPECT_EQ(helpPopupFor(1014), 106u);
  EXPECT_EQ(helpPopupFor(1089), 218u);
  EXPECT_EQ(helpPopupFor(1091), 220u);
  EXPECT_EQ(helpPopupFor(1107), 606u);
  EXPECT_EQ(helpPopupFor(1081), 0u);  // the date line has no popup
  EXPECT_EQ(helpPopupFor(0), 0u);
  // The table ends with 0, 0 after 45 pairs, and no control appears twice.
  size_t pairs = 0;
  std::set<DWORD> controls;
  for (const DWORD* p = kContextHelpTable; p[0] || p[1]; p += 2, ++pairs) controls.insert(p[0]);
  EXPECT_EQ(pairs, 45u);
  EXPECT_EQ(controls.size(), pairs);
}

TEST(Hotkeys, Tables) {
  const HotkeyKey* keys = hotkeyKeyTable();
  EXPECT_STREQ(keys[0].text, "F1");
  EXPECT_EQ(keys[11].code, 0x7Bu);
  EXPECT_STREQ(keys[12].text, "num 0");
  EXPECT_EQ(keys[21].code, 0x69u);
  EXPECT_STREQ(keys[22].text, "num +");
  EXPECT_EQ(keys[22].code, 0x6Bu);
  EXPECT_EQ(keys[23].code, 0x6Du);
  EXPECT_STREQ(keys[24].text, "0 ");
  EXPECT_EQ(keys[33].code, 0x39u);
  EXPECT_STREQ(keys[44].text, "K ");
  EXPECT_EQ(keys[44].code, 0x4Bu);
  EXPECT_STREQ(keys[59].text, "Z ");
  EXPECT_EQ(keys[59].code, 0x5Au);
  HotkeySlot ctrlAltK{200, 4, 44, 1};
  EXPECT_EQ(hotkeyModifierFlags(ctrlAltK), 3u);
  EXPECT_EQ(hotkeyKeyCode(ctrlAltK), 0x4Bu);
  HotkeySlot bad{200, 6, 60, 1};
  EXPECT_EQ(hotkeyModifierFlags(bad), 0u);
  EXPECT_EQ(hotkeyKeyCode(bad), 0u);
}

TEST(Hotkeys, StoreRoundTripAndBadIndexes) {
  MemorySettingsStore store;
  HotkeySlot slots[kHotkeySlotCount];
  LoadHotkeys(slots, store);  // fresh installation: nothing active
  for (int i = 0; i < kHotkeySlotCount; ++i) {
    EXPECT_EQ(slots[i].id, 200 + i);
    EXPECT_EQ(slots[i].active, 0);
  }
  slots[0] = {200, 4, 44, 1};
  slots[2] = {202, 5, 59, 7};
  ASSERT_EQ(SaveHotkeys(slots, store), 1);
  EXPECT_EQ(store.find(kHotkeysKey, "hk02a")->dword, 1u);  // stored as 0 or 1
  HotkeySlot back[kHotkeySlotCount];
  LoadHotkeys(back, store);
  EXPECT_EQ(back[0].modifier, 4);
  EXPECT_EQ(back[0].key, 44);
  EXPECT_EQ(back[0].active, 1);
  EXPECT_EQ(back[2].modifier, 5);
  EXPECT_EQ(back[2].key, 59);
  EXPECT_EQ(back[2].active, 1);

  store.setDword(kHotkeysKey, "hk01v", 60);
  store.setDword(kHotkeysKey, "hk01a", 1);
  store.setDword(kHotkeysKey, "hk00m", static_cast<DWORD>(-1));
  LoadHotkeys(back, store);
  EXPECT_EQ(back[1].active, 0);
  EXPECT_EQ(back[1].key, 0);
  EXPECT_EQ(back[0].active, 0);
  EXPECT_EQ(back[0].id, 200);
}

}  // namespace
