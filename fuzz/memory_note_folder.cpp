// The note folder seam over the fuzz targets' files in memory (fuzz/memory_files.h), in place
// of notes/native/note_folder.cpp. The folder is listed from the back of the map, so the note
// list's own sort has work to do.
#include "notes/note_folder.h"

#include <cerrno>

#include "fuzz/memory_files.h"

using namespace fuzzing::memory;

int listNoteFolder(const char* folder, std::vector<NoteFolderFile>& out) {
  std::string name = folder ? folder : "";
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  auto self = entries().find(name);
  if (self == entries().end() || !self->second.folder) {
    errno = self == entries().end() ? ENOENT : ENOTDIR;
    return 0;
  }
  std::string inside = name + "/";
  for (auto e = entries().rbegin(); e != entries().rend(); ++e) {
    const std::string& path = e->first;
    if (e->second.folder || path.size() <= inside.size() || path.compare(0, inside.size(), inside) != 0 ||
        path.find('/', inside.size()) != std::string::npos)
      continue;
    NoteFolderFile file;
    file.name = path.substr(inside.size());
    file.readOnly = e->second.readOnly;
    file.size = e->second.bytes.size();
    out.push_back(file);
  }
  return 1;
}

int noteFileExists(const char* path) { return path && entries().count(path) != 0; }

int noteFileReadOnly(const char* path) {
  const Entry* e = path ? file(path) : nullptr;
  return e && e->readOnly;
}
