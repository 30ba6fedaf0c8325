// RGB pictures in tests: R, G, B bytes, rows of width x 3 bytes top-down, the layout the image
// library reads and returns (an RgbImage).
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "imaging/owned_block.h"

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};

inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "rgb(" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ")";
}

// Either made by the test (on a vector of exactly its size, so that ASan sees a step over
// either end) or a block the library returned, owned from the moment it is adopted.
class RgbPicture {
 public:
  RgbPicture() = default;
  // Every byte `fill`.
  RgbPicture(int width, int height, uint8_t fill = 0)
      : own_(size_t(width) * height * 3, fill), width_(width), height_(height) {}
  RgbPicture(int width, int height, Rgb fill) : RgbPicture(width, height) {
    for (size_t i = 0; i < own_.size(); i += 3) own_[i] = fill.r, own_[i + 1] = fill.g, own_[i + 2] = fill.b;
  }
  // Takes over a block of width x height x 3 bytes from the library; a null block gives an
  // empty picture (false).
  static RgbPicture adopt(BYTE* block, int width, int height) {
    RgbPicture p;
    p.block_.reset(block);
    if (block) p.width_ = width, p.height_ = height;
    return p;
  }
  static RgbPicture adopt(OwnedImage image) {
    return adopt(image.pixels.release(), int(image.width), int(image.height));
  }

  explicit operator bool() const { return data() != nullptr; }
  BYTE* data() { return block_ ? block_.get() : (own_.empty() ? nullptr : own_.data()); }
  const BYTE* data() const { return const_cast<RgbPicture*>(this)->data(); }
  int width() const { return width_; }
  int height() const { return height_; }
  size_t size() const { return size_t(width_) * height_ * 3; }

  BYTE* at(int x, int y) { return data() + (size_t(y) * width_ + x) * 3; }
  const BYTE* at(int x, int y) const { return data() + (size_t(y) * width_ + x) * 3; }
  Rgb rgb(int x, int y) const {
    const BYTE* p = at(x, y);
    return {p[0], p[1], p[2]};
  }
  // Pixels of colour c in the columns x0 .. x1 - 1 and rows y0 .. y1 - 1, cut at the edges.
  int count(Rgb c, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0 < 0 ? 0 : y0; y < y1 && y < height_; ++y)
      for (int x = x0 < 0 ? 0 : x0; x < x1 && x < width_; ++x)
        if (rgb(x, y) == c) ++n;
    return n;
  }
  int count(Rgb c) const { return count(c, 0, 0, width_, height_); }
  std::vector<BYTE> bytes() const {
    const BYTE* p = data();
    return p ? std::vector<BYTE>(p, p + size()) : std::vector<BYTE>();
  }

 private:
  std::vector<BYTE> own_;
  OwnedBlock block_;
  int width_ = 0, height_ = 0;
};
