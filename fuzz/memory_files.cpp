// The primitives of platform/files.h over the fuzz targets' files in memory. This object
// defines every symbol of platform/native/files.cpp, so the linker never takes that member
// out of quendler_platform; readWholeFile, replaceFileContents and SafeReplace stay the real
// ones. errno is set as the POSIX calls set it.
#include "fuzz/memory_files.h"

#include <cerrno>

#include "platform/files.h"

namespace fuzzing::memory {

std::map<std::string, Entry>& entries() {
  static auto* all = new std::map<std::string, Entry>();  // used until the process ends
  return *all;
}

void clear() { entries().clear(); }

int folderError(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return 0;  // beside the root
  auto parent = entries().find(path.substr(0, slash));
  if (parent == entries().end()) return ENOENT;
  return parent->second.folder ? 0 : ENOTDIR;
}

bool makeFolder(const std::string& path) {
  std::string name = path;
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  auto e = entries().find(name);
  if (e != entries().end()) {
    if (e->second.folder) return true;
    errno = EEXIST;
    return false;
  }
  if (int error = folderError(name)) {
    errno = error;
    return false;
  }
  entries()[name].folder = true;
  return true;
}

bool putFile(const std::string& path, const std::string& bytes, bool readOnly) {
  if (int error = folderError(path)) {
    errno = error;
    return false;
  }
  Entry& e = entries()[path];
  if (e.folder) {
    errno = EISDIR;
    return false;
  }
  e.bytes = bytes;
  e.readOnly = readOnly;
  return true;
}

const Entry* file(const std::string& path) {
  auto e = entries().find(path);
  return e == entries().end() || e->second.folder ? nullptr : &e->second;
}

namespace {

// The entry of an existing path, or nullptr with errno set (ENOENT, or EISDIR for a folder
// unless folders are taken).
Entry* existing(const char* path, bool folderTaken = false) {
  if (!path || !*path) {
    errno = ENOENT;
    return nullptr;
  }
  if (int error = folderError(path)) {
    errno = error;
    return nullptr;
  }
  auto e = entries().find(path);
  if (e == entries().end()) {
    errno = ENOENT;
    return nullptr;
  }
  if (e->second.folder && !folderTaken) {
    errno = EISDIR;
    return nullptr;
  }
  return &e->second;
}

}  // namespace

}  // namespace fuzzing::memory

using namespace fuzzing::memory;

int platformReadFile(const char* path, std::string& out) {
  const Entry* e = existing(path);
  if (!e) return 0;
  out.append(e->bytes);
  return 1;
}

int platformWriteFile(const char* path, const void* data, size_t size) {
  if (!path || !*path) {
    errno = ENOENT;
    return 0;
  }
  auto e = entries().find(path);
  std::string bytes(static_cast<const char*>(data), size);
  if (e != entries().end() && !e->second.folder) {  // emptied and written, the flag kept
    e->second.bytes = std::move(bytes);
    return 1;
  }
  return putFile(path, bytes) ? 1 : 0;
}

int platformFlushFile(const char* path) { return existing(path) ? 1 : 0; }

int platformMoveOver(const char* from, const char* to) {
  Entry* source = existing(from, true);
  if (!source) return 0;
  if (!to || !*to) {
    errno = ENOENT;
    return 0;
  }
  if (int error = folderError(to)) {
    errno = error;
    return 0;
  }
  if (std::string(from) == to) return 1;
  auto target = entries().find(to);
  if (target != entries().end()) {
    if (target->second.folder && !source->folder) {
      errno = EISDIR;
      return 0;
    }
    if (!target->second.folder && source->folder) {
      errno = ENOTDIR;
      return 0;
    }
    if (target->second.folder) {  // a folder replaces only an empty one
      std::string inside = std::string(to) + "/";
      auto next = entries().upper_bound(to);
      if (next != entries().end() && next->first.compare(0, inside.size(), inside) == 0) {
        errno = ENOTEMPTY;
        return 0;
      }
    }
  }
  Entry moved = *source;  // the file keeps its flags, as a renamed inode does
  entries().erase(from);
  entries()[to] = std::move(moved);
  return 1;
}

int platformRemoveFile(const char* path) {
  if (!existing(path)) return 0;
  entries().erase(path);
  return 1;
}
