// The in-memory settings store as the tests watch it: every access through the seam is
// logged, and switches make opening keys or reading strings fail as a registry can.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "app/settings_store.h"

class RecordingSettingsStore : public MemorySettingsStore {
 public:
  // "R name" / "W name" for every value read or written, in order; "D name" for deletions.
  std::vector<std::string> log;
  // Opening these keys fails (as a registry key without access would).
  std::vector<std::string> unopenable;
  // The next this many string reads fail whatever is stored.
  int failStringReads = 0;

  // Keys opened and not yet closed.
  int openCount() const { return int(open_.size()); }

  SettingsKey openKey(const char* path, bool forWriting) override {
    if (!path) return nullptr;
    for (const std::string& u : unopenable)
      if (foldPath(u) == foldPath(path)) return nullptr;
    SettingsKey key = MemorySettingsStore::openKey(path, forWriting);
    if (key) open_.insert(key);
    return key;
  }
  void closeKey(SettingsKey key) override {
    open_.erase(key);
    MemorySettingsStore::closeKey(key);
  }
  int readDword(SettingsKey key, const char* name, DWORD& value) override {
    if (!key || !name) return 0;
    log.push_back(std::string("R ") + name);
    return MemorySettingsStore::readDword(key, name, value);
  }
  int readString(SettingsKey key, const char* name, char* buffer, size_t size) override {
    if (!key || !name) return 0;
    log.push_back(std::string("R ") + name);
    if (failStringReads > 0) {
      --failStringReads;
      return 0;
    }
    return MemorySettingsStore::readString(key, name, buffer, size);
  }
  int writeDword(SettingsKey key, const char* name, DWORD value) override {
    if (!key || !name) return 0;
    log.push_back(std::string("W ") + name);
    return MemorySettingsStore::writeDword(key, name, value);
  }
  int writeString(SettingsKey key, const char* name, const char* value) override {
    if (!key || !name || !value) return 0;
    log.push_back(std::string("W ") + name);
    return MemorySettingsStore::writeString(key, name, value);
  }
  int deleteValue(SettingsKey key, const char* name) override {
    if (!key || !name) return 0;
    log.push_back(std::string("D ") + name);
    return MemorySettingsStore::deleteValue(key, name);
  }

 private:
  std::set<SettingsKey> open_;
};
