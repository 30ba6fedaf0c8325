// Small readers for the resource tests: integers, the manifest, whole files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#ifndef QUENDLER_TEST_ART_DIR
#error "QUENDLER_TEST_ART_DIR must name the art generator's output folder"
#endif

inline uint32_t be16(const unsigned char* p) { return (uint32_t(p[0]) << 8) | p[1]; }
inline uint32_t be32(const unsigned char* p) { return (be16(p) << 16) | be16(p + 2); }
inline uint32_t le16(const unsigned char* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
inline uint32_t le32(const unsigned char* p) { return le16(p) | (le16(p + 2) << 16); }
inline int32_t les32(const unsigned char* p) { return static_cast<int32_t>(le32(p)); }

inline std::vector<unsigned char> readFileBytes(const std::string& path) {
  std::vector<unsigned char> bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    unsigned char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
  }
  return bytes;
}

struct ManifestRow {
  std::string type, name, file;
};

// The generator's manifest: "TYPE NAME FILE" per line, '#' comments.
inline std::vector<ManifestRow> readManifest(const std::string& dir, bool* ok = nullptr) {
  std::vector<unsigned char> text = readFileBytes(dir + "/manifest.txt");
  if (ok) *ok = !text.empty();
  std::vector<ManifestRow> rows;
  std::string all(text.begin(), text.end()), line;
  size_t pos = 0;
  while (pos < all.size()) {
    size_t end = all.find('\n', pos);
    if (end == std::string::npos) end = all.size();
    line = all.substr(pos, end - pos);
    pos = end + 1;
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
      size_t j = i;
      while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
      if (j > i) fields.push_back(line.substr(i, j - i));
      i = j + 1;
    }
    // A row that is not exactly three fields keeps an empty file name, which the tests reject.
    fields.resize(fields.size() == 3 ? 3 : 2);
    rows.push_back({fields[0], fields[1], fields.size() == 3 ? fields[2] : ""});
  }
  return rows;
}

inline std::string artDir() { return QUENDLER_TEST_ART_DIR; }
