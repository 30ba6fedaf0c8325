// Loading the stored settings from a store whose every answer comes from the input: the main
// key, the Notiz and Hotkeys subkeys, the regional settings and the profile's fallbacks, the
// program and data folders. Then what the program relies on after a load is checked, and the
// loaded values go through the steps that use them (options pages, date line, day info).
//
// Input: one byte of switches, the program file and the application-data folder (each a
// length byte and that many bytes), then entries until the end:
//   key byte   (low 2 bits: main, Notiz, Hotkeys, International; bit 2: profile entry)
//   name byte  (below the count of known names: that name, with bit 7 its upper-case form;
//               else a length and the name's bytes follow)
//   kind byte  (low 2 bits: dword, string, a type the program never reads, string that fails
//               to read (bits 2..3) times before it is given; bit 4: long length)
//   value      (dword: 4 bytes; string: a length byte, or two with bit 4, and the bytes)
#include <cctype>
#include <cstring>
#include <map>
#include <string>

#include "app/day_texts.h"
#include "app/hotkeys.h"
#include "app/options_pages.h"
#include "app/settings.h"
#include "app/settings_store.h"
#include "calendar/holidays.h"
#include "fuzz/fuzz_checks.h"
#include "fuzz/settings_checks.h"

namespace {

using fuzzing::fail;
using namespace fuzzing::settings;

const char* const kKeys[4] = {kSettingsKey, kNoteFontKey, kHotkeysKey, kInternationalKey};

const char* const kNames[] = {
    "AutoDelete", "Splash", "Mondphasen", "AutoExit", "AutoStart", "TerminSchutz", "Snooze", "x",
    "y", "left", "top", "right", "OldDay", "HG", "Kalenderwoche", "Wochentage", "Feiertage",
    "FHeight", "FWeight", "FItalic", "FName", "AlarmFile", "NotePath", "iDate", "sDate",
    "hk00m", "hk00v", "hk00a", "hk01m", "hk01v", "hk01a", "hk02m", "hk02v", "hk02a"};
constexpr unsigned kNameCount = sizeof kNames / sizeof kNames[0];

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

struct Reader {
  const uint8_t* p;
  const uint8_t* end;
  bool more() const { return p < end; }
  uint8_t byte() { return p < end ? *p++ : 0; }
  std::string bytes(size_t n) {
    size_t left = size_t(end - p);
    if (n > left) n = left;
    std::string out(reinterpret_cast<const char*>(p), n);
    p += n;
    return out;
  }
};

// Answers as the registry does: a value has one type; a string is handed out only when it fits
// with its terminator (stored zeros at its end do not count) and never changes the buffer
// otherwise; the profile truncates.
class FuzzedStore : public SettingsStore {
 public:
  struct Value {
    int kind = 0;  // 0 dword, 1 string, 2 other type
    DWORD dword = 0;
    std::string text;
    int failures = 0;
  };
  std::map<std::string, std::map<std::string, Value>> keys;  // by lower-case path and name
  std::map<std::string, std::string> profile;
  int openKeys = 0;

  SettingsKey openKey(const char* path, bool forWriting) override {
    auto k = keys.find(lower(path));
    if (k == keys.end()) {
      if (!forWriting) return nullptr;
      k = keys.emplace(lower(path), std::map<std::string, Value>()).first;
    }
    ++openKeys;
    return &*k;
  }
  void closeKey(SettingsKey key) override {
    if (!key) fail("closing a key that was not open");
    --openKeys;
  }
  Value* find(SettingsKey key, const char* name) {
    if (!key || !name) return nullptr;
    auto& values = static_cast<std::pair<const std::string, std::map<std::string, Value>>*>(key)->second;
    auto v = values.find(lower(name));
    return v == values.end() ? nullptr : &v->second;
  }
  int readDword(SettingsKey key, const char* name, DWORD& value) override {
    Value* v = find(key, name);
    if (!v || v->kind != 0) return 0;
    value = v->dword;
    return 1;
  }
  int readString(SettingsKey key, const char* name, char* buffer, size_t size) override {
    Value* v = find(key, name);
    if (!buffer || size == 0 || !v || v->kind != 1) return 0;
    if (v->failures > 0) {
      --v->failures;
      return 0;
    }
    size_t n = v->text.size();
    while (n > 0 && v->text[n - 1] == 0) --n;
    if (n + 1 > size) return 0;
    std::memcpy(buffer, v->text.data(), n);
    buffer[n] = 0;
    return 1;
  }
  int writeDword(SettingsKey, const char*, DWORD) override { fail("a load wrote a dword"); }
  int writeString(SettingsKey, const char*, const char*) override { fail("a load wrote a string"); }
  int deleteValue(SettingsKey, const char*) override { fail("a load deleted a value"); }
  int readProfileInt(const char* section, const char* name, int fallback) override {
    auto p = profile.find(lower(section) + "\n" + lower(name));
    return p == profile.end() ? fallback : std::atoi(p->second.c_str());
  }
  void readProfileString(const char* section, const char* name, const char* fallback, char* buffer,
                         size_t size) override {
    if (!buffer || size == 0) return;
    auto p = profile.find(lower(section) + "\n" + lower(name));
    std::string text = p == profile.end() ? std::string(fallback ? fallback : "") : p->second;
    text = text.substr(0, std::strlen(text.c_str()));
    if (text.size() + 1 > size) text.resize(size - 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
  }
};

class FuzzedFolders : public SettingsFolders {
 public:
  std::string program, appData;
  bool hasProgram = false, hasAppData = false;
  char sep = '\\';
  int programFile(char* buffer, size_t size) override { return give(hasProgram, program, buffer, size); }
  int appDataFolder(char* buffer, size_t size) override { return give(hasAppData, appData, buffer, size); }
  int createFolder(const char* path) override {
    if (std::strlen(path) >= MAX_PATH) fail("a folder path longer than MAX_PATH");
    return 1;
  }
  char separator() const override { return sep; }

 private:
  static int give(bool has, const std::string& text, char* buffer, size_t size) {
    std::string t = text.substr(0, std::strlen(text.c_str()));
    if (!has || t.size() + 1 > size) return 0;
    std::memcpy(buffer, t.c_str(), t.size() + 1);
    return 1;
  }
};

// The steps after a load that take the values as they are.
void useLoaded(Settings& s) {
  char text[256];
  formatDateLineFor(text, sizeof text, 24, 12, 2026, 4, s.iDate, s.sDate);
  if (!terminatedIn(text, sizeof text)) fail("date line not terminated");
  formatDayInfoFor(text, sizeof text, 1, 11, 2026, s.Feiertage);
  if (!terminatedIn(text, sizeof text)) fail("day info not terminated");
  IsPublicHoliday(1, 11, 2026, s.Feiertage);
  int row = regionListRow(s.Feiertage);
  if (row < 0 || row >= kHolidayRegionCount) fail("region row outside the list");
  CalendarPageStart start = calendarPageStart(s);
  Settings copy = s;
  cancelCalendarPage(copy, start);
  applyCalendarPage(copy, start, copy.Kalenderwoche != 0, -1);
  if (copy.Feiertage != s.Feiertage) fail("OK without a selection changed the region");
  LOGFONTA font = s.NoteFont;
  bringSheetFontIntoRange(font);
  if (font.lfHeight == 0 || font.lfHeight > kMaxFontHeight || font.lfHeight < -kMaxFontHeight ||
      (font.lfHeight > -kMinFontHeight && font.lfHeight < kMinFontHeight))
    fail("font brought into range is not");
  FontBackup backup = backupFont(s.SheetFont);
  restoreFont(font, backup);
  if (std::memcmp(font.lfFaceName, s.SheetFont.lfFaceName, LF_FACESIZE) != 0) fail("font restore");
  char notePath[MAX_PATH];
  std::memcpy(notePath, s.NotePath, sizeof notePath);
  if (notePathFromField(notePath, sizeof notePath, s.NotePath) == NoteFolderResult::taken &&
      std::strcmp(notePath, s.NotePath) != 0)
    fail("the page changed a note folder that has its separator");
  char file[MAX_PATH];
  std::memcpy(file, s.AlarmFile, sizeof file);
  appointmentFileFromField(file, sizeof file, s.AlarmFile);
  if (!samePathIgnoringCase(file, s.AlarmFile)) fail("the appointment file changed on the page");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in{data, data + size};
  uint8_t switches = in.byte();
  FuzzedFolders folders;
  folders.hasProgram = switches & 1;
  folders.hasAppData = switches & 2;
  folders.sep = switches & 4 ? '/' : '\\';
  bool withFolders = !(switches & 8);
  folders.program = in.bytes(in.byte() * (switches & 16 ? 2 : 1));
  folders.appData = in.bytes(in.byte() * (switches & 32 ? 2 : 1));

  FuzzedStore store;
  while (in.more()) {
    uint8_t keyByte = in.byte();
    uint8_t nameByte = in.byte();
    std::string name;
    if ((nameByte & 0x7F) < kNameCount) {
      name = kNames[nameByte & 0x7F];
      if (nameByte & 0x80)
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    } else {
      name = in.bytes(in.byte() % 40);
    }
    uint8_t kind = in.byte();
    if (keyByte & 4) {
      std::string value = in.bytes(in.byte());
      store.profile[lower("intl") + "\n" + lower(name)] = value;
      continue;
    }
    FuzzedStore::Value v;
    v.kind = kind & 3;
    if (v.kind == 3) {
      v.kind = 1;
      v.failures = (kind >> 2) & 3;
    }
    if (v.kind == 0) {
      std::string b = in.bytes(4);
      b.resize(4, 0);
      std::memcpy(&v.dword, b.data(), 4);
    } else {
      size_t length = in.byte();
      if (kind & 16) length = length * 4 + in.byte();
      v.text = in.bytes(length);
    }
    store.keys[lower(kKeys[keyByte & 3])][lower(name)] = v;
  }

  Settings s;
  loadNoteFont(s, store);
  LoadSettings(s, store, withFolders ? &folders : nullptr);
  if (store.openKeys != 0) fail("a key was left open");
  checkLoaded(s);
  // A second load over the same record gives the same result, the notes font included.
  Settings again = s;
  LoadSettings(again, store, withFolders ? &folders : nullptr);
  if (std::memcmp(&again.NoteFont, &s.NoteFont, sizeof s.NoteFont) != 0) fail("reload reset the notes font");

  HotkeySlot slots[kHotkeySlotCount];
  LoadHotkeys(slots, store);
  if (store.openKeys != 0) fail("the hotkeys key was left open");
  checkHotkeys(slots);
  useLoaded(s);
  return 0;
}
