// The program's pictures decoded the way the program decodes them: resource bytes, a memory
// source, IS40_ReadPSD.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/owned_block.h"
#include "imaging/psd_reader.h"
#include "imaging/sources.h"
#include "platform/resources.h"

struct DecodedPicture {
  bool ok = false;
  DWORD width = 0, height = 0;
  DWORD consumed = 0;       // bytes the reader took from the source
  unsigned long size = 0;   // bytes of the resource
  std::vector<uint8_t> rgb; // R, G, B, top-down
};

inline DecodedPicture decodePsdResource(const std::string& type, const std::string& name) {
  DecodedPicture out;
  const unsigned char* data = nullptr;
  if (!findResourceBytes(type.c_str(), name.c_str(), &data, &out.size)) return out;
  ISSource source = IS40_OpenMemorySource(data, static_cast<DWORD>(out.size));
  if (!source) return out;
  OwnedBlock pixels(IS40_ReadPSD(source, &out.width, &out.height, 24, nullptr, 0));
  out.consumed = IS40_CloseSource(source);
  if (!pixels) return out;
  out.rgb.assign(pixels.get(), pixels.get() + size_t(out.width) * out.height * 3);
  out.ok = true;
  return out;
}

// Squared distance of a pixel to a colour given as 0x00BBGGRR.
inline uint32_t keyDistance(const uint8_t* px, uint32_t colour) {
  int dr = int(px[0]) - int(colour & 0xFF), dg = int(px[1]) - int((colour >> 8) & 0xFF),
      db = int(px[2]) - int((colour >> 16) & 0xFF);
  return uint32_t(dr * dr + dg * dg + db * db);
}

constexpr uint32_t kCellKey = 0x946D4A;
constexpr uint32_t kCellTolerance = 64;
constexpr uint32_t kPreviewKey = 0x826946;
constexpr uint32_t kPreviewTolerance = 128;
