#include "app/settings.h"

#include "calendar/holidays.h"

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

Settings gSettings;

namespace {

constexpr int kStringAttempts = 3;

void copyText(char* dest, size_t size, const char* src) {
  if (size == 0) return;
  std::snprintf(dest, size, "%s", src);
}

// Joins a folder (with or without trailing separator) and a name; 0 if it does not fit.
int joinPath(char* out, size_t size, const char* folder, const char* name, char sep) {
  size_t n = std::strlen(folder);
  bool hasSep = n > 0 && (folder[n - 1] == '\\' || folder[n - 1] == '/');
  int w = hasSep || n == 0 ? std::snprintf(out, size, "%s%s", folder, name)
                           : std::snprintf(out, size, "%s%c%s", folder, sep, name);
  return w >= 0 && static_cast<size_t>(w) < size;
}

// Appends the separator unless the path already ends with one. 0 if it does not fit.
int ensureTrailingSeparator(char* path, size_t size, char sep) {
  size_t n = std::strlen(path);
  if (n > 0 && (path[n - 1] == '\\' || path[n - 1] == '/')) return 1;
  if (n + 2 > size) return 0;
  path[n] = sep;
  path[n + 1] = 0;
  return 1;
}

void readInt(SettingsStore& store, SettingsKey key, const char* name, int& field) {
  DWORD v = 0;
  if (store.readDword(key, name, v)) field = static_cast<int32_t>(v);
}

// A string value, asked for up to three times; the default stands if all fail.
int readStringRetrying(SettingsStore& store, SettingsKey key, const char* name, char* field,
                       size_t size) {
  char buffer[MAX_PATH + 1];
  if (size > sizeof buffer) size = sizeof buffer;
  for (int attempt = 0; attempt < kStringAttempts; ++attempt) {
    buffer[0] = 0;
    if (store.readString(key, name, buffer, size)) {
      buffer[size - 1] = 0;
      std::memcpy(field, buffer, std::strlen(buffer) + 1);
      return 1;
    }
  }
  return 0;
}

void setFaceName(LOGFONTA& font, const char* face) { copyText(font.lfFaceName, LF_FACESIZE, face); }

// Compared on both sides of zero: the most negative stored value has no magnitude as an int.
bool fontHeightAcceptable(int height) {
  return (height >= kMinFontHeight && height <= kMaxFontHeight) ||
         (height <= -kMinFontHeight && height >= -kMaxFontHeight);
}

bool fontWeightAcceptable(int weight) { return weight >= 0 && weight <= kMaxFontWeight; }

int clampedTo(int value, int least, int most) {
  if (most < least) most = least;
  return value < least ? least : value > most ? most : value;
}

char folderSeparator(SettingsFolders* folders) { return folders ? folders->separator() : '\\'; }

int programFolderOf(SettingsFolders* folders, char* out, size_t size) {
  out[0] = 0;
  char file[MAX_PATH];
  if (!folders || !folders->programFile(file, sizeof file)) return 0;
  char* cut = std::strrchr(file, '\\');
  char* slash = std::strrchr(file, '/');
  if (!cut || (slash && slash > cut)) cut = slash;
  if (!cut) return 0;
  cut[1] = 0;
  copyText(out, size, file);
  return static_cast<int>(std::strlen(out));
}

// Application data + Skorvati + Desktopkalender + Die Quendler, each level created.
int makeDataFolder(SettingsFolders* folders, char* out, size_t size) {
  out[0] = 0;
  if (!folders) return 0;
  char path[MAX_PATH];
  if (!folders->appDataFolder(path, sizeof path)) return 0;
  char sep = folders->separator();
  for (const char* level : {"Skorvati", "Desktopkalender", "Die Quendler"}) {
    char next[MAX_PATH];
    if (!joinPath(next, sizeof next, path, level, sep)) return 0;
    std::memcpy(path, next, sizeof path);
    folders->createFolder(path);
  }
  copyText(out, size, path);
  return static_cast<int>(std::strlen(out));
}

std::atomic<int> handedBackOldDay{INT_MIN};
std::atomic<int> handedBackSheetHeight{INT_MIN};

}  // namespace

void setDefaultSheetFont(LOGFONTA& font) {
  std::memset(&font, 0, sizeof font);
  font.lfHeight = kDefaultSheetFontHeight;
  font.lfWeight = 600;
  font.lfCharSet = 0;
  font.lfOutPrecision = 1;
  font.lfClipPrecision = 2;
  font.lfQuality = 4;
  font.lfPitchAndFamily = 0;
  setFaceName(font, "Verdana");
}

void setDefaultNoteFont(LOGFONTA& font) {
  std::memset(&font, 0, sizeof font);
  font.lfHeight = -14;
  font.lfWeight = 400;
  font.lfOutPrecision = 1;
  font.lfClipPrecision = 2;
  font.lfQuality = 2;
  font.lfPitchAndFamily = 0x31;
  setFaceName(font, "Courier New");
}

void deriveHeaderFont(Settings& s) {
  s.HeaderFont = s.SheetFont;
  s.HeaderFont.lfHeight = kHeaderFontHeight;
  s.HeaderFont.lfWeight = kHeaderFontWeight;
}

void keepMarginsOnScreen(Settings& s, int screenWidth, int screenHeight) {
  s.left = clampedTo(s.left, 0, screenWidth / 6);
  s.right = clampedTo(s.right, 0, screenWidth / 6);
  s.top = clampedTo(s.top, 0, screenHeight / 6);
}

Settings::Settings() {
  setDefaultSheetFont(SheetFont);
  deriveHeaderFont(*this);
  setDefaultNoteFont(NoteFont);
}

int GetProgramFolder(char* buffer, size_t size) {
  if (!buffer || size == 0) return 0;
  return programFolderOf(settingsFolders(), buffer, size);
}

int LoadSettings(Settings& s, SettingsStore& store, SettingsFolders* folders) {
  // Defaults. The notes font has its own loader and is kept, so that reloading while the
  // options sheet opens does not reset it.
  LOGFONTA noteFont = s.NoteFont;
  s = Settings();
  s.NoteFont = noteFont;
  char sep = folderSeparator(folders);

  programFolderOf(folders, s.programFolder, sizeof s.programFolder);
  joinPath(s.AlarmFile, sizeof s.AlarmFile, s.programFolder, "alarm.qtm", sep);
  copyText(s.NotePath, sizeof s.NotePath, s.programFolder);

  char data[MAX_PATH];
  if (makeDataFolder(folders, data, sizeof data) > 3) {
    char withSep[MAX_PATH];
    copyText(withSep, sizeof withSep, data);
    if (ensureTrailingSeparator(withSep, sizeof withSep, sep) &&
        joinPath(s.AlarmFile, sizeof s.AlarmFile, withSep, "alarm.qtm", sep)) {
      copyText(s.dataFolder, sizeof s.dataFolder, withSep);
      copyText(s.NotePath, sizeof s.NotePath, withSep);
    }
  }

  if (SettingsKey key = store.openKey(kSettingsKey, false)) {
    readInt(store, key, "AutoDelete", s.AutoDelete);
    readInt(store, key, "Splash", s.Splash);
    readInt(store, key, "Mondphasen", s.Mondphasen);
    readInt(store, key, "AutoExit", s.AutoExit);
    readInt(store, key, "AutoStart", s.AutoStart);
    readInt(store, key, "TerminSchutz", s.TerminSchutz);
    readInt(store, key, "Snooze", s.Snooze);
    s.Snooze = clampedTo(s.Snooze, kMinSnooze, kMaxSnooze);
    readInt(store, key, "x", s.x);
    readInt(store, key, "y", s.y);
    readInt(store, key, "left", s.left);
    readInt(store, key, "top", s.top);
    readInt(store, key, "right", s.right);
    readInt(store, key, "OldDay", s.OldDay);
    readInt(store, key, "HG", s.HG);
    if (s.HG < 0 || s.HG >= kBackgroundCount) s.HG = 0;
    readInt(store, key, "Kalenderwoche", s.Kalenderwoche);
    readInt(store, key, "Wochentage", s.Wochentage);
    readInt(store, key, "Feiertage", s.Feiertage);
    if (s.Feiertage < 0 || s.Feiertage >= kHolidayRegionCount) s.Feiertage = 0;
    int height = s.SheetFont.lfHeight;
    readInt(store, key, "FHeight", height);
    s.SheetFont.lfHeight = fontHeightAcceptable(height) ? height : kDefaultSheetFontHeight;
    int weight = s.SheetFont.lfWeight;
    readInt(store, key, "FWeight", weight);
    if (fontWeightAcceptable(weight)) s.SheetFont.lfWeight = weight;
    int italic = s.SheetFont.lfItalic;
    readInt(store, key, "FItalic", italic);
    s.SheetFont.lfItalic = static_cast<BYTE>(italic);
    char face[LF_FACESIZE];
    if (readStringRetrying(store, key, "FName", face, sizeof face) && face[0])
      setFaceName(s.SheetFont, face);
    char path[MAX_PATH];
    // An empty path would point at the current folder; the default is kept instead.
    if (readStringRetrying(store, key, "AlarmFile", path, sizeof path) && path[0])
      copyText(s.AlarmFile, sizeof s.AlarmFile, path);
    if (readStringRetrying(store, key, "NotePath", path, sizeof path) && path[0]) {
      char withSep[MAX_PATH];
      copyText(withSep, sizeof withSep, path);
      if (ensureTrailingSeparator(withSep, sizeof withSep, sep))
        copyText(s.NotePath, sizeof s.NotePath, withSep);
    }
    store.closeKey(key);
  }
  deriveHeaderFont(s);

  // Date order and separator: the regional settings, else the profile's intl section.
  s.sDate[0] = 0;
  SettingsKey intl = store.openKey(kInternationalKey, false);
  if (intl) {
    char text[16];
    if (readStringRetrying(store, intl, "iDate", text, sizeof text)) s.iDate = std::atoi(text);
    if (readStringRetrying(store, intl, "sDate", text, sizeof text)) {
      s.sDate[0] = text[0];
      s.sDate[1] = 0;
    }
    store.closeKey(intl);
  }
  if (!intl || !s.sDate[0]) {
    s.iDate = store.readProfileInt("intl", "iDate", 1);
    char text[16];
    store.readProfileString("intl", "sDate", ".", text, sizeof text);
    s.sDate[0] = text[0] ? text[0] : '.';
    s.sDate[1] = 0;
  }
  return 1;
}

int SaveSettings(const Settings& s, SettingsStore& store) {
  int ok = 1;
  if (SettingsKey key = store.openKey(kSettingsKey, true)) {
    auto dword = [&](const char* name, int value) {
      if (!store.writeDword(key, name, static_cast<DWORD>(value))) ok = 0;
    };
    auto text = [&](const char* name, const char* value) {
      if (!store.writeString(key, name, value)) ok = 0;
    };
    dword("x", s.x);
    dword("y", s.y);
    dword("OldDay", s.OldDay);
    dword("AutoExit", s.AutoExit);
    dword("AutoStart", s.AutoStart);
    dword("Splash", s.Splash);
    dword("Mondphasen", s.Mondphasen);
    dword("Kalenderwoche", s.Kalenderwoche);
    dword("Wochentage", s.Wochentage);
    dword("Feiertage", s.Feiertage);
    dword("AutoDelete", s.AutoDelete);
    dword("Snooze", s.Snooze);
    text("AlarmFile", s.AlarmFile);
    text("NotePath", s.NotePath);
    dword("FHeight", s.SheetFont.lfHeight);
    dword("FWeight", s.SheetFont.lfWeight);
    dword("FItalic", s.SheetFont.lfItalic);
    text("FName", s.SheetFont.lfFaceName);
    dword("left", s.left);
    dword("top", s.top);
    dword("right", s.right);
    dword("HG", s.HG);
    store.closeKey(key);
  } else {
    ok = 0;
  }
  if (SettingsKey key = store.openKey(kNoteFontKey, true)) {
    if (!store.writeDword(key, "FHeight", static_cast<DWORD>(s.NoteFont.lfHeight))) ok = 0;
    if (!store.writeDword(key, "FWeight", static_cast<DWORD>(s.NoteFont.lfWeight))) ok = 0;
    if (!store.writeDword(key, "FItalic", s.NoteFont.lfItalic)) ok = 0;
    if (!store.writeString(key, "FName", s.NoteFont.lfFaceName)) ok = 0;
    store.closeKey(key);
  } else {
    ok = 0;
  }
  return ok;
}

void loadNoteFont(Settings& s, SettingsStore& store) {
  setDefaultNoteFont(s.NoteFont);
  SettingsKey key = store.openKey(kNoteFontKey, false);
  if (!key) return;
  int height = s.NoteFont.lfHeight, weight = s.NoteFont.lfWeight, italic = 0;
  readInt(store, key, "FHeight", height);
  readInt(store, key, "FWeight", weight);
  readInt(store, key, "FItalic", italic);
  // Held to the calendar font's range: a stored height of 2^31 pixels is no font to write in.
  if (fontHeightAcceptable(height)) s.NoteFont.lfHeight = height;
  if (fontWeightAcceptable(weight)) s.NoteFont.lfWeight = weight;
  s.NoteFont.lfItalic = static_cast<BYTE>(italic);
  char face[LF_FACESIZE];
  if (readStringRetrying(store, key, "FName", face, sizeof face) && face[0]) setFaceName(s.NoteFont, face);
  store.closeKey(key);
}

void SetAutostart(int on, SettingsStore& store, SettingsFolders& folders) {
  SettingsKey key = store.openKey(kRunKey, true);
  if (!key) return;
  if (on) {
    char file[MAX_PATH];
    if (folders.programFile(file, sizeof file)) {
      // Quoted, so that a path with blanks cannot be read as another program plus arguments.
      char quoted[MAX_PATH + 3];
      std::snprintf(quoted, sizeof quoted, "\"%s\"", file);
      store.writeString(key, kAutostartValue, quoted);
    }
  } else {
    store.deleteValue(key, kAutostartValue);
  }
  store.closeKey(key);
}

int LoadSettings() {
  SettingsStore* store = settingsStore();
  if (!store) {
    LOGFONTA noteFont = gSettings.NoteFont;
    gSettings = Settings();
    gSettings.NoteFont = noteFont;
    return 0;
  }
  return LoadSettings(gSettings, *store, settingsFolders());
}

int SaveSettings() {
  SettingsStore* store = settingsStore();
  return store ? SaveSettings(gSettings, *store) : 0;
}

void loadNoteFont() {
  if (SettingsStore* store = settingsStore())
    loadNoteFont(gSettings, *store);
  else
    setDefaultNoteFont(gSettings.NoteFont);
}

void SetAutostart(int on) {
  SettingsStore* store = settingsStore();
  SettingsFolders* folders = settingsFolders();
  if (store && folders) SetAutostart(on, *store, *folders);
}

void handBackOldDay(int day) { handedBackOldDay.store(day); }
void handBackSheetFontHeight(int height) { handedBackSheetHeight.store(height); }

int takeSettingsHandBack(Settings& s) {
  int changed = 0;
  int day = handedBackOldDay.exchange(INT_MIN);
  if (day != INT_MIN && day != s.OldDay) {
    s.OldDay = day;
    changed = 1;
  }
  int height = handedBackSheetHeight.exchange(INT_MIN);
  if (height != INT_MIN && height != s.SheetFont.lfHeight) {
    s.SheetFont.lfHeight = height;
    changed = 1;
  }
  return changed;
}

int loadSettingsFile(const char* path, Settings& s) {
  TextFileSettingsStore store;
  int read = store.load(path);
  PlainSettingsFolders folders("", "");
  LoadSettings(s, store, &folders);
  return read;
}
