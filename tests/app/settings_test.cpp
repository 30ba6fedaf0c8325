#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/settings.h"
#include "tests/support/files.h"
#include "tests/support/recording_settings_store.h"
#include "tests/support/settings_guard.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> namesWithPrefix(const std::vector<std::string>& log, char op) {
  std::vector<std::string> out;
  for (const std::string& e : log)
    if (e[0] == op) out.push_back(e.substr(2));
  return out;
}

TEST(Settings, FreshUserGetsDefaultsAndDataFolder) {
  TempFolder temp("settings");
  const std::string root = temp.file("appdata");  // not there yet: made on demand
  RecordingSettingsStore store;
  PlainSettingsFolders folders("/opt/q/quendler.exe", root);
  Settings s;
  ASSERT_EQ(LoadSettings(s, store, &folders), 1);

  EXPECT_EQ(s.AutoDelete, 0);
  EXPECT_EQ(s.Splash, 1);
  EXPECT_EQ(s.Mondphasen, 0);
  EXPECT_EQ(s.AutoExit, 0);
  EXPECT_EQ(s.AutoStart, 1);
  EXPECT_EQ(s.TerminSchutz, 0);
  EXPECT_EQ(s.Snooze, 6);
  EXPECT_EQ(s.x, -1);
  EXPECT_EQ(s.y, -1);
  EXPECT_EQ(s.left, 50);
  EXPECT_EQ(s.top, 30);
  EXPECT_EQ(s.right, 0);
  EXPECT_EQ(s.OldDay, -1);
  EXPECT_EQ(s.HG, 0);
  EXPECT_EQ(s.Kalenderwoche, 1);
  EXPECT_EQ(s.Wochentage, 1);
  EXPECT_EQ(s.Feiertage, 0);
  EXPECT_EQ(s.SheetFont.lfHeight, -30);
  EXPECT_EQ(s.SheetFont.lfWeight, 600);
  EXPECT_EQ(s.SheetFont.lfItalic, 0);
  EXPECT_STREQ(s.SheetFont.lfFaceName, "Verdana");
  EXPECT_EQ(s.SheetFont.lfOutPrecision, 1);
  EXPECT_EQ(s.SheetFont.lfClipPrecision, 2);
  EXPECT_EQ(s.SheetFont.lfQuality, 4);
  EXPECT_EQ(s.SheetFont.lfPitchAndFamily, 0);
  EXPECT_EQ(s.HeaderFont.lfHeight, -100);
  EXPECT_EQ(s.HeaderFont.lfWeight, 800);
  EXPECT_STREQ(s.HeaderFont.lfFaceName, "Verdana");
  EXPECT_EQ(s.HeaderFont.lfQuality, 4);

  std::string data = root + "/Skorvati/Desktopkalender/Die Quendler";
  EXPECT_TRUE(fs::is_directory(data));
  EXPECT_EQ(std::string(s.dataFolder), data + "/");
  EXPECT_EQ(std::string(s.AlarmFile), data + "/alarm.qtm");
  EXPECT_EQ(std::string(s.NotePath), data + "/");
  EXPECT_STREQ(s.programFolder, "/opt/q/");
  // No regional key and no profile entries: day-month-year with a dot.
  EXPECT_EQ(s.iDate, 1);
  EXPECT_STREQ(s.sDate, ".");
  EXPECT_EQ(store.openCount(), 0);
}

TEST(Settings, WithoutDataFolderTheProgramFolderServes) {
  MemorySettingsStore store;
  PlainSettingsFolders folders("C:\\Programme\\Q\\quendler.exe", "", '\\');
  Settings s;
  LoadSettings(s, store, &folders);
  EXPECT_STREQ(s.AlarmFile, "C:\\Programme\\Q\\alarm.qtm");
  EXPECT_STREQ(s.NotePath, "C:\\Programme\\Q\\");
  EXPECT_STREQ(s.dataFolder, "");
}

TEST(Settings, RangeChecksOnLoad) {
  struct Case {
    DWORD hg, fheight;
    int wantHg, wantHeight;
  };
  const Case cases[] = {
      {19, static_cast<DWORD>(-6), 0, -30},   {static_cast<DWORD>(-1), 200, 0, -30},
      {18, static_cast<DWORD>(-7), 18, -7},   {0, 128, 0, 128},
      {5, 7, 5, 7},                           {3, static_cast<DWORD>(-129), 3, -30},
      // The extremes of a dword: no magnitude of them is taken as an int.
      {1, 0x80000000u, 1, -30},               {2, 0x7FFFFFFFu, 2, -30},
  };
  for (const Case& c : cases) {
    MemorySettingsStore store;
    store.setDword(kSettingsKey, "HG", c.hg);
    store.setDword(kSettingsKey, "FHeight", c.fheight);
    Settings s;
    LoadSettings(s, store, nullptr);
    EXPECT_EQ(s.HG, c.wantHg) << "HG " << c.hg;
    EXPECT_EQ(s.SheetFont.lfHeight, c.wantHeight) << "FHeight " << static_cast<int>(c.fheight);
    // The header copy takes the face but keeps its own size and weight.
    EXPECT_EQ(s.HeaderFont.lfHeight, -100);
  }
}

// Values no page of the program writes: each loads as its default or clamped into its range,
// so that what the program saves next is sane again.
TEST(Settings, HostileNumbersLoadInRange) {
  struct Case {
    const char* name;
    DWORD stored;
    int want;
  };
  const Case cases[] = {
      {"Feiertage", 99, 0},           {"Feiertage", static_cast<DWORD>(-3), 0},
      {"Feiertage", 18, 18},          {"Feiertage", 19, 0},
      {"Snooze", 0, 2},               {"Snooze", 100000, 60},
      {"Snooze", static_cast<DWORD>(-5), 2}, {"Snooze", 2, 2}, {"Snooze", 60, 60},
      {"FWeight", 0x7fffffff, 600},   {"FWeight", static_cast<DWORD>(-1), 600},
      {"FWeight", 1000, 1000},        {"FWeight", 0, 0},
      {"FHeight", 0x80000000u, -30},  {"FHeight", 0x7fffffff, -30}, {"FHeight", 0, -30},
  };
  for (const Case& c : cases) {
    MemorySettingsStore store;
    store.setDword(kSettingsKey, c.name, c.stored);
    Settings s;
    LoadSettings(s, store, nullptr);
    int got = std::string(c.name) == "Feiertage" ? s.Feiertage
              : std::string(c.name) == "Snooze"  ? s.Snooze
              : std::string(c.name) == "FWeight" ? static_cast<int>(s.SheetFont.lfWeight)
                                                 : static_cast<int>(s.SheetFont.lfHeight);
    EXPECT_EQ(got, c.want) << c.name << " stored as " << static_cast<int32_t>(c.stored);
  }
}

TEST(Settings, HostileNotesFontLoadsInRange) {
  struct Case {
    DWORD height, weight;
    int wantHeight, wantWeight;
  };
  const Case cases[] = {
      {0x7fffffff, 99999, -14, 400}, {0x80000000u, static_cast<DWORD>(-1), -14, 400},
      {0, 0, -14, 0},                {static_cast<DWORD>(-6), 1001, -14, 400},
      {static_cast<DWORD>(-7), 1000, -7, 1000}, {128, 700, 128, 700},
  };
  for (const Case& c : cases) {
    MemorySettingsStore store;
    store.setDword(kNoteFontKey, "FHeight", c.height);
    store.setDword(kNoteFontKey, "FWeight", c.weight);
    store.setDword(kNoteFontKey, "FItalic", 0x12345678);
    Settings s;
    loadNoteFont(s, store);
    EXPECT_EQ(s.NoteFont.lfHeight, c.wantHeight) << static_cast<int32_t>(c.height);
    EXPECT_EQ(s.NoteFont.lfWeight, c.wantWeight) << static_cast<int32_t>(c.weight);
    EXPECT_EQ(s.NoteFont.lfItalic, 0x78);  // the low byte, as stored
  }
}

TEST(Settings, MarginsAreKeptOnTheScreen) {
  Settings s;
  s.left = 999999; s.right = -1; s.top = 999999;
  keepMarginsOnScreen(s, 1280, 800);
  EXPECT_EQ(s.left, 213);
  EXPECT_EQ(s.right, 0);
  EXPECT_EQ(s.top, 133);
  s.left = -1; s.right = 213; s.top = 0;
  keepMarginsOnScreen(s, 1280, 800);
  EXPECT_EQ(s.left, 0);
  EXPECT_EQ(s.right, 213);
  EXPECT_EQ(s.top, 0);
  // The defaults stand on a usual screen; on one too small to measure the margins are 0.
  Settings d;
  keepMarginsOnScreen(d, 1024, 768);
  EXPECT_EQ(d.left, 50); EXPECT_EQ(d.top, 30); EXPECT_EQ(d.right, 0);
  keepMarginsOnScreen(d, 0, -4);
  EXPECT_EQ(d.left, 0); EXPECT_EQ(d.top, 0); EXPECT_EQ(d.right, 0);
}

TEST(Settings, RoundTripCarriesEveryValueAndKeepsTheOrder) {
  RecordingSettingsStore store;
  Settings a;
  a.AutoDelete = 1; a.Splash = 0; a.Mondphasen = 1; a.AutoExit = 1; a.AutoStart = 0;
  a.Snooze = 17; a.x = -5; a.y = 333; a.left = 11; a.top = 12; a.right = 13; a.OldDay = 31;
  a.HG = 18; a.Kalenderwoche = 0; a.Wochentage = 0; a.Feiertage = 17;
  a.SheetFont.lfHeight = -41; a.SheetFont.lfWeight = 700; a.SheetFont.lfItalic = 1;
  std::snprintf(a.SheetFont.lfFaceName, LF_FACESIZE, "%s", "Arial");
  std::snprintf(a.AlarmFile, MAX_PATH, "%s", "D:\\Daten\\Österreich.qtm");
  std::snprintf(a.NotePath, MAX_PATH, "%s", "D:\\Notizen\\");
  a.NoteFont.lfHeight = -9; a.NoteFont.lfWeight = 900; a.NoteFont.lfItalic = 1;
  std::snprintf(a.NoteFont.lfFaceName, LF_FACESIZE, "%s", "Lucida Console");
  ASSERT_EQ(SaveSettings(a, store), 1);

  const std::vector<std::string> mainOrder = {
      "x", "y", "OldDay", "AutoExit", "AutoStart", "Splash", "Mondphasen", "Kalenderwoche",
      "Wochentage", "Feiertage", "AutoDelete", "Snooze", "AlarmFile", "NotePath", "FHeight",
      "FWeight", "FItalic", "FName", "left", "top", "right", "HG",
      "FHeight", "FWeight", "FItalic", "FName"};
  EXPECT_EQ(namesWithPrefix(store.log, 'W'), mainOrder);
  EXPECT_EQ(store.find(kSettingsKey, "TerminSchutz"), nullptr);
  ASSERT_NE(store.find(kSettingsKey, "y"), nullptr);
  EXPECT_TRUE(store.find(kSettingsKey, "y")->isDword);
  EXPECT_FALSE(store.find(kSettingsKey, "FName")->isDword);

  Settings b;
  store.log.clear();
  LoadSettings(b, store, nullptr);
  loadNoteFont(b, store);
  const std::vector<std::string> readOrder = {
      "AutoDelete", "Splash", "Mondphasen", "AutoExit", "AutoStart", "TerminSchutz", "Snooze",
      "x", "y", "left", "top", "right", "OldDay", "HG", "Kalenderwoche", "Wochentage",
      "Feiertage", "FHeight", "FWeight", "FItalic", "FName", "AlarmFile", "NotePath",
      // the Notiz key
      "FHeight", "FWeight", "FItalic", "FName"};
  EXPECT_EQ(namesWithPrefix(store.log, 'R'), readOrder);

  EXPECT_EQ(b.AutoDelete, 1); EXPECT_EQ(b.Splash, 0); EXPECT_EQ(b.Mondphasen, 1);
  EXPECT_EQ(b.AutoExit, 1); EXPECT_EQ(b.AutoStart, 0); EXPECT_EQ(b.Snooze, 17);
  EXPECT_EQ(b.x, -5); EXPECT_EQ(b.y, 333); EXPECT_EQ(b.left, 11); EXPECT_EQ(b.top, 12);
  EXPECT_EQ(b.right, 13); EXPECT_EQ(b.OldDay, 31); EXPECT_EQ(b.HG, 18);
  EXPECT_EQ(b.Kalenderwoche, 0); EXPECT_EQ(b.Wochentage, 0); EXPECT_EQ(b.Feiertage, 17);
  EXPECT_EQ(b.SheetFont.lfHeight, -41); EXPECT_EQ(b.SheetFont.lfWeight, 700);
  EXPECT_EQ(b.SheetFont.lfItalic, 1);
  EXPECT_STREQ(b.SheetFont.lfFaceName, "Arial");
  EXPECT_STREQ(b.HeaderFont.lfFaceName, "Arial");
  EXPECT_EQ(b.HeaderFont.lfWeight, 800);
  EXPECT_EQ(b.HeaderFont.lfItalic, 1);
  EXPECT_STREQ(b.AlarmFile, "D:\\Daten\\Österreich.qtm");
  EXPECT_STREQ(b.NotePath, "D:\\Notizen\\");
  EXPECT_EQ(b.NoteFont.lfHeight, -9);
  EXPECT_EQ(b.NoteFont.lfWeight, 900);
  EXPECT_EQ(b.NoteFont.lfItalic, 1);
  EXPECT_STREQ(b.NoteFont.lfFaceName, "Lucida Console");
  EXPECT_EQ(b.NoteFont.lfPitchAndFamily, 0x31);
  EXPECT_EQ(b.NoteFont.lfQuality, 2);
}

TEST(Settings, ReloadKeepsTheNotesFontAndResetsUnsavedChanges) {
  MemorySettingsStore store;
  Settings s;
  loadNoteFont(s, store);
  std::snprintf(s.NoteFont.lfFaceName, LF_FACESIZE, "%s", "Consolas");
  s.HG = 7;  // changed in memory, not saved
  LoadSettings(s, store, nullptr);
  EXPECT_EQ(s.HG, 0);
  EXPECT_STREQ(s.NoteFont.lfFaceName, "Consolas");
}

TEST(Settings, StringsAreAskedForThreeTimes) {
  RecordingSettingsStore store;
  store.setString(kSettingsKey, "FName", "Georgia");
  store.failStringReads = 2;
  Settings s;
  LoadSettings(s, store, nullptr);
  EXPECT_STREQ(s.SheetFont.lfFaceName, "Georgia");

  store.failStringReads = 3;  // FName fails three times: its default stands
  LoadSettings(s, store, nullptr);
  EXPECT_STREQ(s.SheetFont.lfFaceName, "Verdana");
}

TEST(Settings, OverlongOrEmptyStringsKeepTheDefault) {
  MemorySettingsStore store;
  store.setString(kSettingsKey, "FName", std::string(32, 'A'));  // 32 + zero > 32 bytes
  store.setString(kSettingsKey, "AlarmFile", "");
  store.setString(kSettingsKey, "NotePath", std::string(300, 'n'));
  PlainSettingsFolders folders("C:\\Q\\quendler.exe", "", '\\');
  Settings s;
  LoadSettings(s, store, &folders);
  EXPECT_STREQ(s.SheetFont.lfFaceName, "Verdana");
  EXPECT_STREQ(s.AlarmFile, "C:\\Q\\alarm.qtm");
  EXPECT_STREQ(s.NotePath, "C:\\Q\\");

  store.setString(kSettingsKey, "FName", std::string(31, 'B'));
  LoadSettings(s, store, &folders);
  EXPECT_EQ(std::string(s.SheetFont.lfFaceName), std::string(31, 'B'));
}

TEST(Settings, NotePathGetsATrailingSeparator) {
  MemorySettingsStore store;
  store.setString(kSettingsKey, "NotePath", "D:\\Notizen");
  PlainSettingsFolders folders("C:\\Q\\quendler.exe", "", '\\');
  Settings s;
  LoadSettings(s, store, &folders);
  EXPECT_STREQ(s.NotePath, "D:\\Notizen\\");
  // A path that fills the buffer cannot take one more character: the default stands.
  store.setString(kSettingsKey, "NotePath", std::string(MAX_PATH - 1, 'p'));
  LoadSettings(s, store, &folders);
  EXPECT_STREQ(s.NotePath, "C:\\Q\\");
}

TEST(Settings, DateOrderAndSeparator) {
  {  // the regional key wins
    MemorySettingsStore store;
    store.setString(kInternationalKey, "iDate", "2");
    store.setString(kInternationalKey, "sDate", "-/");
    store.setProfile("intl", "iDate", "0");
    Settings s;
    LoadSettings(s, store, nullptr);
    EXPECT_EQ(s.iDate, 2);
    EXPECT_STREQ(s.sDate, "-");
  }
  {  // an empty separator falls back to the profile, order included
    MemorySettingsStore store;
    store.setString(kInternationalKey, "iDate", "2");
    store.setString(kInternationalKey, "sDate", "");
    store.setProfile("intl", "iDate", "0");
    store.setProfile("intl", "sDate", "/");
    Settings s;
    LoadSettings(s, store, nullptr);
    EXPECT_EQ(s.iDate, 0);
    EXPECT_STREQ(s.sDate, "/");
  }
  {  // an empty separator with an empty profile: the default order and "."
    MemorySettingsStore store;
    store.setString(kInternationalKey, "sDate", "");
    store.setProfile("intl", "sDate", "");
    Settings s;
    LoadSettings(s, store, nullptr);
    EXPECT_EQ(s.iDate, 1);
    EXPECT_STREQ(s.sDate, ".");
  }
}

TEST(Settings, UnopenableKeys) {
  RecordingSettingsStore store;
  store.setDword(kSettingsKey, "HG", 4);
  store.unopenable.push_back(kSettingsKey);
  Settings s;
  LoadSettings(s, store, nullptr);
  EXPECT_EQ(s.HG, 0);  // defaults stand
  s.NoteFont.lfWeight = 555;
  EXPECT_EQ(SaveSettings(s, store), 0);  // reported to the caller, Notiz still written
  ASSERT_NE(store.find(kNoteFontKey, "FWeight"), nullptr);
  EXPECT_EQ(store.find(kNoteFontKey, "FWeight")->dword, 555u);
  EXPECT_EQ(store.find(kSettingsKey, "OldDay"), nullptr);
}

TEST(Settings, AutostartHoldsTheQuotedPath) {
  MemorySettingsStore store;
  PlainSettingsFolders folders("C:\\Program Files\\Die Quendler\\quendler.exe", "", '\\');
  SetAutostart(1, store, folders);
  const MemorySettingsStore::Value* v = store.find(kRunKey, kAutostartValue);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->text, "\"C:\\Program Files\\Die Quendler\\quendler.exe\"");
  SetAutostart(0, store, folders);
  EXPECT_EQ(store.find(kRunKey, kAutostartValue), nullptr);
}

TEST(Settings, HandBackFromTheWorker) {
  SettingsGuard keep;  // nothing handed back stays behind for later tests
  Settings s;
  s.OldDay = 3;
  EXPECT_EQ(takeSettingsHandBack(s), 0);
  handBackOldDay(4);
  handBackSheetFontHeight(-22);
  handBackOldDay(5);  // only the latest counts
  EXPECT_EQ(takeSettingsHandBack(s), 1);
  EXPECT_EQ(s.OldDay, 5);
  EXPECT_EQ(s.SheetFont.lfHeight, -22);
  EXPECT_EQ(takeSettingsHandBack(s), 0);
}

TEST(SettingsFile, ParsesSectionsNumbersAndStrings) {
  TextFileSettingsStore store;
  store.parse(
      "# the tool's settings\n"
      "HG = 12\n"
      "FHeight=-44\n"
      "FName=Times New Roman\n"
      "Feiertage=0x11\n"
      "right=junk\n"
      "[Notiz]\n"
      "fname=Courier\n"
      "[Control Panel\\International]\n"
      "iDate=0\n"
      "sDate=/\n");
  Settings s;
  LoadSettings(s, store, nullptr);
  loadNoteFont(s, store);
  EXPECT_EQ(s.HG, 12);
  EXPECT_EQ(s.SheetFont.lfHeight, -44);
  EXPECT_STREQ(s.SheetFont.lfFaceName, "Times New Roman");
  EXPECT_EQ(s.Feiertage, 17);
  EXPECT_EQ(s.right, 0);  // not a number: the default stands
  EXPECT_STREQ(s.NoteFont.lfFaceName, "Courier");  // value names ignore case
  EXPECT_EQ(s.iDate, 0);
  EXPECT_STREQ(s.sDate, "/");
}

TEST(SettingsFile, SaveAndLoadAgain) {
  TempFolder temp("settings");
  std::string file = temp.file("quendler.ini");
  Settings s;
  EXPECT_EQ(loadSettingsFile(file.c_str(), s), 0);  // missing file: defaults
  EXPECT_EQ(s.HG, 0);

  TextFileSettingsStore store;
  Settings a;
  a.HG = 9;
  a.SheetFont.lfHeight = -20;
  a.OldDay = 14;
  std::snprintf(a.SheetFont.lfFaceName, LF_FACESIZE, "%s", "12345");  // numeric-looking face
  SaveSettings(a, store);
  ASSERT_EQ(store.save(file.c_str()), 1);
  EXPECT_FALSE(fs::exists(file + ".tmp"));

  ASSERT_EQ(loadSettingsFile(file.c_str(), s), 1);
  EXPECT_EQ(s.HG, 9);
  EXPECT_EQ(s.SheetFont.lfHeight, -20);
  EXPECT_EQ(s.OldDay, 14);
  EXPECT_STREQ(s.SheetFont.lfFaceName, "12345");
  std::string text = readFileText(file);
  EXPECT_NE(text.find("[Notiz]\nFHeight=-14\n"), std::string::npos) << text;
}

TEST(SettingsFile, EveryKeyIsWrittenSoThatItIsReadBackAsTheSameKey) {
  TextFileSettingsStore store;
  store.parse(
      "[notiz]\nFHeight=-12\n"
      "[Software\\Skorvati\\Desktop\\Quendler\\Fenster]\nBreite=300\n"
      "[Fenster]\nBreite=400\n");
  std::string text = store.format();
  TextFileSettingsStore again;
  again.parse(text);
  // The subkey keeps its whole path; the key of the same short name below the user stays apart.
  const MemorySettingsStore::Value* sub = again.find(std::string(kSettingsKey) + "\\Fenster", "Breite");
  const MemorySettingsStore::Value* top = again.find("Fenster", "Breite");
  ASSERT_NE(sub, nullptr) << text;
  ASSERT_NE(top, nullptr) << text;
  EXPECT_EQ(sub->dword, 300u);
  EXPECT_EQ(top->dword, 400u);
  const MemorySettingsStore::Value* note = again.find(kNoteFontKey, "FHeight");
  ASSERT_NE(note, nullptr) << text;
  EXPECT_EQ(static_cast<int32_t>(note->dword), -12);
  EXPECT_EQ(again.format(), text);

  // The notes key named by its whole path in other letters is written under its short name as
  // the program spells it, so the text is the same after one more round.
  TextFileSettingsStore lower;
  lower.parse("[software\\skorvati\\desktop\\quendler\\notiz]\nFName=abc\n");
  text = lower.format();
  EXPECT_NE(text.find("[Notiz]"), std::string::npos) << text;
  TextFileSettingsStore back;
  back.parse(text);
  EXPECT_EQ(back.format(), text);
}

// Value names compare as their folded forms do — the order the file is written in — with
// letters above 0x7F after the ASCII ones and a name before every longer name it begins.
TEST(SettingsFile, NamesCompareAsTheirFoldedForms) {
  const std::vector<std::string> names = {"", "a", "A", "ab", "aB", "Ab", "b", "Z", "_", "[",
                                          "`", "\xC4", "\xE4rger", "\x80", "a\xFF", "aa", "AA", "Ba"};
  MemorySettingsStore::NoCase less;
  for (const std::string& a : names)
    for (const std::string& b : names)
      EXPECT_EQ(less(a, b), MemorySettingsStore::foldPath(a) < MemorySettingsStore::foldPath(b))
          << "\"" << a << "\" against \"" << b << "\"";
}

}  // namespace
