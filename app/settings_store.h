// The settings store seam: where the program keeps its options (keys holding dwords and
// strings) and where it lives (program file, per-user application-data folder).
//
// One store and one set of folders are chosen at start-up (useSettingsStore,
// useSettingsFolders): the registry and the shell on Windows (app/win32/), an in-memory store
// for the tests, a text file for the native tool.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "platform/win_compat.h"

// Key paths below the current user's hive.
#define QUENDLER_KEY "Software\\Skorvati\\Desktop\\Quendler"
constexpr const char* kSettingsKey = QUENDLER_KEY;
constexpr const char* kNoteFontKey = QUENDLER_KEY "\\Notiz";
constexpr const char* kHotkeysKey = QUENDLER_KEY "\\Hotkeys";
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kAutostartValue = "Skorvati Desktopkalender";
constexpr const char* kInternationalKey = "Control Panel\\International";

// An open key of a store; null means "not open".
typedef void* SettingsKey;

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // Opens a key below the current user. For reading a missing key gives null; for writing it
  // is created.
  virtual SettingsKey openKey(const char* path, bool forWriting) = 0;
  virtual void closeKey(SettingsKey key) = 0;

  // 1 when the value exists with the right type (a dword is 4 bytes, read as stored).
  virtual int readDword(SettingsKey key, const char* name, DWORD& value) = 0;
  // 1 when the string value exists and fits into size bytes with its terminating zero; the
  // result is always terminated. On 0 the buffer is left unchanged.
  virtual int readString(SettingsKey key, const char* name, char* buffer, size_t size) = 0;
  virtual int writeDword(SettingsKey key, const char* name, DWORD value) = 0;
  virtual int writeString(SettingsKey key, const char* name, const char* value) = 0;
  virtual int deleteValue(SettingsKey key, const char* name) = 0;

  // The user profile's old-style sections (win.ini on Windows), the fallback for the date
  // settings.
  virtual int readProfileInt(const char* section, const char* name, int fallback) = 0;
  virtual void readProfileString(const char* section, const char* name, const char* fallback,
                                 char* buffer, size_t size) = 0;
};

class SettingsFolders {
 public:
  virtual ~SettingsFolders() = default;
  // The full path of the program file. 1 on success.
  virtual int programFile(char* buffer, size_t size) = 0;
  // The per-user (roaming) application-data folder, created if needed, without a trailing
  // separator. 1 on success.
  virtual int appDataFolder(char* buffer, size_t size) = 0;
  // Creates one folder; an existing folder is no error. 1 on success.
  virtual int createFolder(const char* path) = 0;
  // The separator of this platform's paths.
  virtual char separator() const = 0;
};

void useSettingsStore(SettingsStore* store);
void useSettingsFolders(SettingsFolders* folders);
SettingsStore* settingsStore();      // null until one is chosen
SettingsFolders* settingsFolders();  // null until chosen

// Keys and values in memory: the store of the tests (which add a log and failure switches in
// tests/support/recording_settings_store.h) and the body of the text-file store.
class MemorySettingsStore : public SettingsStore {
 public:
  struct Value {
    bool isDword = false;
    DWORD dword = 0;
    std::string text;
  };
  struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  // Value names, like key paths, compare case-insensitively.
  using Values = std::map<std::string, Value, NoCase>;

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

  // Direct access beside the seam (a recording store does not log it). Key paths compare
  // case-insensitively, as in the registry.
  void setDword(const std::string& key, const std::string& name, DWORD value);
  void setString(const std::string& key, const std::string& name, const std::string& value);
  const Value* find(const std::string& key, const std::string& name) const;
  bool hasKey(const std::string& key) const;
  void addKey(const std::string& key);
  void setProfile(const std::string& section, const std::string& name, const std::string& value);
  std::map<std::string, Values>& keys() { return keys_; }

  // A dword also reads as its decimal text and a numeric string as a dword (text-file store).
  bool looseTypes = false;

  // Registry key paths compare case-insensitively.
  static std::string foldPath(const std::string& path);
  // The key path as first written, for a folded path.
  std::string keyName(const std::string& folded) const;

 private:
  std::map<std::string, Values> keys_;  // by folded path
  std::map<std::string, std::string> originalNames_;
  std::map<std::string, std::string> profile_;  // "section\nname" -> value
  std::vector<std::string*> handles_;
};

// The native tool's store: a text file of "Name=value" lines with the registry value names.
// Lines before any "[section]" belong to the program's main key; "[Notiz]" and "[Hotkeys]"
// name its subkeys, any other "[path]" a key path below the current user. Numbers are
// decimal (negative allowed) or 0x hex; a value that does not parse as a number reads as a
// string only. Blank lines and lines starting with '#' or ';' are ignored.
class TextFileSettingsStore : public MemorySettingsStore {
 public:
  // Reads the file. A missing file is an empty store (returns 0); unreadable lines are skipped.
  int load(const char* path);
  // Writes every key back (temporary file beside it, then moved over). 1 on success.
  int save(const char* path) const;
  // Parses text in the file format into the store.
  void parse(const std::string& text);
  std::string format() const;
  TextFileSettingsStore() { looseTypes = true; }
};

// Folders on a plain file system (std::filesystem): the program file is given, the
// application-data folder is `appDataRoot` (created on demand; empty = there is none).
class PlainSettingsFolders : public SettingsFolders {
 public:
  PlainSettingsFolders(std::string programFile, std::string appDataRoot, char separator = '/')
      : programFile_(std::move(programFile)), appDataRoot_(std::move(appDataRoot)), separator_(separator) {}
  int programFile(char* buffer, size_t size) override;
  int appDataFolder(char* buffer, size_t size) override;
  int createFolder(const char* path) override;
  char separator() const override { return separator_; }

 private:
  std::string programFile_;
  std::string appDataRoot_;
  char separator_;
};
