// The files of the fuzz targets, held in memory: a map of path -> bytes behind the primitives of
// platform/files.h (fuzz/memory_files.cpp), the note folder seam (fuzz/memory_note_folder.cpp)
// and, for the appointment file's reader, fopen (fuzz/memory_fopen.cpp). A target empties it at
// the start of every input and makes the folders it uses.
//
// Paths are compared byte for byte, as the native file system does. A path's folder must exist
// (ENOENT otherwise, ENOTDIR when it is a file); the root ("" before the first '/') always does.
// Writes ignore the read-only flag, as the native primitives do when run as root: the program's
// own refusal is what the targets check.
#pragma once

#include <map>
#include <string>

namespace fuzzing::memory {

struct Entry {
  bool folder = false;
  bool readOnly = false;
  std::string bytes;
};

// Every file and folder, by path (a folder without its closing separator).
std::map<std::string, Entry>& entries();

// Removes everything.
void clear();

// Makes a folder (its own folder must exist). true on success or when it exists already.
bool makeFolder(const std::string& path);

// Creates or replaces a file; false when its folder is missing or the path is a folder.
bool putFile(const std::string& path, const std::string& bytes, bool readOnly = false);

// The file's entry, nullptr when there is none or it is a folder.
const Entry* file(const std::string& path);

// 0 when `path` may be created: its folder exists. Else the errno of the real call.
int folderError(const std::string& path);

}  // namespace fuzzing::memory
