// Smooth text through GDI under Wine: measuring agrees with GDI's own extents, drawing puts
// smooth ink where DrawTextEx lays it out, and no GDI object stays behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/bmp.h"
#include "imaging/frame.h"
#include "imaging/smooth_text.h"
#include "imaging/sources.h"
#include "imaging/win32/gdi_bridge.h"
#include "platform/win32/handles.h"
#include "tests/imaging/gdi_test_support.h"

namespace {

LOGFONTA dayFont(LONG height = -30) {
  LOGFONTA font = {};
  font.lfHeight = height;
  font.lfWeight = 600;
  font.lfQuality = ANTIALIASED_QUALITY;
  std::strcpy(font.lfFaceName, "Verdana");
  return font;
}

struct Ink {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, pixels = 0, partial = 0;
};

Ink inkOf(const std::vector<BYTE>& image, int width, int height) {
  Ink ink;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const BYTE v = image[(size_t(y) * width + x) * 3];
      if (!v) continue;
      ink.left = std::min(ink.left, x);
      ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y);
      ink.bottom = std::max(ink.bottom, y);
      ++ink.pixels;
      ink.partial += v < 255;
    }
  return ink;
}

TEST(GdiText, MeasuresAsGdiReportsTheExtent) {
  const LOGFONTA font = dayFont();
  SIZE extent = {};
  TEXTMETRICA metrics = {};
  {
    OwnedDc dc(CreateCompatibleDC(nullptr));
    OwnedFont handle(CreateFontIndirectA(&font));
    SelectedObject selected(dc.get(), handle.get());
    ASSERT_TRUE(selected);
    GetTextExtentPoint32A(dc.get(), "99 ", 3, &extent);
    GetTextMetricsA(dc.get(), &metrics);
  }

  const RECT rect = {0, 0, 64, 64};
  LONG width = 0, height = 0;
  ASSERT_TRUE(IS40_GetTextLineSize2("99 ", &font, &rect, 0, 0, &width, &height));
  EXPECT_EQ(width, extent.cx);
  EXPECT_EQ(height, metrics.tmHeight);
  EXPECT_GT(width, 20);
  const wchar_t wide[] = L"99 ";
  LONG wideWidth = 0;
  ASSERT_TRUE(IS40_GetTextLineSize2(wide, &font, &rect, 0, kTextWide, &wideWidth, &height));
  EXPECT_EQ(wideWidth, width);
}

TEST(GdiText, DrawsSmoothInkCentredAndClippedToTheRectangle) {
  const int w = 120, h = 80;
  const LOGFONTA font = dayFont();
  std::vector<BYTE> image(w * h * 3, 0);
  const RECT rect = {20, 10, 100, 70};
  IS40_SetTextTransparency(1.0);
  ASSERT_TRUE(IS40_DrawSmoothTextOnRGB2(image.data(), w, h, w * 3, "8", &font, 4, &rect, 37, 0, 0xFFFFFF));
  EXPECT_EQ(IS40_GetLastError(), 0);
  const Ink ink = inkOf(image, w, h);
  ASSERT_GT(ink.pixels, 30);
  EXPECT_GT(ink.partial, 10);  // smooth edges, not a hard mask
  EXPECT_NEAR((ink.left + ink.right + 1) / 2.0, 60.0, 1.5);
  EXPECT_GE(ink.top, 10 + 30 - 35 / 2);
  EXPECT_LE(ink.bottom, 70);

  // Left/top text wider than its rectangle is cut at the rectangle's right edge.
  std::vector<BYTE> clipped(w * h * 3, 0);
  const RECT narrow = {10, 5, 40, 45};
  ASSERT_TRUE(IS40_DrawSmoothTextOnRGB2(clipped.data(), w, h, w * 3, "888888", &font, 4, &narrow, 0, 0, 0xFFFFFF));
  const Ink cut = inkOf(clipped, w, h);
  ASSERT_GT(cut.pixels, 0);
  EXPECT_LE(cut.right, 39);
  EXPECT_GE(cut.left, 10);
}

// The look of a day number: shadow at half opacity one pixel down and right, then the text.
// Written as a BMP when QUENDLER_TEXT_SAMPLES names a folder.
std::vector<BYTE> daySample(const char* text, COLORREF colour, LONG fontHeight, DWORD& width, DWORD& height) {
  const LOGFONTA font = dayFont(fontHeight);
  const RECT measure = {0, 0, 64, 64};
  LONG w = 0, h = 0;
  IS40_GetTextLineSize2(text, &font, &measure, 0, 0, &w, &h);
  width = DWORD(std::max<LONG>(160, w + 40));
  height = DWORD(h + 30);
  std::vector<BYTE> picture(size_t(width) * height * 3);
  for (DWORD y = 0; y < height; ++y)
    for (DWORD x = 0; x < width; ++x) {
      BYTE* p = &picture[(size_t(y) * width + x) * 3];
      p[0] = BYTE(30 + 40 * x / width);
      p[1] = BYTE(70 + 60 * y / height);
      p[2] = BYTE(120 + 80 * (x + y) / (width + height));
    }
  const LONG x = 10, y = 10;
  IS40_SetTextTransparency(0.5);
  const RECT shadow = {x + 1, y + 1, x + w + 40, y + h + 10};
  EXPECT_TRUE(IS40_DrawSmoothTextOnRGB2(picture.data(), width, height, width * 3, text, &font, 4, &shadow, 0, 0, 0));
  IS40_SetTextTransparency(1.0);
  const RECT face = {x, y, x + w + 40, y + h + 10};
  EXPECT_TRUE(IS40_DrawSmoothTextOnRGB2(picture.data(), width, height, width * 3, text, &font, 4, &face, 0, 0, colour));
  return picture;
}

TEST(GdiText, DayNumberSamples) {
  struct Sample {
    const char* text;
    COLORREF colour;
    LONG height;
    const char* file;
  } samples[] = {{"28  ", 0xF5F5F5, -60, "n28.bmp"},
                 {"17*  ", 0x20FAFA, -60, "n17.bmp"},
                 {"28  ", 0xF5F5F5, -30, "s28.bmp"},
                 {"17*  ", 0x20FAFA, -30, "s17.bmp"}};
  const char* folder = std::getenv("QUENDLER_TEXT_SAMPLES");
  for (const Sample& sample : samples) {
    DWORD width = 0, height = 0;
    const std::vector<BYTE> picture = daySample(sample.text, sample.colour, sample.height, width, height);
    // The text colour itself appears (full coverage), and so does the shadow's darkening.
    bool colourSeen = false;
    for (size_t i = 0; i < picture.size(); i += 3)
      colourSeen |= picture[i] == GetRValue(sample.colour) && picture[i + 1] == GetGValue(sample.colour) &&
                    picture[i + 2] == GetBValue(sample.colour);
    EXPECT_TRUE(colourSeen) << sample.text;
    if (!folder) continue;
    const std::string path = std::string(folder) + "\\" + sample.file;
    ISDest dest = IS40_OpenFileDest(path.c_str(), 0);
    ASSERT_NE(dest, nullptr) << path;
    IS40_WriteBMP(dest, picture.data(), width, height, 24, width * 3, 0, nullptr, nullptr, 0);
    EXPECT_EQ(IS40_GetLastError(), 0);
    IS40_CloseDest(dest);
  }
}

TEST(GdiText, FailuresAndNoObjectLeftBehind) {
  std::vector<BYTE> image(40 * 20 * 3, 0);
  const RECT rect = {2, 2, 38, 18};
  LOGFONTA font = dayFont(-12);
  auto run = [&] {
    for (int i = 0; i < 20; ++i) {
      LONG w = 0, h = 0;
      IS40_GetTextLineSize2("17*  ", &font, &rect, 0, 0, &w, &h);
      IS40_DrawSmoothTextOnRGB2(image.data(), 40, 20, 120, "17*  ", &font, 4, &rect, 37, 0, 0x20FAFA);
      IS40_DrawSmoothTextOnRGB2(image.data(), 40, 20, 120, "28", &font, 4, &rect, 0, kTextBottomUp, 0xFFFFFF);
      OwnedBitmap bitmap(IS40_RGBToHBITMAP(image.data(), 40, 20, 120, nullptr, nullptr));
      OwnedDc memory(CreateCompatibleDC(nullptr));
      IS40_HBITMAPToRGB(bitmap.get(), memory.get(), nullptr, image.data());
    }
  };
  run();
  const size_t before = freeGdiHandles();
  run();
  EXPECT_EQ(freeGdiHandles(), before);

  // A picture of 4 bytes per pixel is fine for the core, anything else is a bad argument.
  EXPECT_FALSE(IS40_DrawSmoothTextOnRGB2(nullptr, 40, 20, 120, "x", &font, 4, &rect, 0, 0, 0));
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  EXPECT_EQ(drawSmoothTextCore(image.data(), 40, 20, 120, 1, "x", &font, 4, &rect, 0, 0, 0, 1.0), kIsErrBadArgument);
  // A rectangle too large for the mask's block is refused as out of memory.
  const RECT huge = {0, 0, 300000, 300000};
  EXPECT_FALSE(IS40_DrawSmoothTextOnRGB2(image.data(), 40, 20, 120, "x", &font, 4, &huge, 0, 0, 0));
  EXPECT_EQ(IS40_GetLastError(), kIsErrOutOfMemory);
}

}  // namespace
