#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/bmp.h"
#include "imaging/frame.h"
#include "imaging/owned_block.h"
#include "imaging/sources.h"
#include "tests/support/files.h"

#ifndef QUENDLER_BMP_PICTURES
#error "QUENDLER_BMP_PICTURES must name the folder of the generated BMP pictures"
#endif

namespace {

using Bytes = std::vector<BYTE>;

void put16(Bytes& b, size_t at, uint32_t v) {
  b[at] = BYTE(v), b[at + 1] = BYTE(v >> 8);
}
void put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = BYTE(v >> (8 * i));
}
uint32_t get32(const Bytes& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

// File header + 40-byte info header; the caller appends palette and pixels.
Bytes bmpHeader(int32_t width, int32_t height, uint16_t bits, uint32_t compression = 0, uint32_t colours = 0,
                uint32_t offBits = 0) {
  Bytes b(54, 0);
  b[0] = 'B', b[1] = 'M';
  put32(b, 10, offBits);
  put32(b, 14, 40);
  put32(b, 18, uint32_t(width));
  put32(b, 22, uint32_t(height));
  put16(b, 26, 1);
  put16(b, 28, bits);
  put32(b, 30, compression);
  put32(b, 46, colours);
  return b;
}

void appendQuad(Bytes& b, BYTE r, BYTE g, BYTE bl) {
  b.push_back(bl), b.push_back(g), b.push_back(r), b.push_back(0);
}

struct Decoded {
  OwnedBlock pixels;
  DWORD w = 0, h = 0;
  int32_t error = -1;
  DWORD consumed = 0;
  Bytes copy;
};

Decoded decode(const Bytes& file, DWORD bits = 24) {
  Decoded d;
  ISSource s = IS40_OpenMemorySource(file.data(), DWORD(file.size()));
  if (!s) return d;
  d.pixels.reset(IS40_ReadBMP(s, &d.w, &d.h, bits, nullptr, 0));
  d.error = IS40_GetLastError();
  if (d.pixels) d.copy.assign(d.pixels.get(), d.pixels.get() + size_t(d.w) * d.h * (bits / 8));
  d.consumed = IS40_CloseSource(s);
  return d;
}

Bytes writeToMemory(const BYTE* image, DWORD w, DWORD h, DWORD bits, DWORD stride, DWORD entries = 0,
                    const BYTE* palette = nullptr, DWORD flags = 0, DWORD* result = nullptr, int32_t* error = nullptr) {
  Bytes block(size_t(w) * h * 4 + 2048, 0xCC);
  ISDest d = IS40_OpenMemoryDest(block.data(), DWORD(block.size()));
  DWORD size = IS40_WriteBMP(d, image, w, h, bits, stride, entries, palette, nullptr, flags);
  if (result) *result = size;
  if (error) *error = IS40_GetLastError();
  DWORD closed = IS40_CloseDest(d);
  block.resize(closed);
  return block;
}

// ---- Writer -------------------------------------------------------------------------------

TEST(BmpWriter, WallpaperSizedFileHasPaddedRowsAndTheRightLength) {
  const DWORD w = 1366, h = 768;
  Bytes image(size_t(w) * h * 3);
  for (size_t i = 0; i < image.size(); ++i) image[i] = BYTE(i * 7 + i / 4099);
  DWORD result = 0;
  int32_t error = -1;
  Bytes file = writeToMemory(image.data(), w, h, 24, w * 3, 0, nullptr, 0, &result, &error);
  EXPECT_EQ(error, 0);
  const uint32_t expectedSize = 54 + 4100 * 768;
  EXPECT_EQ(result, expectedSize);
  ASSERT_EQ(file.size(), expectedSize);
  EXPECT_EQ(get32(file, 2), expectedSize);
  EXPECT_EQ(get32(file, 10), 54u);
  EXPECT_EQ(get32(file, 34), 4100u * 768);
  // First file row = last image row, blue first, then two zero bytes.
  const BYTE* last = &image[size_t(h - 1) * w * 3];
  EXPECT_EQ(file[54], last[2]);
  EXPECT_EQ(file[55], last[1]);
  EXPECT_EQ(file[56], last[0]);
  EXPECT_EQ(file[54 + 4098], 0);
  EXPECT_EQ(file[54 + 4099], 0);
  EXPECT_EQ(file[54 + 4100 + 2], image[size_t(h - 2) * w * 3]);

  // The same through a file destination.
  TempFolder folder("bmp");
  std::string path = folder.file("wallpaper.bmp");
  ISDest d = IS40_OpenFileDest(path.c_str(), FALSE);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(IS40_WriteBMP(d, image.data(), w, h, 24, w * 3, 0, nullptr, nullptr, 0), expectedSize);
  EXPECT_EQ(IS40_GetLastError(), 0);
  EXPECT_EQ(IS40_CloseDest(d), expectedSize);
  EXPECT_EQ(readFileBytes(path), file);
}

TEST(BmpWriter, ExactBytesOfASmallFile) {
  // 4 x 1: one 12-byte row, no padding.
  const BYTE image[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  Bytes file = writeToMemory(image, 4, 1, 24, 12);
  const Bytes want = {'B', 'M', 66, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,                      //
                      40, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,        //
                      12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,         //
                      3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10};
  EXPECT_EQ(file, want);

  // Flags: rows already bottom-up (4) and pixels already blue-green-red (8).
  const BYTE two[6] = {1, 2, 3, 4, 5, 6};  // two rows of one pixel
  Bytes asIs = writeToMemory(two, 1, 2, 24, 3, 0, nullptr, 4 | 8);
  EXPECT_EQ(Bytes(asIs.begin() + 54, asIs.end()), (Bytes{1, 2, 3, 0, 4, 5, 6, 0}));
  Bytes normal = writeToMemory(two, 1, 2, 24, 3);
  EXPECT_EQ(Bytes(normal.begin() + 54, normal.end()), (Bytes{6, 5, 4, 0, 3, 2, 1, 0}));
}

TEST(BmpWriter, PaletteDepthsAndRoundTrips) {
  // 8 bits, 5 x 2, 4-entry palette: rows of 5 index bytes padded to 8.
  const BYTE idx[10] = {0, 1, 2, 3, 0, 3, 2, 1, 0, 3};
  Bytes pal;
  appendQuad(pal, 255, 0, 0);
  appendQuad(pal, 0, 255, 0);
  appendQuad(pal, 0, 0, 255);
  appendQuad(pal, 10, 20, 30);
  Bytes file = writeToMemory(idx, 5, 2, 8, 5, 4, pal.data());
  ASSERT_EQ(file.size(), 54u + 16 + 16);
  EXPECT_EQ(get32(file, 10), 70u);
  EXPECT_EQ(get32(file, 46), 4u);
  EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 70), pal);
  Decoded d = decode(file);
  ASSERT_NE(d.pixels, nullptr);
  for (int i = 0; i < 10; ++i) {
    const BYTE* q = &pal[4 * idx[i]];
    EXPECT_EQ(d.copy[3 * i], q[2]);
    EXPECT_EQ(d.copy[3 * i + 1], q[1]);
    EXPECT_EQ(d.copy[3 * i + 2], q[0]);
  }

  // 24 and 32 bits with odd widths come back unchanged.
  Bytes rgb(7 * 3 * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = BYTE(i * 29 + 3);
  Decoded d24 = decode(writeToMemory(rgb.data(), 7, 3, 24, 21));
  EXPECT_EQ(d24.copy, rgb);
  Bytes rgbx(7 * 3 * 4);
  for (size_t i = 0; i < rgbx.size(); ++i) rgbx[i] = BYTE(i * 13 + 1);
  Decoded d32 = decode(writeToMemory(rgbx.data(), 7, 3, 32, 28));
  ASSERT_EQ(d32.copy.size(), rgb.size());
  for (size_t p = 0; p < 21; ++p)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(d32.copy[3 * p + k], rgbx[4 * p + k]);
}

TEST(BmpWriter, RefusalsAndShortDestinations) {
  BYTE image[300] = {0};
  EXPECT_EQ(IS40_WriteBMP(nullptr, image, 10, 10, 24, 30, 0, nullptr, nullptr, 0), 0u);
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  CISIO_Memory never;  // not opened
  EXPECT_EQ(IS40_WriteBMP(&never, image, 10, 10, 24, 30, 0, nullptr, nullptr, 0), 0u);
  EXPECT_EQ(IS40_GetLastError(), kIsErrNotOpen);

  BYTE block[2000];
  ISDest d = IS40_OpenMemoryDest(block, sizeof block);
  EXPECT_EQ(IS40_WriteBMP(d, image, 10, 10, 12, 30, 0, nullptr, nullptr, 0), 0u);
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  EXPECT_EQ(IS40_WriteBMP(d, image, 10, 10, 8, 10, 0, nullptr, nullptr, 0), 0u);  // palette missing
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  EXPECT_EQ(IS40_WriteBMP(d, image, 10, 10, 24, 29, 0, nullptr, nullptr, 0), 0u);  // stride too small
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  IS40_CloseDest(d);

  // Room for the headers and two rows: the rows after them fail, the size so far is returned.
  d = IS40_OpenMemoryDest(block, 54 + 2 * 32 + 5);
  EXPECT_EQ(IS40_WriteBMP(d, image, 10, 10, 24, 30, 0, nullptr, nullptr, 0), 54u + 2 * 32);
  EXPECT_EQ(IS40_GetLastError(), kIsErrWrite);
  IS40_CloseDest(d);
  // No room for the headers.
  d = IS40_OpenMemoryDest(block, 20);
  IS40_WriteBMP(d, image, 10, 10, 24, 30, 0, nullptr, nullptr, 0);
  EXPECT_EQ(IS40_GetLastError(), kIsErrOutOfMemory);
  IS40_CloseDest(d);
}

// ---- Reader: files from other programs ----------------------------------------------------

struct ManifestEntry {
  std::string name, file;
  DWORD w = 0, h = 0;
  int32_t error = 0;
};

std::vector<ManifestEntry> manifest() {
  std::vector<ManifestEntry> entries;
  std::istringstream in(readFileText(std::string(QUENDLER_BMP_PICTURES) + "/bmp_pictures.txt"));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream f(line);
    ManifestEntry e;
    if (f >> e.name >> e.file >> e.w >> e.h >> e.error) entries.push_back(e);
  }
  return entries;
}

std::string picture(const std::string& file) { return std::string(QUENDLER_BMP_PICTURES) + "/" + file; }

TEST(BmpReader, DecodesWhatOtherProgramsWroteAsTheyDecodeIt) {
  std::vector<ManifestEntry> entries = manifest();
  ASSERT_GE(entries.size(), 15u) << "generated pictures missing";
  for (const ManifestEntry& e : entries) {
    SCOPED_TRACE(e.name);
    Bytes file = readFileBytes(picture(e.file));
    ASSERT_FALSE(file.empty());
    Decoded d = decode(file);
    EXPECT_EQ(d.error, e.error);
    if (e.error) {
      EXPECT_EQ(d.pixels, nullptr);
      continue;
    }
    ASSERT_NE(d.pixels, nullptr);
    EXPECT_EQ(d.w, e.w);
    EXPECT_EQ(d.h, e.h);
    EXPECT_EQ(d.copy, readFileBytes(picture(e.name + ".rgb")));

    Decoded d32 = decode(file, 32);
    ASSERT_EQ(d32.copy.size(), size_t(e.w) * e.h * 4);
    bool same = true;
    for (size_t p = 0; p < size_t(e.w) * e.h; ++p)
      same = same && d32.copy[4 * p] == d.copy[3 * p] && d32.copy[4 * p + 1] == d.copy[3 * p + 1] &&
             d32.copy[4 * p + 2] == d.copy[3 * p + 2] && d32.copy[4 * p + 3] == 0;
    EXPECT_TRUE(same) << "32-bit output differs from the 24-bit one";
  }
}

// A bitmap resource is the same picture without the file header. Every file whose pixels
// follow its colour table straight away is also a packed DIB; it must decode the same.
TEST(BmpReader, PackedDibsDecodeAsTheirFiles) {
  int packed = 0;
  for (const ManifestEntry& e : manifest()) {
    if (e.error) continue;
    SCOPED_TRACE(e.name);
    Bytes file = readFileBytes(picture(e.file));
    ASSERT_GT(file.size(), 26u);
    uint32_t headerSize = get32(file, 14), offBits = get32(file, 10);
    uint32_t table = 0;
    if (headerSize == 40) {
      uint32_t bits = file[28] | (file[29] << 8), used = get32(file, 46);
      table = (bits <= 8 ? (used ? used : 1u << bits) : 0) * 4 + (get32(file, 30) == 3 ? 12 : 0);
    } else if (headerSize == 12) {
      uint32_t bits = file[24] | (file[25] << 8);
      table = bits <= 8 ? (1u << bits) * 3 : 0;
    }
    if (offBits != 14 + headerSize + table) continue;
    Bytes dib(file.begin() + 14, file.end());
    DWORD w = 0, h = 0;
    int32_t error = -1;
    OwnedBlock pixels(readPackedDibImage(dib.data(), dib.size(), 24, w, h, error));
    ASSERT_EQ(error, 0);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(w, e.w);
    EXPECT_EQ(h, e.h);
    EXPECT_EQ(Bytes(pixels.get(), pixels.get() + size_t(w) * h * 3), readFileBytes(picture(e.name + ".rgb")));
    ++packed;
  }
  EXPECT_GE(packed, 8);

  // A table longer than 256 entries cannot be skipped in a packed DIB; nor can rows be missing.
  Bytes dib(40 + 300 * 4 + 16, 0);
  put32(dib, 0, 40), put32(dib, 4, 4), put32(dib, 8, 4), put16(dib, 12, 1), put16(dib, 14, 8);
  put32(dib, 32, 300);
  DWORD w = 0, h = 0;
  int32_t error = 0;
  EXPECT_EQ(readPackedDibImage(dib.data(), dib.size(), 24, w, h, error), nullptr);
  EXPECT_EQ(error, kIsErrNotBmp);
  put32(dib, 32, 0);
  EXPECT_EQ(readPackedDibImage(dib.data(), 40 + 256 * 4 + 4, 24, w, h, error), nullptr);
  EXPECT_EQ(error, kIsErrRead);
  EXPECT_EQ(readPackedDibImage(dib.data(), 0, 24, w, h, error), nullptr);
  EXPECT_EQ(error, kIsErrBadArgument);
}

TEST(BmpReader, TopDownAndBottomUpGiveTheSameOrientation) {
  Bytes bottomUp = decode(readFileBytes(picture("bmp3_24.bmp"))).copy;
  Bytes topDown = decode(readFileBytes(picture("py_24_topdown.bmp"))).copy;
  ASSERT_FALSE(bottomUp.empty());
  EXPECT_EQ(topDown, bottomUp);
}

TEST(BmpReader, DimensionsFromTheHeadersAlone) {
  Bytes file = readFileBytes(picture("bmp3_4.bmp"));
  ISSource s = IS40_OpenMemorySource(file.data(), DWORD(file.size()));
  DWORD w = 0, h = 0, bits = 0;
  EXPECT_TRUE(IS40_GetBMPDims(s, &w, &h, &bits));
  EXPECT_EQ(w, 37u);
  EXPECT_EQ(h, 23u);
  EXPECT_EQ(bits, 4u);
  IS40_CloseSource(s);
}

// ---- Reader: hand-made files --------------------------------------------------------------

TEST(BmpReader, PaletteIndexBeyondThePaletteIsBlack) {
  Bytes f = bmpHeader(4, 1, 8, 0, 2);
  appendQuad(f, 200, 100, 50);
  appendQuad(f, 1, 2, 3);
  f.insert(f.end(), {0, 1, 2, 255});
  Decoded d = decode(f);
  ASSERT_NE(d.pixels, nullptr);
  EXPECT_EQ(d.copy, (Bytes{200, 100, 50, 1, 2, 3, 0, 0, 0, 0, 0, 0}));
}

std::atomic<int> heapRequests{0};
HGLOBAL countingAlloc(UINT flags, SIZE_T bytes) {
  ++heapRequests;
  return GlobalAlloc(flags, bytes);
}

TEST(BmpReader, HugeDeclarationsFailBeforeAllocating) {
  setGlobalAllocHookForTests(countingAlloc);
  heapRequests = 0;
  // 30000 x 30000 x 3 is beyond the limit: out of memory without asking the heap.
  Decoded huge = decode(bmpHeader(30000, 30000, 24));
  EXPECT_EQ(huge.error, kIsErrOutOfMemory);
  Decoded wide = decode(bmpHeader(0x7FFFFFFF, -0x7FFFFFFF, 32));
  EXPECT_EQ(wide.error, kIsErrOutOfMemory);
  // 20000 x 20000 x 3 fits the limit, but a 54-byte file cannot hold its rows.
  Decoded big = decode(bmpHeader(20000, 20000, 24));
  EXPECT_EQ(big.error, kIsErrRead);
  EXPECT_EQ(heapRequests.load(), 0);
  setGlobalAllocHookForTests(nullptr);
}

TEST(BmpReader, ShortDataAndAShortLastRow) {
  // Two rows of four 24-bit pixels: 12 bytes each. Bottom row complete, top row 5 bytes.
  Bytes f = bmpHeader(4, 2, 24);
  for (int i = 0; i < 12; ++i) f.push_back(BYTE(100 + i));
  f.insert(f.end(), {1, 2, 3, 4, 5});
  Decoded d = decode(f);
  ASSERT_NE(d.pixels, nullptr);
  EXPECT_EQ(Bytes(d.copy.begin(), d.copy.begin() + 12), (Bytes{3, 2, 1, 0, 5, 4, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(d.copy[12], 102);
  // A row missing altogether is a read error.
  Bytes g = bmpHeader(4, 3, 24);
  for (int i = 0; i < 13; ++i) g.push_back(1);
  EXPECT_EQ(decode(g).error, kIsErrRead);
}

TEST(BmpReader, RefusesWhatIsNotABmpItCanRead) {
  EXPECT_EQ(decode(Bytes{'B', 'M', 0, 0}).error, kIsErrRead);
  Bytes notBm = bmpHeader(1, 1, 24);
  notBm[0] = 'X';
  EXPECT_EQ(decode(notBm).error, kIsErrNotBmp);
  Bytes header64 = bmpHeader(1, 1, 24);
  put32(header64, 14, 64);
  EXPECT_EQ(decode(header64).error, kIsErrNotBmp);
  EXPECT_EQ(decode(bmpHeader(0, 1, 24)).error, kIsErrNotBmp);
  EXPECT_EQ(decode(bmpHeader(-5, 1, 24)).error, kIsErrNotBmp);
  EXPECT_EQ(decode(bmpHeader(1, 1, 24, 4)).error, kIsErrNotBmp);  // JPEG inside
  EXPECT_EQ(decode(bmpHeader(1, 1, 4, 1)).error, kIsErrNotBmp);   // RLE8 needs 8 bits
  EXPECT_EQ(decode(bmpHeader(1, 1, 7)).error, kIsErrNotBmp);
  Bytes pixelsBeyondEnd = bmpHeader(1, 1, 24, 0, 0, 5000);
  pixelsBeyondEnd.insert(pixelsBeyondEnd.end(), {1, 2, 3, 0});
  EXPECT_EQ(decode(pixelsBeyondEnd).error, kIsErrRead);
  Bytes truncatedPalette = bmpHeader(2, 1, 8, 0, 256);
  truncatedPalette.insert(truncatedPalette.end(), 40, 0);
  EXPECT_EQ(decode(truncatedPalette).error, kIsErrRead);
  Bytes one = bmpHeader(1, 1, 24);
  one.insert(one.end(), {1, 2, 3, 0});
  EXPECT_EQ(decode(one, 8).error, kIsErrBadArgument);  // palette output is not built
  ISSource s = IS40_OpenMemorySource(one.data(), DWORD(one.size()));
  EXPECT_EQ(IS40_ReadBMP(s, nullptr, nullptr, 24, nullptr, 0), nullptr);
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
  IS40_CloseSource(s);
  DWORD w, h;
  EXPECT_EQ(IS40_ReadBMP(nullptr, &w, &h, 24, nullptr, 0), nullptr);
  EXPECT_EQ(IS40_GetLastError(), kIsErrBadArgument);
}

Bytes rlePalette() {
  Bytes p;
  appendQuad(p, 10, 10, 10);
  appendQuad(p, 255, 0, 0);
  appendQuad(p, 0, 255, 0);
  appendQuad(p, 0, 0, 255);
  return p;
}

TEST(BmpReader, Rle8RunsAbsoluteRunsDeltaAndClipping) {
  Bytes f = bmpHeader(4, 2, 8, 1, 4);
  Bytes pal = rlePalette();
  f.insert(f.end(), pal.begin(), pal.end());
  f.insert(f.end(), {2, 1,            // two pixels of 1
                     0, 3, 2, 3, 1, 0,  // absolute 2, 3, 1 (+ pad); the 1 falls off the row
                     0, 0,            // end of line
                     0, 2, 1, 0,      // delta: one to the right
                     1, 3,            // one pixel of 3
                     0, 1});          // end of bitmap
  Decoded d = decode(f);
  ASSERT_NE(d.pixels, nullptr) << d.error;
  // Top row (the file's second): unreached pixels stay black.
  EXPECT_EQ(Bytes(d.copy.begin(), d.copy.begin() + 12), (Bytes{0, 0, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Bytes(d.copy.begin() + 12, d.copy.end()), (Bytes{255, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}));

  // Data that ends before the picture does is a read error; runs far past the row end and
  // deltas far past the picture are dropped, not written.
  Bytes cut = bmpHeader(4, 2, 8, 1, 4);
  cut.insert(cut.end(), pal.begin(), pal.end());
  cut.insert(cut.end(), {2, 1});
  EXPECT_EQ(decode(cut).error, kIsErrRead);
  Bytes wild = bmpHeader(4, 2, 8, 1, 4);
  wild.insert(wild.end(), pal.begin(), pal.end());
  for (int i = 0; i < 300; ++i) wild.insert(wild.end(), {255, 2});
  wild.insert(wild.end(), {0, 2, 255, 255, 0, 1});
  Decoded dw = decode(wild);
  ASSERT_NE(dw.pixels, nullptr);
  EXPECT_EQ(Bytes(dw.copy.begin() + 12, dw.copy.end()), (Bytes{0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0}));
}

TEST(BmpReader, Rle4NibblesAndOddAbsoluteRuns) {
  Bytes f = bmpHeader(6, 2, 4, 2, 4);
  Bytes pal = rlePalette();
  f.insert(f.end(), pal.begin(), pal.end());
  f.insert(f.end(), {0, 3, 0x12, 0x30,  // absolute 1, 2, 3 (two bytes, no pad)
                     3, 0x21,           // run of 2, 1, 2
                     0, 0,              // end of line
                     0, 5, 0x32, 0x10, 0x30, 0,  // absolute 3, 2, 1, 0, 3 (three bytes + pad)
                     1, 0x11,           // one pixel of 1
                     0, 1});
  Decoded d = decode(f);
  ASSERT_NE(d.pixels, nullptr) << d.error;
  auto colour = [](int i) -> Bytes {
    static const BYTE c[4][3] = {{10, 10, 10}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    return Bytes(c[i], c[i] + 3);
  };
  Bytes top, bottom;
  for (int i : {3, 2, 1, 0, 3, 1}) {
    Bytes c = colour(i);
    top.insert(top.end(), c.begin(), c.end());
  }
  for (int i : {1, 2, 3, 2, 1, 2}) {
    Bytes c = colour(i);
    bottom.insert(bottom.end(), c.begin(), c.end());
  }
  EXPECT_EQ(Bytes(d.copy.begin(), d.copy.begin() + 18), top);
  EXPECT_EQ(Bytes(d.copy.begin() + 18, d.copy.end()), bottom);
}

TEST(BmpReader, BitfieldMasksOfAnyPlacement) {
  // 32 bits with red in the low byte and blue in the high one (and an offset that skips a gap).
  Bytes f = bmpHeader(2, 1, 32, 3, 0, 70);
  for (uint32_t m : {0x000000FFu, 0x0000FF00u, 0x00FF0000u}) {
    f.resize(f.size() + 4);
    put32(f, f.size() - 4, m);
  }
  f.insert(f.end(), {0xAA, 0xBB, 0xCC, 0xDD});  // gap up to offset 70
  f.insert(f.end(), {10, 20, 30, 0, 40, 50, 60, 0});
  Decoded d = decode(f);
  ASSERT_NE(d.pixels, nullptr) << d.error;
  EXPECT_EQ(d.copy, (Bytes{10, 20, 30, 40, 50, 60}));

  // 16 bits, 4-4-4 masks: 15 -> 255, 8 -> 136.
  Bytes g = bmpHeader(1, 1, 16, 3);
  for (uint32_t m : {0x0F00u, 0x00F0u, 0x000Fu}) {
    g.resize(g.size() + 4);
    put32(g, g.size() - 4, m);
  }
  g.insert(g.end(), {0x80, 0x0F, 0, 0});  // 0x0F80: red 15, green 8, blue 0
  Decoded e = decode(g);
  ASSERT_NE(e.pixels, nullptr) << e.error;
  EXPECT_EQ(e.copy, (Bytes{255, 136, 0}));
}

}  // namespace
