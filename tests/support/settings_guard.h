// Puts the program's settings back when the scope ends, also when an assertion ends a test
// half-way: the record gSettings, the chosen store and folders, and hand-backs from a worker
// that nobody took.
#pragma once

#include "app/settings.h"

class SettingsGuard {
 public:
  SettingsGuard() : saved_(gSettings), store_(settingsStore()), folders_(settingsFolders()) {}
  ~SettingsGuard() {
    Settings discarded;
    takeSettingsHandBack(discarded);
    gSettings = saved_;
    useSettingsStore(store_);
    useSettingsFolders(folders_);
  }
  SettingsGuard(const SettingsGuard&) = delete;
  SettingsGuard& operator=(const SettingsGuard&) = delete;

 private:
  Settings saved_;
  SettingsStore* store_;
  SettingsFolders* folders_;
};
