// Windows files: the Win32 file API, so that the flush reaches the disk (FlushFileBuffers)
// and the move replaces the target in one step (the C library's rename refuses to).
#include "platform/files.h"

#include <windows.h>

namespace {

// Opened for writing even to flush: FlushFileBuffers wants write access.
HANDLE openForWriting(const char* path, DWORD disposition) {
  return CreateFileA(path, GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int platformReadFile(const char* path, std::string& out) {
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  char buffer[65536];
  int ok = 1;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
      ok = 0;
      break;
    }
    if (got == 0) break;
    out.append(buffer, got);
  }
  CloseHandle(file);
  return ok;
}

int platformWriteFile(const char* path, const void* data, size_t size) {
  HANDLE file = openForWriting(path, CREATE_ALWAYS);
  if (file == INVALID_HANDLE_VALUE) return 0;
  const char* p = static_cast<const char*>(data);
  int ok = 1;
  while (size > 0 && ok) {
    DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD written = 0;
    ok = WriteFile(file, p, chunk, &written, nullptr) && written == chunk;
    p += written;
    size -= written;
  }
  if (!CloseHandle(file)) ok = 0;
  return ok;
}

int platformFlushFile(const char* path) {
  HANDLE file = openForWriting(path, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return 0;
  int ok = FlushFileBuffers(file) != 0;
  if (!CloseHandle(file)) ok = 0;
  return ok;
}

int platformMoveOver(const char* from, const char* to) {
  // Windows refuses to replace a read-only file, Wine's MoveFileExA does not: ask first, so
  // that a file the user protected stays on both.
  DWORD attributes = GetFileAttributesA(to);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
  }
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

int platformRemoveFile(const char* path) { return DeleteFileA(path) != 0; }
