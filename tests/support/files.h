// Whole files and scratch folders for the tests (natively and under Wine).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

// The whole file; empty when it is missing or cannot be read.
inline std::vector<uint8_t> readFileBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
  }
  return bytes;
}

inline std::string readFileText(const std::string& path) {
  std::vector<uint8_t> bytes = readFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// Writes the file anew; false when it could not be written completely.
inline bool writeFile(const std::string& path, const void* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

inline bool writeFile(const std::string& path, const std::string& bytes) {
  return writeFile(path, bytes.data(), bytes.size());
}

inline bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  return writeFile(path, bytes.data(), bytes.size());
}

// A new, empty folder in the system's temporary folder, removed with all it holds when the
// object goes (also when an assertion ends the test early). Every object has its own folder,
// so tests running at the same time do not meet.
class TempFolder {
 public:
  explicit TempFolder(const std::string& tag = "test") {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    std::random_device seed;
    std::mt19937_64 pick((uint64_t(seed()) << 32) ^ seed());
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      fs::path candidate = base / ("quendler-" + tag + "-" + std::to_string(pick() % 1000000000));
      // create_directory says false for a folder that was there already.
      if (fs::create_directory(candidate, ec)) path_ = candidate.string();
    }
    if (path_.empty()) ADD_FAILURE() << "no temporary folder could be made in " << base.string();
  }
  ~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // Empty when no folder could be made (the test has failed then).
  const std::string& path() const { return path_; }
  // A name inside the folder.
  std::string file(const std::string& leaf) const { return (std::filesystem::path(path_) / leaf).string(); }

 private:
  std::string path_;
};
