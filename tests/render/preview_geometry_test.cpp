// The preview's size in its control and the sample sheet's place on it, on example screens
// worked out by hand, and the sizes that leave nothing to divide by.
#include "render/preview_geometry.h"

#include <gtest/gtest.h>

namespace {

TEST(PreviewGeometry, TakesTheScreensProportionsInsideTheControl) {
  // Wide enough: the control's width, 256 * 768 / 1024 rows.
  PreviewGeometry g = computePreviewGeometry(256, 300, 1024, 768, 50, 30, 0);
  EXPECT_EQ(g.width, 256);
  EXPECT_EQ(g.height, 192);
  // Too low for that: the control's height, trunc(100 * 1024 / 768) columns.
  g = computePreviewGeometry(300, 100, 1024, 768, 50, 30, 0);
  EXPECT_EQ(g.width, 133);
  EXPECT_EQ(g.height, 100);
  // 16:9 in a 4:3 control: trunc(200 * 900 / 1600) = 112.
  g = computePreviewGeometry(200, 150, 1600, 900, 50, 30, 0);
  EXPECT_EQ(g.width, 200);
  EXPECT_EQ(g.height, 112);
}

TEST(PreviewGeometry, SheetStandsWhereTheWallpaperHasIt) {
  // 1024 x 768, margins 50/30/0, preview 256 wide (a quarter): the grid starts at
  // X0 = 50 + 37 = 87, Y0 = 30 + 30 = 60; column 7 must end on the screen, so the cell is
  // (1024 - 87) / 7 = 133 wide and trunc(133 * 0.86486486) = 115 high.
  PreviewGeometry g = computePreviewGeometry(256, 300, 1024, 768, 50, 30, 0);
  ASSERT_TRUE(g.sheet);
  EXPECT_EQ(g.x, 21);            // trunc(87 / 4)
  EXPECT_EQ(g.y, 15);            // 60 / 4
  EXPECT_EQ(g.sheetWidth, 232);  // trunc(7 * 133 / 4)
  EXPECT_EQ(g.sheetHeight, 172); // trunc(6 * 115 / 4)

  // A taskbar line at 700 lifts the six rows above it: the sheet ends above 700 / 4 = 175.
  g = computePreviewGeometry(256, 300, 1024, 768, 50, 30, 0, 700);
  ASSERT_TRUE(g.sheet);
  EXPECT_LE(g.y + g.sheetHeight, 175);
  EXPECT_LT(g.sheetWidth, 232);
}

TEST(PreviewGeometry, SheetStaysOnThePreviewForAnyMargins) {
  for (int left : {-500, 0, 50, 170, 5000})
    for (int top : {-1, 0, 30, 128, 900})
      for (int right : {-20, 0, 170, 4000}) {
        PreviewGeometry g = computePreviewGeometry(250, 250, 1024, 768, left, top, right);
        ASSERT_EQ(g.width, 250);
        ASSERT_TRUE(g.sheet) << left << " " << top << " " << right;
        EXPECT_GE(g.x, 0);
        EXPECT_GE(g.y, 0);
        EXPECT_LE(g.x + g.sheetWidth, g.width) << left << " " << top << " " << right;
        EXPECT_LE(g.y + g.sheetHeight, g.height) << left << " " << top << " " << right;
      }
  // Moving the left margin moves the sheet to the right.
  EXPECT_LT(computePreviewGeometry(250, 250, 1024, 768, 0, 30, 0).x,
            computePreviewGeometry(250, 250, 1024, 768, 170, 30, 0).x);
}

TEST(PreviewGeometry, NothingToDivideByGivesNoPreview) {
  for (auto size : {std::pair<int, int>{0, 0}, {0, 200}, {200, 0}, {-5, 100}, {100, -5}}) {
    PreviewGeometry g = computePreviewGeometry(size.first, size.second, 1024, 768, 50, 30, 0);
    EXPECT_EQ(g.width, 0);
    EXPECT_EQ(g.height, 0);
    EXPECT_FALSE(g.sheet);
  }
  PreviewGeometry g = computePreviewGeometry(200, 200, 0, 768, 50, 30, 0);
  EXPECT_EQ(g.width, 0);
  g = computePreviewGeometry(200, 200, 1024, 0, 50, 30, 0);
  EXPECT_EQ(g.width, 0);
  // A screen so wide that the preview would have no rows.
  g = computePreviewGeometry(100, 100, 100000, 10, 50, 30, 0);
  EXPECT_EQ(g.width, 0);
  EXPECT_EQ(g.height, 0);
}

TEST(PreviewGeometry, APreviewTooSmallForTheSheetShowsTheBackgroundAlone) {
  // One column of a 768 x 1024 screen: one preview pixel is 768 screen pixels, the sheet's
  // 7 x 98 by 6 x 84 pixels come to less than one.
  PreviewGeometry g = computePreviewGeometry(1, 100, 768, 1024, 50, 30, 0);
  EXPECT_EQ(g.width, 1);
  EXPECT_EQ(g.height, 1);
  EXPECT_FALSE(g.sheet);
  EXPECT_EQ(g.sheetWidth, 0);
  EXPECT_EQ(g.sheetHeight, 0);
}

}  // namespace
