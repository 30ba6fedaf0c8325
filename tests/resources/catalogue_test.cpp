// Every resource the program looks up exists with its type, size, depth and format: in the
// manifest, and through findResourceBytes (natively the generator's files, under Wine the
// resources compiled into this test program).
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "platform/resources.h"
#include "tests/resources/expected_resources.h"
#include "tests/resources/resource_bytes.h"

namespace {

// What a header says, for the messages.
struct Shape {
  uint32_t width = 0, height = 0, bits = 0;
};

// A PSD as the program's reader expects it: RGB, 8 bits, 3 channels, RLE, each row's
// PackBits data filling its width exactly.
::testing::AssertionResult isRlePsd(const unsigned char* p, size_t size, Shape& shape) {
  if (size < 26 || std::string(reinterpret_cast<const char*>(p), 4) != "8BPS" || be16(p + 4) != 1)
    return ::testing::AssertionFailure() << "no PSD signature";
  uint32_t channels = be16(p + 12);
  shape.height = be32(p + 14);
  shape.width = be32(p + 18);
  shape.bits = be16(p + 22);
  if (channels != 3 || shape.bits != 8 || be16(p + 24) != 3)
    return ::testing::AssertionFailure() << channels << " channels, depth " << shape.bits << ", mode " << be16(p + 24);
  size_t pos = 26;
  for (int section = 0; section < 3; ++section) {  // colour mode data, resources, layers
    if (pos + 4 > size) return ::testing::AssertionFailure() << "cut in section " << section;
    pos += 4 + be32(p + pos);
  }
  if (pos + 2 > size || be16(p + pos) != 1) return ::testing::AssertionFailure() << "not RLE";
  pos += 2;
  size_t rows = size_t(3) * shape.height;
  if (pos + 2 * rows > size) return ::testing::AssertionFailure() << "row table cut";
  size_t data = pos + 2 * rows;
  for (size_t r = 0; r < rows; ++r) {
    size_t count = be16(p + pos + 2 * r), end = data + count, filled = 0;
    if (end > size) return ::testing::AssertionFailure() << "row " << r << " runs past the end";
    for (size_t q = data; q < end;) {
      int h = static_cast<signed char>(p[q++]);
      if (h >= 0) {
        filled += size_t(h) + 1;
        q += size_t(h) + 1;
        if (q > end) return ::testing::AssertionFailure() << "literal run past row " << r;
      } else if (h != -128) {
        filled += size_t(1 - h);
        if (++q > end) return ::testing::AssertionFailure() << "repeat run past row " << r;
      }
    }
    if (filled != shape.width) return ::testing::AssertionFailure() << "row " << r << " fills " << filled;
    data = end;
  }
  if (data != size) return ::testing::AssertionFailure() << (size - data) << " bytes after the rows";
  return ::testing::AssertionSuccess();
}

// A packed DIB (bitmap resource bytes): header, colour table, bottom-up rows.
::testing::AssertionResult isPackedDib(const unsigned char* p, size_t size, Shape& shape) {
  if (size < 40 || le32(p) != 40) return ::testing::AssertionFailure() << "no BITMAPINFOHEADER";
  int32_t w = les32(p + 4), h = les32(p + 8);
  shape.bits = le16(p + 14);
  if (w <= 0 || h <= 0 || le16(p + 12) != 1 || le32(p + 16) != 0)
    return ::testing::AssertionFailure() << "size " << w << "x" << h << ", compression " << le32(p + 16);
  shape.width = uint32_t(w);
  shape.height = uint32_t(h);
  uint32_t colours = le32(p + 32);
  if (colours == 0 && shape.bits <= 8) colours = 1u << shape.bits;
  size_t stride = ((size_t(shape.width) * shape.bits + 31) / 32) * 4;
  size_t need = 40 + 4 * size_t(colours) + stride * shape.height;
  if (size < need) return ::testing::AssertionFailure() << size << " bytes, need " << need;
  return ::testing::AssertionSuccess();
}

// Icon sizes from an .ico file (native store) or an icon group directory (Windows).
::testing::AssertionResult iconSizes(const unsigned char* p, size_t size, std::vector<uint32_t>& sizes) {
  if (size < 6 || le16(p) != 0 || le16(p + 2) != 1) return ::testing::AssertionFailure() << "no icon directory";
  size_t count = le16(p + 4);
  size_t stride = size == 6 + 14 * count ? 14 : 16;
  if (size < 6 + stride * count) return ::testing::AssertionFailure() << "directory cut";
  for (size_t i = 0; i < count; ++i) {
    const unsigned char* e = p + 6 + stride * i;
    if (e[0] != e[1]) return ::testing::AssertionFailure() << "icon image not square";
    if (le16(e + 6) != 32) return ::testing::AssertionFailure() << "icon image of " << le16(e + 6) << " bits";
    sizes.push_back(e[0] ? e[0] : 256);
  }
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(ResourceManifest, ListsExactlyTheResourcesTheProgramUses) {
  bool ok = false;
  std::vector<ManifestRow> rows = readManifest(artDir(), &ok);
  ASSERT_TRUE(ok) << "no manifest in " << artDir();
  std::map<std::pair<std::string, std::string>, std::string> listed;
  for (const ManifestRow& r : rows) {
    EXPECT_FALSE(r.file.empty()) << "malformed row for " << r.name;
    EXPECT_TRUE(listed.emplace(std::make_pair(r.type, r.name), r.file).second) << r.name << " listed twice";
  }
  std::set<std::pair<std::string, std::string>> wanted;
  for (const ExpectedResource& e : expectedResources()) {
    wanted.insert({e.type, e.name});
    auto it = listed.find({e.type, e.name});
    if (it == listed.end()) {
      ADD_FAILURE() << e.type << " " << e.name << " missing from the manifest";
      continue;
    }
    EXPECT_FALSE(readFileBytes(artDir() + "/" + it->second).empty()) << it->second;
  }
  for (const auto& entry : listed)
    EXPECT_TRUE(wanted.count(entry.first)) << "unexpected " << entry.first.first << " " << entry.first.second;
  EXPECT_EQ(wanted.size(), 356u);  // 308 PSD pictures, 23 bitmaps, the day page, 24 icons
}

TEST(ResourceLookup, EveryResourceHasItsFormat) {
  int psd = 0, bitmaps = 0, icons = 0;
  for (const ExpectedResource& e : expectedResources()) {
    SCOPED_TRACE(e.type + " " + e.name);
    const unsigned char* p = nullptr;
    unsigned long size = 0;
    ASSERT_TRUE(findResourceBytes(e.type.c_str(), e.name.c_str(), &p, &size));
    ASSERT_NE(p, nullptr);
    Shape s;
    switch (e.form) {
      case Form::CellTile:
      case Form::AlarmPicture:
        ASSERT_TRUE(isRlePsd(p, size, s));
        EXPECT_EQ(s.width, 296u);
        EXPECT_EQ(s.height, 256u);
        ++psd;
        break;
      case Form::MonthTile:
        ASSERT_TRUE(isRlePsd(p, size, s));
        EXPECT_TRUE(s.width == 296u || s.width == 292u) << s.width;
        EXPECT_EQ(s.height, 256u);
        ++psd;
        break;
      case Form::Preview:
        ASSERT_TRUE(isRlePsd(p, size, s));
        EXPECT_EQ(s.width, 578u);
        EXPECT_EQ(s.height, 416u);
        ++psd;
        break;
      case Form::Background:
      case Form::Bitmap24:
      case Form::Busy:
        ASSERT_TRUE(isPackedDib(p, size, s));
        EXPECT_EQ(s.bits, 24u);
        if (e.form == Form::Busy) {
          EXPECT_EQ(s.width, 272u);
          EXPECT_EQ(s.height, 166u);
        }
        if (e.form == Form::Background) {
          EXPECT_TRUE(s.width >= 16 && s.width <= 200 && s.height >= 11 && s.height <= 140)
              << s.width << "x" << s.height;
        }
        ++bitmaps;
        break;
      case Form::DayMask:
        ASSERT_TRUE(isPackedDib(p, size, s));
        EXPECT_EQ(s.width, 32u);
        EXPECT_EQ(s.height, 32u);
        EXPECT_EQ(s.bits, 1u);
        // Colour 0 black and 1 white: a set bit is a transparent pixel of the icon.
        EXPECT_EQ(le32(p + 40), 0x000000u);
        EXPECT_EQ(le32(p + 44), 0xFFFFFFu);
        ++bitmaps;
        break;
      case Form::DayPage:
        // A whole BMP file, not a bitmap resource.
        ASSERT_GE(size, 1078u + 32 * 32);
        EXPECT_EQ(p[0], 'B');
        EXPECT_EQ(p[1], 'M');
        EXPECT_EQ(le32(p + 2), size);
        EXPECT_EQ(le32(p + 10), 1078u);
        ASSERT_TRUE(isPackedDib(p + 14, size - 14, s));
        EXPECT_EQ(s.width, 32u);
        EXPECT_EQ(s.height, 32u);
        EXPECT_EQ(s.bits, 8u);
        EXPECT_TRUE(le32(p + 46) == 256u || le32(p + 46) == 0u) << le32(p + 46);
        EXPECT_EQ(size, 1078u + 32 * 32);
        ++bitmaps;
        break;
      case Form::Icon:
      case Form::Icon96: {
        std::vector<uint32_t> sizes;
        ASSERT_TRUE(iconSizes(p, size, sizes));
        std::set<uint32_t> got(sizes.begin(), sizes.end());
        std::set<uint32_t> want{16, 32, 48};
        if (e.form == Form::Icon96) want.insert(96);
        EXPECT_EQ(got, want);
        EXPECT_EQ(sizes.size(), want.size());
        ++icons;
        break;
      }
    }
  }
  EXPECT_EQ(psd, 308);
  EXPECT_EQ(bitmaps, 24);
  EXPECT_EQ(icons, 24);
}

TEST(ResourceLookup, NamesAndTypesAreMatchedWithoutCase) {
  const unsigned char *a = nullptr, *b = nullptr;
  unsigned long sa = 0, sb = 0;
  ASSERT_TRUE(findResourceBytes("RASTER", "MON04A_OS", &a, &sa));
  ASSERT_TRUE(findResourceBytes("raster", "mon04a_os", &b, &sb));
  EXPECT_EQ(a, b);
  EXPECT_EQ(sa, sb);
  ASSERT_TRUE(findResourceBytes("icon", "hot-k", &b, &sb));
}

TEST(ResourceLookup, MissingNamesAndWrongTypesAreNotFound) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>("x");
  unsigned long size = 7;
  // Names the loaders can form but the set does not hold.
  for (const char* name : {"E093", "MON03A_OS", "MON03R_OS", "ALARM_X00", "ALARM_P29", "HG020"}) {
    EXPECT_FALSE(findResourceBytes(name[0] == 'H' ? "BITMAP" : (name[0] == 'A' ? "ALARM" : "RASTER"), name, &p, &size))
        << name;
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(size, 0u);
  }
  EXPECT_FALSE(findResourceBytes("ALARM", "E001", &p, &size));   // right name, wrong type
  EXPECT_FALSE(findResourceBytes("BITMAP", "ICON_KAL", &p, &size));
  EXPECT_FALSE(findResourceBytes("RASTER", "", &p, &size));
  EXPECT_FALSE(findResourceBytes(nullptr, "E001", &p, &size));
  EXPECT_FALSE(findResourceBytes("RASTER", nullptr, &p, &size));
}
