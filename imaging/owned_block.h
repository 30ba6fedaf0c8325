// Ownership of the blocks the image library hands out (GlobalAlloc, freed with GlobalFree):
// pixels of an RgbImage, packed DIBs, scaled tiles. Hold such a block in an OwnedBlock from the
// moment it is returned, so that every path out of the caller frees it.
#pragma once

#include <memory>

#include "platform/win_compat.h"

struct GlobalBlockFree {
  void operator()(void* block) const {
    if (block) GlobalFree(block);
  }
};

using OwnedBlock = std::unique_ptr<BYTE, GlobalBlockFree>;

// An RgbImage with its owner: R, G, B, top-down rows of `width` x 3 bytes (stride
// width x 3 unless a reader says otherwise).
struct OwnedImage {
  OwnedBlock pixels;
  DWORD width = 0;
  DWORD height = 0;
  explicit operator bool() const { return pixels != nullptr; }
  BYTE* data() const { return pixels.get(); }
};
