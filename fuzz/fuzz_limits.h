// Keeps the fuzzer's memory use in check. A picture may legally be as large as the library's
// allocation limit (about 2 GB) even when its file is tiny, and decoding such a picture
// touches every byte of it, which the fuzzer would report as running out of memory. Inputs
// whose header declares more than 2^16 pixels are therefore left out — unless the picture is
// so large that the reader must refuse it before allocating, which is worth exercising. A
// larger picture runs the same loops longer; under the sanitizers it would only cost speed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace fuzzing {

constexpr uint64_t kMaxPixels = uint64_t(1) << 16;
// Even one byte a pixel is too much: the PSD target also asks for the 8-bit palette form, so a
// picture of 1.5 gigapixels passes the 3-byte refusal yet is decoded (tens of seconds).
constexpr uint64_t kRefusedPixels = 0x7FFDEFFFull + 1;

inline bool worthDecoding(uint64_t width, uint64_t height) {
  uint64_t pixels = width * height;  // both are at most 32 bits
  return pixels <= kMaxPixels || pixels >= kRefusedPixels;
}

inline uint32_t be32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
inline uint32_t le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline uint32_t be16(const uint8_t* p) { return (uint32_t(p[0]) << 8) | p[1]; }
inline uint32_t le16(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }

// A JPEG file's frame header (the first SOFn marker) holds its height and width. Markers are
// walked by their lengths; a file without a readable frame header passes.
inline bool jpegAcceptable(const uint8_t* data, size_t size) {
  size_t at = 2;
  while (at + 9 <= size) {
    if (data[at] != 0xFF) return true;
    uint8_t marker = data[at + 1];
    if (marker == 0xFF) { ++at; continue; }
    bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) return worthDecoding(be16(data + at + 7), be16(data + at + 5));
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { at += 2; continue; }
    at += 2 + be16(data + at + 2);
  }
  return true;
}

// A TIFF file declares its size in the first directory (tags 256 and 257, SHORT or LONG). A
// later directory is not read by the program, so the first one decides.
inline bool tiffAcceptable(const uint8_t* data, size_t size) {
  bool little = data[0] == 'I';
  auto u16 = [&](size_t at) { return little ? le16(data + at) : be16(data + at); };
  auto u32 = [&](size_t at) { return little ? le32(data + at) : be32(data + at); };
  uint64_t directory = u32(4);
  if (directory + 2 > size) return true;
  uint32_t entries = u16(directory);
  uint64_t width = 0, height = 0;
  for (uint32_t i = 0; i < entries; ++i) {
    uint64_t entry = directory + 2 + uint64_t(i) * 12;
    if (entry + 12 > size) break;
    uint32_t tag = u16(entry), type = u16(entry + 2);
    if (tag != 256 && tag != 257) continue;
    uint64_t value = type == 3 ? u16(entry + 8) : type == 4 ? u32(entry + 8) : 0;
    (tag == 256 ? width : height) = value;
  }
  return worthDecoding(width, height);
}

// The pixel count that the header of a PSD, BMP, PNG, JPEG or TIFF file declares, checked as
// above. Other inputs pass (their readers fail early or are bounded by their data).
inline bool acceptable(const uint8_t* data, size_t size) {
  if (size >= 26 && std::memcmp(data, "8BPS", 4) == 0)
    return worthDecoding(be32(data + 18), be32(data + 14));
  if (size >= 26 && data[0] == 'B' && data[1] == 'M') {
    uint32_t header = le32(data + 14);
    if (header == 12) return worthDecoding(data[18] | (data[19] << 8), data[20] | (data[21] << 8));
    int32_t width = int32_t(le32(data + 18)), height = int32_t(le32(data + 22));
    uint64_t w = width < 0 ? 0 : uint64_t(width);
    uint64_t h = height < 0 ? uint64_t(-int64_t(height)) : uint64_t(height);
    return worthDecoding(w, h);
  }
  if (size >= 24 && std::memcmp(data, "\x89PNG", 4) == 0)
    return worthDecoding(be32(data + 16), be32(data + 20));
  if (size >= 4 && data[0] == 0xFF && data[1] == 0xD8) return jpegAcceptable(data, size);
  if (size >= 8 && ((data[0] == 'I' && data[1] == 'I' && data[2] == 42 && data[3] == 0) ||
                    (data[0] == 'M' && data[1] == 'M' && data[2] == 0 && data[3] == 42)))
    return tiffAcceptable(data, size);
  return true;
}

// Reads the last byte of a returned picture, so that a block shorter than its size is found.
inline void touchLastByte(const uint8_t* picture, uint64_t bytes) {
  if (picture && bytes) {
    volatile uint8_t last = picture[bytes - 1];
    (void)last;
  }
}

}  // namespace fuzzing
