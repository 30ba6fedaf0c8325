// Native resource store: the art generator's files, found through its manifest.
#include "platform/resources.h"

#include "platform/files.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#ifndef QUENDLER_DEFAULT_RESOURCE_DIR
#define QUENDLER_DEFAULT_RESOURCE_DIR "resources"
#endif

namespace {

constexpr size_t kBitmapFileHeaderSize = 14;

struct Entry {
  std::string file;
  bool loaded = false;
  bool present = false;
  std::vector<unsigned char> bytes;
};

struct Store {
  std::mutex lock;
  std::string directory;  // empty: not chosen yet
  bool manifestRead = false;
  std::map<std::string, std::unique_ptr<Entry>> entries;  // key: TYPE '/' NAME, upper case
};

Store& store() {
  static Store s;
  return s;
}

std::string upper(const char* text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string defaultDirectory() {
  const char* env = std::getenv("QUENDLER_RESOURCES");
  if (env && *env) return env;
  return QUENDLER_DEFAULT_RESOURCE_DIR;
}

// Caller holds the lock.
void readManifest(Store& s) {
  if (s.manifestRead) return;
  s.manifestRead = true;
  if (s.directory.empty()) s.directory = defaultDirectory();
  std::string all;
  if (!readWholeFile((s.directory + "/manifest.txt").c_str(), all)) return;
  size_t pos = 0;
  while (pos < all.size()) {
    size_t end = all.find('\n', pos);
    if (end == std::string::npos) end = all.size();
    std::string line = all.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    // Three fields separated by blanks or tabs; none of them holds a blank.
    std::vector<std::string> fields;
    size_t i = 0;
    while (i < line.size() && fields.size() < 3) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
      size_t j = i;
      while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
      if (j > i) fields.push_back(line.substr(i, j - i));
      i = j;
    }
    if (fields.size() != 3) continue;
    auto entry = std::make_unique<Entry>();
    entry->file = fields[2];
    s.entries[upper(fields[0].c_str()) + "/" + upper(fields[1].c_str())] = std::move(entry);
  }
}

}  // namespace

int findResourceBytes(const char* type, const char* name, const unsigned char** data,
                      unsigned long* size) {
  if (data) *data = nullptr;
  if (size) *size = 0;
  if (!type || !name || !data || !size) return 0;
  Store& s = store();
  std::lock_guard<std::mutex> guard(s.lock);
  readManifest(s);
  std::string typeKey = upper(type);
  auto it = s.entries.find(typeKey + "/" + upper(name));
  if (it == s.entries.end()) return 0;
  Entry& e = *it->second;
  if (!e.loaded) {
    e.loaded = true;
    std::string bytes;
    if (readWholeFile((s.directory + "/" + e.file).c_str(), bytes)) {
      if (typeKey == "BITMAP") {
        // Windows keeps a bitmap resource without its file header.
        if (bytes.size() > kBitmapFileHeaderSize && bytes[0] == 'B' && bytes[1] == 'M') {
          e.bytes.assign(bytes.begin() + kBitmapFileHeaderSize, bytes.end());
          e.present = true;
        }
      } else {
        e.bytes.assign(bytes.begin(), bytes.end());
        e.present = true;
      }
    }
  }
  if (!e.present || e.bytes.empty()) return 0;
  *data = e.bytes.data();
  *size = static_cast<unsigned long>(e.bytes.size());
  return 1;
}

void setResourceDirectory(const char* directory) {
  Store& s = store();
  std::lock_guard<std::mutex> guard(s.lock);
  s.entries.clear();
  s.manifestRead = false;
  s.directory = (directory && *directory) ? directory : defaultDirectory();
}

const char* resourceDirectory() {
  Store& s = store();
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.directory.empty()) s.directory = defaultDirectory();
  return s.directory.c_str();
}
