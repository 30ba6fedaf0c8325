#include "tests/crash_safety/saves.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "alarms/appointment_file.h"
#include "app/settings_store.h"
#include "notes/note_files.h"
#include "render/compose.h"

bool putFile(const std::string& path, const std::string& bytes) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return close(fd) == 0 && done == bytes.size();
}

int getFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char buffer[65536];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      close(fd);
      return 0;
    }
    bytes.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return 1;
}

std::vector<std::string> folderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* e = readdir(dir))
      if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

const char* const kSizeName[2] = {"klein", "gross"};

// 3 or 256 records (2760 or 235520 bytes), named so that the save's sort keeps them in place.
class AppointmentSave : public UserSave {
 public:
  AppointmentSave() : work_(new AppointmentTable()) {
    const int counts[2] = {3, kAppointmentSlots};
    for (int which = 0; which < 2; ++which) {
      tables_[which].reset(new AppointmentTable());
      AppointmentTable& t = *tables_[which];
      std::memset(&t, 0, sizeof t);
      t.count = counts[which];
      for (int i = 0; i < t.count; ++i) {
        Appointment& a = t.slots[i];
        a.repeatKind = kRepeatYearly;
        a.day = static_cast<uint16_t>(1 + i % 28);
        a.month = static_cast<uint16_t>(1 + i % 12);
        a.year = 2026;
        a.hour = static_cast<uint16_t>(i % 24);
        a.minute = static_cast<uint16_t>(i % 60);
        a.action = kActionNotice;
        std::snprintf(a.name, sizeof a.name, "%s %03d von %d", kSizeName[which], i, t.count);
        std::snprintf(a.remark, sizeof a.remark, "Termin %d der Tabelle \"%s\"", i, kSizeName[which]);
      }
      content_[which].assign(reinterpret_cast<const char*>(t.slots),
                             static_cast<size_t>(t.count) * kAppointmentRecordSize);
    }
  }
  const char* name() const override { return "appointments"; }
  bool prepare(const std::string& folder, bool existing) override {
    path_ = folder + "/termine.qtm";
    return !existing || putFile(path_, content_[0]);
  }
  int save(int which) override {
    *work_ = *tables_[which];
    return saveAppointmentTable(*work_, path_.c_str());
  }
  const std::string& content(int which) const override { return content_[which]; }
  std::string target() const override { return path_; }

 private:
  std::unique_ptr<AppointmentTable> tables_[2];
  std::unique_ptr<AppointmentTable> work_;
  std::string content_[2];
  std::string path_;
};

// The note window's save of the current note: a short text, or one of 16000 characters.
class NoteSave : public UserSave {
 public:
  NoteSave() {
    content_[0] = "Notiz klein\r\nBrot, Milch, Eier.\r\n";
    std::string& big = content_[1];
    big = "Notiz gross\r\n";
    for (int line = 1; big.size() < 16000 - 64; ++line) {
      char text[64];
      std::snprintf(text, sizeof text, "Zeile %04d: \xe4\xf6\xfc\xdf und noch etwas mehr.\r\n", line);
      big += text;
    }
    big.resize(16000, '.');
  }
  ~NoteSave() override {
    if (shown == this) noteMessage = nullptr;
  }
  const char* name() const override { return "note"; }
  bool prepare(const std::string& folder, bool existing) override {
    std::string notes = folder + "/notizen/";
    if (mkdir(notes.c_str(), 0777) != 0) return false;
    if (existing && !putFile(notes + "N_20261209_1830a.txt", content_[0])) return false;
    clearNoteList();
    NoteList.currentIndex = 0;
    if (!scanNotes(notes.c_str()) || NoteList.count != (existing ? 1 : 0)) return false;
    if (!existing && !startNewNote(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)) return false;
    char path[400];
    currentNotePath(path, sizeof path);
    path_ = path;
    shown = this;
    noteMessage = &record;
    messages.clear();
    return !path_.empty();
  }
  int save(int which) override {
    markCurrentNoteDirty();
    return saveCurrentNote(nullptr, content_[which].c_str());
  }
  const std::string& content(int which) const override { return content_[which]; }
  std::string target() const override { return path_; }

 private:
  static NoteSave* shown;
  static void record(void*, const char* text, const char* caption) {
    if (shown) shown->messages.push_back(std::string(text) + "|" + caption);
  }
  std::string content_[2];
  std::string path_;
};
NoteSave* NoteSave::shown = nullptr;

// The composed picture written as wallpaper.bmp: 40x30 or 480x320 pixels of a pattern that
// differs between the two.
class WallpaperSave : public UserSave {
 public:
  WallpaperSave() {
    const int widths[2] = {40, 480}, heights[2] = {30, 320};
    for (int which = 0; which < 2; ++which) {
      W_[which] = widths[which];
      H_[which] = heights[which];
      std::vector<BYTE>& p = pixels_[which];
      p.resize(static_cast<size_t>(W_[which]) * H_[which] * 3);
      for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<BYTE>(i * (which ? 7 : 3) + i / 997);
    }
  }
  const char* name() const override { return "wallpaper"; }
  bool prepare(const std::string& folder, bool existing) override {
    path_ = folder + "/wallpaper.bmp";
    // What a complete save leaves: taken from a save of each picture to a side file.
    for (int which = 0; which < 2; ++which) {
      std::string side = folder + "/muster.bmp";
      if (!writeWallpaperFile(pixels_[which].data(), W_[which], H_[which], side.c_str())) return false;
      if (!getFile(side, content_[which]) || unlink(side.c_str()) != 0) return false;
      size_t row = (static_cast<size_t>(W_[which]) * 3 + 3) / 4 * 4;
      if (content_[which].size() != 54 + row * H_[which] || content_[which].compare(0, 2, "BM") != 0)
        return false;
    }
    return !existing || putFile(path_, content_[0]);
  }
  int save(int which) override {
    return writeWallpaperFile(pixels_[which].data(), W_[which], H_[which], path_.c_str());
  }
  const std::string& content(int which) const override { return content_[which]; }
  std::string target() const override { return path_; }

 private:
  int W_[2], H_[2];
  std::vector<BYTE> pixels_[2];
  std::string content_[2];
  std::string path_;
};

// The native tool's settings file: a handful of values, or 1500 of them in five sections.
class SettingsSave : public UserSave {
 public:
  SettingsSave() {
    TextFileSettingsStore& small = stores_[0];
    small.setString(kSettingsKey, "Kennung", "klein");
    small.setDword(kSettingsKey, "HG", 3);
    small.setDword(kSettingsKey, "Snooze", 10);
    small.setString(kNoteFontKey, "FaceName", "Arial");
    TextFileSettingsStore& large = stores_[1];
    large.setString(kSettingsKey, "Kennung", "gross");
    for (int i = 0; i < 1500; ++i) {
      std::string key = std::string(kSettingsKey) + "\\Gruppe" + std::to_string(i % 5);
      large.setString(key, "Wert" + std::to_string(i), "Eintrag " + std::to_string(i * 7919) + " der grossen Datei");
    }
    for (int which = 0; which < 2; ++which) content_[which] = stores_[which].format();
  }
  const char* name() const override { return "settings"; }
  bool prepare(const std::string& folder, bool existing) override {
    path_ = folder + "/quendler.ini";
    return !existing || putFile(path_, content_[0]);
  }
  int save(int which) override { return stores_[which].save(path_.c_str()); }
  const std::string& content(int which) const override { return content_[which]; }
  std::string target() const override { return path_; }

 private:
  TextFileSettingsStore stores_[2];
  std::string content_[2];
  std::string path_;
};

}  // namespace

std::vector<std::unique_ptr<UserSave>> makeUserSaves() {
  std::vector<std::unique_ptr<UserSave>> saves;
  saves.emplace_back(new AppointmentSave());
  saves.emplace_back(new NoteSave());
  saves.emplace_back(new WallpaperSave());
  saves.emplace_back(new SettingsSave());
  return saves;
}
