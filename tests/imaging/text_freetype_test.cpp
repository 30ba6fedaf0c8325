// The native glyph rasterizer: face choice, GDI's height convention and extents, layout of the
// two formats the program uses, clipping to the rectangle. Font metrics of DejaVu Sans
// (units per em 2048, usWinAscent 1901, usWinDescent 483) were read from the font file with a
// separate table parser.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "imaging/frame.h"
#include "imaging/glyph_rasterizer.h"
#include "imaging/native/freetype_rasterizer.h"
#include "imaging/smooth_text.h"

namespace {

LOGFONTA makeFont(const char* face, LONG height, LONG weight = 400, BYTE italic = 0) {
  LOGFONTA font{};
  font.lfHeight = height;
  font.lfWeight = weight;
  font.lfItalic = italic;
  font.lfQuality = ANTIALIASED_QUALITY;
  std::strncpy(font.lfFaceName, face, LF_FACESIZE - 1);
  return font;
}

struct Ink {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, pixels = 0;
};

Ink inkOf(const std::vector<BYTE>& image, int width, int height) {
  Ink ink;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (image[(size_t(y) * width + x) * 3]) {
        ink.left = std::min(ink.left, x);
        ink.right = std::max(ink.right, x);
        ink.top = std::min(ink.top, y);
        ink.bottom = std::max(ink.bottom, y);
        ++ink.pixels;
      }
  return ink;
}

TEST(FreeTypeRasterizer, ChoosesInstalledFacesAndFallsBackToGenericOnes) {
  NativeFontInfo info;
  ASSERT_TRUE(describeNativeFont(makeFont("Verdana", -30, 600), info));
  EXPECT_EQ(info.family, "DejaVu Sans");
  EXPECT_EQ(info.style, "Bold");
  EXPECT_FALSE(info.syntheticBold);
  ASSERT_TRUE(describeNativeFont(makeFont("Verdana", -30, 599), info));
  EXPECT_EQ(info.style, "Book");
  ASSERT_TRUE(describeNativeFont(makeFont("Verdana", -30, 400, 1), info));
  EXPECT_EQ(info.style, "Oblique");
  ASSERT_TRUE(describeNativeFont(makeFont("Courier New", -30), info));
  EXPECT_EQ(info.family, "DejaVu Sans Mono");
  ASSERT_TRUE(describeNativeFont(makeFont("DejaVu Serif", -30), info));
  EXPECT_EQ(info.family, "DejaVu Serif");
  ASSERT_TRUE(describeNativeFont(makeFont("", -30), info));
  EXPECT_EQ(info.family, "DejaVu Sans");
}

TEST(FreeTypeRasterizer, HeightsFollowGdiConvention) {
  NativeFontInfo info;
  // Negative: the em height. 1901 * 120 / 2048 = 111.4, 483 * 120 / 2048 = 28.3.
  ASSERT_TRUE(describeNativeFont(makeFont("Verdana", -120), info));
  EXPECT_EQ(info.pixelsPerEm, 120);
  EXPECT_EQ(info.ascent, 111);
  EXPECT_EQ(info.descent, 28);
  LONG width = 0, height = 0;
  LOGFONTA font = makeFont("Verdana", -120);
  RECT rect = {0, 0, 64, 64};
  ASSERT_TRUE(IS40_GetTextLineSize2("28", &font, &rect, 0, 0, &width, &height));
  EXPECT_EQ(height, 139);
  // Positive: the cell height, 139 * 2048 / 2384 = 119.4 pixels per em.
  font.lfHeight = 139;
  ASSERT_TRUE(describeNativeFont(font, info));
  EXPECT_EQ(info.pixelsPerEm, 119);
  ASSERT_TRUE(IS40_GetTextLineSize2("28", &font, &rect, 0, 0, &width, &height));
  EXPECT_EQ(height, 139);
}

TEST(FreeTypeRasterizer, MeasuresLikeGdi) {
  // What Wine's GDI reports for this font (drawn there with DejaVu Sans as well): "28" is
  // 42 x 35 left/top; centred vertically in (0, 0, 200, 200) the line starts at
  // 200 / 2 - 35 / 2 = 83 and the computed rectangle ends at 118.
  LOGFONTA font = makeFont("Verdana", -30, 600);
  RECT rect = {0, 0, 64, 64};
  LONG width = 0, height = 0;
  ASSERT_TRUE(IS40_GetTextLineSize2("28", &font, &rect, 0, 0, &width, &height));
  EXPECT_EQ(width, 42);
  EXPECT_EQ(height, 35);
  rect = {0, 0, 200, 200};
  ASSERT_TRUE(IS40_GetTextLineSize2("28", &font, &rect, 37, 0, &width, &height));
  EXPECT_EQ(width, 42);
  EXPECT_EQ(height, 118);
}

TEST(FreeTypeRasterizer, WidthsAreSumsOfAdvances) {
  LOGFONTA font = makeFont("Verdana", -30, 600);
  RECT rect = {0, 0, 64, 64};
  LONG nine = 0, space = 0, all = 0, h = 0, centred = 0, lines = 0, twoLines = 0;
  ASSERT_TRUE(IS40_GetTextLineSize2("9", &font, &rect, 0, 0, &nine, &h));
  ASSERT_TRUE(IS40_GetTextLineSize2(" ", &font, &rect, 0, 0, &space, &h));
  ASSERT_TRUE(IS40_GetTextLineSize2("99 ", &font, &rect, 0, 0, &all, &h));
  const LONG lineHeight = h;
  EXPECT_GT(nine, 10);
  EXPECT_GT(space, 3);
  EXPECT_EQ(all, 2 * nine + space);
  ASSERT_TRUE(IS40_GetTextLineSize2("99 ", &font, &rect, 37, 0, &centred, &h));
  EXPECT_EQ(centred, all);
  // Without DT_SINGLELINE a line break starts a new line; "&&" is one ampersand.
  ASSERT_TRUE(IS40_GetTextLineSize2("9\n99 ", &font, &rect, 0, 0, &lines, &twoLines));
  EXPECT_EQ(lines, all);
  EXPECT_EQ(twoLines, 2 * lineHeight);
  LONG amp = 0, amps = 0;
  ASSERT_TRUE(IS40_GetTextLineSize2("&", &font, &rect, DT_NOPREFIX, 0, &amp, &h));
  ASSERT_TRUE(IS40_GetTextLineSize2("&&", &font, &rect, 0, 0, &amps, &h));
  EXPECT_EQ(amps, amp);

  LOGFONTA regular = makeFont("Verdana", -30, 400);
  LONG regularWidth = 0;
  ASSERT_TRUE(IS40_GetTextLineSize2("99 ", &regular, &rect, 0, 0, &regularWidth, &h));
  EXPECT_LT(regularWidth, all);
}

TEST(FreeTypeRasterizer, CentresWithFormat37AndPlacesLeftTopWithFormat0) {
  const int w = 120, h = 80;
  LOGFONTA font = makeFont("Verdana", -30, 600);
  std::vector<BYTE> image(w * h * 3, 0);
  RECT rect = {20, 10, 100, 70};
  ASSERT_TRUE(IS40_DrawSmoothTextOnRGB2(image.data(), w, h, w * 3, "8", &font, 4, &rect, 37, 0, 0xFFFFFF));
  Ink ink = inkOf(image, w, h);
  ASSERT_GT(ink.pixels, 30);
  EXPECT_NEAR((ink.left + ink.right + 1) / 2.0, 60.0, 1.5);
  // The line box (ascent + descent = 35) is centred; the digit sits in it above the baseline.
  NativeFontInfo info;
  ASSERT_TRUE(describeNativeFont(font, info));
  const int boxTop = 10 + 60 / 2 - (info.ascent + info.descent) / 2;
  EXPECT_GE(ink.top, boxTop);
  EXPECT_LE(ink.bottom, boxTop + info.ascent);
  EXPECT_GE(ink.bottom, boxTop + info.ascent - 2);

  std::fill(image.begin(), image.end(), 0);
  rect = {20, 10, 100, 70};
  ASSERT_TRUE(IS40_DrawSmoothTextOnRGB2(image.data(), w, h, w * 3, "8", &font, 4, &rect, 0, 0, 0xFFFFFF));
  ink = inkOf(image, w, h);
  EXPECT_GE(ink.left, 20);
  EXPECT_LE(ink.left, 23);
  EXPECT_GE(ink.top, 10);
  EXPECT_LE(ink.bottom, 10 + info.ascent);
}

TEST(FreeTypeRasterizer, TextIsClippedToItsRectangleAndBoldHasMoreInk) {
  const int w = 100, h = 50;
  LOGFONTA font = makeFont("Verdana", -30, 600);
  std::vector<BYTE> image(w * h * 3, 0);
  RECT rect = {10, 5, 40, 45};
  ASSERT_TRUE(IS40_DrawSmoothTextOnRGB2(image.data(), w, h, w * 3, "888888", &font, 4, &rect, 0, 0, 0xFFFFFF));
  Ink ink = inkOf(image, w, h);
  ASSERT_GT(ink.pixels, 0);
  EXPECT_LE(ink.right, 39);

  std::vector<BYTE> again(w * h * 3, 0);
  ASSERT_TRUE(IS40_DrawSmoothTextOnRGB2(again.data(), w, h, w * 3, "888888", &font, 4, &rect, 0, 0, 0xFFFFFF));
  EXPECT_EQ(again, image);  // the same picture every time

  auto inkFor = [&](LONG weight) {
    LOGFONTA f = makeFont("Verdana", -30, weight);
    std::vector<BYTE> picture(w * h * 3, 0);
    RECT r = {0, 0, w, h};
    EXPECT_TRUE(IS40_DrawSmoothTextOnRGB2(picture.data(), w, h, w * 3, "28", &f, 4, &r, 0, 0, 0xFFFFFF));
    long sum = 0;
    for (size_t i = 0; i < picture.size(); i += 3) sum += picture[i];
    return sum;
  };
  EXPECT_GT(inkFor(700), inkFor(400) * 11 / 10);
}

TEST(FreeTypeRasterizer, TwoThreadsDrawAtOnceWithTheirOwnOpacity) {
  const int w = 90, h = 50;
  auto draw = [&](double opacity) {
    IS40_SetTextTransparency(opacity);
    LOGFONTA font = makeFont("Verdana", -30, 600);
    std::vector<BYTE> picture(w * h * 3, 0);
    RECT rect = {0, 0, w, h};
    for (int i = 0; i < 10; ++i) {
      std::fill(picture.begin(), picture.end(), 0);
      IS40_DrawSmoothTextOnRGB2(picture.data(), w, h, w * 3, "17*", &font, 4, &rect, 37, 0, 0xFFFFFF);
    }
    return picture;
  };
  const std::vector<BYTE> full = draw(1.0), half = draw(0.5);
  std::vector<BYTE> inWorker, inMain;
  std::thread worker([&] { inWorker = draw(0.5); });
  inMain = draw(1.0);
  worker.join();
  EXPECT_EQ(inWorker, half);
  EXPECT_EQ(inMain, full);
  EXPECT_NE(full, half);
}

}  // namespace
