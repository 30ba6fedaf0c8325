// ImageMagick reads the files that the BMP writer wrote and must see the same pixels.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "imaging/bmp.h"
#include "imaging/frame.h"
#include "imaging/sources.h"
#include "tests/support/files.h"

namespace {

using Bytes = std::vector<BYTE>;

Bytes magickRgb(const std::string& path) {
  Bytes out;
  std::string command = "/usr/bin/convert '" + path + "' -depth 8 rgb:-";
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  BYTE buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.insert(out.end(), buf, buf + n);
  pclose(p);
  return out;
}

std::string writeBmp(const TempFolder& folder, const char* name, const BYTE* image, DWORD w, DWORD h, DWORD bits,
                     DWORD stride, DWORD entries = 0, const BYTE* palette = nullptr) {
  std::string path = folder.file(name);
  ISDest d = IS40_OpenFileDest(path.c_str(), FALSE);
  EXPECT_NE(d, nullptr);
  IS40_WriteBMP(d, image, w, h, bits, stride, entries, palette, nullptr, 0);
  EXPECT_EQ(IS40_GetLastError(), 0);
  IS40_CloseDest(d);
  return path;
}

TEST(BmpWriterWithMagick, TrueColourFilesDecodeToTheSamePixels) {
  TempFolder folder("magick");
  const DWORD w = 37, h = 11;  // odd width: every row padded
  Bytes rgb(w * h * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = BYTE((i * 53) ^ (i >> 3));
  std::string path = writeBmp(folder, "quendler_magick_24.bmp", rgb.data(), w, h, 24, w * 3);
  EXPECT_EQ(magickRgb(path), rgb);

  Bytes rgbx(w * h * 4);
  for (size_t i = 0; i < rgbx.size(); ++i) rgbx[i] = (i % 4 == 3) ? 0 : BYTE(i * 31 + 7);
  path = writeBmp(folder, "quendler_magick_32.bmp", rgbx.data(), w, h, 32, w * 4);
  Bytes want;
  for (size_t i = 0; i < rgbx.size(); ++i)
    if (i % 4 != 3) want.push_back(rgbx[i]);
  EXPECT_EQ(magickRgb(path), want);
}

TEST(BmpWriterWithMagick, PaletteFilesDecodeThroughTheirPalette) {
  TempFolder folder("magick");
  Bytes palette;
  for (int i = 0; i < 16; ++i) {
    palette.push_back(BYTE(i * 16));      // blue
    palette.push_back(BYTE(255 - i * 9));  // green
    palette.push_back(BYTE(i * 5 + 40));   // red
    palette.push_back(0);
  }
  const DWORD w = 13, h = 5;
  struct Depth {
    DWORD bits;
    int colours;
  } depths[] = {{8, 16}, {4, 16}, {1, 2}};
  for (const Depth& dp : depths) {
    SCOPED_TRACE(dp.bits);
    DWORD stride = (w * dp.bits + 7) / 8;
    Bytes packed(stride * h, 0), want;
    for (DWORD y = 0; y < h; ++y)
      for (DWORD x = 0; x < w; ++x) {
        int idx = int((x * 3 + y * 7) % dp.colours);
        DWORD bit = x * dp.bits;
        packed[y * stride + bit / 8] |= BYTE(idx << (8 - dp.bits - bit % 8));
        want.insert(want.end(), {palette[4 * idx + 2], palette[4 * idx + 1], palette[4 * idx]});
      }
    std::string path = writeBmp(folder, "quendler_magick_pal.bmp", packed.data(), w, h, dp.bits, stride,
                                DWORD(dp.colours), palette.data());
    EXPECT_EQ(magickRgb(path), want);
  }
}

}  // namespace
