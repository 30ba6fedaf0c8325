// The note folder and the note files: a folder whose file names and contents come from the
// input is listed, every note is read, left unchanged, changed and saved, and read back; a new
// note is begun at a fixed minute. Names also go through the comparison and the window title.
//
// Input: one byte of switches (bit 0: the folder is given without its separator; bits 1..3:
// how many of the new note's letters are taken already, 0..3, or all 26 for 7), then up to kMaxFiles entries:
//   kind byte (low 2 bits: a note name from the next 14 bytes, a free name of a length byte
//              and that many bytes, a folder named so; bit 2: the name's fixed letters in
//              capitals; bit 3: read-only; bit 4: content longer than the edit field holds)
//   content   (a length byte and that many bytes)
// and what remains is the text typed into the first note that can be written.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "fuzz/fuzz_checks.h"
#include "fuzz/memory_files.h"
#include "notes/note_files.h"
#include "notes/note_folder.h"
#include "notes/note_title.h"
#include "platform/clock.h"
#include "platform/files.h"

namespace {

using fuzzing::fail;

constexpr int kMaxFiles = 8;

// The note folder, in memory (fuzz/memory_files.h), made anew for every input.
struct Folder {
  std::string path() const { return "/notes/"; }
  std::string file(const std::string& name) const { return path() + name; }
};

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

// A name the file system takes: no separator, no NUL, not a name of the folder itself.
std::string fileSystemName(std::string name) {
  for (char& c : name)
    if (c == '/' || c == 0) c = '_';
  if (name.empty() || name == "." || name == "..") name = "x" + name;
  return name;
}

// "N_20??????_?????.txt" read here on its own: the fixed letters in any case.
bool looksLikeNote(const std::string& name) {
  static const char fixed[] = "n_20??????_?????.txt";
  if (name.size() != 20) return false;
  for (size_t i = 0; i < 20; ++i) {
    if (fixed[i] == '?') continue;
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != fixed[i]) return false;
  }
  return true;
}

struct Made {
  std::string content;
  bool readOnly = false;
};

std::string fileContent(const std::string& path) {
  std::string out;
  if (!readWholeFile(path.c_str(), out)) fail("a note file cannot be read back");
  return out;
}

bool fits(const std::string& content) {
  return content.size() <= kNoteTextLimit && content.find('\0') == std::string::npos;
}

void checkList(const std::map<std::string, Made>& made) {
  size_t expected = 0;
  for (const auto& [name, file] : made) expected += looksLikeNote(name);
  if (size_t(NoteList.count) != expected) fail("the list does not hold exactly the note files");
  for (int i = 0; i < NoteList.count; ++i) {
    const NoteEntry& e = NoteList.entries[i];
    if (!std::memchr(e.fileName, 0, sizeof e.fileName)) fail("entry name without terminator");
    auto m = made.find(e.fileName);
    if (m == made.end() || !noteNameMatches(e.fileName)) fail("an entry that is no note file");
    if (e.readOnly != int(m->second.readOnly) || e.dirty) fail("entry flags differ from the file");
    if (i > 0 && compareNoteNames(NoteList.entries[i - 1].fileName, e.fileName) > 0) fail("list not sorted");
  }
}

void checkTitles(const char* name) {
  for (int order = -1; order <= 3; ++order) {
    for (size_t size : {size_t(1), size_t(9), size_t(64)}) {
      char title[64];
      std::memset(title, 'x', sizeof title);
      noteTitleFromName(title, size, name, order, order == 3 ? nullptr : "-");
      if (!std::memchr(title, 0, size)) fail("note title not terminated within its buffer");
      for (size_t k = size; k < sizeof title; ++k)
        if (title[k] != 'x') fail("note title written beyond its buffer");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Folder folder;
  fuzzing::memory::clear();
  if (!fuzzing::memory::makeFolder(folder.path())) fail("cannot make the note folder");
  Reader in{data, data + size};
  uint8_t switches = in.byte();

  std::map<std::string, Made> made;  // the plain files, by name
  for (int n = 0; n < kMaxFiles && in.more(); ++n) {
    uint8_t kind = in.byte();
    std::string name;
    if ((kind & 3) == 0) {
      name = (kind & 4 ? "N_20" : "n_20") + in.bytes(6) + "_" + in.bytes(5) + (kind & 4 ? ".TXT" : ".txt");
    } else {
      name = in.bytes(in.byte() % 64);
    }
    name = fileSystemName(name);
    std::string content = in.bytes(in.byte());
    if (kind & 16) {
      if (content.empty()) content = "lang ";
      while (content.size() <= kNoteTextLimit) content += content;
    }
    std::string path = folder.file(name);
    if ((kind & 3) == 2) {
      if (made.count(name)) continue;
      fuzzing::memory::makeFolder(path);
      continue;
    }
    auto entry = fuzzing::memory::entries().find(path);
    if (entry != fuzzing::memory::entries().end() && entry->second.folder) continue;  // a folder of that name
    bool readOnly = kind & 8;
    if (!fuzzing::memory::putFile(path, content, readOnly)) fail("cannot make a note file");
    made[name] = Made{content, readOnly};
  }
  std::string typed = in.bytes(size_t(in.end - in.p));

  std::string folderPath = folder.path();
  if (switches & 1) folderPath.pop_back();
  clearNoteList();
  if (scanNotes(folderPath.c_str()) != 1) fail("the folder could not be listed");
  if (std::strcmp(NoteList.folder, folder.path().c_str()) != 0) fail("the list's folder is not the folder with its separator");
  checkList(made);

  static char buffer[kNoteBufferSize];
  bool typedIn = false;
  for (int i = 0; i < NoteList.count; ++i) {
    NoteEntry& e = NoteList.entries[i];
    checkTitles(e.fileName);
    const Made& file = made[e.fileName];
    NoteList.currentIndex = i;
    if (readCurrentNote(nullptr, buffer) != 1) fail("a note file could not be read");
    size_t shown = std::min(file.content.size(), kNoteTextLimit);
    if (std::memcmp(buffer, file.content.data(), shown) != 0 || buffer[shown] != 0)
      fail("the note read differs from its file");
    // What the edit field cannot hold whole is never written back.
    if (!fits(file.content) && !e.readOnly) fail("a note the field holds only in part can be saved");
    noteTextChanged(buffer);
    if (e.dirty) fail("the text as read counts as changed");
    if (saveCurrentNote(nullptr, buffer) != 0) fail("an unchanged note was written");
    if (fileContent(folder.file(e.fileName)) != file.content) fail("an unchanged note's file changed");

    if (typedIn || e.readOnly) {
      // A note that must not be written keeps its file whatever is typed.
      if (e.readOnly) {
        noteTextChanged(typed.c_str());
        markCurrentNoteDirty();
        if (saveCurrentNote(nullptr, typed.c_str()) != 0) fail("a read-only note was written");
        if (fileContent(folder.file(e.fileName)) != file.content) fail("a read-only note's file changed");
        if (NoteList.count == 0 || std::strcmp(NoteList.entries[i].fileName, e.fileName) != 0)
          fail("a read-only note left the list");
      }
      continue;
    }
    typedIn = true;
    std::string name = e.fileName;
    std::string text = typed.substr(0, std::strlen(typed.c_str()));
    if (text.size() > kNoteTextLimit) text.resize(kNoteTextLimit);
    noteTextChanged(typed.c_str());
    if (bool(e.dirty) != (text != std::string(buffer))) fail("changed is not 'differs from the file'");
    if (text.empty()) {
      markCurrentNoteDirty();
      int count = NoteList.count;
      saveCurrentNote(nullptr, typed.c_str());
      if (noteFileExists(folder.file(name).c_str()) || NoteList.count != count - 1)
        fail("an emptied note was not removed");
      made.erase(name);
      break;  // the list moved up; the entries behind are read by the next input
    }
    int wrote = saveCurrentNote(nullptr, typed.c_str());
    if (wrote != int(text != std::string(buffer))) fail("a save wrote when nothing changed, or not when it did");
    if (fileContent(folder.file(name)) != (wrote ? text : file.content)) fail("the saved note differs");
    if (wrote) made[name].content = text;
    if (readCurrentNote(nullptr, buffer) != 1 || std::string(buffer) != std::string(made[name].content.c_str()))
      fail("the saved note reads back otherwise");
  }
  char path[kNoteFolderSize + 32];
  currentNotePath(path, sizeof path);
  if (!std::memchr(path, 0, sizeof path)) fail("note path not terminated");

  // A new note at a fixed minute, with some of its letters taken already.
  LocalTime at;
  at.year = 2026;
  at.month = 12;
  at.day = 9;
  at.hour = 18;
  at.minute = 30;
  setClockStart(at, true);
  int taken = (switches >> 1) & 7;
  taken = taken == 7 ? 26 : taken & 3;
  for (int k = 0; k < taken; ++k) {
    char name[24];
    if (!formatNoteName(name, sizeof name, 2026, 12, 9, 18, 30, char('a' + k))) fail("note name");
    if (!noteNameMatches(name)) fail("a made note name does not match the pattern");
    fuzzing::memory::putFile(folder.file(name), "x");
  }
  // The first letter free is the first whose name nothing in the folder holds: neither a note
  // made above nor a file or folder of the input that happens to bear that name.
  char free = 0;
  for (char c = 'a'; c <= 'z' && !free; ++c) {
    char name[24];
    if (!formatNoteName(name, sizeof name, 2026, 12, 9, 18, 30, c)) fail("note name");
    if (!fuzzing::memory::entries().count(folder.file(name))) free = c;
  }
  int count = NoteList.count;
  int d, mo, y, h, mi;
  char letter = 0;
  int started = startNewNote(&d, &mo, &y, &h, &mi, &letter);
  if (count < kNoteSlots && free) {
    if (!started || letter != free) fail("a new note did not take the first free letter");
    if (saveCurrentNote(nullptr, "neu") != 1) fail("a new note was not written");
    if (fileContent(folder.file(NoteList.entries[NoteList.count - 1].fileName)) != "neu") fail("new note content");
  } else if (started) {
    fail("a new note without a free letter");
  }
  clearClockStart();

  if (NoteList.count >= 2) {
    const char* a = NoteList.entries[0].fileName;
    const char* b = NoteList.entries[NoteList.count - 1].fileName;
    if ((compareNoteNames(a, b) > 0) != (compareNoteNames(b, a) < 0)) fail("name comparison not antisymmetric");
  }
  clearNoteList();
  return 0;
}
