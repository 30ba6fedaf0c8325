#include "render/compose.h"
#include "app/wallpaper_look.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "calendar/date_arith.h"
#include "imaging/bmp.h"
#include "imaging/owned_block.h"
#include "imaging/smooth_text.h"
#include "imaging/sources.h"
#include "platform/resources.h"
#include "tests/imaging/psd_builder.h"
#include "tests/support/files.h"
#include "tests/support/pictures.h"

namespace {

const Rgb kBackground{10, 20, 30};
const Rgb kDecorative{0, 200, 0};
const Rgb kMonth{200, 100, 0};
const Rgb kSpecial{0, 0, 200};
const Rgb kAppointment{200, 0, 200};
const Rgb kEdge{90, 90, 90};

// A cell tile on the key colour with a solid block over its bottom-right quarter.
Bytes tilePsd(Rgb block) {
  const uint32_t w = 296, h = 256;
  Bytes pixels(size_t(w) * h * 3);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      uint8_t* p = &pixels[(size_t(y) * w + x) * 3];
      bool inBlock = x >= w / 2 && y >= h / 2;
      p[0] = inBlock ? block.r : 0x4A;
      p[1] = inBlock ? block.g : 0x6D;
      p[2] = inBlock ? block.b : 0x94;
    }
  PsdFile f;
  f.width = w;
  f.height = h;
  f.compression = 1;
  f.imageData = rlePlanes(pixels, w, h, 3);
  return f.bytes();
}

// A packed DIB as a bitmap resource holds it: 2 x 2 pixels, 24 bits, bottom-up.
Bytes backgroundDib(Rgb c) {
  Bytes b(40, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
  };
  put32(0, 40);
  put32(4, 2);
  put32(8, 2);
  b[12] = 1;
  b[14] = 24;
  put32(20, 16);
  for (int row = 0; row < 2; ++row) {
    for (int x = 0; x < 2; ++x) {
      b.push_back(c.b);
      b.push_back(c.g);
      b.push_back(c.r);
    }
    b.push_back(0);
    b.push_back(0);
  }
  return b;
}

struct FakeResources {
  std::map<std::string, Bytes> items;
  FakeResources() {
    Bytes decorative = tilePsd(kDecorative), month = tilePsd(kMonth), special = tilePsd(kSpecial),
          appointment = tilePsd(kAppointment), edge = tilePsd(kEdge);
    char name[32];
    for (int i = 0; i <= 92; ++i) {
      std::snprintf(name, sizeof name, "RASTER/E%03d", i);
      items[name] = decorative;
    }
    for (int m = 1; m <= 12; ++m)
      for (char p : {'A', 'E', 'R', 'U'}) {
        std::snprintf(name, sizeof name, "RASTER/MON%02d%c", m, p);
        items[name] = month;
      }
    for (const char* n : {"MON04A_OS", "MON04E_OS", "MON04R_OS", "MON04U_OS"})
      items[std::string("RASTER/") + n] = month;
    for (const char* n : {"HEILIGABEND", "HEILIGABEND_R", "NEUJAHR_01", "NEUJAHR_02",
                          "NEUJAHR_01R", "NEUJAHR_02R"})
      items[std::string("RASTER/") + n] = special;
    items["RASTER/ER"] = edge;
    items["RASTER/EU"] = edge;
    for (int i = 1; i <= 28; ++i)
      for (char p : {'X', 'R', 'U', 'E'}) {
        std::snprintf(name, sizeof name, "ALARM/ALARM_%c%02d", p, i);
        items[name] = appointment;
      }
    items["BITMAP/HG000"] = backgroundDib(kBackground);
  }
};

const FakeResources& fakes() {
  static FakeResources f;
  return f;
}

int findFake(const char* type, const char* name, const unsigned char** data, unsigned long* size) {
  auto it = fakes().items.find(std::string(type) + "/" + name);
  if (it == fakes().items.end()) {
    *data = nullptr;
    *size = 0;
    return 0;
  }
  *data = it->second.data();
  *size = static_cast<unsigned long>(it->second.size());
  return 1;
}

// The wallpaper files of this test program, removed at its end.
std::string tempFile(const char* leaf) {
  static TempFolder folder("compose");
  return folder.file(leaf);
}

std::unique_ptr<WallpaperJob> makeJob(int d, int m, int y, int W, int H, const char* leaf) {
  std::unique_ptr<WallpaperJob> job(new WallpaperJob());
  job->look = lookFromSettings(Settings());
  job->day = d;
  job->month = m;
  job->year = y;
  job->weekday = DayOfWeek(d, m, y);
  job->W = W;
  job->H = H;
  job->seed = 1234;
  job->findPicture = &findFake;
  std::snprintf(job->path, sizeof job->path, "%s", tempFile(leaf).c_str());
  return job;
}

// The wallpaper the job composes, owned by the test.
RgbPicture compose(const WallpaperJob& job, WallpaperResult& result) {
  return RgbPicture::adopt(composeWallpaperImage(job, result), job.W, job.H);
}

Rgb expectedTile(const WallpaperResult& r, int row, int column) {
  int v = r.cells.at(row, column);
  if (v >= kCellAppointmentBase) return kAppointment;
  if (v == kCellSpecialDay) return kSpecial;
  if (v == kCellMonthPicture) return kMonth;
  if (v >= 0) return kDecorative;
  if (row == 6 && column == 7) return kBackground;
  return kEdge;
}

TEST(ComposeWallpaper, TilesLieOverTheirCellsWithTheKeyColourLeftOut) {
  // December 2009, today the 10th; an appointment picture on the 3rd; Christmas Eve.
  auto job = makeJob(10, 12, 2009, 1280, 1024, "tiles.bmp");
  job->appointmentPictures[3] = 5;
  job->look.weekdayHeader = 0;  // the large header texts would reach into row 1
  job->look.weekNumbers = 0;
  WallpaperResult result;
  RgbPicture c = compose(*job, result);
  ASSERT_TRUE(c);
  const SheetLayout& l = result.layout;
  EXPECT_EQ(l.s, -7);
  for (int row = 1; row <= 6; ++row)
    for (int column = 1; column <= 7; ++column) {
      int x = cellLeft(l, column), y = cellTop(l, row);
      int sx = x + l.cw * 3 / 4, sy = y + l.ch * 3 / 4;
      if (sx >= c.width() || sy >= c.height()) continue;
      EXPECT_EQ(c.rgb(sx, sy), expectedTile(result, row, column)) << row << "," << column;
      // The key-coloured top-left quarter lets the background through (no text lies there).
      EXPECT_EQ(c.rgb(x + l.cw / 3, y + l.ch / 3), kBackground) << row << "," << column;
    }
  // Day 3 is a Thursday in row 2, day 24 a Thursday in row 5, today in row 3.
  EXPECT_EQ(result.cells.at(2, 4), kCellAppointmentBase + 5);
  EXPECT_EQ(result.cells.at(5, 4), kCellSpecialDay);
  EXPECT_EQ(result.cells.at(3, 4), kCellMonthPicture);
  // Nothing of the canvas is left black: the background covers it all.
  EXPECT_EQ(c.count(Rgb{0, 0, 0}), 0);
}

TEST(ComposeWallpaper, TextColoursOfTodayAndFreeDays) {
  // June 2010: today Friday the 11th; Saturday 12, Sunday 13.
  auto job = makeJob(11, 6, 2010, 1280, 1024, "text.bmp");
  job->look.weekdayHeader = 1;
  job->look.weekNumbers = 1;
  WallpaperResult result;
  RgbPicture c = compose(*job, result);
  ASSERT_TRUE(c);
  const SheetLayout& l = result.layout;
  auto box = [&](int d, Rgb colour) {
    int k = d - l.s;
    int x = cellLeft(l, k % 7 + 1) - l.dx, y = cellTop(l, k / 7 + 1) - l.dy;
    return c.count(colour, x, y, x + l.cw / 2, y + l.ch / 3);
  };
  const Rgb yellow{0xFA, 0xFA, 0x20}, red{0xFA, 0x10, 0x10}, white{0xF5, 0xF5, 0xF5};
  EXPECT_GT(box(11, yellow), 20);
  EXPECT_EQ(box(11, white), 0);
  EXPECT_GT(box(12, red), 20);
  EXPECT_GT(box(13, red), 20);
  EXPECT_GT(box(10, white), 20);
  EXPECT_EQ(box(10, red), 0);
  EXPECT_EQ(c.count(yellow), box(11, yellow));
}

TEST(ComposeWallpaper, WritesTheBmpAndKeepsTheOldFileOnFailure) {
  auto job = makeJob(15, 3, 2011, 800, 600, "write.bmp");
  std::remove(job->path);
  WallpaperResult result;
  ASSERT_EQ(ComposeWallpaper(*job, result), 1);
  EXPECT_EQ(result.ok, 1);
  EXPECT_EQ(result.oldDay, 15);
  std::vector<uint8_t> file = readFileBytes(job->path);
  ASSERT_EQ(file.size(), 54u + 2400u * 600u);
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(readFileBytes(std::string(job->path) + ".tmp").size(), 0u);

  // The file holds the canvas exactly.
  WallpaperResult again;
  RgbPicture c = compose(*job, again);
  ISSource source = IS40_OpenMemorySource(file.data(), static_cast<DWORD>(file.size()));
  DWORD w = 0, h = 0;
  OwnedBlock back(IS40_ReadBMP(source, &w, &h, 24, nullptr, 0));
  IS40_CloseSource(source);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(std::memcmp(back.get(), c.data(), 800 * 600 * 3), 0);

  // A missing background writes nothing.
  ASSERT_TRUE(writeFile(job->path, "alt"));
  job->look.background = 7;
  EXPECT_EQ(ComposeWallpaper(*job, result), 0);
  EXPECT_EQ(result.ok, 0);
  std::string old = readFileText(job->path);
  EXPECT_EQ(old, "alt");

  // A write that cannot start (a folder where the temporary file should go) keeps it too.
  job->look.background = 0;
  std::string blocker = std::string(job->path) + ".tmp";
#ifdef _WIN32
  ASSERT_EQ(std::system(("mkdir " + blocker).c_str()), 0);
#else
  ASSERT_EQ(std::system(("mkdir '" + blocker + "'").c_str()), 0);
#endif
  EXPECT_EQ(ComposeWallpaper(*job, result), 0);
  EXPECT_EQ(readFileText(job->path), "alt");
#ifdef _WIN32
  std::system(("rmdir " + blocker).c_str());
#else
  std::system(("rmdir '" + blocker + "'").c_str());
#endif
  // And the next good run replaces the old file.
  EXPECT_EQ(ComposeWallpaper(*job, result), 1);
  EXPECT_EQ(readFileBytes(job->path).size(), 54u + 2400u * 600u);
  std::remove(job->path);
}

TEST(ComposeWallpaper, TooLargeFontShrinksAndIsHandedBack) {
  auto job = makeJob(15, 3, 2011, 800, 600, "font.bmp");
  job->look.sheetFont.lfHeight = -128;
  WallpaperResult result;
  RgbPicture c = compose(*job, result);
  ASSERT_TRUE(c);
  EXPECT_EQ(result.sheetFontChanged, 1);
  EXPECT_GT(result.sheetFontHeight, -128);
  EXPECT_LT(result.sheetFontHeight, -7);
  EXPECT_EQ(job->look.sheetFont.lfHeight, -128);  // the snapshot stays as it was
  // The header font is sized from the cell height per composition: the 103-pixel cell that
  // fits the screen is 89 high, trunc(-0.7 x 89) = -62; then it shrinks until "SA " fits.
  EXPECT_EQ(result.layout.cw, 103);
  EXPECT_EQ(result.layout.headerHeight, -62);
  EXPECT_GE(result.headerFontHeight, -62);

  WallpaperResult defaults;
  auto plain = makeJob(15, 3, 2011, 800, 600, "font.bmp");
  OwnedBlock discarded(composeWallpaperImage(*plain, defaults));
  EXPECT_EQ(defaults.sheetFontChanged, 0);
  EXPECT_EQ(defaults.sheetFontHeight, -30);
}

TEST(ComposeWallpaper, WorkerThreadsGiveTheSameWallpaperAsOneThread) {
  auto jobA = makeJob(24, 12, 2009, 1024, 768, "thread_a.bmp");
  auto jobB = makeJob(5, 4, 2010, 1280, 720, "thread_b.bmp");
  jobB->look.region = 2;
  jobB->appointmentPictures[9] = 3;
  WallpaperResult ra, rb;
  RgbPicture alone = compose(*jobA, ra);
  ASSERT_TRUE(alone);

  // The worker composes while this thread draws text at another opacity and composes too.
  OwnedBlock fromWorker;
  WallpaperResult rw;
  std::thread worker([&] { fromWorker.reset(composeWallpaperImage(*jobA, rw)); });
  std::vector<BYTE> icon(32 * 32 * 3, 0);
  LOGFONTA font{};
  font.lfHeight = -20;
  font.lfWeight = 700;
  std::strcpy(font.lfFaceName, "Verdana");
  RECT rect{0, 0, 32, 32};
  for (int i = 0; i < 20; ++i) {
    IS40_SetTextTransparency(0.3);
    IS40_DrawSmoothTextOnRGB2(icon.data(), 32, 32, 96, "17", &font, 4, &rect, 37, 0, 0xFFFFFF);
  }
  OwnedBlock second(composeWallpaperImage(*jobB, rb));
  worker.join();
  ASSERT_NE(fromWorker, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(std::memcmp(fromWorker.get(), alone.data(), 1024 * 768 * 3), 0);
  for (int r = 1; r <= 6; ++r)
    for (int col = 1; col <= 7; ++col) EXPECT_EQ(rw.cells.at(r, col), ra.cells.at(r, col));

  // The whole job, file included, on a worker thread.
  std::remove(jobB->path);
  int ok = 0;
  std::thread writer([&] { ok = ComposeWallpaper(*jobB, rb); });
  writer.join();
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(readFileBytes(jobB->path).size(), 54u + 3840u * 720u);
  std::remove(jobB->path);
}

TEST(ComposeWallpaper, TheProgramsOwnPictures) {
  const unsigned char* data = nullptr;
  unsigned long size = 0;
  ASSERT_EQ(findResourceBytes("BITMAP", "HG000", &data, &size), 1)
      << "the resource set is built with the program";
  // Every background the settings allow loads through the BMP reader.
  for (int hg = 0; hg <= 18; ++hg) {
    char name[8];
    std::snprintf(name, sizeof name, "HG%03d", hg);
    DWORD w = 0, h = 0;
    OwnedBlock pixels(loadBackgroundFromResources(nullptr, name, &w, &h));
    ASSERT_NE(pixels, nullptr) << name;
    EXPECT_GE(w, 16u);
    EXPECT_LE(w, 200u);
    EXPECT_GE(h, 11u);
    EXPECT_LE(h, 140u);
  }
  auto job = makeJob(24, 12, 2009, 1920, 1080, "own.bmp");
  job->findPicture = nullptr;
  job->look.background = 18;
  WallpaperResult result;
  EXPECT_EQ(ComposeWallpaper(*job, result), 1);
  EXPECT_EQ(result.cells.at(5, 4), kCellSpecialDay);  // Christmas Eve is today
  EXPECT_EQ(readFileBytes(job->path).size(), 54u + 5760u * 1080u);
  std::remove(job->path);
}

}  // namespace
