// The GDI bitmap bridge under Wine: resources, round trips, row layout, the pixel kinds of the
// packed DIB, error codes and what stays held after a call.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <vector>

#include "imaging/frame.h"
#include "imaging/win32/gdi_bridge.h"
#include "platform/win32/handles.h"
#include "tests/imaging/gdi_test_support.h"

namespace {

std::vector<BYTE> toRgb(HBITMAP bitmap, DWORD& width, DWORD& height) {
  std::vector<BYTE> rgb;
  if (!IS40_GetHBITMAPDimensions(bitmap, &width, &height)) return rgb;
  rgb.assign(size_t(width) * height * 3, 0xCD);
  OwnedDc memory(CreateCompatibleDC(nullptr));
  IS40_HBITMAPToRGB(bitmap, memory.get(), nullptr, rgb.data());
  return rgb;
}

std::vector<BYTE> pattern(DWORD width, DWORD height) {
  std::vector<BYTE> rgb(size_t(width) * height * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = BYTE(i * 37 + (i / 3) * 11 + 5);
  return rgb;
}

TEST(GdiBridge, RgbThroughABitmapAndBackKeepsEveryByte) {
  for (DWORD width : {1u, 5u, 7u, 64u}) {
    const DWORD height = 3;
    const std::vector<BYTE> picture = pattern(width, height);
    OwnedBitmap bitmap(IS40_RGBToHBITMAP(picture.data(), width, height, width * 3, nullptr, nullptr));
    ASSERT_TRUE(bitmap) << width;
    EXPECT_EQ(IS40_GetLastError(), 0);
    DWORD w = 0, h = 0;
    const std::vector<BYTE> back = toRgb(bitmap.get(), w, h);
    EXPECT_EQ(IS40_GetLastError(), 0);
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
    EXPECT_EQ(back, picture) << width;
  }
  // Through a caller's context, from a picture with a wider stride.
  WindowDc screen(nullptr);
  std::vector<BYTE> wide(4 * 20, 0);
  const std::vector<BYTE> packed = pattern(5, 4);
  for (int y = 0; y < 4; ++y) std::memcpy(&wide[y * 20], &packed[y * 15], 15);
  OwnedBitmap bitmap(IS40_RGBToHBITMAP(wide.data(), 5, 4, 20, nullptr, screen.get()));
  screen.reset();
  ASSERT_TRUE(bitmap);
  DWORD w = 0, h = 0;
  EXPECT_EQ(toRgb(bitmap.get(), w, h), packed);
}

TEST(GdiBridge, PackedDibOfAFiveByOnePictureHasSixteenByteRows) {
  const BYTE picture[15] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  int32_t error = -1;
  OwnedBlock dib(rgbToPackedDib(picture, 5, 1, 15, error));
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(error, 0);
  const BITMAPINFOHEADER* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib.get());
  EXPECT_EQ(header->biSize, 40u);
  EXPECT_EQ(header->biBitCount, 24);
  EXPECT_EQ(header->biSizeImage, 16u);
  EXPECT_GE(GlobalSize(dib.get()), SIZE_T(56));
  const BYTE row[16] = {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 0};
  EXPECT_EQ(std::memcmp(dib.get() + 40, row, 16), 0);

  // Two rows: the last picture row comes first.
  const BYTE two[6] = {1, 2, 3, 4, 5, 6};
  dib.reset(rgbToPackedDib(two, 1, 2, 3, error));
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(dib.get()[40], 6);
  EXPECT_EQ(dib.get()[44], 3);
}

TEST(GdiBridge, ResourceBitmapsGiveTheirPixels) {
  HMODULE self = GetModuleHandleA(nullptr);
  DWORD w = 0, h = 0;

  OwnedBitmap t24(IS40_LoadResourceBitmap(self, "T24", nullptr));
  ASSERT_TRUE(t24);
  EXPECT_EQ(IS40_GetLastError(), 0);
  const std::vector<BYTE> rgb24 = toRgb(t24.get(), w, h);
  const std::vector<BYTE> want24 = {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 250, 128, 7, 255, 255, 255};
  EXPECT_EQ(w, 3u);
  EXPECT_EQ(h, 2u);
  EXPECT_EQ(rgb24, want24);
  // In one step: the same pixels; a missing name gives nothing and says why.
  const OwnedImage image = resourceBitmapToRgb(self, "T24");
  ASSERT_TRUE(image);
  EXPECT_EQ(image.width, 3u);
  EXPECT_EQ(image.height, 2u);
  EXPECT_EQ(std::vector<BYTE>(image.data(), image.data() + want24.size()), want24);
  EXPECT_FALSE(resourceBitmapToRgb(self, "GIBTSNICHT"));
  EXPECT_EQ(IS40_GetLastError(), kIsErrResourceNotFound);

  OwnedBitmap t8(IS40_LoadResourceBitmap(self, "T8", nullptr));
  ASSERT_TRUE(t8);
  const std::vector<BYTE> rgb8 = toRgb(t8.get(), w, h);
  const int indices[8] = {0, 1, 128, 255, 17, 34, 51, 68};
  ASSERT_EQ(rgb8.size(), 24u);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(rgb8[i * 3], indices[i]) << i;
    EXPECT_EQ(rgb8[i * 3 + 1], 255 - indices[i]) << i;
    EXPECT_EQ(rgb8[i * 3 + 2], (7 * indices[i]) % 256) << i;
  }

  // A 1-bit bitmap gives exactly the two colours of its table, in its pattern.
  OwnedBitmap t1(IS40_LoadResourceBitmap(self, "T1", nullptr));
  ASSERT_TRUE(t1);
  const std::vector<BYTE> rgb1 = toRgb(t1.get(), w, h);
  ASSERT_EQ(w, 10u);
  ASSERT_EQ(h, 3u);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 10; ++x) {
      const BYTE* p = &rgb1[(y * 10 + x) * 3];
      const bool one = (x + y) % 3 == 0;
      EXPECT_EQ(p[0], one ? 0xFE : 0x12) << x << "," << y;
      EXPECT_EQ(p[1], one ? 0xDC : 0x34) << x << "," << y;
      EXPECT_EQ(p[2], one ? 0xBA : 0x56) << x << "," << y;
    }
}

TEST(GdiBridge, MonochromeBitmapGivesBlackAndWhite) {
  const WORD rows[2] = {0x00A5, 0x00F0};  // word-aligned rows, leftmost pixel in the high bit
  OwnedBitmap mono(CreateBitmap(8, 2, 1, 1, rows));
  ASSERT_TRUE(mono);
  DWORD w = 0, h = 0;
  const std::vector<BYTE> rgb = toRgb(mono.get(), w, h);
  EXPECT_EQ(IS40_GetLastError(), 0);
  ASSERT_EQ(rgb.size(), 48u);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool set = (rows[y] >> (7 - x)) & 1;
      for (int k = 0; k < 3; ++k) EXPECT_EQ(rgb[(y * 8 + x) * 3 + k], set ? 255 : 0) << x << "," << y;
    }
}

// A packed DIB laid out by hand: header, masks or table, rows bottom-up.
std::vector<BYTE> handDib(LONG width, LONG height, WORD bits, DWORD compression, const std::vector<DWORD>& extra,
                          const std::vector<BYTE>& rows) {
  BITMAPINFOHEADER header = {};
  header.biSize = 40;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = bits;
  header.biCompression = compression;
  std::vector<BYTE> dib(40 + extra.size() * 4 + rows.size());
  std::memcpy(dib.data(), &header, 40);
  std::memcpy(dib.data() + 40, extra.data(), extra.size() * 4);
  std::memcpy(dib.data() + 40 + extra.size() * 4, rows.data(), rows.size());
  return dib;
}

TEST(GdiBridge, PackedDibPixelKinds) {
  BYTE rgb[12] = {};
  // 16 bits 5-5-5: red 31, green 16, blue 1 -> 255, 16 * 255 / 31 = 131, 8.
  const WORD v555 = (31 << 10) | (16 << 5) | 1;
  std::vector<BYTE> dib = handDib(2, 1, 16, BI_RGB, {}, {BYTE(v555), BYTE(v555 >> 8), 0xFF, 0x7F});
  ASSERT_EQ(packedDibToRgb(dib.data(), rgb), 0);
  EXPECT_EQ(rgb[0], 255);
  EXPECT_EQ(rgb[1], 131);
  EXPECT_EQ(rgb[2], 8);
  EXPECT_EQ(rgb[3], 255);
  EXPECT_EQ(rgb[4], 255);
  EXPECT_EQ(rgb[5], 255);
  // 16 bits 5-6-5 through masks: green 32 of 63 -> 129.
  const WORD v565 = (1 << 11) | (32 << 5) | 31;
  dib = handDib(2, 1, 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, {BYTE(v565), BYTE(v565 >> 8), 0, 0});
  ASSERT_EQ(packedDibToRgb(dib.data(), rgb), 0);
  EXPECT_EQ(rgb[0], 8);
  EXPECT_EQ(rgb[1], 32 * 255 / 63);
  EXPECT_EQ(rgb[2], 255);
  // 32 bits: blue, green, red, unused.
  dib = handDib(1, 2, 32, BI_RGB, {}, {10, 20, 30, 99, 1, 2, 3, 99});
  ASSERT_EQ(packedDibToRgb(dib.data(), rgb), 0);
  const BYTE want32[6] = {3, 2, 1, 30, 20, 10};  // bottom-up: the second stored row is the top
  EXPECT_EQ(std::memcmp(rgb, want32, 6), 0);
  // 4 bits through the table, high nibble first; rows padded to 4 bytes.
  std::vector<DWORD> table(16);
  for (int i = 0; i < 16; ++i) table[i] = DWORD(i * 16) << 16 | DWORD(i) << 8 | DWORD(255 - i);  // 0x00RRGGBB
  dib = handDib(3, 1, 4, BI_RGB, table, {0x2F, 0x50, 0, 0});
  ASSERT_EQ(packedDibToRgb(dib.data(), rgb), 0);
  const BYTE want4[9] = {32, 2, 253, 240, 15, 240, 80, 5, 250};
  EXPECT_EQ(std::memcmp(rgb, want4, 9), 0);
  // An unknown depth is not a usable bitmap.
  dib = handDib(1, 1, 2, BI_RGB, {0, 0, 0, 0}, {0, 0, 0, 0});
  EXPECT_EQ(packedDibToRgb(dib.data(), rgb), kIsErrBadBitmap);
}

TEST(GdiBridge, FailuresGiveTheirCodes) {
  HMODULE self = GetModuleHandleA(nullptr);
  EXPECT_EQ(IS40_LoadResourceBitmap(self, "GIBTSNICHT", nullptr), nullptr);
  EXPECT_EQ(IS40_GetLastError(), kIsErrResourceNotFound);

  const BYTE picture[12] = {};
  OwnedBitmap bitmap(IS40_RGBToHBITMAP(picture, 2, 2, 6, nullptr, nullptr));
  ASSERT_TRUE(bitmap);

  // After a failure, asking for the size succeeds and leaves the failure's code in place.
  EXPECT_EQ(IS40_LoadResourceBitmap(self, "GIBTSNICHT", nullptr), nullptr);
  DWORD w = 0, h = 0;
  EXPECT_TRUE(IS40_GetHBITMAPDimensions(bitmap.get(), &w, &h));
  EXPECT_EQ(w, 2u);
  EXPECT_EQ(h, 2u);
  EXPECT_EQ(IS40_GetLastError(), kIsErrResourceNotFound);
  EXPECT_FALSE(IS40_GetHBITMAPDimensions(nullptr, &w, &h));
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  OwnedBrush notABitmap(CreateSolidBrush(0));
  EXPECT_FALSE(IS40_GetHBITMAPDimensions(reinterpret_cast<HBITMAP>(notABitmap.get()), &w, &h));
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadBitmap);

  BYTE out[12];
  EXPECT_FALSE(IS40_HBITMAPToRGB(bitmap.get(), nullptr, nullptr, out));
  EXPECT_EQ(IS40_GetLastError(), kIsErrNoDIBitmaps);
  OwnedDc memory(CreateCompatibleDC(nullptr));
  EXPECT_FALSE(IS40_HBITMAPToRGB(bitmap.get(), memory.get(), nullptr, nullptr));
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  EXPECT_TRUE(IS40_HBITMAPToRGB(bitmap.get(), memory.get(), nullptr, out));
  EXPECT_EQ(IS40_GetLastError(), 0);

  int32_t error = 0;
  EXPECT_EQ(bitmapToPackedDib(bitmap.get(), BI_BITFIELDS, nullptr, error), nullptr);
  EXPECT_EQ(error, kIsErrBadBitmap);

  EXPECT_EQ(IS40_RGBToHBITMAP(nullptr, 2, 2, 6, nullptr, nullptr), nullptr);
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  EXPECT_EQ(IS40_RGBToHBITMAP(picture, 2, 2, 5, nullptr, nullptr), nullptr);
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  // A picture whose DIB would pass the block limit is refused before anything is allocated.
  EXPECT_EQ(IS40_RGBToHBITMAP(picture, 40000, 40000, 120000, nullptr, nullptr), nullptr);
  EXPECT_EQ(IS40_GetLastError(), kIsErrOutOfMemory);
}

TEST(GdiBridge, NothingStaysHeldAfterSuccessOrFailure) {
  HMODULE self = GetModuleHandleA(nullptr);
  auto run = [self] {
    for (int i = 0; i < 25; ++i) {
      IS40_LoadResourceBitmap(self, "GIBTSNICHT", nullptr);  // error 13: no context held
      OwnedBitmap t8(IS40_LoadResourceBitmap(self, "T8", nullptr));
      DWORD w = 0, h = 0;
      std::vector<BYTE> rgb = toRgb(t8.get(), w, h);
      OwnedBitmap copy(IS40_RGBToHBITMAP(rgb.data(), w, h, w * 3, nullptr, nullptr));
      IS40_HBITMAPToRGB(copy.get(), nullptr, nullptr, rgb.data());  // error 26
      resourceBitmapToRgb(self, "T1");
      resourceBitmapToRgb(self, "GIBTSNICHT");
    }
  };
  run();  // first calls may set up caches of the system's own
  const DWORD guiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const size_t before = freeGdiHandles();
  run();
  EXPECT_EQ(freeGdiHandles(), before);
  EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), guiBefore);
  EXPECT_GT(before, 1000u);
}

}  // namespace
