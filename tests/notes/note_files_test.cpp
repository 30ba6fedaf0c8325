// The note files against a model of the folder of their own: names, letters, the listing
// pattern and sort, read-only and overlong notes, deleting by emptying, failing saves.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "notes/note_files.h"
#include "platform/clock.h"
#include "tests/support/clock_guard.h"
#include "tests/support/files.h"

namespace fs = std::filesystem;

namespace {

struct Message {
  std::string text, caption;
};
std::vector<Message> messages;
void recordMessage(void*, const char* text, const char* caption) { messages.push_back({text, caption}); }

void setClock(const char* when) {
  LocalTime t;
  ASSERT_EQ(parseLocalTime(when, t), 1);
  setClockStart(t, true);
}

// Read-only as the user marks it: the owner write bit natively, the attribute under Windows.
void markReadOnly(const std::string& path) {
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

std::vector<std::string> listedNames() {
  std::vector<std::string> names;
  for (int i = 0; i < NoteList.count; ++i) names.push_back(NoteList.entries[i].fileName);
  return names;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The files in the folder whose names a note may have, sorted as the window lists them.
std::vector<std::string> expectedListing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) {
    std::string n = lower(e.path().filename().string());
    if (e.is_regular_file() && n.size() == 20 && n.compare(0, 4, "n_20") == 0 && n[10] == '_' &&
        n.compare(16, 4, ".txt") == 0)
      names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return lower(a) < lower(b); });
  return names;
}

class NoteFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    messages.clear();
    noteMessage = recordMessage;
    clearNoteList();
    setClock("2009-09-28 14:05:00");
  }
  void TearDown() override { noteMessage = nullptr; }
  void scan() { ASSERT_EQ(scanNotes(dir.path().c_str()), 1); }
  void put(const std::string& name, const std::string& text) { ASSERT_TRUE(writeFile(dir.file(name), text)); }
  void openAt(int index) {
    NoteList.currentIndex = index;
    ASSERT_EQ(readCurrentNote(nullptr, buffer.data()), 1);
  }

  ClockGuard clock;
  TempFolder dir{"notes"};
  std::vector<char> buffer = std::vector<char>(kNoteBufferSize, 'x');
};

TEST_F(NoteFiles, PatternAndSort) {
  const char* fitting[] = {"N_20090928_1405b.txt", "n_20090928_1405a.TXT", "N_20991231_2359z.txt",
                           "N_20010101_0000a.txt", "N_20xxxxxx_yyyyy.txt"};
  const char* others[] = {"N_19990928_1405a.txt", "N_20090928_1405.txt", "N_20090928_1405ab.txt",
                          "X_20090928_1405a.txt", "N_20090928_1405a.txt.tmp", "N_20090928-1405a.txt"};
  for (const char* n : fitting) put(n, "t");
  for (const char* n : others) put(n, "t");
  fs::create_directory(dir.file("N_20090928_1405c.txt"));
  scan();
  std::vector<std::string> want = {"N_20010101_0000a.txt", "n_20090928_1405a.TXT", "N_20090928_1405b.txt",
                                   "N_20991231_2359z.txt", "N_20xxxxxx_yyyyy.txt"};
  EXPECT_EQ(listedNames(), want);
  EXPECT_EQ(listedNames(), expectedListing(dir.path()));
}

// Random steps of the window (new note, type, empty, open another, mark read-only, rescan)
// against a model that knows only the files and the rules for names.
TEST_F(NoteFiles, SweepAgainstModel) {
  std::mt19937 rng(20090928);
  std::map<std::string, std::string> files;  // the model folder
  std::map<std::string, bool> readOnly;
  put("readme.txt", "kein Name einer Notiz");
  scan();
  std::vector<std::string> model;
  int current = -1, refusals = 0;
  const char* minutes[] = {"2009-09-28 14:05:00", "2009-09-28 14:06:00", "2010-01-01 00:00:00"};
  const char* stems[] = {"N_20090928_1405", "N_20090928_1406", "N_20100101_0000"};
  // The window saves before it leaves a note; a new note left empty is dropped then.
  auto leave = [&] {
    if (current < 0 || files.count(model[current])) return;
    saveCurrentNote(nullptr, "");
    model.erase(model.begin() + current);
    current = std::min(current, static_cast<int>(model.size()) - 1);
  };
  for (int step = 0; step < 2000; ++step) {
    int op = rng() % 10;
    if (op < 3) {
      leave();
      int which = rng() % 3;
      setClock(minutes[which]);
      std::string stem = stems[which];
      NoteList.currentIndex = kNoteStartNew;
      int d = 0, mo = 0, y = 0, h = 0, mi = 0;
      char letter = 0;
      int ok = startNewNote(&d, &mo, &y, &h, &mi, &letter);
      char want = 0;
      for (char c = 'a'; c <= 'z' && !want; ++c)
        if (!files.count(stem + c + ".txt")) want = c;
      ASSERT_EQ(ok, want != 0) << step;
      if (ok) {
        ASSERT_EQ(letter, want);
        char title[32];
        std::snprintf(title, sizeof title, "%04d-%02d-%02d %02d:%02d:00", y, mo, d, h, mi);
        ASSERT_STREQ(title, minutes[which]);
        model.push_back(std::string(stem) + want + ".txt");
        current = static_cast<int>(model.size()) - 1;
      } else {
        refusals++;
      }
    } else if (op < 6 && current >= 0) {
      std::string text = rng() % 4 == 0 ? "" : "Notiz " + std::to_string(step) + "\r\n\xe4";
      noteTextChanged(text.c_str());
      const std::string name = model[current];
      int wrote = saveCurrentNote(nullptr, text.c_str());
      bool changed = !files.count(name) || files[name] != text;
      if (readOnly[name] || !changed) {
        ASSERT_EQ(wrote, 0) << step;
      } else if (!text.empty()) {
        ASSERT_EQ(wrote, 1) << step;
        files[name] = text;
      } else {
        ASSERT_EQ(wrote, 0);
        files.erase(name);
        model.erase(model.begin() + current);
        if (current >= static_cast<int>(model.size()) - 1) current = static_cast<int>(model.size()) - 1;
        if (current >= 0) openAt(current);  // the window shows the note that followed
      }
    } else if (op < 8 && !model.empty()) {
      leave();
      if (model.empty()) continue;
      current = rng() % model.size();
      openAt(current);
      ASSERT_EQ(std::string(buffer.data()), files[model[current]]) << step;
    } else if (op == 8 && current >= 0 && files.count(model[current]) && rng() % 3 == 0) {
      markReadOnly(dir.file(model[current]));
      readOnly[model[current]] = true;
    } else if (op == 9) {
      leave();
      scan();
      model = expectedListing(dir.path());
      if (current >= static_cast<int>(model.size())) current = static_cast<int>(model.size()) - 1;
      if (current >= 0) openAt(current);
    }
    std::vector<std::string> onDisk = expectedListing(dir.path());
    std::vector<std::string> modelFiles;
    for (const auto& f : files) modelFiles.push_back(f.first);
    ASSERT_EQ(onDisk, modelFiles) << step;
    ASSERT_EQ(listedNames(), model) << step;
    ASSERT_EQ(NoteList.currentIndex, current) << step;
    if (step % 20 == 0) {
      for (const auto& f : files) ASSERT_EQ(readFileText(dir.file(f.first)), f.second) << step;
    }
  }
  EXPECT_TRUE(messages.empty());
  EXPECT_GT(refusals, 0);  // the sweep did reach the end of the letters

}

TEST_F(NoteFiles, LettersAndTheLetterAAgain) {
  scan();
  char letter = 0;
  ASSERT_EQ(startNewNote(nullptr, nullptr, nullptr, nullptr, nullptr, &letter), 1);
  EXPECT_EQ(letter, 'a');
  noteTextChanged("eins");
  ASSERT_EQ(saveCurrentNote(nullptr, "eins"), 1);
  ASSERT_EQ(startNewNote(nullptr, nullptr, nullptr, nullptr, nullptr, &letter), 1);
  EXPECT_EQ(letter, 'b');
  ASSERT_EQ(saveCurrentNote(nullptr, "zwei"), 1);
  EXPECT_EQ(readFileText(dir.file("N_20090928_1405b.txt")), "zwei");
  openAt(0);
  markCurrentNoteDirty();
  EXPECT_EQ(saveCurrentNote(nullptr, ""), 0);
  EXPECT_FALSE(fs::exists(dir.file("N_20090928_1405a.txt")));
  EXPECT_EQ(NoteList.currentIndex, 0);
  EXPECT_STREQ(NoteList.entries[0].fileName, "N_20090928_1405b.txt");  // the following note
  ASSERT_EQ(startNewNote(nullptr, nullptr, nullptr, nullptr, nullptr, &letter), 1);
  EXPECT_EQ(letter, 'a');
}

TEST_F(NoteFiles, NoNoteBeyondZOrBeyondTheFullList) {
  for (char c = 'a'; c <= 'z'; ++c) put(std::string("N_20090928_1405") + c + ".txt", std::string(1, c));
  scan();
  openAt(3);
  EXPECT_EQ(startNewNote(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(NoteList.count, 26);
  EXPECT_EQ(NoteList.currentIndex, 3);
  NoteList.currentIndex = kNoteStartNew;  // as the window asks for one
  EXPECT_EQ(startNewNote(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(NoteList.currentIndex, 3);

  for (int i = 0; i < kNoteSlots; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "N_2010%02d%02d_%02d%02da.txt", 1 + i / 600, 1 + i / 24 % 25, i % 24, i % 60);
    put(name, "x");
  }
  scan();
  EXPECT_EQ(NoteList.count, kNoteSlots);  // 2048 + 26 files: the first 2048 found
  setClock("2011-05-05 10:10:00");
  openAt(kNoteSlots - 1);
  EXPECT_EQ(startNewNote(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(NoteList.count, kNoteSlots);
  EXPECT_EQ(NoteList.currentIndex, kNoteSlots - 1);
}

TEST_F(NoteFiles, OnlyARealChangeRewrites) {
  put("N_20090928_1405a.txt", "abc");
  scan();
  openAt(0);
  EXPECT_EQ(saveCurrentNote(nullptr, "abc"), 0);  // opened and left
  // Someone else changes the file; the window still holds "abc": a rewrite would show.
  put("N_20090928_1405a.txt", "xyz");
  noteTextChanged("abc");
  EXPECT_EQ(saveCurrentNote(nullptr, "abc"), 0);
  noteTextChanged("abd");
  noteTextChanged("abc");  // typed and taken back
  EXPECT_EQ(saveCurrentNote(nullptr, "abc"), 0);
  EXPECT_EQ(readFileText(dir.file("N_20090928_1405a.txt")), "xyz");
  noteTextChanged("abd");
  EXPECT_EQ(saveCurrentNote(nullptr, "abd"), 1);
  EXPECT_EQ(readFileText(dir.file("N_20090928_1405a.txt")), "abd");
  noteTextChanged("abd");
  EXPECT_FALSE(NoteList.entries[0].dirty);
}

TEST_F(NoteFiles, ReadOnlyAndOverlongNotesStayAsTheyAre) {
  std::string big(20000, 'q');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('A' + i % 26);
  put("N_20090928_1405a.txt", big);
  put("N_20090928_1405b.txt", "geschützt");
  put("N_20090928_1405c.txt", "später geschützt");
  markReadOnly(dir.file("N_20090928_1405b.txt"));
  scan();
  EXPECT_EQ(NoteList.entries[0].readOnly, 0);
  EXPECT_EQ(NoteList.entries[1].readOnly, 1);
  markReadOnly(dir.file("N_20090928_1405c.txt"));  // after the listing

  openAt(0);
  EXPECT_EQ(std::string(buffer.data()), big.substr(0, kNoteTextLimit));
  EXPECT_EQ(NoteList.entries[0].readOnly, 1);
  for (int i = 0; i < 3; ++i) {
    if (i) openAt(i);
    noteTextChanged("anders");
    EXPECT_EQ(saveCurrentNote(nullptr, "anders"), 0) << i;
    markCurrentNoteDirty();
    EXPECT_EQ(saveCurrentNote(nullptr, ""), 0) << i;
    EXPECT_EQ(NoteList.count, 3) << i;
  }
  EXPECT_EQ(readFileBytes(dir.file("N_20090928_1405a.txt")), std::vector<uint8_t>(big.begin(), big.end()));
  EXPECT_EQ(readFileText(dir.file("N_20090928_1405b.txt")), "geschützt");
  EXPECT_EQ(readFileText(dir.file("N_20090928_1405c.txt")), "später geschützt");
  EXPECT_TRUE(messages.empty());
}

// The edit field's text ends at a zero byte: such a file would lose its rest when saved.
TEST_F(NoteFiles, ANoteWithAZeroByteIsShownUpToItAndNeverRewritten) {
  const std::string stored("Einkauf\0Rest der Datei", 22);
  put("N_20090928_1405a.txt", stored);
  put("N_20090928_1405b.txt", "ohne Null");
  scan();
  openAt(0);
  EXPECT_EQ(std::string(buffer.data()), "Einkauf");
  EXPECT_EQ(NoteList.entries[0].readOnly, 1);
  noteTextChanged("Einkauf und mehr");
  EXPECT_EQ(saveCurrentNote(nullptr, "Einkauf und mehr"), 0);
  markCurrentNoteDirty();
  EXPECT_EQ(saveCurrentNote(nullptr, ""), 0);
  EXPECT_EQ(NoteList.count, 2);
  EXPECT_EQ(readFileBytes(dir.file("N_20090928_1405a.txt")), std::vector<uint8_t>(stored.begin(), stored.end()));
  // A plain note beside it is written as before.
  openAt(1);
  EXPECT_EQ(NoteList.entries[1].readOnly, 0);
  noteTextChanged("mit Null? nein");
  EXPECT_EQ(saveCurrentNote(nullptr, "mit Null? nein"), 1);
  EXPECT_EQ(readFileText(dir.file("N_20090928_1405b.txt")), "mit Null? nein");
}

TEST_F(NoteFiles, FailuresKeepTheOldFileAndAreReported) {
  put("N_20090928_1405a.txt", "alt");
  put("N_20090928_1405b.txt", "weg");
  scan();
  openAt(0);
  std::string path = dir.file("N_20090928_1405a.txt");
  fs::create_directory(path + ".tmp");  // the temporary file cannot be written
  noteTextChanged("neu");
  EXPECT_EQ(saveCurrentNote(nullptr, "neu"), 0);
  EXPECT_EQ(readFileText(path), "alt");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Fehler beim Speichern der Notiz!");
  char shown[300];
  currentNotePath(shown, sizeof shown);
  EXPECT_EQ(messages[0].caption, std::string(shown));
  EXPECT_EQ(messages[0].caption, (fs::path(dir.path()) / "N_20090928_1405a.txt").string());
  fs::remove(path + ".tmp");
  EXPECT_EQ(saveCurrentNote(nullptr, "neu"), 1);  // still counts as changed
  EXPECT_EQ(readFileText(path), "neu");

  fs::remove(dir.file("N_20090928_1405b.txt"));
  NoteList.currentIndex = 1;
  EXPECT_EQ(readCurrentNote(nullptr, buffer.data()), 0);
  EXPECT_EQ(buffer[0], '\0');
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].text, "Fehler beim Lesen der Notiz!");
  EXPECT_EQ(messages[1].caption, dir.file("N_20090928_1405b.txt"));
}

}  // namespace
