#include "imaging/psd_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "imaging/frame.h"
#include "imaging/owned_block.h"
#include "imaging/sources.h"
#include "psd_builder.h"
#include "test_pictures.h"

namespace {

DecodedPicture readPsd(const Bytes& file, DWORD bitsPerPixel = 24, BYTE* palette = nullptr) {
  return decodeFromMemory(
      file,
      [&](ISSource s, DWORD* w, DWORD* h) { return IS40_ReadPSD(s, w, h, bitsPerPixel, palette, 0); },
      bitsPerPixel == 8 ? 1 : 3);
}

// Collects the decoders' trace lines while alive.
class TraceLines {
 public:
  TraceLines() { setTraceSinkForTests(&TraceLines::sink); lines().clear(); }
  ~TraceLines() { setTraceSinkForTests(nullptr); }
  static std::vector<std::string>& lines() {
    static std::vector<std::string> all;
    return all;
  }
  bool contains(const std::string& line) const {
    for (const std::string& l : lines())
      if (l == line) return true;
    return false;
  }

 private:
  static void sink(const char* line) { lines().push_back(line); }
};

std::atomic<int> heapRequests{0};
HGLOBAL countingAlloc(UINT flags, SIZE_T bytes) {
  ++heapRequests;
  return GlobalAlloc(flags, bytes);
}

// A 3-channel RLE picture whose rows are given as compressed bytes per (channel, row).
PsdFile rlePicture(uint32_t width, uint32_t height, const std::vector<Bytes>& rows,
                   uint32_t channels = 3) {
  PsdFile f;
  f.width = width;
  f.height = height;
  f.channels = channels;
  f.compression = 1;
  f.imageData = rleImageData(rows);
  return f;
}

Bytes repeat(uint8_t value, int count) { return Bytes{uint8_t(257 - count), value}; }

}  // namespace

TEST(PsdReader, DecodesWhatImageMagickWroteAsTheIndependentDecoderReadsIt) {
  std::vector<TestPicture> pictures = testPictures("psd_");
  ASSERT_GE(pictures.size(), 17u) << "pictures missing in " << QUENDLER_TEST_PICTURES;
  for (const TestPicture& p : pictures) {
    SCOPED_TRACE(p.name);
    Bytes file = readFileBytes(p.file);
    DecodedPicture d = readPsd(file);
    ASSERT_TRUE(d.ok) << "error " << d.error;
    EXPECT_EQ(d.error, 0);
    EXPECT_EQ(d.width, p.width);
    EXPECT_EQ(d.height, p.height);
    EXPECT_TRUE(d.pixels == expectedPixels(p));
    // The composite is the last thing in the file: the reader has consumed all of it, but
    // for the alpha plane, which it does not read.
    if (p.name.find("rgba") == std::string::npos)
      EXPECT_EQ(d.consumed, file.size());
    else
      EXPECT_LT(d.consumed, file.size());
  }
}

TEST(PsdReader, RleRowsAreCutAtTheWidthOrLeftShortAndDecodingGoesOn) {
  TraceLines trace;
  // Width 4. Red row 0 yields 7 pixels from a repeat, red row 1 ends after 2 pixels; green
  // row 0 yields 5 from a literal; a -128 header in blue row 1 is skipped.
  std::vector<Bytes> rows = {
      {0xFB, 0x11, 0x00, 0x99},        // red 0: 6 × 0x11, then a literal that is ignored
      {0x01, 0x21, 0x22},              // red 1: two pixels only
      {0x04, 1, 2, 3, 4, 5},           // green 0: five literal bytes
      repeat(0x40, 4),                 // green 1
      repeat(0x50, 4),                 // blue 0
      {0x80, 0x03, 7, 8, 9, 10, 0x80}, // blue 1: skipped headers around a literal
  };
  DecodedPicture d = readPsd(rlePicture(4, 2, rows).bytes());
  ASSERT_TRUE(d.ok) << d.error;
  Bytes expected = {0x11, 1, 0x50, 0x11, 2, 0x50, 0x11, 3, 0x50, 0x11, 4, 0x50,
                    0x21, 0x40, 7,    0x22, 0x40, 8,    0,    0x40, 9, 0,    0x40, 10};
  EXPECT_EQ(d.pixels, expected);
  EXPECT_TRUE(trace.contains("RLE Row Size Mismatch in PSD decode [1].\n"));
  EXPECT_TRUE(trace.contains("RLE Row Size Mismatch in PSD decode [2].\n"));
}

TEST(PsdReader, AnAlphaChannelIsNeitherReadNorNeeded) {
  const uint32_t w = 5, h = 3;
  Bytes rgba;
  for (uint32_t i = 0; i < w * h; ++i) {
    uint8_t px[4] = {uint8_t(i * 17), uint8_t(200 - i), uint8_t(i < 7 ? 9 : 250), uint8_t(i)};
    rgba.insert(rgba.end(), px, px + 4);
  }
  Bytes rgb;
  for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), &rgba[i], &rgba[i] + 3);
  PsdFile f;
  f.width = w;
  f.height = h;
  f.channels = 4;
  f.compression = 1;
  f.imageData = rlePlanes(rgba, w, h, 4);
  DecodedPicture withAlpha = readPsd(f.bytes());
  ASSERT_TRUE(withAlpha.ok);
  EXPECT_EQ(withAlpha.pixels, rgb);
  // The alpha rows may even be missing from the file.
  Bytes cut = f.bytes();
  cut.resize(cut.size() - 4);
  EXPECT_EQ(readPsd(cut).pixels, rgb);
  f.compression = 0;
  f.imageData = rawPlanes(rgba, w, h, 4);
  EXPECT_EQ(readPsd(f.bytes()).pixels, rgb);
}

TEST(PsdReader, RefusesWhatItCannotDecode) {
  struct Case {
    const char* what;
    PsdFile file;
    int32_t error;
    bool sizeKnown;  // the width and height outputs are written before the failure
  };
  std::vector<Case> cases;
  PsdFile base;
  base.width = 2;
  base.height = 2;
  base.imageData = Bytes(12, 0x33);
  auto with = [&](auto change) {
    PsdFile f = base;
    change(f);
    return f;
  };
  cases.push_back({"version 2", with([](PsdFile& f) { f.version = 2; }), 46, false});
  cases.push_back({"signature", with([](PsdFile& f) { f.signature = "8BPX"; }), 46, false});
  cases.push_back({"depth 32", with([](PsdFile& f) { f.depth = 32; }), 47, false});
  cases.push_back({"depth 2", with([](PsdFile& f) { f.depth = 2; }), 47, false});
  cases.push_back({"Lab mode", with([](PsdFile& f) { f.mode = 9; }), 47, true});
  cases.push_back({"RGB of two channels", with([](PsdFile& f) { f.channels = 2; }), 47, true});
  cases.push_back({"RGB of 1 bit", with([](PsdFile& f) { f.depth = 1; }), 47, true});
  cases.push_back({"CMYK of three channels", with([](PsdFile& f) { f.mode = 4; }), 47, true});
  cases.push_back({"bitmap of 8 bits", with([](PsdFile& f) { f.mode = 0; f.channels = 1; }), 47, true});
  cases.push_back({"zero width", with([](PsdFile& f) { f.width = 0; }), 47, true});
  cases.push_back({"compression 2", with([](PsdFile& f) { f.compression = 2; }), 3, true});
  cases.push_back({"raw data cut short", with([](PsdFile& f) { f.imageData.resize(11); }), 3, true});
  cases.push_back({"layer section past the end",
                   with([](PsdFile& f) { f.layers = Bytes(4, 0); f.imageData.clear(); }), 3, true});
  cases.push_back({"RLE count past the data", with([](PsdFile& f) {
                     f.compression = 1;
                     f.imageData = rleImageData({repeat(1, 2), repeat(1, 2), repeat(2, 2),
                                                 repeat(2, 2), repeat(3, 2), {0x01, 7, 7}});
                     f.imageData[11] = 200;  // the last row claims 200 bytes, 3 are there
                   }), 3, true});
  cases.push_back({"literal run past its row", with([](PsdFile& f) {
                     f.compression = 1;
                     f.imageData = rleImageData({{0x05, 1}, repeat(1, 2), repeat(2, 2),
                                                 repeat(2, 2), repeat(3, 2), repeat(3, 2)});
                   }), 3, true});
  cases.push_back({"repeat without its byte", with([](PsdFile& f) {
                     f.compression = 1;
                     f.imageData = rleImageData({{0x00, 5, 0xFF}, repeat(1, 2), repeat(2, 2),
                                                 repeat(2, 2), repeat(3, 2), repeat(3, 2)});
                   }), 3, true});
  cases.push_back({"count table past the end", with([](PsdFile& f) {
                     f.compression = 1;
                     f.height = 100000;
                     f.width = 1;
                     f.imageData = Bytes(64, 0);
                   }), 3, true});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes file = c.file.bytes();
    DecodedPicture d = readPsd(file);
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.error, c.error);
    EXPECT_EQ(d.width, c.sizeKnown ? c.file.width : 0xDEADBEEF);
    EXPECT_EQ(d.height, c.sizeKnown ? c.file.height : 0xDEADBEEF);
  }
  // Cut anywhere, the file is a read error.
  PsdFile full = base;
  full.resources = Bytes(10, 1);
  full.layers = Bytes(6, 2);
  Bytes file = full.bytes();
  for (size_t size = 1; size < file.size(); ++size) {
    Bytes cut(file.begin(), file.begin() + size);
    EXPECT_EQ(readPsd(cut).error, 3) << size;
  }
}

TEST(PsdReader, PicturesBeyondTheLimitFailWithoutAskingTheHeap) {
  struct Case {
    uint32_t width, height, channels, mode;
  };
  // 65536² × 3 bytes; a product that overflows 64 bits; a CMYK picture whose 4-byte buffer
  // passes the limit although its result would not; a byte-count table of 13 GB.
  const Case cases[] = {{65536, 65536, 3, 3},
                        {0xFFFFFFFF, 0xFFFFFFFF, 3, 3},
                        {26000, 26000, 4, 4},
                        {1, 100000, 65535, 3}};
  setGlobalAllocHookForTests(countingAlloc);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    PsdFile f;
    f.width = c.width;
    f.height = c.height;
    f.channels = c.channels;
    f.mode = c.mode;
    f.compression = 1;
    f.imageData = Bytes(64, 0);
    heapRequests = 0;
    DecodedPicture d = readPsd(f.bytes());
    EXPECT_EQ(d.error, 1);
    // Only the last case gets as far as a (small) picture block before the table fails.
    EXPECT_EQ(heapRequests.load(), c.channels == 65535 ? 1 : 0);
  }
  setGlobalAllocHookForTests(nullptr);
}

TEST(PsdReader, SingleChannelModesGoThroughTheirPalette) {
  // Grayscale without colour mode data: the grey ramp.
  PsdFile gray;
  gray.mode = 1;
  gray.channels = 1;
  gray.width = 3;
  gray.imageData = {0, 0x7F, 0xFF};
  EXPECT_EQ(readPsd(gray.bytes()).pixels, (Bytes{0, 0, 0, 0x7F, 0x7F, 0x7F, 0xFF, 0xFF, 0xFF}));

  // Indexed: 256 reds, 256 greens, 256 blues; a longer colour mode data block is skipped.
  PsdFile indexed = gray;
  indexed.mode = 2;
  indexed.colourModeData = Bytes(768 + 6, 0xEE);
  for (int i = 0; i < 256; ++i) {
    indexed.colourModeData[i] = uint8_t(i);
    indexed.colourModeData[256 + i] = uint8_t(255 - i);
    indexed.colourModeData[512 + i] = uint8_t(i / 2);
  }
  EXPECT_EQ(readPsd(indexed.bytes()).pixels,
            (Bytes{0, 255, 0, 0x7F, 0x80, 0x3F, 0xFF, 0, 0x7F}));
  // A table shorter than 768 bytes is damaged.
  indexed.colourModeData.resize(700);
  EXPECT_EQ(readPsd(indexed.bytes()).error, 3);

  // Duotone: its colour mode data (ink descriptions) is skipped, the ramp is used.
  PsdFile duotone = gray;
  duotone.mode = 8;
  duotone.colourModeData = Bytes(20, 0x5A);
  EXPECT_EQ(readPsd(duotone.bytes()).pixels, readPsd(gray.bytes()).pixels);

  // Bitmap: bit 1 is black, bit 0 white; rows are whole bytes.
  PsdFile bitmap;
  bitmap.mode = 0;
  bitmap.channels = 1;
  bitmap.depth = 1;
  bitmap.width = 10;
  bitmap.height = 2;
  bitmap.imageData = {0xA0, 0xC0, 0x01, 0x7F};  // 1010000011, 0000000101
  DecodedPicture b = readPsd(bitmap.bytes());
  ASSERT_TRUE(b.ok);
  const char* expected = "10100000110000000101";
  for (int i = 0; i < 20; ++i) EXPECT_EQ(b.pixels[i * 3], expected[i] == '1' ? 0 : 255) << i;

  // 16-bit samples keep their high byte, also when compressed (grayscale only).
  PsdFile deep = gray;
  deep.depth = 16;
  deep.imageData = {0x12, 0xFF, 0x80, 0x00, 0xFE, 0xFF};
  EXPECT_EQ(readPsd(deep.bytes()).pixels, (Bytes{0x12, 0x12, 0x12, 0x80, 0x80, 0x80, 0xFE, 0xFE, 0xFE}));
  deep.compression = 1;
  deep.imageData = rleImageData({{0x05, 0x12, 0xFF, 0x80, 0x00, 0xFE, 0xFF}});
  EXPECT_EQ(readPsd(deep.bytes()).pixels, (Bytes{0x12, 0x12, 0x12, 0x80, 0x80, 0x80, 0xFE, 0xFE, 0xFE}));
  deep.mode = 2;
  TraceLines trace;
  EXPECT_EQ(readPsd(deep.bytes()).error, 17);
  EXPECT_TRUE(trace.contains(
      "Unknown bit depth in PSD read: compressed, 16-bit, single channel, not grayscale.\n"));
}

TEST(PsdReader, CmykInkBecomesRgbByIntegerDivision) {
  // Stored (inverted) ink C 255, M 128, Y 0, K 200: R = 255·200/255, G = 128·200/255 = 100.39.
  PsdFile f;
  f.mode = 4;
  f.channels = 5;  // a spot or alpha channel after K is not read
  f.width = 2;
  f.imageData = {255, 10, 128, 20, 0, 30, 200, 255, 1, 2};
  DecodedPicture d = readPsd(f.bytes());
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.pixels, (Bytes{200, 100, 0, 10, 20, 30}));
}

TEST(PsdReader, EightBitsGiveIndicesAndThePalette) {
  PsdFile gray;
  gray.mode = 1;
  gray.channels = 1;
  gray.width = 2;
  gray.imageData = {5, 250};
  BYTE palette[1024];
  DecodedPicture d = readPsd(gray.bytes(), 8, palette);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.pixels, (Bytes{5, 250}));
  EXPECT_EQ(palette[4 * 250], 250);
  EXPECT_EQ(palette[4 * 250 + 3], 0);
  // An RGB picture has no palette form.
  PsdFile rgb;
  rgb.imageData = {1, 2, 3};
  EXPECT_EQ(readPsd(rgb.bytes(), 8, palette).error, 47);
}

TEST(PsdReader, ChecksItsArgumentsFirst) {
  PsdFile f;
  f.imageData = {1, 2, 3};
  Bytes file = f.bytes();
  ISSource source = IS40_OpenMemorySource(file.data(), uint32_t(file.size()));
  DWORD w, h;
  EXPECT_EQ(IS40_ReadPSD(nullptr, &w, &h, 24, nullptr, 0), nullptr);
  EXPECT_EQ(IS40_GetLastError(), 5);
  EXPECT_EQ(IS40_ReadPSD(source, nullptr, &h, 24, nullptr, 0), nullptr);
  EXPECT_EQ(IS40_GetLastError(), 5);
  EXPECT_EQ(IS40_ReadPSD(source, &w, &h, 16, nullptr, 0), nullptr);
  EXPECT_EQ(IS40_GetLastError(), 5);
  CISIO_Memory closed;
  EXPECT_EQ(IS40_ReadPSD(&closed, &w, &h, 24, nullptr, 0), nullptr);
  EXPECT_EQ(IS40_GetLastError(), 38);
  OwnedBlock pixels(IS40_ReadPSD(source, &w, &h, 32, nullptr, 0));
  ASSERT_NE(pixels, nullptr);
  EXPECT_EQ(IS40_GetLastError(), 0);
  EXPECT_EQ(pixels.get()[0], 1);
  EXPECT_EQ(pixels.get()[2], 3);
  IS40_CloseSource(source);
}

namespace {

Bytes resource(uint16_t id, const std::string& name, const Bytes& data) {
  Bytes r = {'8', 'B', 'I', 'M'};
  putU16(r, id);
  r.push_back(uint8_t(name.size()));
  r.insert(r.end(), name.begin(), name.end());
  if ((name.size() + 1) % 2) r.push_back(0);
  putU32(r, uint32_t(data.size()));
  putBytes(r, data);
  if (data.size() % 2) r.push_back(0);
  return r;
}

struct Dims {
  BOOL ok;
  int32_t error;
  DWORD width, height, depth, mode;
  PsdResolution resolution;
};

Dims dims(const Bytes& file, bool withResolution = true) {
  Dims d{};
  ISSource source = IS40_OpenMemorySource(file.data(), uint32_t(file.size()));
  d.ok = IS40_GetPSDDims(source, &d.width, &d.height, &d.depth, &d.mode,
                         withResolution ? &d.resolution : nullptr);
  d.error = IS40_GetLastError();
  IS40_CloseSource(source);
  return d;
}

}  // namespace

TEST(PsdDims, ReportsSizeAndTheResolutionImageMagickWrote) {
  std::vector<TestPicture> pictures = testPictures("psd_rgb8_rle");
  ASSERT_EQ(pictures.size(), 1u);
  // Written at 30 pixels per centimetre, which Photoshop keeps as 76.2 per inch, unit cm.
  Dims d = dims(readFileBytes(pictures[0].file));
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.width, 37u);
  EXPECT_EQ(d.height, 23u);
  EXPECT_EQ(d.depth, 8u);
  EXPECT_EQ(d.mode, 3u);
  EXPECT_EQ(d.resolution.horizontal, 76);
  EXPECT_NEAR(d.resolution.horizontalFraction, 0.2 * 65536, 2);
  EXPECT_EQ(d.resolution.horizontalUnit, 2);
  EXPECT_EQ(d.resolution.vertical, 76);
  EXPECT_EQ(d.resolution.verticalUnit, 2);
}

TEST(PsdDims, WalksTheResourceBlock) {
  Bytes resolution;
  for (uint16_t v : {300, 0x8000, 1, 2, 150, 0, 1, 3}) putU16(resolution, v);
  PsdFile f;
  // Junk before the first signature is scanned over; odd names and lengths are padded.
  f.resources = {0, 1, 2};
  putBytes(f.resources, resource(1036, "thumb", Bytes(5, 9)));
  putBytes(f.resources, resource(1005, "", resolution));
  Dims d = dims(f.bytes());
  ASSERT_TRUE(d.ok) << d.error;
  EXPECT_EQ(d.resolution.horizontal, 300);
  EXPECT_EQ(d.resolution.horizontalFraction, 0x8000);
  EXPECT_EQ(d.resolution.widthUnit, 2);
  EXPECT_EQ(d.resolution.vertical, 150);
  EXPECT_EQ(d.resolution.heightUnit, 3);

  // A resource that runs past the block ends the walk; what came before counts.
  Bytes bad = resource(1005, "", resolution);
  bad[11] = 40;
  f.resources = resource(1036, "", Bytes(4, 1));
  putBytes(f.resources, bad);
  TraceLines trace;
  d = dims(f.bytes());
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.resolution.horizontal, 0);
  EXPECT_TRUE(trace.contains("Found bad IPTC data resource (len exceeds block end). ID=1005\n"));
  f.resources = bad;
  EXPECT_EQ(dims(f.bytes()).error, 67);
  // Too short a block, or none at all, is malformed — but only when the resolution is wanted.
  f.resources = {'8', 'B', 'I', 'M'};
  EXPECT_EQ(dims(f.bytes()).error, 67);
  f.resources.clear();
  EXPECT_EQ(dims(f.bytes()).error, 67);
  d = dims(f.bytes(), false);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.width, 1u);
  f.version = 2;
  EXPECT_EQ(dims(f.bytes(), false).error, 46);
}
