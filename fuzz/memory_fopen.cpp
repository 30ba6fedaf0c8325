// fopen for reading, over the fuzz targets' files in memory (link with -Wl,--wrap=fopen): the
// appointment file's reader reads a stream of the stored bytes through the real stdio.
// Anything else than a read goes to the real fopen.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz/memory_files.h"

extern "C" FILE* __real_fopen(const char* path, const char* mode);

namespace {

struct Stream {
  std::string bytes;
  size_t at;
  bool folder;
};

ssize_t readStream(void* cookie, char* buffer, size_t size) {
  auto* s = static_cast<Stream*>(cookie);
  if (s->folder) {
    errno = EISDIR;
    return -1;
  }
  size_t n = std::min(size, s->bytes.size() - s->at);
  std::memcpy(buffer, s->bytes.data() + s->at, n);
  s->at += n;
  return static_cast<ssize_t>(n);
}

int closeStream(void* cookie) {
  delete static_cast<Stream*>(cookie);
  return 0;
}

}  // namespace

extern "C" FILE* __wrap_fopen(const char* path, const char* mode) {
  if (!mode || mode[0] != 'r' || std::strchr(mode, '+')) return __real_fopen(path, mode);
  if (!path || !*path) {
    errno = ENOENT;
    return nullptr;
  }
  if (int error = fuzzing::memory::folderError(path)) {
    errno = error;
    return nullptr;
  }
  auto e = fuzzing::memory::entries().find(path);
  if (e == fuzzing::memory::entries().end()) {
    errno = ENOENT;
    return nullptr;
  }
  // The stream reads its own copy, so a change of the map while it is open does not show; a
  // folder opens and fails on its first read, as natively.
  auto* stream = new Stream{e->second.bytes, 0, e->second.folder};
  cookie_io_functions_t io{};
  io.read = readStream;
  io.close = closeStream;
  FILE* f = fopencookie(stream, "rb", io);
  if (!f) delete stream;
  return f;
}
