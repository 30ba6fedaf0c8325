// The settings store on the current user's registry hive, and the program's folders from the
// shell.
#pragma once

#include "app/settings_store.h"

class RegistrySettingsStore : public SettingsStore {
 public:
  SettingsKey openKey(const char* path, bool forWriting) override;
  void closeKey(SettingsKey key) override;
  int readDword(SettingsKey key, const char* name, DWORD& value) override;
  int readString(SettingsKey key, const char* name, char* buffer, size_t size) override;
  int writeDword(SettingsKey key, const char* name, DWORD value) override;
  int writeString(SettingsKey key, const char* name, const char* value) override;
  int deleteValue(SettingsKey key, const char* name) override;
  int readProfileInt(const char* section, const char* name, int fallback) override;
  void readProfileString(const char* section, const char* name, const char* fallback,
                         char* buffer, size_t size) override;
};

class ShellSettingsFolders : public SettingsFolders {
 public:
  int programFile(char* buffer, size_t size) override;
  int appDataFolder(char* buffer, size_t size) override;
  int createFolder(const char* path) override;
  char separator() const override { return '\\'; }
};

// The registry store and the shell folders of the running program, chosen as the settings
// seam (start-up calls this before LoadSettings).
void useWindowsSettings();
