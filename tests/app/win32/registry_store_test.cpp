// Settings through the real registry (under Wine): defaults, range checks, every value
// arriving, the stored types, the regional date settings and the autostart entry.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "app/hotkeys.h"
#include "app/settings.h"
#include "app/win32/registry_store.h"
#include "platform/win32/handles.h"

namespace {

void deleteTree(const char* path) { RegDeleteTreeA(HKEY_CURRENT_USER, path); }

OwnedKey createKey(const char* path) {
  HKEY k = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) != ERROR_SUCCESS)
    return OwnedKey();
  return OwnedKey(k);
}

void putDword(const char* key, const char* name, DWORD v) {
  OwnedKey k = createKey(key);
  ASSERT_TRUE(k) << key;
  RegSetValueExA(k.get(), name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), sizeof v);
}

// Stored without the terminating zero, as other writers of these keys did.
void putStringWithoutZero(const char* key, const char* name, const char* text) {
  OwnedKey k = createKey(key);
  ASSERT_TRUE(k) << key;
  RegSetValueExA(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(std::strlen(text)));
}

struct Raw {
  DWORD type = 0;
  std::string bytes;
  bool found = false;
};

Raw rawValue(const char* key, const char* name) {
  Raw r;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return r;
  OwnedKey k(opened);
  char buffer[600];
  DWORD size = sizeof buffer;
  if (RegQueryValueExA(k.get(), name, nullptr, &r.type, reinterpret_cast<BYTE*>(buffer), &size) == ERROR_SUCCESS) {
    r.found = true;
    r.bytes.assign(buffer, size);
  }
  return r;
}

class RegistrySettings : public ::testing::Test {
 protected:
  void SetUp() override {
    useWindowsSettings();
    deleteTree(kSettingsKey);
    saveInternational("iDate", savedOrder);
    saveInternational("sDate", savedSeparator);
  }
  void TearDown() override {
    deleteTree(kSettingsKey);
    restoreInternational("iDate", savedOrder);
    restoreInternational("sDate", savedSeparator);
    gSettings = Settings();
  }
  static void saveInternational(const char* name, Raw& out) { out = rawValue(kInternationalKey, name); }
  static void restoreInternational(const char* name, const Raw& value) {
    OwnedKey k = createKey(kInternationalKey);
    if (!k) return;
    if (value.found)
      RegSetValueExA(k.get(), name, 0, value.type, reinterpret_cast<const BYTE*>(value.bytes.data()),
                     static_cast<DWORD>(value.bytes.size()));
    else
      RegDeleteValueA(k.get(), name);
  }
  Raw savedOrder, savedSeparator;
};

TEST_F(RegistrySettings, FreshUserDefaultsAndDataFolder) {
  ASSERT_EQ(LoadSettings(), 1);
  EXPECT_EQ(gSettings.Splash, 1);
  EXPECT_EQ(gSettings.AutoStart, 1);
  EXPECT_EQ(gSettings.Snooze, 6);
  EXPECT_EQ(gSettings.x, -1);
  EXPECT_EQ(gSettings.OldDay, -1);
  EXPECT_EQ(gSettings.left, 50);
  EXPECT_EQ(gSettings.SheetFont.lfHeight, -30);
  EXPECT_STREQ(gSettings.SheetFont.lfFaceName, "Verdana");
  std::string data = gSettings.dataFolder;
  ASSERT_GT(data.size(), 3u);
  EXPECT_NE(data.find("\\Skorvati\\Desktopkalender\\Die Quendler\\"), std::string::npos) << data;
  DWORD attributes = GetFileAttributesA(data.c_str());
  EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(std::string(gSettings.AlarmFile), data + "alarm.qtm");
  EXPECT_EQ(std::string(gSettings.NotePath), data);
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string folder = exe;
  folder.resize(folder.rfind('\\') + 1);
  EXPECT_EQ(std::string(gSettings.programFolder), folder);
}

TEST_F(RegistrySettings, RoundTripWritesEveryValueWithItsType) {
  LoadSettings();
  gSettings.HG = 17; gSettings.OldDay = 9; gSettings.x = -3; gSettings.y = 77;
  gSettings.Feiertage = 18; gSettings.Snooze = 60; gSettings.AutoExit = 1; gSettings.right = 120;
  gSettings.SheetFont.lfHeight = 128; gSettings.SheetFont.lfItalic = 1;
  std::strcpy(gSettings.SheetFont.lfFaceName, "Times New Roman");
  std::strcpy(gSettings.NotePath, "C:\\Notizen mit Ümlaut\\");
  gSettings.NoteFont.lfHeight = -20;
  ASSERT_EQ(SaveSettings(), 1);

  Raw y = rawValue(kSettingsKey, "y");
  EXPECT_EQ(y.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(y.bytes.size(), 4u);
  Raw x = rawValue(kSettingsKey, "x");
  EXPECT_EQ(x.bytes, std::string("\xFD\xFF\xFF\xFF", 4));
  Raw face = rawValue(kSettingsKey, "FName");
  EXPECT_EQ(face.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(face.bytes, std::string("Times New Roman", 16));  // with its terminating zero
  EXPECT_FALSE(rawValue(kSettingsKey, "TerminSchutz").found);
  EXPECT_EQ(rawValue(kNoteFontKey, "FHeight").bytes, std::string("\xEC\xFF\xFF\xFF", 4));
  const char* names[] = {"x", "y", "OldDay", "AutoExit", "AutoStart", "Splash", "Mondphasen",
                         "Kalenderwoche", "Wochentage", "Feiertage", "AutoDelete", "Snooze",
                         "AlarmFile", "NotePath", "FHeight", "FWeight", "FItalic", "FName",
                         "left", "top", "right", "HG"};
  for (const char* n : names) EXPECT_TRUE(rawValue(kSettingsKey, n).found) << n;

  Settings saved = gSettings;
  gSettings = Settings();
  LoadSettings();
  loadNoteFont();
  EXPECT_EQ(gSettings.HG, 17);
  EXPECT_EQ(gSettings.OldDay, 9);
  EXPECT_EQ(gSettings.x, -3);
  EXPECT_EQ(gSettings.y, 77);
  EXPECT_EQ(gSettings.Feiertage, 18);
  EXPECT_EQ(gSettings.Snooze, 60);
  EXPECT_EQ(gSettings.AutoExit, 1);
  EXPECT_EQ(gSettings.right, 120);
  EXPECT_EQ(gSettings.SheetFont.lfHeight, 128);
  EXPECT_EQ(gSettings.SheetFont.lfItalic, 1);
  EXPECT_STREQ(gSettings.SheetFont.lfFaceName, "Times New Roman");
  EXPECT_STREQ(gSettings.HeaderFont.lfFaceName, "Times New Roman");
  EXPECT_STREQ(gSettings.NotePath, saved.NotePath);
  EXPECT_STREQ(gSettings.AlarmFile, saved.AlarmFile);
  EXPECT_EQ(gSettings.NoteFont.lfHeight, -20);
}

TEST_F(RegistrySettings, RangeChecksAndStringsWithoutZero) {
  putDword(kSettingsKey, "HG", 19);
  putDword(kSettingsKey, "FHeight", static_cast<DWORD>(-6));
  putStringWithoutZero(kSettingsKey, "FName", "Georgia");
  putStringWithoutZero(kSettingsKey, "NotePath", "D:\\Notizen");
  LoadSettings();
  EXPECT_EQ(gSettings.HG, 0);
  EXPECT_EQ(gSettings.SheetFont.lfHeight, -30);
  EXPECT_STREQ(gSettings.SheetFont.lfFaceName, "Georgia");
  EXPECT_STREQ(gSettings.NotePath, "D:\\Notizen\\");

  putDword(kSettingsKey, "HG", static_cast<DWORD>(-1));
  putDword(kSettingsKey, "FHeight", 200);
  // 32 characters do not fit the 32-byte face name with its zero: the default stands.
  putStringWithoutZero(kSettingsKey, "FName", "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEF");
  LoadSettings();
  EXPECT_EQ(gSettings.HG, 0);
  EXPECT_EQ(gSettings.SheetFont.lfHeight, -30);
  EXPECT_STREQ(gSettings.SheetFont.lfFaceName, "Verdana");

  putDword(kSettingsKey, "FHeight", static_cast<DWORD>(-7));
  putDword(kSettingsKey, "HG", 18);
  LoadSettings();
  EXPECT_EQ(gSettings.SheetFont.lfHeight, -7);
  EXPECT_EQ(gSettings.HG, 18);
}

TEST_F(RegistrySettings, DateSettingsFromTheRegionalKey) {
  putStringWithoutZero(kInternationalKey, "iDate", "2");
  putStringWithoutZero(kInternationalKey, "sDate", "-");
  LoadSettings();
  EXPECT_EQ(gSettings.iDate, 2);
  EXPECT_STREQ(gSettings.sDate, "-");
  putStringWithoutZero(kInternationalKey, "iDate", "0");
  putStringWithoutZero(kInternationalKey, "sDate", "/");
  LoadSettings();
  EXPECT_EQ(gSettings.iDate, 0);
  EXPECT_STREQ(gSettings.sDate, "/");
}

TEST_F(RegistrySettings, AutostartHoldsTheQuotedProgramPath) {
  SetAutostart(1);
  Raw entry = rawValue(kRunKey, kAutostartValue);
  ASSERT_TRUE(entry.found);
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  EXPECT_EQ(std::string(entry.bytes.c_str()), "\"" + std::string(exe) + "\"");
  SetAutostart(0);
  EXPECT_FALSE(rawValue(kRunKey, kAutostartValue).found);
}

TEST_F(RegistrySettings, HotkeysThroughTheRegistry) {
  HotkeySlots[0] = {200, 4, 44, 1};
  ASSERT_EQ(SaveHotkeys(), 1);
  EXPECT_EQ(rawValue(kHotkeysKey, "hk00m").bytes, std::string("\x04\0\0\0", 4));
  HotkeySlots[0] = HotkeySlot{};
  LoadHotkeys();
  EXPECT_EQ(HotkeySlots[0].id, 200);
  EXPECT_EQ(HotkeySlots[0].modifier, 4);
  EXPECT_EQ(HotkeySlots[0].key, 44);
  EXPECT_EQ(HotkeySlots[0].active, 1);
  EXPECT_EQ(HotkeySlots[2].id, 202);
}

}  // namespace
