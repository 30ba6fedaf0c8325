// The smooth-text core through a fake glyph rasterizer: what it asks the rasterizer for, how it
// averages the mask, places it with its margins, clips and blends.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <thread>
#include <vector>

#include "imaging/frame.h"
#include "imaging/glyph_rasterizer.h"
#include "imaging/smooth_text.h"
#include "tests/support/pictures.h"

namespace {

// Space width 3, every other character 10 wide, lines 12 high (all unscaled). render() lights
// the big pixels that `paint` chooses.
class FakeRasterizer : public GlyphRasterizer {
 public:
  int measure(const TextRun& text, const LOGFONTA& font, RECT& rect, UINT format) override {
    ++measures;
    measuredFormats.push_back(format);
    if (measureError) return measureError;
    const int scale = font.lfHeight / -12 > 0 ? font.lfHeight / -12 : 1;
    int width = 0;
    for (size_t i = 0; i < text.length; ++i) width += (text.narrow ? text.narrow[i] : text.wide[i]) == ' ' ? 3 : 10;
    rect.right = rect.left + width * scale;
    rect.bottom = rect.top + 12 * scale;
    return 0;
  }
  int render(const TextRun&, const LOGFONTA& font, const RECT& rect, UINT format, MonoMask& mask) override {
    ++renders;
    renderFont = font;
    renderRect = rect;
    renderFormat = format;
    maskWidth = mask.width;
    maskHeight = mask.height;
    if (renderError) return renderError;
    for (int y = 0; y < mask.height; ++y)
      for (int x = 0; x < mask.width; ++x)
        if (paint && paint(x, y)) mask.bits[y * mask.stride + x / 8] |= uint8_t(0x80 >> (x % 8));
    return 0;
  }

  std::function<bool(int, int)> paint;
  int measureError = 0, renderError = 0;
  int measures = 0, renders = 0;
  std::vector<UINT> measuredFormats;
  LOGFONTA renderFont{};
  RECT renderRect{};
  UINT renderFormat = 0;
  int maskWidth = 0, maskHeight = 0;
};

LOGFONTA font12() {
  LOGFONTA font{};
  font.lfHeight = -12;
  font.lfWeight = 600;
  return font;
}

// The formula itself, evaluated here: trunc(v * (w * (1 / 255))).
int entry(int w, int v) { return int(v * (w * (1.0 / 255.0))); }

class SmoothTextDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    setGlyphRasterizer(&fake);
    IS40_SetTextTransparency(1.0);
  }
  void TearDown() override {
    setGlyphRasterizer(nullptr);
    IS40_SetTextTransparency(1.0);
  }
  BOOL draw(RgbPicture& picture, RECT rect, COLORREF colour, UINT format = 0, DWORD flags = 0, const char* text = "28") {
    LOGFONTA font = font12();
    return IS40_DrawSmoothTextOnRGB2(picture.data(), picture.width(), picture.height(), picture.width() * 3, text,
                                     &font, 4, &rect, format, flags, colour);
  }
  FakeRasterizer fake;
};

TEST_F(SmoothTextDraw, AsksForTheScaledFontAndTheMarginedBitmap) {
  RgbPicture picture(40, 30, 0);
  ASSERT_TRUE(draw(picture, {5, 6, 25, 16}, 0xFFFFFF, 37));
  ASSERT_EQ(fake.renders, 1);
  EXPECT_EQ(fake.renderFont.lfHeight, -48);
  EXPECT_EQ(fake.renderFont.lfWeight, 600);
  EXPECT_EQ(fake.renderFormat, 37u);
  // Margin: one space (3) of the unscaled font on each side, measured with DT_CALCRECT alone.
  EXPECT_EQ(fake.measuredFormats.at(0), UINT(0));
  EXPECT_EQ(fake.maskWidth, (20 + 2 * 3) * 4);
  EXPECT_EQ(fake.maskHeight, 10 * 4);
  EXPECT_EQ(fake.renderRect.left, 12);
  EXPECT_EQ(fake.renderRect.top, 0);
  EXPECT_EQ(fake.renderRect.right, 80 + 12);
  EXPECT_EQ(fake.renderRect.bottom, 40);
  EXPECT_EQ(IS40_GetLastError(), 0);
}

TEST_F(SmoothTextDraw, CoverageIsTheBlockMeanOfLitBigPixels) {
  // Mask pixel (k, 0) gets k lit big pixels of its 4 x 4 block, for k = 0 ... 16.
  fake.paint = [](int x, int y) { return y < 4 && (x % 4) + 4 * y < (x / 4); };
  RgbPicture picture(20, 1, 0);
  ASSERT_TRUE(draw(picture, {3, 0, 14, 1}, 0xFFFFFF));  // mask starts at x = 0 (margin 3)
  for (int k = 0; k <= 16; ++k) {
    const int coverage = k * 255 / 16;
    const int expected = entry(255 - coverage, 0) + entry(coverage, 255);
    EXPECT_EQ(picture.at(k, 0)[0], expected) << k;
    EXPECT_EQ(picture.at(k, 0)[2], expected) << k;
  }
  EXPECT_EQ(picture.at(16, 0)[1], 255);  // full coverage writes the colour exactly
}

TEST_F(SmoothTextDraw, OpacityScalesEveryLitBigPixel) {
  fake.paint = [](int, int) { return true; };
  const double opacities[] = {1.0, 0.5, 0.25, 0.13};
  const int lit[] = {255, 127, 63, 33};
  for (int i = 0; i < 4; ++i) {
    IS40_SetTextTransparency(opacities[i]);
    RgbPicture picture(10, 4, 0);
    ASSERT_TRUE(draw(picture, {3, 0, 7, 4}, 0x0000FF));
    EXPECT_EQ(picture.at(5, 2)[0], entry(lit[i], 255)) << opacities[i];
    EXPECT_EQ(picture.at(5, 2)[1], 0);
  }
  // Coverage 33 of colour byte 255 over 0 gives 0 + 32.
  EXPECT_EQ(entry(33, 255), 32);
  // Full coverage of colour 0 over white gives 0.
  IS40_SetTextTransparency(1.0);
  RgbPicture white(10, 4, 255);
  ASSERT_TRUE(draw(white, {3, 0, 7, 4}, 0x000000));
  EXPECT_EQ(white.at(4, 1)[0], 0);
}

TEST_F(SmoothTextDraw, OpacityZeroChangesNothing) {
  fake.paint = [](int, int) { return true; };
  IS40_SetTextTransparency(0.0);
  RgbPicture picture(30, 20, 77);
  const std::vector<BYTE> before = picture.bytes();
  EXPECT_TRUE(draw(picture, {2, 2, 28, 18}, 0xFFFFFF));
  EXPECT_EQ(picture.bytes(), before);
}

TEST_F(SmoothTextDraw, MarginsReachOneSpaceBeyondBothEdgesAndNoFurther) {
  fake.paint = [](int, int) { return true; };  // ink everywhere, margins included
  RgbPicture picture(40, 20, 0);
  ASSERT_TRUE(draw(picture, {10, 5, 20, 9}, 0xFFFFFF));
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= 7 && x < 23 && y >= 5 && y < 9;
      ASSERT_EQ(picture.at(x, y)[1], inside ? 255 : 0) << x << "," << y;
    }
  }
}

TEST_F(SmoothTextDraw, FormatCentredInkLandsCentredAndIsClippedAtThePicture) {
  // The fake centres a 16 x 8 big-pixel block in the rectangle it is given.
  fake.paint = [this](int x, int y) {
    const int cx = (fake.renderRect.left + fake.renderRect.right) / 2, cy = fake.renderRect.bottom / 2;
    return x >= cx - 8 && x < cx + 8 && y >= cy - 4 && y < cy + 4;
  };
  RgbPicture picture(40, 20, 0);
  ASSERT_TRUE(draw(picture, {10, 4, 30, 14}, 0xFFFFFF, 37));
  // A 4 x 2 block centred in (10, 4) - (30, 14).
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x)
      ASSERT_EQ(picture.at(x, y)[0], (x >= 18 && x < 22 && y >= 8 && y < 10) ? 255 : 0) << x << "," << y;

  // Half outside on the left and at the bottom: only the picture's pixels change.
  fake.paint = [](int, int) { return true; };
  RgbPicture small(8, 6, 0);
  ASSERT_TRUE(draw(small, {-5, 3, 6, 12}, 0xFFFFFF, 37));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(small.at(x, y)[0], (x < 6 + 3 && y >= 3) ? 255 : 0) << x << "," << y;
}

TEST_F(SmoothTextDraw, BottomUpTargetFlipsTheMaskAndItsPlace) {
  // Ink only in the top big row of the text: on a bottom-up target it lands in the stored row
  // that shows at the top of the rectangle.
  fake.paint = [](int, int y) { return y < 4; };
  RgbPicture picture(20, 10, 0);
  ASSERT_TRUE(draw(picture, {5, 2, 10, 5}, 0xFFFFFF, 0, kTextBottomUp));
  // Stored rows run bottom-up: visual rows 2..4 are stored rows 7..5; the top one is row 7.
  for (int y = 0; y < 10; ++y) EXPECT_EQ(picture.at(6, y)[0], y == 7 ? 255 : 0) << y;
}

TEST_F(SmoothTextDraw, ScatteredInkAtManyScalesIsTheBlockMeanEverywhere) {
  // A pseudo-random mask, each block counted here one big pixel at a time, against the drawing
  // (which counts whole words of the mask): small scales, the usual 4, odd ones, and scales
  // whose blocks are wider than one 64-bit word. Both row orders, a rectangle that starts left
  // of the picture and one that runs past its right edge.
  // Dense ink everywhere, and sparse ink (a few big pixels) that only part of the mask holds.
  const std::function<bool(int, int)> inks[] = {
      [](int x, int y) { return ((uint32_t(x) * 2654435761u) ^ (uint32_t(y) * 40503u)) % 7 < 3; },
      [](int x, int y) { return ((uint32_t(x) * 2654435761u) ^ (uint32_t(y) * 40503u)) % 211 == 5; }};
  for (const auto& lit : inks) {
    for (int scale : {1, 2, 3, 4, 5, 7, 8, 9, 16, 57, 64, 71}) {
      fake.paint = lit;
      for (DWORD flags : {DWORD(0), DWORD(kTextBottomUp)}) {
        for (RECT rect : {RECT{-2, 1, 9, 4}, RECT{6, 0, 19, 3}}) {
          RgbPicture picture(17, 5, 40);
          LOGFONTA font = font12();
          ASSERT_TRUE(IS40_DrawSmoothTextOnRGB2(picture.data(), picture.width(), picture.height(), picture.width() * 3,
                                                "28", &font, scale, &rect, 0, flags, 0xFFFFFF));
          const int rows = rect.bottom - rect.top, bigRows = rows * scale;
          const int originX = rect.left - 3;  // one space of margin
          for (int y = 0; y < picture.height(); ++y) {
            // The stored row y shows at visual row (height - 1 - y) on a bottom-up target.
            const int visual = flags ? picture.height() - 1 - y : y;
            for (int x = 0; x < picture.width(); ++x) {
              int expected = 40;
              const int column = x - originX, maskRow = visual - rect.top;
              if (column >= 0 && column < rect.right - rect.left + 6 && maskRow >= 0 && maskRow < rows) {
                int count = 0;
                for (int dy = 0; dy < scale; ++dy) {
                  const int bigRow = flags ? bigRows - 1 - ((rows - 1 - maskRow) * scale + dy) : maskRow * scale + dy;
                  for (int dx = 0; dx < scale; ++dx) count += lit(column * scale + dx, bigRow);
                }
                const int coverage = count * 255 / (scale * scale);
                if (coverage) expected = entry(255 - coverage, 40) + entry(coverage, 255);
              }
              ASSERT_EQ(picture.at(x, y)[1], expected)
                  << "scale " << scale << " flags " << flags << " rect.left " << rect.left << " at " << x << "," << y;
            }
          }
        }
      }
    }
  }
}

TEST_F(SmoothTextDraw, EmptyRectanglesAndTextDrawNothing) {
  fake.paint = [](int, int) { return true; };
  RgbPicture picture(20, 10, 9);
  const std::vector<BYTE> before = picture.bytes();
  EXPECT_TRUE(draw(picture, {5, 5, 5, 9}, 0xFFFFFF));
  EXPECT_TRUE(draw(picture, {5, 5, 9, 5}, 0xFFFFFF));
  EXPECT_TRUE(draw(picture, {9, 5, 5, 9}, 0xFFFFFF));
  EXPECT_TRUE(draw(picture, {5, 5, 9, 9}, 0xFFFFFF, 0, 0, ""));
  LOGFONTA font = font12();
  RECT rect = {1, 1, 9, 9};
  EXPECT_TRUE(IS40_DrawSmoothTextOnRGB2(picture.data(), 20, 10, 60, nullptr, &font, 4, &rect, 0, 0, 0));
  EXPECT_EQ(picture.bytes(), before);
  EXPECT_EQ(fake.renders, 0);
  EXPECT_EQ(IS40_GetLastError(), 0);
}

TEST_F(SmoothTextDraw, FailuresReportTheirCodeAndLeaveThePicture) {
  fake.paint = [](int, int) { return true; };
  RgbPicture picture(20, 10, 9);
  const std::vector<BYTE> before = picture.bytes();
  LOGFONTA font = font12();
  RECT rect = {1, 1, 9, 9};
  EXPECT_FALSE(IS40_DrawSmoothTextOnRGB2(nullptr, 20, 10, 60, "x", &font, 4, &rect, 0, 0, 0));
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  EXPECT_FALSE(IS40_DrawSmoothTextOnRGB2(picture.data(), 20, 10, 60, "x", nullptr, 4, &rect, 0, 0, 0));
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  EXPECT_FALSE(IS40_DrawSmoothTextOnRGB2(picture.data(), 20, 10, 59, "x", &font, 4, &rect, 0, 0, 0));
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  EXPECT_EQ(drawSmoothTextCore(picture.data(), 20, 10, 60, 2, "x", &font, 4, &rect, 0, 0, 0, 1.0), kIsErrBadArgument);

  fake.renderError = kIsErrFont;
  EXPECT_FALSE(draw(picture, rect, 0xFFFFFF));
  EXPECT_EQ(IS40_GetLastError(), kIsErrFont);
  fake.renderError = 0;
  fake.measureError = kIsErrGdi;
  EXPECT_FALSE(draw(picture, rect, 0xFFFFFF));
  EXPECT_EQ(IS40_GetLastError(), kIsErrGdi);
  EXPECT_EQ(picture.bytes(), before);

  // A huge rectangle is refused as out of memory instead of being allocated.
  fake.measureError = 0;
  EXPECT_FALSE(draw(picture, {0, 0, 200000, 200000}, 0xFFFFFF));
  EXPECT_EQ(IS40_GetLastError(), kIsErrOutOfMemory);
  EXPECT_EQ(picture.bytes(), before);

  // The next good call clears the error.
  EXPECT_TRUE(draw(picture, rect, 0xFFFFFF));
  EXPECT_EQ(IS40_GetLastError(), 0);
}

TEST_F(SmoothTextDraw, FourBytesPerPixelKeepsTheFourthByteOnRequest) {
  fake.paint = [](int, int) { return true; };
  LOGFONTA font = font12();
  RECT rect = {3, 0, 5, 2};
  std::vector<BYTE> image(8 * 2 * 4, 0x11);
  ASSERT_EQ(drawSmoothTextCore(image.data(), 8, 2, 32, 4, "x", &font, 4, &rect, 0, kTextKeepFourth, 0x80FFFFFF, 1.0),
            0);
  EXPECT_EQ(image[(1 * 8 + 2) * 4 + 0], 255);
  EXPECT_EQ(image[(1 * 8 + 2) * 4 + 3], 0x11);
  ASSERT_EQ(drawSmoothTextCore(image.data(), 8, 2, 32, 4, "x", &font, 4, &rect, 0, 0, 0x80FFFFFF, 1.0), 0);
  EXPECT_EQ(image[(1 * 8 + 2) * 4 + 3], 0x80);
}

TEST_F(SmoothTextDraw, MeasuringReportsTheComputedExtent) {
  LOGFONTA font = font12();
  RECT rect = {4, 5, 64, 64};
  LONG width = 99, height = 99;
  ASSERT_TRUE(IS40_GetTextLineSize2("99 ", &font, &rect, 0, 0, &width, &height));
  EXPECT_EQ(width, 23);
  EXPECT_EQ(height, 12);
  EXPECT_EQ(fake.measuredFormats.back(), UINT(DT_CALCRECT));
  const uint16_t wide[] = {'9', ' ', 0};
  ASSERT_TRUE(IS40_GetTextLineSize2(wide, &font, &rect, 37, kTextWide, &width, &height));
  EXPECT_EQ(width, 13);
  EXPECT_EQ(fake.measuredFormats.back(), UINT(37 | DT_CALCRECT));

  // Empty text: success, outputs cleared, nothing measured.
  const int before = fake.measures;
  width = height = 99;
  ASSERT_TRUE(IS40_GetTextLineSize2("", &font, &rect, 0, 0, &width, &height));
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 0);
  EXPECT_EQ(fake.measures, before);

  EXPECT_FALSE(IS40_GetTextLineSize2("9", nullptr, &rect, 0, 0, &width, &height));
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  fake.measureError = kIsErrFont;
  EXPECT_FALSE(IS40_GetTextLineSize2("9", &font, &rect, 0, 0, &width, &height));
  EXPECT_EQ(IS40_GetLastError(), kIsErrFont);
}

TEST(SmoothTextOpacity, ClampedAndRecordedAsSuccess) {
  IS40_SetTextTransparency(2.0);
  EXPECT_EQ(currentTextTransparency(), 1.0);
  IS40_SetTextTransparency(-1.0);
  EXPECT_EQ(currentTextTransparency(), 0.0);
  IS40_SetTextTransparency(std::nan(""));
  EXPECT_EQ(currentTextTransparency(), 0.0);
  IS40_SetTextTransparency(0.25);
  EXPECT_EQ(currentTextTransparency(), 0.25);
  LOGFONTA font{};
  EXPECT_FALSE(IS40_GetTextLineSize2("x", nullptr, nullptr, 0, 0, nullptr, nullptr));
  ASSERT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  IS40_SetTextTransparency(1.0);
  EXPECT_EQ(IS40_GetLastError(), 0);
  (void)font;
}

TEST(SmoothTextOpacity, EachThreadHasItsOwn) {
  FakeRasterizer fake;
  fake.paint = [](int, int) { return true; };
  setGlyphRasterizer(&fake);
  IS40_SetTextTransparency(1.0);
  double seenInWorker = -1;
  BYTE workerPixel = 0;
  std::thread worker([&] {
    IS40_SetTextTransparency(0.5);
    seenInWorker = currentTextTransparency();
    RgbPicture picture(10, 4, 0);
    LOGFONTA font = font12();
    RECT rect = {3, 0, 7, 4};
    IS40_DrawSmoothTextOnRGB2(picture.data(), 10, 4, 30, "x", &font, 4, &rect, 0, 0, 0xFFFFFF);
    workerPixel = picture.at(5, 2)[0];
  });
  worker.join();
  EXPECT_EQ(seenInWorker, 0.5);
  EXPECT_EQ(workerPixel, entry(127, 255));
  EXPECT_EQ(currentTextTransparency(), 1.0);
  RgbPicture picture(10, 4, 0);
  LOGFONTA font = font12();
  RECT rect = {3, 0, 7, 4};
  ASSERT_TRUE(IS40_DrawSmoothTextOnRGB2(picture.data(), 10, 4, 30, "x", &font, 4, &rect, 0, 0, 0xFFFFFF));
  EXPECT_EQ(picture.at(5, 2)[0], 255);
  setGlyphRasterizer(nullptr);
}

}  // namespace
