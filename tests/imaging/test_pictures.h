// The pictures that tests/imaging/make_pictures.py wrote with ImageMagick at build time, and
// the pixels an independent decoder read from them.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/frame.h"
#include "imaging/owned_block.h"
#include "imaging/sources.h"
#include "tests/support/files.h"

#ifndef QUENDLER_TEST_PICTURES
#error "QUENDLER_TEST_PICTURES must name the folder of the generated pictures"
#endif

struct TestPicture {
  std::string name;  // e.g. psd_rgb8_rle
  std::string file;  // full path of the picture
  uint32_t width = 0;
  uint32_t height = 0;
};

inline std::string testPicturePath(const std::string& file) {
  return std::string(QUENDLER_TEST_PICTURES) + "/" + file;
}

// Every picture of the manifest whose name starts with `prefix`.
inline std::vector<TestPicture> testPictures(const std::string& prefix = "") {
  std::vector<TestPicture> pictures;
  std::istringstream manifest(readFileText(testPicturePath("pictures.txt")));
  std::string line;
  while (std::getline(manifest, line)) {
    std::istringstream fields(line);
    TestPicture p;
    std::string file;
    if (!(fields >> p.name >> file >> p.width >> p.height)) continue;
    p.file = testPicturePath(file);
    if (p.name.compare(0, prefix.size(), prefix) == 0) pictures.push_back(p);
  }
  return pictures;
}

// The expected R, G, B bytes of a manifest picture.
inline std::vector<uint8_t> expectedPixels(const TestPicture& p) {
  return readFileBytes(testPicturePath(p.name + ".rgb"));
}

// A decoded picture copied out of its returned block (which is freed).
struct DecodedPicture {
  bool ok = false;
  int32_t error = -1;
  uint32_t width = 0xDEADBEEF;
  uint32_t height = 0xDEADBEEF;
  uint32_t consumed = 0;  // IS40_CloseSource's answer
  std::vector<uint8_t> pixels;
};

// Runs `read(source, &width, &height)` over a memory source holding `bytes`.
template <typename Reader>
DecodedPicture decodeFromMemory(const std::vector<uint8_t>& bytes, Reader read,
                                size_t bytesPerPixel = 3) {
  DecodedPicture d;
  ISSource source = IS40_OpenMemorySource(bytes.data(), uint32_t(bytes.size()));
  if (!source) return d;
  DWORD w = 0xDEADBEEF, h = 0xDEADBEEF;
  OwnedBlock pixels(read(source, &w, &h));
  d.error = IS40_GetLastError();
  d.width = w;
  d.height = h;
  d.ok = pixels != nullptr;
  if (pixels) d.pixels.assign(pixels.get(), pixels.get() + size_t(w) * h * bytesPerPixel);
  d.consumed = IS40_CloseSource(source);
  return d;
}
