// Note files and the note list. One note is one text file "N_JJJJMMTT_HHMMx.txt" (the minute of
// its creation and a letter a..z) in the note folder; the list holds them oldest first.
//
// The window keeps the current note's text in a buffer of kNoteBufferSize bytes. It reports
// edits through noteTextChanged, so a note counts as changed only when its text really differs
// from what was read or last written: opening a note and leaving it never rewrites the file.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kNoteSlots = 2048;
constexpr int kNoteStartNew = 9999;        // current index that asks the window for a new note
constexpr size_t kNoteTextLimit = 16383;   // characters the edit field holds and a save writes
constexpr size_t kNoteBufferSize = kNoteTextLimit + 1;
constexpr size_t kNoteFolderSize = 260;

// The listing pattern; each '?' stands for exactly one character.
constexpr const char* kNotePattern = "N_20??????_?????.txt";

struct NoteEntry {
  int32_t dirty;     // the window's text differs from the file (or the note is new)
  int32_t readOnly;  // read-only attribute when listed, or longer than the edit field holds
  char fileName[24];
};

struct NoteListState {
  NoteEntry entries[kNoteSlots];
  int count;
  int currentIndex;   // an entry, or kNoteStartNew
  int newNotePending; // the current entry is new and has no file yet
  char folder[kNoteFolderSize];  // ends with a separator
  // What the file of the shown note holds (as far as the window sees it): the measure for
  // noteTextChanged.
  char shownText[kNoteBufferSize];
  int shownIndex;     // the entry whose text the window shows; -1 for none
};

extern NoteListState NoteList;

// The two messages go through here; the Windows shell sets a stop-icon message box. Null (the
// default) shows nothing.
using NoteMessageFunction = void (*)(void* owner, const char* text, const char* caption);
extern NoteMessageFunction noteMessage;

extern const char* const kNoteReadError;   // "Fehler beim Lesen der Notiz!"
extern const char* const kNoteSaveError;   // "Fehler beim Speichern der Notiz!"

// 1 when `name` fits kNotePattern, letters compared without regard to case.
int noteNameMatches(const char* name);

// "N_%04d%02d%02d_%02d%02d%c.txt"; 0 for a year outside 0..9999.
int formatNoteName(char* out, size_t size, int year, int month, int day, int hour, int minute,
                   char letter);

// Compares two names without regard to case (ASCII letters), <0, 0, >0.
int compareNoteNames(const char* a, const char* b);

// Rebuilds the list from `folder` (a separator is added when missing): the matching plain
// files, at most kNoteSlots of them as found, then sorted by name. The current index and the
// pending flag are left as they are (the window sets the index before). 0 when the folder
// cannot be listed (the list is empty then).
int scanNotes(const char* folder);

// Makes a new entry at the end and makes it current, named for the clock's minute and the
// first letter a..z whose file does not exist. Refused (0, nothing changed but the current
// index, which goes back to the note shown last, else the newest) when the list is full or the
// minute's letters are used up. The window then shows the current note instead.
int startNewNote(int* day, int* month, int* year, int* hour, int* minute, char* letter);

// Reads the current note into `buffer` (kNoteBufferSize bytes): at most kNoteTextLimit
// characters and always a terminating NUL. A longer file, or one holding a zero byte (where the
// edit field's text ends), is shown cut and marked read-only, so it is never written back
// shortened. 0 for an empty list, a new note or a file that cannot be
// read (reported with its path as caption).
int readCurrentNote(void* owner, char* buffer);

// The window's edit notification with the field's text: the current note becomes dirty
// exactly when the text differs from the shown file's. A new note stays dirty.
void noteTextChanged(const char* text);

// For deleting: the next save with an empty text removes the note even when the file is empty.
void markCurrentNoteDirty();

// Writes the current note when it is dirty and not read-only (at most kNoteTextLimit
// characters, replaced safely: on failure the old file stays and the failure is reported), or
// with an empty text deletes its file and its entry; the following note becomes current. 1
// only when a file was written.
int saveCurrentNote(void* owner, const char* text);

// The current note's full path; empty when there is none.
void currentNotePath(char* out, size_t size);

// Empties the list (count 0, nothing current).
void clearNoteList();
