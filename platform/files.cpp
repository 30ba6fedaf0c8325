#include "platform/files.h"

#include <cerrno>
#include <new>

int readWholeFile(const char* path, std::string& out) {
  out.clear();
  if (!path || !*path) return 0;
  try {
    if (platformReadFile(path, out)) return 1;
  } catch (const std::bad_alloc&) {
    // A file larger than the memory we can get is as unreadable as a missing one.
  }
  out.clear();
  out.shrink_to_fit();
  return 0;
}

int replaceFileContents(const char* target, const void* data, size_t size) {
  if (!data && size) return 0;
  SafeReplace replace(target);
  if (!*replace.temporaryPath()) return 0;
  if (!platformWriteFile(replace.temporaryPath(), data, size)) return 0;
  return replace.commit();
}

std::string temporaryPathBeside(const char* target) {
  return std::string(target ? target : "") + ".tmp";
}

SafeReplace::SafeReplace(const char* target) {
  if (!target || !*target) return;  // temporaryPath() stays empty, commit() fails
  target_ = target;
  temporary_ = temporaryPathBeside(target);
}

SafeReplace::~SafeReplace() {
  if (!done_ && !temporary_.empty()) {
    int saved = errno;
    platformRemoveFile(temporary_.c_str());
    errno = saved;
  }
}

int SafeReplace::commit() {
  if (done_ || temporary_.empty()) return 0;
  done_ = true;
  if (platformFlushFile(temporary_.c_str()) && platformMoveOver(temporary_.c_str(), target_.c_str()))
    return 1;
  // Callers may report why it failed, so the removal must not overwrite the reason.
  int saved = errno;
  platformRemoveFile(temporary_.c_str());
  errno = saved;
  return 0;
}
