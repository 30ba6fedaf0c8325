// The note folder seam: what the note list needs of the file system beyond reading a whole
// file and replacing one safely (platform/files.h). One implementation per build: native
// (POSIX) and Windows (FindFirstFileA, GetFileAttributesA).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct NoteFolderFile {
  std::string name;   // without the folder
  int readOnly = 0;   // Windows: the read-only attribute; natively: the owner's write bit is clear
  uint64_t size = 0;  // bytes
};

// The plain files of `folder` (which ends with a separator), folders left out, in the order
// the platform lists them. 0 when the folder cannot be listed (nothing is added then).
int listNoteFolder(const char* folder, std::vector<NoteFolderFile>& out);

// 1 when something of that name exists (a file or a folder: either blocks the name).
int noteFileExists(const char* path);

// 1 when the file is marked read-only (see NoteFolderFile::readOnly).
int noteFileReadOnly(const char* path);
