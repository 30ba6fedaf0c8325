// A scratch folder of the fuzzing process for the readers that go through files: made once
// (in memory under /dev/shm when there is one), emptied between inputs by the targets, removed
// at the end of the process.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzzing {

inline std::string makeScratchFolder(const char* tag) {
  std::error_code ec;
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp && *tmp ? tmp : (std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : "/tmp");
  std::string pattern = base + "/quendler-" + tag + "-XXXXXX";
  if (!mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    std::abort();
  }
  return pattern + "/";
}

class ScratchFolder {
 public:
  explicit ScratchFolder(const char* tag) : path_(makeScratchFolder(tag)) {}
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + name; }
  // Removes everything inside, keeping the folder.
  void empty() const {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ec))
      std::filesystem::remove_all(entry.path(), ec);
  }

 private:
  std::string path_;
};

inline bool writeFile(const std::string& path, const void* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

// A check of the target failed: say which, then abort so that libFuzzer keeps the input.
[[noreturn]] inline void fail(const char* what) {
  std::fprintf(stderr, "fuzz property violated: %s\n", what);
  std::abort();
}

}  // namespace fuzzing
