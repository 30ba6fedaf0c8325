// Windows note folder: FindFirstFileA over every name (the pattern is matched by the note list
// itself, so that both builds list alike and short 8.3 names never match by accident).
#include "notes/note_folder.h"

#include <windows.h>

int listNoteFolder(const char* folder, std::vector<NoteFolderFile>& out) {
  std::string pattern = std::string(folder) + "*";
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    NoteFolderFile file;
    file.name = found.cFileName;
    file.readOnly = (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    file.size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    out.push_back(file);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return 1;
}

int noteFileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

int noteFileReadOnly(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}
