// Every PSD picture decodes with the program's own reader to its stated size; cell tiles
// leave their day number's corner to the key colour and cover at most half of the cell; the
// day icon's page and mask fit together.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "imaging/image_reader.h"
#include "tests/resources/decoded_pictures.h"
#include "tests/resources/expected_resources.h"
#include "tests/resources/resource_bytes.h"

TEST(PictureDecoding, EveryPsdDecodesToItsSize) {
  for (const ExpectedResource& e : expectedResources()) {
    if (!isPsd(e.form)) continue;
    SCOPED_TRACE(e.name);
    DecodedPicture d = decodePsdResource(e.type, e.name);
    ASSERT_TRUE(d.ok);
    if (e.form == Form::Preview) {
      EXPECT_EQ(d.width, 578u);
      EXPECT_EQ(d.height, 416u);
    } else {
      EXPECT_TRUE(d.width == 296u || (e.form == Form::MonthTile && d.width == 292u)) << d.width;
      EXPECT_EQ(d.height, 256u);
    }
    // The reader takes the whole resource: nothing is left over or missing.
    EXPECT_EQ(d.consumed, d.size);
  }
}

// A day number starts about 24 tile pixels left of and above its cell and, in the default font,
// reaches at most 64 x 28 of a tile's 296 x 256 pixels into it, shadow included (a 1024 x 768
// screen; 46 x 14 at 1280 x 1024, 22 x 8 at 1920 x 1080). Today's carries an asterisk: "28*"
// reaches 98 x 28. With some room:
constexpr DWORD kNumberReachX = 72, kTodayReachX = 104, kNumberReachY = 36;

// Decorative and edge tiles never stand in today's cell; the other pictures may.
bool mayStandOnToday(const ExpectedResource& e) {
  const std::string& n = e.name;
  bool decorative = n == "ER" || n == "EU" || (n.size() == 4 && n[0] == 'E' && std::isdigit(static_cast<unsigned char>(n[1])));
  return !decorative;
}

TEST(PictureDecoding, CellTilesKeepTheDayNumberFreeAndCoverAtMostHalf) {
  for (const ExpectedResource& e : expectedResources()) {
    if (e.form != Form::CellTile && e.form != Form::MonthTile) continue;
    SCOPED_TRACE(e.name);
    DecodedPicture d = decodePsdResource(e.type, e.name);
    ASSERT_TRUE(d.ok);
    DWORD reachX = mayStandOnToday(e) ? kTodayReachX : kNumberReachX;
    size_t numberOff = 0, covered = 0;
    for (DWORD y = 0; y < d.height; ++y) {
      for (DWORD x = 0; x < d.width; ++x) {
        const uint8_t* px = &d.rgb[(size_t(y) * d.width + x) * 3];
        if (x < reachX && y < kNumberReachY && keyDistance(px, kCellKey) != 0) ++numberOff;
        if (keyDistance(px, kCellKey) > kCellTolerance) ++covered;
      }
    }
    EXPECT_EQ(numberOff, 0u) << "pixels over the own day number that are not the key colour";
    EXPECT_LE(covered * 2, size_t(d.width) * d.height) << "opaque pixels";
    // Only the plain tile may be (almost) empty.
    if (e.name != "E000") {
      EXPECT_GT(covered, size_t(d.width) * d.height / 50);
    }
  }
}

// Day numbers start dx = 12/1024 of the screen width left of and dy = 16/768 of its height
// above their cell, with cells a seventh of the screen (less the margins) wide: some 26 of a
// tile's 296 x 256 pixels on every screen. So a number reaches into the cell to its left
// (top-right corner), the cell above (bottom-left) and the one up-left (bottom-right corner),
// as far down and right as it reaches into its own. Tiles are laid over the numbers; a tile
// with a neighbour there must leave those spots free.
TEST(PictureDecoding, InteriorTilesLeaveTheNeighboursNumbersFree) {
  struct Spot {
    const char* what;
    DWORD x0, y0, x1, y1;
    bool rightNeighbour, lowerNeighbour;  // needs a neighbour to the right / below
  };
  const Spot spots[] = {
      {"number of the cell to the right", 270, 0, 296, kNumberReachY, true, false},
      {"number of the cell below", 0, 230, kTodayReachX, 256, false, true},
      {"number of the cell down-right", 270, 230, 296, 256, true, true},
  };
  int checked = 0;
  for (const ExpectedResource& e : expectedResources()) {
    if (e.form != Form::CellTile && e.form != Form::MonthTile) continue;
    // The position letter: R right column, U bottom row, E corner, A interior.
    const std::string& n = e.name;
    char position = 'A';
    if (n == "ER") position = 'R';
    else if (n == "EU") position = 'U';
    else if (n.rfind("MON", 0) == 0) position = n[5];
    else if (n.rfind("ALARM_", 0) == 0) position = n[6] == 'X' ? 'A' : n[6];
    else if (n[0] != 'E' && (n.back() == 'R' || n.back() == 'U' || n.back() == 'E')) position = n.back();
    bool right = position != 'R' && position != 'E';
    bool below = position != 'U' && position != 'E';
    DecodedPicture d = decodePsdResource(e.type, e.name);
    ASSERT_TRUE(d.ok) << e.name;
    for (const Spot& s : spots) {
      if ((s.rightNeighbour && !right) || (s.lowerNeighbour && !below)) continue;
      size_t covered = 0;
      for (DWORD y = s.y0; y < s.y1; ++y)
        for (DWORD x = s.x0; x < s.x1; ++x) covered += keyDistance(&d.rgb[(size_t(y) * d.width + x) * 3], kCellKey) > kCellTolerance;
      EXPECT_EQ(covered, 0u) << e.name << " covers the " << s.what;
      ++checked;
    }
  }
  EXPECT_EQ(checked, 138 * 3 + 49 + 44);  // interior tiles, right column, bottom row
}

TEST(PictureDecoding, PreviewSheetStandsOnItsKeyColour) {
  DecodedPicture d = decodePsdResource("PREV", "PREV");
  ASSERT_TRUE(d.ok);
  size_t covered = 0;
  for (size_t i = 0; i < d.rgb.size(); i += 3) covered += keyDistance(&d.rgb[i], kPreviewKey) > kPreviewTolerance;
  // A sheet of numbers: clearly something, clearly not a full picture.
  EXPECT_GT(covered, d.rgb.size() / 3 / 20);
  EXPECT_LT(covered, d.rgb.size() / 3 / 2);
  // The corners are ground, so the sheet's placement shows no frame.
  for (size_t i : {size_t(0), size_t(d.width - 1), size_t(d.width) * (d.height - 1), size_t(d.width) * d.height - 1})
    EXPECT_EQ(keyDistance(&d.rgb[i * 3], kPreviewKey), 0u) << i;
}

TEST(PictureDecoding, DayIconPageAndMaskFitTogether) {
  const unsigned char* kal = nullptr;
  unsigned long kalSize = 0;
  ASSERT_TRUE(findResourceBytes("BITMAPI", "ICON_KAL", &kal, &kalSize));
  ISSource source = IS40_OpenMemorySource(kal, static_cast<DWORD>(kalSize));
  ASSERT_NE(source, nullptr);
  DWORD w = 0, h = 0;
  OwnedBlock pageBlock(IS40_ReadImage(source, &w, &h, 0, 0));
  BYTE* page = pageBlock.get();
  IS40_CloseSource(source);
  ASSERT_NE(page, nullptr);
  ASSERT_EQ(w, 32u);
  ASSERT_EQ(h, 32u);
  auto pagePixel = [&](int x, int y) { return &page[(size_t(y) * 32 + x) * 3]; };

  const unsigned char* mask = nullptr;
  unsigned long maskSize = 0;
  ASSERT_TRUE(findResourceBytes("BITMAP", "ICON_MSK", &mask, &maskSize));
  ASSERT_GE(maskSize, 40u + 8 + 32 * 4);
  // Packed DIB, bottom-up rows of 4 bytes; a set bit is transparent.
  auto transparent = [&](int x, int y) { return (mask[48 + (31 - y) * 4 + x / 8] >> (7 - x % 8)) & 1; };

  // The box for the day number is one light, even colour and opaque.
  const uint8_t* first = pagePixel(6, 7);
  EXPECT_GT(int(first[0]) + first[1] + first[2], 3 * 200);
  for (int y = 7; y < 27; ++y) {
    for (int x = 6; x < 26; ++x) {
      EXPECT_EQ(std::vector<uint8_t>(pagePixel(x, y), pagePixel(x, y) + 3), std::vector<uint8_t>(first, first + 3))
          << x << "," << y;
      EXPECT_FALSE(transparent(x, y)) << x << "," << y;
    }
  }
  // Where the mask lets the desktop through, the colour bitmap is black, so the screen is
  // neither tinted nor inverted there.
  int clear = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if (transparent(x, y)) {
        ++clear;
        EXPECT_EQ(int(pagePixel(x, y)[0]) + pagePixel(x, y)[1] + pagePixel(x, y)[2], 0) << x << "," << y;
      }
  EXPECT_GT(clear, 0);  // the page has a shape of its own, not a full square
}
