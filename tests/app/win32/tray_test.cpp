// The day icons as the platform makes them (under Wine): sizes, colours and masks.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "app/day_icon.h"
#include "app/win32/program.h"
#include "app/win32/tray.h"

namespace {

struct IconPixels {
  int width = 0, height = 0;
  std::vector<BYTE> colour;  // B, G, R, x per pixel, top-down
  std::vector<BYTE> mask;    // one byte per pixel: 0 opaque
};

IconPixels readIcon(HICON icon) {
  IconPixels p;
  ICONINFO info;
  if (!GetIconInfo(icon, &info)) return p;
  BITMAP bm;
  GetObjectA(info.hbmColor, sizeof bm, &bm);
  p.width = bm.bmWidth;
  p.height = bm.bmHeight;
  HDC dc = GetDC(nullptr);
  BITMAPINFO bi;
  ZeroMemory(&bi, sizeof bi);
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = p.width;
  bi.bmiHeader.biHeight = -p.height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  p.colour.resize(static_cast<size_t>(p.width) * p.height * 4);
  GetDIBits(dc, info.hbmColor, 0, p.height, p.colour.data(), &bi, DIB_RGB_COLORS);
  std::vector<BYTE> maskBits(p.colour.size());
  GetDIBits(dc, info.hbmMask, 0, p.height, maskBits.data(), &bi, DIB_RGB_COLORS);
  for (size_t i = 0; i < maskBits.size(); i += 4) p.mask.push_back(maskBits[i] | maskBits[i + 1] | maskBits[i + 2]);
  ReleaseDC(nullptr, dc);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return p;
}

int countWhere(const IconPixels& p, bool (*test)(BYTE r, BYTE g, BYTE b)) {
  int n = 0;
  for (size_t i = 0; i + 3 < p.colour.size(); i += 4) n += test(p.colour[i + 2], p.colour[i + 1], p.colour[i]);
  return n;
}

TEST(TrayIcons, SmallDayIconIsOpaqueYellowWithRedOrBlackDigits) {
  HICON sunday = MakeSmallDayIcon(28, 16, 16, kSmallIconBackground, dayNumberColour(0));
  ASSERT_NE(sunday, nullptr);
  IconPixels p = readIcon(sunday);
  DestroyIcon(sunday);
  EXPECT_EQ(p.width, 16);
  EXPECT_EQ(p.height, 16);
  for (BYTE m : p.mask) ASSERT_EQ(m, 0) << "the mask must be all zero";
  EXPECT_GT(countWhere(p, [](BYTE r, BYTE g, BYTE b) { return r == 255 && g == 255 && b == 0; }), 100);
  EXPECT_GT(countWhere(p, [](BYTE r, BYTE g, BYTE b) { return r > 200 && g < 80 && b < 80; }), 8);
  EXPECT_EQ(countWhere(p, [](BYTE r, BYTE g, BYTE b) { return r < 60 && g < 60 && b < 60; }), 0);

  HICON wednesday = MakeSmallDayIcon(28, 16, 16, kSmallIconBackground, dayNumberColour(3));
  ASSERT_NE(wednesday, nullptr);
  p = readIcon(wednesday);
  DestroyIcon(wednesday);
  EXPECT_GT(countWhere(p, [](BYTE r, BYTE g, BYTE b) { return r < 60 && g < 60 && b < 60; }), 8);
  EXPECT_EQ(countWhere(p, [](BYTE r, BYTE g, BYTE b) { return r > 200 && g < 80 && b < 80; }), 0);

  HICON larger = MakeSmallDayIcon(5, 24, 24, kSmallIconBackground, 0);
  ASSERT_NE(larger, nullptr);
  p = readIcon(larger);
  DestroyIcon(larger);
  EXPECT_EQ(p.width, 24);
  EXPECT_EQ(MakeSmallDayIcon(5, 0, 0, kSmallIconBackground, 0), nullptr);
}

TEST(TrayIcons, DayIconOnTheCalendarPicture) {
  programInstance = GetModuleHandleA(nullptr);
  if (!FindResourceA(programInstance, "ICON_KAL", "BITMAPI")) GTEST_SKIP() << "pictures not linked";
  HICON red = MakeDayIcon(31, dayNumberColour(6));
  ASSERT_NE(red, nullptr);
  IconPixels p = readIcon(red);
  DestroyIcon(red);
  EXPECT_EQ(p.width, 32);
  EXPECT_EQ(p.height, 32);
  // The number sits in the box (6, 7)-(26, 27): red pixels there, none far outside it.
  int inside = 0, outside = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const BYTE* px = &p.colour[(y * 32 + x) * 4];
      bool isRed = px[2] > 200 && px[1] < 90 && px[0] < 90;
      if (!isRed) continue;
      if (x >= 2 && x < 30 && y >= 5 && y < 29) ++inside; else ++outside;
    }
  EXPECT_GT(inside, 10);
  EXPECT_EQ(outside, 0);
}

}  // namespace
