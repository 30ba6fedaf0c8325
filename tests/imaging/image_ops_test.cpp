#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "imaging/frame.h"
#include "imaging/image_ops.h"
#include "tests/support/pictures.h"

namespace {

// ---- Resize -------------------------------------------------------------------------------

// The bilinear formula written out plainly, one pixel at a time, rounding with nearbyint.
std::vector<BYTE> referenceResize(const std::vector<BYTE>& src, uint32_t sw, uint32_t sh, uint32_t dw,
                                  uint32_t dh, uint32_t bpp) {
  std::vector<BYTE> out(size_t(dw) * dh * bpp);
  double sx = sw < dw ? (sw - double(sw) / dw) / dw : double(sw) / dw;
  double sy = sh < dh ? (sh - double(sh) / dh) / dh : double(sh) / dh;
  for (uint32_t y = 0; y < dh; ++y) {
    double fy = y * sy;
    long cy = long(fy);
    double ay = fy - cy;
    long up = std::min<long>(std::max<long>(cy, 0), sh - 1);
    long lo = std::min<long>(std::max<long>(cy + 1, 0), sh - 1);
    for (uint32_t x = 0; x < dw; ++x) {
      double fx = x * sx;
      long cx = long(fx);
      double ax = fx - cx;
      cx = std::min<long>(cx, sw - 1);
      long cx1 = std::min<long>(cx + 1, sw - 1);
      double w00 = (1 - ay) * (1 - ax), w01 = ax * (1 - ay), w10 = (1 - ax) * ay, w11 = ax * ay;
      for (uint32_t k = 0; k < bpp; ++k) {
        auto P = [&](long r, long c) { return double(src[(size_t(r) * sw + c) * bpp + k]); };
        double v = ((P(lo, cx1) * w11 + P(lo, cx) * w10) + P(up, cx1) * w01) + P(up, cx) * w00;
        out[(size_t(y) * dw + x) * bpp + k] = BYTE(std::nearbyint(v));
      }
    }
  }
  return out;
}

TEST(Resize, TwoByTwoToFourByFourByHand) {
  // sx = sy = (2 - 0.5) / 4 = 0.375: columns and rows at 0, 0.375, 0.75, 1.125. All weights are
  // dyadic, so the sums are exact; 37.5, 62.5 and 87.5 round to the even neighbour.
  const BYTE p[4] = {0, 100, 200, 50};
  const BYTE want[16] = {0,   38,  75, 100,  //
                         75,  77,  80, 81,   //
                         150, 117, 84, 62,   //
                         200, 144, 88, 50};
  BYTE out[16];
  ASSERT_TRUE(IS40_ResizeImage(p, 2, 2, 2, out, 4, 4, 4, 1, 16, 0));
  EXPECT_EQ(IS40_GetLastError(), 0);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(out[i], want[i]) << "pixel " << i;

  // The same per component of an RGB picture, with the destination's padding left alone.
  BYTE rgb[12];
  for (int i = 0; i < 4; ++i) rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = p[i];
  const uint32_t stride = 4 * 3 + 5;
  std::vector<BYTE> dst(stride * 4, 0xEE);
  ASSERT_TRUE(IS40_ResizeImage(rgb, 2, 2, 6, dst.data(), 4, 4, stride, 3, 16, 0));
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x)
      for (int k = 0; k < 3; ++k) EXPECT_EQ(dst[y * stride + x * 3 + k], want[y * 4 + x]);
    for (uint32_t pad = 12; pad < stride; ++pad) EXPECT_EQ(dst[y * stride + pad], 0xEE);
  }
}

TEST(Resize, ReductionPicksSamplesAtWholeSteps) {
  // 4 -> 2 columns: sx = 2, so columns 0 and 2 with fraction 0; one row stays one row.
  const BYTE p[4] = {10, 20, 30, 40};
  BYTE out[2];
  ASSERT_TRUE(IS40_ResizeImage(p, 4, 1, 4, out, 2, 1, 2, 1, 16, 0));
  EXPECT_EQ(out[0], 10);
  EXPECT_EQ(out[1], 30);
}

TEST(Resize, SameSizeCopiesTheBytes) {
  std::vector<BYTE> src(7 * 5 * 3);
  for (size_t i = 0; i < src.size(); ++i) src[i] = BYTE(i * 37 + 11);
  std::vector<BYTE> dst(src.size(), 0);
  ASSERT_TRUE(IS40_ResizeImage(src.data(), 7, 5, 21, dst.data(), 7, 5, 21, 3, 16, 0));
  EXPECT_EQ(dst, src);

  // With padding the rows are copied with it, but the last row's padding (which a tight
  // buffer does not have; ASan watches the read) is left alone.
  std::vector<BYTE> padded(2 * 8 + 6);
  for (size_t i = 0; i < padded.size(); ++i) padded[i] = BYTE(i + 1);
  std::vector<BYTE> out(3 * 8, 0xEE);
  ASSERT_TRUE(IS40_ResizeImage(padded.data(), 2, 3, 8, out.data(), 2, 3, 8, 3, 16, 0));
  EXPECT_EQ(std::vector<BYTE>(out.begin(), out.begin() + 22), padded);
  EXPECT_EQ(out[22], 0xEE);
  EXPECT_EQ(out[23], 0xEE);
}

TEST(Resize, AgreesWithThePlainFormulaOnRandomPictures) {
  std::mt19937 rng(1234);
  struct Case {
    uint32_t sw, sh, dw, dh, bpp;
  } cases[] = {{200, 140, 97, 61, 3}, {13, 7, 40, 29, 3}, {5, 9, 31, 4, 4},
               {64, 1, 17, 3, 1},     {3, 3, 200, 140, 3}, {541, 467, 300, 250, 3}};
  for (bool wide : {true, false}) {
    setWideResizeAllowedForTests(wide);
    for (const Case& c : cases) {
      std::vector<BYTE> src(size_t(c.sw) * c.sh * c.bpp);
      for (BYTE& b : src) b = BYTE(rng());
      std::vector<BYTE> dst(size_t(c.dw) * c.dh * c.bpp);
      ASSERT_TRUE(IS40_ResizeImage(src.data(), c.sw, c.sh, c.sw * c.bpp, dst.data(), c.dw, c.dh, c.dw * c.bpp,
                                   c.bpp, 16, 0));
      EXPECT_EQ(dst, referenceResize(src, c.sw, c.sh, c.dw, c.dh, c.bpp))
          << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh << (wide ? " (wide vectors)" : "");
    }
  }
  setWideResizeAllowedForTests(true);
}

TEST(Resize, BadArgumentsAndOtherModesWriteNothing) {
  BYTE src[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  BYTE dst[48];
  std::memset(dst, 0xAB, sizeof dst);
  EXPECT_FALSE(IS40_ResizeImage(nullptr, 2, 2, 6, dst, 4, 4, 12, 3, 16, 0));
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  EXPECT_FALSE(IS40_ResizeImage(src, 2, 2, 6, nullptr, 4, 4, 12, 3, 16, 0));
  EXPECT_FALSE(IS40_ResizeImage(src, 0, 2, 6, dst, 4, 4, 12, 3, 16, 0));
  EXPECT_FALSE(IS40_ResizeImage(src, 2, 2, 6, dst, 4, 0, 12, 3, 16, 0));
  EXPECT_FALSE(IS40_ResizeImage(src, 2, 2, 6, dst, 4, 4, 12, 0, 16, 0));
  EXPECT_FALSE(IS40_ResizeImage(src, 2, 2, 5, dst, 4, 4, 12, 3, 16, 0));   // source stride too small
  EXPECT_FALSE(IS40_ResizeImage(src, 2, 2, 6, dst, 4, 4, 11, 3, 16, 0));   // destination stride too small
  EXPECT_FALSE(IS40_ResizeImage(src, 2, 2, 6, dst, 4, 4, 12, 3, 0, 0));    // a mode that is not built
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  EXPECT_FALSE(IS40_ResizeImage(src, 2, 2, 6, dst, 4, 4, 12, 3, 19, 0));
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  for (BYTE b : dst) ASSERT_EQ(b, 0xAB);
  // A width whose tables cannot be had is out of memory, not a crash.
  static BYTE big[4];
  EXPECT_FALSE(IS40_ResizeImage(src, 2, 2, 6, big, 0x40000000u, 1, 0xC0000000u, 3, 16, 0));
  EXPECT_EQ(IS40_GetLastError(), kIsErrOutOfMemory);
}

// ---- Overlay ------------------------------------------------------------------------------

TEST(Overlay, KeyColourWithTolerance) {
  // 0x826946: red 0x46, green 0x69, blue 0x82. One pixel off by 8 in red: distance 64.
  RgbPicture target(2, 1, Rgb{1, 2, 3});
  RgbPicture overlay(2, 1, Rgb{0x46, 0x69, 0x82});
  overlay.at(1, 0)[0] = 0x4E;
  ASSERT_TRUE(IS40_OverlayRGBTrans(target.data(), 2, 1, 6, overlay.data(), 2, 1, 6, 0, 0, 1.0, 0x826946, 128, 0));
  EXPECT_EQ(target.at(0, 0)[0], 1);  // exact key: transparent
  EXPECT_EQ(target.at(1, 0)[0], 1);  // 64 <= 128: transparent

  ASSERT_TRUE(IS40_OverlayRGBTrans(target.data(), 2, 1, 6, overlay.data(), 2, 1, 6, 0, 0, 1.0, 0x826946, 64, 0));
  EXPECT_EQ(target.at(1, 0)[0], 1);  // the bound itself is transparent
  ASSERT_TRUE(IS40_OverlayRGBTrans(target.data(), 2, 1, 6, overlay.data(), 2, 1, 6, 0, 0, 1.0, 0x826946, 0, 0));
  EXPECT_EQ(target.at(0, 0)[0], 1);
  EXPECT_EQ(target.at(1, 0)[0], 0x4E);  // tolerance 0: only the exact key is transparent
  EXPECT_EQ(target.at(1, 0)[2], 0x82);

  // Flag 2 swaps red and blue of the key before comparing.
  RgbPicture t2(1, 1, Rgb{9, 9, 9});
  RgbPicture o2(1, 1, Rgb{0x82, 0x69, 0x46});
  ASSERT_TRUE(IS40_OverlayRGBTrans(t2.data(), 1, 1, 3, o2.data(), 1, 1, 3, 0, 0, 1.0, 0x826946, 0, 2));
  EXPECT_EQ(t2.at(0, 0)[0], 9);
}

TEST(Overlay, OpacityBlendsAndTruncates) {
  // keep[i] = i * 0.75, take[i] = i * 0.25: 201 * 0.75 + 99 * 0.25 = 150.75 + 24.75 = 175.5 -> 175.
  RgbPicture target(1, 1, Rgb{201, 0, 255});
  RgbPicture overlay(1, 1, Rgb{99, 255, 0});
  ASSERT_TRUE(IS40_OverlayRGBTrans(target.data(), 1, 1, 3, overlay.data(), 1, 1, 3, 0, 0, 0.25, 0x946D4A, 64, 0));
  EXPECT_EQ(target.at(0, 0)[0], 175);
  EXPECT_EQ(target.at(0, 0)[1], 63);   // 63.75
  EXPECT_EQ(target.at(0, 0)[2], 191);  // 191.25

  // With 8-bit tables the products are truncated first: 150 + 24.
  RgbPicture t8(1, 1, Rgb{201, 0, 255});
  ASSERT_TRUE(IS40_OverlayRGBTrans(t8.data(), 1, 1, 3, overlay.data(), 1, 1, 3, 0, 0, 0.25, 0x946D4A, 64, 1));
  EXPECT_EQ(t8.at(0, 0)[0], 174);

  // Opacity is limited to 0 ... 1: above copies, below leaves the target.
  RgbPicture t1(1, 1, Rgb{201, 0, 255});
  ASSERT_TRUE(IS40_OverlayRGBTrans(t1.data(), 1, 1, 3, overlay.data(), 1, 1, 3, 0, 0, 2.0, 0x946D4A, 64, 0));
  EXPECT_EQ(t1.at(0, 0)[0], 99);
  EXPECT_EQ(t1.at(0, 0)[1], 255);
  ASSERT_TRUE(IS40_OverlayRGBTrans(t1.data(), 1, 1, 3, target.data(), 1, 1, 3, 0, 0, -1.0, 0x946D4A, 64, 0));
  EXPECT_EQ(t1.at(0, 0)[0], 99);
}

TEST(Overlay, ClipsAtEveryEdgeAndReadsOnlyTheVisiblePart) {
  // A 4 x 3 overlay whose pixels name their own position, placed at (-2, -1) on 5 x 5.
  RgbPicture overlay(4, 3, Rgb{0, 0, 0});
  for (uint32_t y = 0; y < 3; ++y)
    for (uint32_t x = 0; x < 4; ++x) overlay.at(x, y)[0] = BYTE(10 * y + x + 1), overlay.at(x, y)[1] = 200;
  RgbPicture target(5, 5, Rgb{0, 0, 0});
  ASSERT_TRUE(IS40_OverlayRGBTrans(target.data(), 5, 5, 15, overlay.data(), 4, 3, 12, -2, -1, 1.0, 0x946D4A, 0, 0));
  for (uint32_t y = 0; y < 5; ++y)
    for (uint32_t x = 0; x < 5; ++x) {
      BYTE want = (x < 2 && y < 2) ? BYTE(10 * (y + 1) + (x + 2) + 1) : 0;
      EXPECT_EQ(target.at(x, y)[0], want) << x << "," << y;
    }

  // Bottom-right corner: only the overlay's top-left pixel lands.
  RgbPicture t2(5, 5, Rgb{0, 0, 0});
  ASSERT_TRUE(IS40_OverlayRGBTrans(t2.data(), 5, 5, 15, overlay.data(), 4, 3, 12, 4, 4, 1.0, 0x946D4A, 0, 0));
  EXPECT_EQ(t2.at(4, 4)[0], 1);
  EXPECT_EQ(t2.at(3, 4)[0], 0);

  // Wholly outside, even at the extremes of x and y: success, nothing changes, the overlay
  // pointer is not even needed.
  RgbPicture t3(5, 5, Rgb{7, 7, 7});
  std::vector<BYTE> before = t3.bytes();
  EXPECT_TRUE(IS40_OverlayRGBTrans(t3.data(), 5, 5, 15, overlay.data(), 4, 3, 12, 5, 0, 1.0, 0, 0, 0));
  EXPECT_TRUE(IS40_OverlayRGBTrans(t3.data(), 5, 5, 15, overlay.data(), 4, 3, 12, -4, 0, 1.0, 0, 0, 0));
  EXPECT_TRUE(IS40_OverlayRGBTrans(t3.data(), 5, 5, 15, nullptr, 4, 3, 12, INT32_MIN, INT32_MIN, 1.0, 0, 0, 0));
  EXPECT_TRUE(IS40_OverlayRGBTrans(t3.data(), 5, 5, 15, overlay.data(), 0xFFFFFFFFu, 3, 12, INT32_MAX, 0, 1.0, 0, 0, 0));
  EXPECT_EQ(t3.bytes(), before);
  EXPECT_EQ(IS40_GetLastError(), 0);
}

TEST(Overlay, RefusesNullTargetAndSelfOverlay) {
  RgbPicture t(2, 2, Rgb{1, 1, 1});
  EXPECT_FALSE(IS40_OverlayRGBTrans(nullptr, 2, 2, 6, t.data(), 2, 2, 6, 0, 0, 1.0, 0, 0, 0));
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  EXPECT_FALSE(IS40_OverlayRGBTrans(t.data(), 2, 2, 6, t.data(), 2, 2, 6, 0, 0, 1.0, 0, 0, 0));
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  EXPECT_FALSE(IS40_OverlayRGBTrans(t.data(), 2, 2, 6, nullptr, 2, 2, 6, 0, 0, 1.0, 0, 0, 0));
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
}

TEST(Overlay, FourBytesPerPixelSkipTheFourthByte) {
  std::vector<BYTE> target = {1, 2, 3, 4, 5, 6, 7, 8};  // two pixels of 4 bytes
  std::vector<BYTE> overlay = {50, 60, 70, 80, 90, 100};  // two pixels of 3 bytes
  ASSERT_TRUE(IS40_OverlayRGBTrans(target.data(), 2, 1, 8, overlay.data(), 2, 1, 6, 0, 0, 1.0, 0x946D4A, 0, 4));
  EXPECT_EQ(target, (std::vector<BYTE>{50, 60, 70, 4, 80, 90, 100, 8}));
}

// ---- Fill ---------------------------------------------------------------------------------

std::vector<BYTE> filled(uint32_t w, uint32_t h, uint32_t bpp, uint32_t stride, RECT r, COLORREF c, DWORD flags,
                         BOOL* ok = nullptr) {
  std::vector<BYTE> img(size_t(stride) * h, 0xEE);
  BOOL result = IS40_FillSolidRect(img.data(), w, h, bpp, stride, &r, c, flags);
  if (ok) *ok = result;
  return img;
}

TEST(Fill, RightEdgeInclusiveBottomEdgeExclusive) {
  std::vector<BYTE> a = filled(10, 10, 3, 30, RECT{0, 0, 9, 10}, 0x00808080, 0);
  for (BYTE b : a) ASSERT_EQ(b, 0x80);
  // 11 columns cut to 10 by the edge; nothing is written beyond the picture (ASan watches).
  std::vector<BYTE> b = filled(10, 10, 3, 30, RECT{0, 0, 10, 10}, 0x00112233, 0);
  for (size_t i = 0; i < b.size(); i += 3) ASSERT_TRUE(b[i] == 0x33 && b[i + 1] == 0x22 && b[i + 2] == 0x11);

  // (2, 3, 4, 5): columns 2, 3, 4 of rows 3 and 4.
  std::vector<BYTE> c = filled(6, 6, 3, 18, RECT{2, 3, 4, 5}, 0x00030201, 0);
  for (uint32_t y = 0; y < 6; ++y)
    for (uint32_t x = 0; x < 6; ++x) {
      bool in = x >= 2 && x <= 4 && y >= 3 && y <= 4;
      const BYTE* p = &c[y * 18 + x * 3];
      if (in) EXPECT_TRUE(p[0] == 1 && p[1] == 2 && p[2] == 3) << x << "," << y;
      else EXPECT_TRUE(p[0] == 0xEE && p[1] == 0xEE && p[2] == 0xEE) << x << "," << y;
    }
}

TEST(Fill, EmptyAndOutsideRectanglesSucceedUnchanged) {
  const RECT cases[] = {{3, 0, 2, 5}, {0, 4, 5, 4}, {10, 0, 12, 5}, {0, 10, 5, 12}, {0, 0, -1, 5}};
  for (const RECT& r : cases) {
    BOOL ok = FALSE;
    std::vector<BYTE> img = filled(10, 10, 3, 30, r, 0, 0, &ok);
    EXPECT_TRUE(ok);
    for (BYTE b : img) ASSERT_EQ(b, 0xEE);
  }
  // Negative left and top are cut at the edge like the other sides.
  std::vector<BYTE> img = filled(4, 4, 1, 4, RECT{-3, -2, 1, 1}, 0x55, 0);
  EXPECT_EQ(img, (std::vector<BYTE>{0x55, 0x55, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE,  //
                                    0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST(Fill, ByteOrderFlagsFourthByteAndPadding) {
  std::vector<BYTE> bgr = filled(2, 1, 3, 6, RECT{0, 0, 1, 1}, 0x00332211, 1);
  EXPECT_EQ(bgr, (std::vector<BYTE>{0x33, 0x22, 0x11, 0x33, 0x22, 0x11}));
  std::vector<BYTE> four = filled(1, 1, 4, 4, RECT{0, 0, 0, 1}, 0x44332211, 0);
  EXPECT_EQ(four, (std::vector<BYTE>{0x11, 0x22, 0x33, 0x44}));
  // A grey colour with a different top byte is not a byte fill for 4 bytes per pixel.
  std::vector<BYTE> grey4 = filled(2, 1, 4, 8, RECT{0, 0, 1, 1}, 0x00808080, 0);
  EXPECT_EQ(grey4, (std::vector<BYTE>{0x80, 0x80, 0x80, 0, 0x80, 0x80, 0x80, 0}));
  // A padded stride: the padding survives even a whole-picture grey fill.
  std::vector<BYTE> padded = filled(2, 2, 3, 8, RECT{0, 0, 1, 2}, 0x00101010, 0);
  EXPECT_EQ(padded, (std::vector<BYTE>{0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0xEE, 0xEE,  //
                                       0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0xEE, 0xEE}));
}

TEST(Fill, RefusesBadBytesPerPixelAndNullImage) {
  BOOL ok = TRUE;
  std::vector<BYTE> img = filled(2, 2, 2, 4, RECT{0, 0, 1, 1}, 0, 0, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  for (BYTE b : img) ASSERT_EQ(b, 0xEE);
  RECT r{0, 0, 1, 1};
  EXPECT_FALSE(IS40_FillSolidRect(nullptr, 2, 2, 3, 6, &r, 0, 0));
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
}

}  // namespace
