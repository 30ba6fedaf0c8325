// Native note folder: POSIX. Running as root ignores the permission bits on writes, so the
// owner's write bit is read here and the note list refuses by itself.
#include "notes/note_folder.h"

#include <dirent.h>
#include <sys/stat.h>

int listNoteFolder(const char* folder, std::vector<NoteFolderFile>& out) {
  DIR* dir = opendir(folder);
  if (!dir) return 0;
  std::string base(folder);
  while (dirent* entry = readdir(dir)) {
    struct stat st;
    std::string path = base + entry->d_name;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    NoteFolderFile file;
    file.name = entry->d_name;
    file.readOnly = (st.st_mode & S_IWUSR) == 0;
    file.size = static_cast<uint64_t>(st.st_size);
    out.push_back(file);
  }
  closedir(dir);
  return 1;
}

int noteFileExists(const char* path) {
  struct stat st;
  return lstat(path, &st) == 0;
}

int noteFileReadOnly(const char* path) {
  struct stat st;
  return stat(path, &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}
