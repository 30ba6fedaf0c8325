#include "imaging/image_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/frame.h"
#include "imaging/owned_block.h"
#include "imaging/psd_reader.h"
#include "imaging/sources.h"
#include "test_pictures.h"
#include "tests/support/files.h"

namespace {

using Bytes = std::vector<uint8_t>;

// 44 filler bytes that match no signature, with `head` written at `offset`.
Bytes probe(const std::string& head, size_t offset = 0, size_t size = 44) {
  Bytes b(size, 'x');
  for (size_t i = 0; i < head.size() && offset + i < size; ++i) b[offset + i] = uint8_t(head[i]);
  return b;
}

int32_t guess(const Bytes& bytes, int32_t* error = nullptr) {
  ISSource source = IS40_OpenMemorySource(bytes.data(), uint32_t(bytes.size()));
  int32_t format = IS40_GuessFileType(source);
  if (error) *error = IS40_GetLastError();
  IS40_CloseSource(source);
  return format;
}

DecodedPicture readImage(const Bytes& bytes) {
  return decodeFromMemory(bytes, [](ISSource s, DWORD* w, DWORD* h) {
    return IS40_ReadImage(s, w, h, 0, 0);
  });
}

DecodedPicture readImageFile(const std::string& path) {
  DecodedPicture d;
  ISSource source = IS40_OpenFileSource(path.c_str());
  if (!source) return d;
  DWORD w = 0, h = 0;
  OwnedBlock pixels(IS40_ReadImage(source, &w, &h, 0, 0));
  d.error = IS40_GetLastError();
  d.ok = pixels != nullptr;
  d.width = w;
  d.height = h;
  if (pixels) d.pixels.assign(pixels.get(), pixels.get() + size_t(w) * h * 3);
  IS40_CloseSource(source);
  return d;
}

std::string lastLogLine() {
  std::vector<std::string> log = IS40_GetMessageLog();
  return log.empty() ? std::string() : log.back();
}

// The build without the PNG, JPEG and TIFF libraries (Windows) decodes PSD and BMP only.
bool decodedByThisBuild(const std::string& name) {
  return QUENDLER_LIBRARY_CODECS || name.compare(0, 4, "psd_") == 0 ||
         name.compare(0, 4, "bmp_") == 0;
}

}  // namespace

TEST(GuessFileType, FollowsTheSignatureTableInOrder) {
  const struct {
    std::string head;
    size_t offset;
    int32_t format;
  } cases[] = {
      {"BM", 0, 1},
      {"PAX", 0, 9},
      {"GIF89a", 0, 2},
      {"GIF87a", 0, 2},
      {"GIF88a", 0, 0},
      {"\xFF\xD8\xFF\xE0", 0, 3},
      {"\xFF\xD8\xFF\xE1", 0, 3},  // Exif: the second JPEG row
      {std::string("\x0A\x00", 2), 0, 5},
      {"\x0A\x02", 0, 5},
      {"\x0A\x03", 0, 5},
      {"\x0A\x05", 0, 5},
      {"\x0A\x04", 0, 0},
      {"MM", 0, 6},
      {"II", 0, 6},
      {"\x89PNG\x0D\x0A\x1A\x0A", 0, 4},
      {std::string("\x01\x00\x09\x00\x00", 5), 0, 7},
      {"\xD7\xCD\xC6\x9A", 0, 7},
      {" EMF", 40, 8},
      {"8BPS", 0, 10},
      {"TLA\x01", 0, 11},
      {"TLAU", 0, 12},
      {"PCD_OPA", 0, 15},
      {"\x6A\x50\x20\x20\x0D", 4, 17},
      {"\xFF\x4F", 0, 17},
      {"\xFF\x4F", 4, 18},
      {"\xD0\xCF\x11\xE0", 0, 19},
      {"P1", 0, 20},
      {"P4", 0, 20},
      {"P2", 0, 21},
      {"P5", 0, 21},
      {"P3", 0, 22},
      {"P6", 0, 22},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    int32_t error = -1;
    EXPECT_EQ(guess(probe(c.head, c.offset), &error), c.format) << c.head;
    EXPECT_EQ(error, 0);
  }
  // The first match decides: an EMF mark at 40 outranks "8BPS" but not "BM".
  Bytes both = probe("8BPS");
  std::memcpy(&both[40], " EMF", 4);
  EXPECT_EQ(guess(both), 8);
  std::memcpy(&both[0], "BM", 2);
  EXPECT_EQ(guess(both), 1);
  // A signature counts only when it lies wholly within the bytes that could be read.
  EXPECT_EQ(guess(probe(" EMF", 40, 43)), 0);
  EXPECT_EQ(guess(probe("\x89PNG\x0D\x0A\x1A\x0A", 0, 7)), 0);
  EXPECT_EQ(guess(probe("\x89PNG\x0D\x0A\x1A\x0A", 0, 8)), 4);
}

TEST(GuessFileType, FallsBackToStructureFooterAndOffset2048) {
  // WBMP: type 0, fixed header 0, width 16 and height 8 as multi-byte integers, 2 bytes a row.
  Bytes wbmp = {0, 0, 16, 8};
  wbmp.resize(4 + 16, 0xAA);
  EXPECT_EQ(guess(wbmp), 13);
  wbmp.resize(10);  // too short for the sizes it declares
  EXPECT_EQ(guess(wbmp), 0);
  // An uncompressed true-colour TGA without id or colour map also starts with 0, 0.
  Bytes tga(18 + 12, 0);
  tga[2] = 2;
  tga[12] = 2;
  tga[14] = 2;
  tga[16] = 24;
  EXPECT_EQ(guess(tga), 14);
  // A TGA 2.0 footer.
  Bytes footer = probe("");
  footer.resize(100, 'y');
  const char mark[] = "TRUEVISION-XFILE.";
  footer.insert(footer.end(), mark, mark + 18);
  EXPECT_EQ(guess(footer), 14);
  // "PCD" at offset 2048.
  Bytes pcd = probe("", 0, 2051);
  std::memcpy(&pcd[2048], "PCD", 3);
  EXPECT_EQ(guess(pcd), 16);
  pcd.resize(2050);
  EXPECT_EQ(guess(pcd), 0);
}

TEST(GuessFileType, ReportsWhenNothingCanBeRead) {
  EXPECT_EQ(IS40_GuessFileType(nullptr), 0);
  EXPECT_EQ(IS40_GetLastError(), 5);
  TempFolder scratch("image-reader");
  ASSERT_TRUE(writeFile(scratch.file("empty.bin"), Bytes()));
  ISSource source = IS40_OpenFileSource(scratch.file("empty.bin").c_str());
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(IS40_GuessFileType(source), 0);
  EXPECT_EQ(IS40_GetLastError(), 3);
  IS40_CloseSource(source);
}

TEST(ReadImage, ReadsWhatOtherProgramsWrote) {
  std::vector<TestPicture> pictures = testPictures();
  ASSERT_GE(pictures.size(), 28u) << "pictures missing in " << QUENDLER_TEST_PICTURES;
  for (const TestPicture& p : pictures) {
    SCOPED_TRACE(p.name);
    DecodedPicture d = readImage(readFileBytes(p.file));
    if (!decodedByThisBuild(p.name)) {
      EXPECT_FALSE(d.ok);
      EXPECT_EQ(d.error, kIsErrNoDecoder);
      continue;
    }
    ASSERT_TRUE(d.ok) << "error " << d.error;
    EXPECT_EQ(d.error, 0);
    EXPECT_EQ(d.width, p.width);
    EXPECT_EQ(d.height, p.height);
    EXPECT_TRUE(d.pixels == expectedPixels(p));
  }
  // From a file source the same.
  TestPicture tile = testPictures("psd_tile_rle").at(0);
  DecodedPicture fromFile = readImageFile(tile.file);
  ASSERT_TRUE(fromFile.ok) << fromFile.error;
  EXPECT_TRUE(fromFile.pixels == expectedPixels(tile));
}

TEST(ReadImage, GivesThePsdReadersPixels) {
  Bytes file = readFileBytes(testPictures("psd_tile_rle").at(0).file);
  DecodedPicture direct = decodeFromMemory(file, [](ISSource s, DWORD* w, DWORD* h) {
    return IS40_ReadPSD(s, w, h, 24, nullptr, 0);
  });
  DecodedPicture generic = readImage(file);
  ASSERT_TRUE(direct.ok && generic.ok);
  EXPECT_EQ(generic.width, direct.width);
  EXPECT_TRUE(generic.pixels == direct.pixels);
  // A reader's failure is the generic reader's outcome.
  file.resize(file.size() / 2);
  EXPECT_EQ(readImage(file).error, 3);
  file[5] = 2;  // version 2
  EXPECT_EQ(readImage(file).error, 46);
}

TEST(ReadImage, UnknownAndUndecodableFormats) {
  // From memory there is no name to fall back on.
  DecodedPicture d = readImage(probe("nothing known"));
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.error, 2);
  // Recognised formats without a reader here.
  EXPECT_EQ(readImage(probe("TLA\x01")).error, kIsErrNoDecoder);
  EXPECT_EQ(readImage(probe("GIF89a")).error, kIsErrNoDecoder);
  EXPECT_NE(lastLogLine().find("Error 52 in IS40_ReadImage ("), std::string::npos);
  EXPECT_NE(lastLogLine().find("[GIF]"), std::string::npos);
  EXPECT_EQ(isLastLogDetail(), "GIF");
  EXPECT_EQ(isErrorText(kIsErrNoDecoder, isLastLogDetail()), "für das Format GIF gibt es keinen Leser");
  // A format without reader ("PAX") or an unknown one falls back to the file's name.
  TempFolder scratch("image-reader");
  ASSERT_TRUE(writeFile(scratch.file("fallback.PSD"), probe("PAX")));
  EXPECT_EQ(readImageFile(scratch.file("fallback.PSD")).error, 46);  // read as PSD: not a PSD
  ASSERT_TRUE(writeFile(scratch.file("fallback.bmp"), probe("nothing known")));
  EXPECT_EQ(readImageFile(scratch.file("fallback.bmp")).error, 6);  // read as BMP: not a BMP
  ASSERT_TRUE(writeFile(scratch.file("fallback.txt"), probe("nothing known")));
  EXPECT_EQ(readImageFile(scratch.file("fallback.txt")).error, 2);
}

TEST(ReadImage, ChecksItsArguments) {
  DWORD w, h;
  EXPECT_EQ(IS40_ReadImage(nullptr, &w, &h, 0, 0), nullptr);
  EXPECT_EQ(IS40_GetLastError(), 5);
  CISIO_Memory closed;
  EXPECT_EQ(IS40_ReadImage(&closed, &w, &h, 0, 0), nullptr);
  EXPECT_EQ(IS40_GetLastError(), 38);
  Bytes file = readFileBytes(testPictures("psd_rgb8_raw").at(0).file);
  ISSource source = IS40_OpenMemorySource(file.data(), uint32_t(file.size()));
  EXPECT_EQ(IS40_ReadImage(source, &w, &h, 1, 0), nullptr);  // 4 bytes per pixel: not built
  EXPECT_EQ(IS40_GetLastError(), 5);
  IS40_CloseSource(source);
}

#if QUENDLER_LIBRARY_CODECS
TEST(ReadImage, DamagedLibraryFormats) {
  Bytes png = readFileBytes(testPictures("png_rgb8").at(0).file);
  // A byte inside the compressed data: libpng raises an error (checksum or inflate).
  Bytes damaged = png;
  damaged[png.size() / 2] ^= 0x5A;
  EXPECT_EQ(readImage(damaged).error, 15);
  // A file that ends inside the picture is a read error.
  Bytes cut(png.begin(), png.begin() + png.size() / 2);
  EXPECT_EQ(readImage(cut).error, 3);
  Bytes jpeg = readFileBytes(testPictures("jpeg_rgb").at(0).file);
  jpeg.resize(jpeg.size() / 2);
  EXPECT_EQ(readImage(jpeg).error, 3);
  Bytes tiff = readFileBytes(testPictures("tiff_rgb_lzw").at(0).file);
  tiff.resize(40);
  EXPECT_EQ(readImage(tiff).error, 3);
}
#endif
