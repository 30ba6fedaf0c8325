#include "notes/note_files.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "calendar/date_arith.h"
#include "notes/note_folder.h"
#include "platform/files.h"

NoteListState NoteList = {};
NoteMessageFunction noteMessage = nullptr;

const char* const kNoteReadError = "Fehler beim Lesen der Notiz!";
const char* const kNoteSaveError = "Fehler beim Speichern der Notiz!";

namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool hasCurrentEntry() { return NoteList.currentIndex >= 0 && NoteList.currentIndex < NoteList.count; }

std::string pathOf(const char* name) { return std::string(NoteList.folder) + name; }

void report(void* owner, const char* text, const std::string& path) {
  if (noteMessage) noteMessage(owner, text, path.c_str());
}

void copyName(char* out, size_t size, const char* name) {
  std::snprintf(out, size, "%s", name);
}

void setFolder(const char* folder) {
  std::string f = folder ? folder : "";
  // The settings always give one; a folder from elsewhere gets the kind it already uses.
  if (!f.empty() && f.back() != '/' && f.back() != '\\') f += f.find('\\') != std::string::npos ? '\\' : '/';
  copyName(NoteList.folder, sizeof NoteList.folder, f.size() < sizeof NoteList.folder ? f.c_str() : "");
}

void forgetShownText() {
  NoteList.shownText[0] = '\0';
  NoteList.shownIndex = -1;
}

// The text as a save writes it: cut at the edit field's limit.
std::string savedForm(const char* text) {
  size_t length = text ? std::strlen(text) : 0;
  if (length > kNoteTextLimit) length = kNoteTextLimit;
  return std::string(text ? text : "", length);
}

void removeCurrentEntry() {
  int index = NoteList.currentIndex;
  for (int i = index; i + 1 < NoteList.count; ++i) NoteList.entries[i] = NoteList.entries[i + 1];
  if (NoteList.count > 0) {
    NoteList.entries[NoteList.count - 1] = NoteEntry{};
    --NoteList.count;
  }
  if (NoteList.currentIndex >= NoteList.count - 1) NoteList.currentIndex = NoteList.count - 1;
  // The window shows the following note next; until it is read nothing is shown.
  forgetShownText();
}

}  // namespace

int noteNameMatches(const char* name) {
  if (!name) return 0;
  size_t length = std::strlen(name);
  size_t patternLength = std::strlen(kNotePattern);
  if (length != patternLength) return 0;
  for (size_t i = 0; i < length; ++i) {
    if (kNotePattern[i] == '?') continue;
    if (lowerAscii(name[i]) != lowerAscii(kNotePattern[i])) return 0;
  }
  return 1;
}

int formatNoteName(char* out, size_t size, int year, int month, int day, int hour, int minute,
                   char letter) {
  if (year < 0 || year > 9999 || month < 0 || month > 99 || day < 0 || day > 99 || hour < 0 ||
      hour > 99 || minute < 0 || minute > 99)
    return 0;
  int n = std::snprintf(out, size, "N_%04d%02d%02d_%02d%02d%c.txt", year, month, day, hour, minute, letter);
  return n > 0 && static_cast<size_t>(n) < size;
}

int compareNoteNames(const char* a, const char* b) {
  for (;; ++a, ++b) {
    unsigned char x = static_cast<unsigned char>(lowerAscii(*a));
    unsigned char y = static_cast<unsigned char>(lowerAscii(*b));
    if (x != y) return x < y ? -1 : 1;
    if (!x) return 0;
  }
}

void clearNoteList() {
  NoteList.count = 0;
  NoteList.currentIndex = -1;
  NoteList.newNotePending = 0;
  forgetShownText();
  std::memset(NoteList.entries, 0, sizeof NoteList.entries);
}

int scanNotes(const char* folder) {
  int current = NoteList.currentIndex, pending = NoteList.newNotePending;
  clearNoteList();
  NoteList.currentIndex = current;
  NoteList.newNotePending = pending;
  setFolder(folder);
  std::vector<NoteFolderFile> files;
  if (!NoteList.folder[0] || !listNoteFolder(NoteList.folder, files)) return 0;
  for (const NoteFolderFile& file : files) {
    if (NoteList.count >= kNoteSlots) break;
    if (!noteNameMatches(file.name.c_str())) continue;
    NoteEntry& entry = NoteList.entries[NoteList.count++];
    copyName(entry.fileName, sizeof entry.fileName, file.name.c_str());
    entry.readOnly = file.readOnly;
    entry.dirty = 0;
  }
  // Neighbouring swaps until a pass swaps nothing: equal names keep their order.
  for (bool swapped = true; swapped;) {
    swapped = false;
    for (int i = 0; i + 1 < NoteList.count; ++i) {
      if (compareNoteNames(NoteList.entries[i].fileName, NoteList.entries[i + 1].fileName) > 0) {
        NoteEntry keep = NoteList.entries[i];
        NoteList.entries[i] = NoteList.entries[i + 1];
        NoteList.entries[i + 1] = keep;
        swapped = true;
      }
    }
  }
  return 1;
}

int startNewNote(int* day, int* month, int* year, int* hour, int* minute, char* letter) {
  int d = 0, mo = 0, y = 0, h = 0, mi = 0;
  GetLocalDateTime(&d, &mo, &y, &h, &mi, nullptr, nullptr);
  char name[sizeof(NoteEntry::fileName)] = "";
  char chosen = 0;
  if (NoteList.count < kNoteSlots && NoteList.folder[0]) {
    for (char c = 'a'; c <= 'z' && !chosen; ++c) {
      if (!formatNoteName(name, sizeof name, y, mo, d, h, mi, c)) break;
      if (!noteFileExists(pathOf(name).c_str())) chosen = c;
    }
  }
  if (!chosen) {
    // Quietly no new note: the window goes on showing the one it showed.
    NoteList.currentIndex = NoteList.shownIndex >= 0 && NoteList.shownIndex < NoteList.count
                                ? NoteList.shownIndex
                                : NoteList.count - 1;
    return 0;
  }
  int index = NoteList.count++;
  NoteEntry& entry = NoteList.entries[index];
  copyName(entry.fileName, sizeof entry.fileName, name);
  entry.dirty = 1;
  entry.readOnly = 0;
  NoteList.currentIndex = index;
  NoteList.newNotePending = 1;
  NoteList.shownIndex = index;
  NoteList.shownText[0] = '\0';
  if (day) *day = d;
  if (month) *month = mo;
  if (year) *year = y;
  if (hour) *hour = h;
  if (minute) *minute = mi;
  if (letter) *letter = chosen;
  return 1;
}

int readCurrentNote(void* owner, char* buffer) {
  if (buffer) buffer[0] = '\0';
  if (!buffer || !hasCurrentEntry()) return 0;
  NoteEntry& entry = NoteList.entries[NoteList.currentIndex];
  std::string path = pathOf(entry.fileName);
  std::string bytes;
  if (!readWholeFile(path.c_str(), bytes)) {
    forgetShownText();
    report(owner, kNoteReadError, path);
    return 0;
  }
  // More than the field holds: shown cut, and never saved, or the rest would be lost. A zero
  // byte ends the field's text just as well, so such a file is kept as it is too.
  if (bytes.size() > kNoteTextLimit) {
    bytes.resize(kNoteTextLimit);
    entry.readOnly = 1;
  }
  if (bytes.find('\0') != std::string::npos) entry.readOnly = 1;
  std::memcpy(buffer, bytes.data(), bytes.size());
  buffer[bytes.size()] = '\0';
  std::memcpy(NoteList.shownText, buffer, bytes.size() + 1);
  NoteList.shownIndex = NoteList.currentIndex;
  entry.dirty = 0;
  return 1;
}

void noteTextChanged(const char* text) {
  if (!hasCurrentEntry()) return;
  NoteEntry& entry = NoteList.entries[NoteList.currentIndex];
  if (NoteList.newNotePending && NoteList.currentIndex == NoteList.count - 1) {
    entry.dirty = 1;  // a new note is written, or removed when empty, at the next save
    return;
  }
  if (NoteList.shownIndex != NoteList.currentIndex) {
    entry.dirty = 1;  // nothing to compare with: better written once too often
    return;
  }
  entry.dirty = savedForm(text) != NoteList.shownText;
}

void markCurrentNoteDirty() {
  if (hasCurrentEntry()) NoteList.entries[NoteList.currentIndex].dirty = 1;
}

int saveCurrentNote(void* owner, const char* text) {
  if (!hasCurrentEntry()) return 0;
  NoteEntry& entry = NoteList.entries[NoteList.currentIndex];
  std::string path = pathOf(entry.fileName);
  // The bit is checked here too: as root (natively) or on a file marked while the window was
  // open, the file system alone would not refuse.
  if (entry.readOnly || noteFileReadOnly(path.c_str())) {
    entry.readOnly = 1;
    return 0;
  }
  if (!entry.dirty) return 0;
  entry.dirty = 0;
  std::string content = savedForm(text);
  if (!content.empty()) {
    if (!replaceFileContents(path.c_str(), content.data(), content.size())) {
      entry.dirty = 1;  // still differs from the file: the next save tries again
      report(owner, kNoteSaveError, path);
      return 0;
    }
    std::memcpy(NoteList.shownText, content.c_str(), content.size() + 1);
    NoteList.shownIndex = NoteList.currentIndex;
    if (NoteList.currentIndex == NoteList.count - 1) NoteList.newNotePending = 0;
    return 1;
  }
  if (noteFileExists(path.c_str()) && !platformRemoveFile(path.c_str())) {
    entry.dirty = 1;
    report(owner, kNoteSaveError, path);
    return 0;
  }
  // newNotePending stays: stepping back after removing an empty new note relies on it.
  removeCurrentEntry();
  return 0;
}

void currentNotePath(char* out, size_t size) {
  if (!out || !size) return;
  out[0] = '\0';
  if (hasCurrentEntry()) copyName(out, size, pathOf(NoteList.entries[NoteList.currentIndex].fileName).c_str());
}
