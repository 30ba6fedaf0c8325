// The files seam: read a whole file, and replace a file so that a failure never costs the
// user the old one.
//
// A replacement is written to "<target>.tmp" beside the target (same folder, so the final
// move is a rename within one volume), every write checked, flushed to disk and only then
// moved over the target in one step. Natively: write/fsync/rename (and an fsync of the
// folder, so the new name survives a crash too). Windows: WriteFile/FlushFileBuffers and
// MoveFileExA(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). On any failure the
// temporary file is removed, the target is as it was and the call returns 0. A target with
// the read-only attribute (Windows) is not replaced.
//
// Two shapes:
//   replaceFileContents   the writer has all bytes at hand (appointments, settings text).
//   SafeReplace           the writer produces the file itself, piecewise, through a library
//                         that wants a path (the image library's file destination): it writes
//                         temporaryPath(), closes it and calls commit(). A SafeReplace that
//                         goes out of scope uncommitted removes the temporary file, so an
//                         early return cannot leave one behind.
//
// Paths are in the ANSI code page, as everywhere in the program. Nothing here throws.
#pragma once

#include <cstddef>
#include <string>

// 1 and the file's bytes in `out`; 0 (and `out` empty) when it cannot be read completely.
int readWholeFile(const char* path, std::string& out);

// Replaces `target` with exactly these `size` bytes. 1 on success.
int replaceFileContents(const char* target, const void* data, size_t size);

// The temporary name beside a target ("<target>.tmp").
std::string temporaryPathBeside(const char* target);

class SafeReplace {
 public:
  explicit SafeReplace(const char* target);
  ~SafeReplace();
  SafeReplace(const SafeReplace&) = delete;
  SafeReplace& operator=(const SafeReplace&) = delete;

  // Where the writer puts the new content; it must be closed before commit().
  const char* temporaryPath() const { return temporary_.c_str(); }

  // Flushes the temporary file to disk and moves it over the target. 1 on success; on
  // failure the temporary file is gone and the target untouched. Once only.
  int commit();

 private:
  std::string target_;
  std::string temporary_;
  bool done_ = false;
};

// The platform's primitives (one implementation per build), 1/0. Natively errno tells why a
// step failed; commit() keeps it for the caller's message.
int platformReadFile(const char* path, std::string& out);
// Creates or empties `path` and writes the bytes; every write and the close are checked.
int platformWriteFile(const char* path, const void* data, size_t size);
// Forces what was written to `path` (by any handle) out to the disk.
int platformFlushFile(const char* path);
// Moves `from` over `to` in one step, replacing an existing file.
int platformMoveOver(const char* from, const char* to);
// Removes a file (never a folder).
int platformRemoveFile(const char* path);
