// Hand-made PSD files for tests and benchmarks: every section given byte by byte, so that
// damaged and unusual files can be written exactly.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline void putU16(Bytes& b, uint32_t v) {
  b.push_back(uint8_t(v >> 8));
  b.push_back(uint8_t(v));
}

inline void putU32(Bytes& b, uint32_t v) {
  putU16(b, v >> 16);
  putU16(b, v & 0xFFFF);
}

inline void putBytes(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

struct PsdFile {
  std::string signature = "8BPS";
  uint32_t version = 1;
  uint32_t channels = 3;
  uint32_t height = 1;
  uint32_t width = 1;
  uint32_t depth = 8;
  uint32_t mode = 3;
  Bytes colourModeData;
  Bytes resources;
  Bytes layers;
  uint32_t compression = 0;
  Bytes imageData;  // for RLE: the byte-count table, then the rows

  Bytes bytes() const {
    Bytes b(signature.begin(), signature.end());
    putU16(b, version);
    b.insert(b.end(), 6, 0);
    putU16(b, channels);
    putU32(b, height);
    putU32(b, width);
    putU16(b, depth);
    putU16(b, mode);
    putU32(b, uint32_t(colourModeData.size()));
    putBytes(b, colourModeData);
    putU32(b, uint32_t(resources.size()));
    putBytes(b, resources);
    putU32(b, uint32_t(layers.size()));
    putBytes(b, layers);
    putU16(b, compression);
    putBytes(b, imageData);
    return b;
  }
};

// The usual PackBits encoder (as Photoshop and TIFF writers use it): runs of 3 or more equal
// bytes become a repeat, everything else literals of at most 128 bytes.
inline Bytes packBits(const uint8_t* data, size_t n) {
  Bytes out;
  size_t i = 0;
  while (i < n) {
    size_t run = 1;
    while (i + run < n && run < 128 && data[i + run] == data[i]) ++run;
    if (run >= 3) {
      out.push_back(uint8_t(257 - run));
      out.push_back(data[i]);
      i += run;
      continue;
    }
    size_t start = i, len = 0;
    while (i < n && len < 128) {
      if (i + 2 < n && data[i] == data[i + 1] && data[i] == data[i + 2]) break;
      ++i;
      ++len;
    }
    out.push_back(uint8_t(len - 1));
    out.insert(out.end(), data + start, data + start + len);
  }
  return out;
}

// RLE image data for planes given as rows: the count table, then the rows, in file order.
inline Bytes rleImageData(const std::vector<Bytes>& rowsInFileOrder) {
  Bytes table, rows;
  for (const Bytes& row : rowsInFileOrder) {
    putU16(table, uint32_t(row.size()));
    putBytes(rows, row);
  }
  putBytes(table, rows);
  return table;
}

// An RGB (or any interleaved) picture as RLE planes: pixels has `channels` bytes per pixel.
inline Bytes rlePlanes(const Bytes& pixels, uint32_t width, uint32_t height, uint32_t channels) {
  std::vector<Bytes> rows;
  Bytes plane(width);
  for (uint32_t c = 0; c < channels; ++c)
    for (uint32_t y = 0; y < height; ++y) {
      for (uint32_t x = 0; x < width; ++x) plane[x] = pixels[(size_t(y) * width + x) * channels + c];
      rows.push_back(packBits(plane.data(), width));
    }
  return rleImageData(rows);
}

// Raw planes of 8-bit samples from interleaved pixels.
inline Bytes rawPlanes(const Bytes& pixels, uint32_t width, uint32_t height, uint32_t channels) {
  Bytes out;
  for (uint32_t c = 0; c < channels; ++c)
    for (size_t i = 0; i < size_t(width) * height; ++i) out.push_back(pixels[i * channels + c]);
  return out;
}
