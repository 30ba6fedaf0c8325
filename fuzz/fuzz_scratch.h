// A scratch folder of the fuzzing process for the readers that go through files: made once
// (in memory under /dev/shm when there is one), emptied between inputs by the targets, removed
// at the end of the process.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace fuzzing {

// quendler-<tag>-<process id>. A target that stopped on a finding leaves its folder behind;
// the next one of that tag removes the folders whose process is gone.
inline std::string makeScratchFolder(const char* tag) {
  std::error_code ec;
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp && *tmp ? tmp : (std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : "/tmp");
  std::string prefix = std::string("quendler-") + tag + "-";
  for (const auto& entry : std::filesystem::directory_iterator(base, ec)) {
    std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) != 0) continue;
    std::string pid = name.substr(prefix.size());
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    if (!std::filesystem::exists("/proc/" + pid, ec)) std::filesystem::remove_all(entry.path(), ec);
  }
  std::string folder = base + "/" + prefix + std::to_string(getpid());
  std::filesystem::remove_all(folder, ec);
  if (!std::filesystem::create_directory(folder, ec)) {
    std::fprintf(stderr, "cannot make the scratch folder %s\n", folder.c_str());
    std::abort();
  }
  return folder + "/";
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
