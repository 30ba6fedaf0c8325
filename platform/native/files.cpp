// Native files: POSIX calls, because fsync needs a descriptor and stdio hides short writes
// until the close.
#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

// The folder's entry for a renamed file is only durable once the folder itself is synced.
void syncFolderOf(const char* path) {
  std::string folder(path);
  size_t slash = folder.find_last_of('/');
  folder = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

int platformReadFile(const char* path, std::string& out) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {  // EISDIR for a folder
      int saved = errno;
      close(fd);
      errno = saved;
      return 0;
    }
    if (n == 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return 1;
}

int platformWriteFile(const char* path, const void* data, size_t size) {
  int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return 0;
  const char* p = static_cast<const char*>(data);
  size_t left = size;
  while (left > 0) {
    ssize_t n = write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {  // a full disk or the file size limit
      if (n == 0) errno = ENOSPC;
      int saved = errno;
      close(fd);
      errno = saved;
      return 0;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return close(fd) == 0;
}

int platformFlushFile(const char* path) {
  int fd = open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  int ok = fsync(fd) == 0;
  int saved = errno;
  if (close(fd) != 0) return 0;
  errno = saved;
  return ok;
}

int platformMoveOver(const char* from, const char* to) {
  if (std::rename(from, to) != 0) return 0;
  syncFolderOf(to);
  return 1;
}

int platformRemoveFile(const char* path) { return unlink(path) == 0; }
