#include "render/compose.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "calendar/date_arith.h"
#include "imaging/bmp.h"
#include "imaging/frame.h"
#include "imaging/image_ops.h"
#include "imaging/owned_block.h"
#include "imaging/psd_reader.h"
#include "imaging/smooth_text.h"
#include "imaging/sources.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "render/sheet_text.h"

namespace {

constexpr COLORREF kTileKeyColour = 0x946D4A;
constexpr DWORD kTileKeyTolerance = 64;
constexpr DWORD kTextScale = 4;

// A request at or beyond this size is refused as the library refuses its own blocks.
constexpr unsigned long long kLargestBlock = 0x7FFDEFFFull;

BYTE* allocatePixels(long long width, long long height) {
  if (width <= 0 || height <= 0) return nullptr;
  unsigned long long bytes = static_cast<unsigned long long>(width) * height * 3;
  if (bytes >= kLargestBlock) return nullptr;
  return static_cast<BYTE*>(GlobalAlloc(GPTR, static_cast<SIZE_T>(bytes)));
}

int findWithSeam(const char* type, const char* name, const unsigned char** data,
                 unsigned long* size) {
  return findResourceBytes(type, name, data, size);
}

// A scaled tile kept for the rest of one composition.
struct ScaledTile {
  std::string key;  // type '/' name
  OwnedBlock pixels;
  int cw, ch;
};

// The canvas and the picture source of one composition, for drawing tiles. The tiles that
// come back on one sheet (the plain tile, the edge tiles, the picture of a weekly
// appointment) are scaled once and kept until the composition ends.
struct TileCanvas {
  BYTE* canvas;
  int W, H;
  PictureFinder find;
  std::vector<ScaledTile> kept;
};

constexpr size_t kMostKeptTiles = 8;

bool comesBack(const char* type, const char* name) {
  return !std::strcmp(type, "ALARM") || !std::strcmp(name, "E000") || !std::strcmp(name, "ER") ||
         !std::strcmp(name, "EU");
}

// The picture decoded and scaled to cw x ch, or null when it cannot be read.
OwnedBlock scaledTile(const unsigned char* data, unsigned long size, int cw, int ch) {
  ISSource source = IS40_OpenMemorySource(data, static_cast<DWORD>(size));
  if (!source) return nullptr;
  DWORD w = 0, h = 0;
  OwnedBlock picture(IS40_ReadPSD(source, &w, &h, 24, nullptr, 0));
  IS40_CloseSource(source);
  if (!picture) return nullptr;
  OwnedBlock tile(allocatePixels(cw, ch));
  if (tile && !IS40_ResizeImage(picture.get(), w, h, w * 3, tile.get(), static_cast<DWORD>(cw),
                                static_cast<DWORD>(ch), static_cast<DWORD>(cw) * 3, 3,
                                kIsResizeBilinear, 0))
    tile.reset();
  return tile;
}

int drawResourceTile(void* user, const char* type, const char* name, int x, int y, int cw,
                     int ch, double alpha) {
  TileCanvas* target = static_cast<TileCanvas*>(user);
  const unsigned char* data = nullptr;
  unsigned long size = 0;
  if (!target->find(type, name, &data, &size) || !data || size == 0) return kTileNotFound;
  // A cell wholly off the canvas would be cut away entirely by the overlay (the layout keeps
  // the sheet on the canvas, but a caller may pass its own): the picture is there, so it
  // counts as laid.
  if (x >= target->W || y >= target->H || x + cw <= 0 || y + ch <= 0) return kTileDrawn;

  std::string key = std::string(type) + "/" + name;
  const BYTE* tile = nullptr;
  OwnedBlock once;  // a tile that is not kept goes when this call ends
  for (const ScaledTile& t : target->kept)
    if (t.key == key && t.cw == cw && t.ch == ch) tile = t.pixels.get();
  if (!tile) {
    once = scaledTile(data, size, cw, ch);
    if (!once) return kTileFailed;
    tile = once.get();
    if (comesBack(type, name) && target->kept.size() < kMostKeptTiles)
      target->kept.push_back(ScaledTile{key, std::move(once), cw, ch});
  }
  int result = IS40_OverlayRGBTrans(target->canvas, static_cast<DWORD>(target->W),
                                    static_cast<DWORD>(target->H),
                                    static_cast<DWORD>(target->W) * 3, tile,
                                    static_cast<DWORD>(cw), static_cast<DWORD>(ch),
                                    static_cast<DWORD>(cw) * 3, x, y, alpha, kTileKeyColour,
                                    kTileKeyTolerance, 0)
                   ? kTileDrawn
                   : kTileFailed;
  return result;
}

// The sheet's texts go straight into the canvas through the smooth-text operations.
class CanvasTextPainter : public TextPainter {
 public:
  CanvasTextPainter(BYTE* canvas, int W, int H) : canvas_(canvas), W_(W), H_(H) {}
  int measure(const char* text, const LOGFONTA& font, const RECT& rect, int& w,
              int& h) override {
    LONG lw = 0, lh = 0;
    BOOL ok = IS40_GetTextLineSize2(text, &font, &rect, 0, 0, &lw, &lh);
    w = ok ? static_cast<int>(lw) : 0;
    h = ok ? static_cast<int>(lh) : 0;
    return ok ? 1 : 0;
  }
  void setOpacity(double opacity) override { IS40_SetTextTransparency(opacity); }
  void draw(const char* text, const LOGFONTA& font, const RECT& rect, COLORREF colour) override {
    // Text below or beside the canvas would be clipped away whole; the mask reaches at most
    // a blank's width (less than the font height) beyond the rectangle's sides.
    LONG reach = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
    if (rect.top >= H_ || rect.bottom <= 0 || rect.left - reach >= W_ || rect.right + reach <= 0)
      return;
    IS40_DrawSmoothTextOnRGB2(canvas_, static_cast<DWORD>(W_), static_cast<DWORD>(H_),
                              static_cast<DWORD>(W_) * 3, text, &font, kTextScale, &rect, 0, 0,
                              colour);
  }

 private:
  BYTE* canvas_;
  int W_, H_;
};

}  // namespace

BYTE* loadBackgroundFromResources(void* user, const char* name, DWORD* width, DWORD* height) {
  const PictureFinder* chosen = static_cast<const PictureFinder*>(user);
  PictureFinder find = chosen && *chosen ? *chosen : findWithSeam;
  const unsigned char* dib = nullptr;
  unsigned long size = 0;
  if (!find("BITMAP", name, &dib, &size) || !dib) return nullptr;

  // A bitmap resource is a packed DIB.
  int32_t error = 0;
  return readPackedDibImage(dib, size, 24, *width, *height, error);
}

void snapshotAppointmentPictures(const AppointmentTable& table, int month, int year,
                                 int pictures[32]) {
  pictures[0] = 0;
  int days = DaysInMonth(month, year);
  for (int d = 1; d <= 31; ++d)
    pictures[d] = d <= days ? findAppointmentPicture(table, d, month, year) : 0;
}

void prepareWallpaperJob(WallpaperJob& job, const WallpaperLook& look,
                         const AppointmentTable& table, const LocalTime& now, int W, int H,
                         const char* path) {
  job.look = look;
  job.day = now.day;
  job.month = now.month;
  job.year = now.year;
  job.weekday = now.weekday;
  job.W = W;
  job.H = H;
  job.seed = jobSeed(now.minute, now.second, now.millisecond, now.day);
  snapshotAppointmentPictures(table, now.month, now.year, job.appointmentPictures);
  std::snprintf(job.path, sizeof job.path, "%s", path ? path : "");
}

BYTE* composeWallpaperImage(const WallpaperJob& job, WallpaperResult& result) {
  const WallpaperLook& look = job.look;
  result = WallpaperResult();
  result.oldDay = job.day;

  int easterMonth = 0, easterDay = 0;
  EasterSunday(job.year, &easterMonth, &easterDay);
  SheetLayout layout = computeSheetLayout(job.W, job.H, look.left, look.top, look.right,
                                          job.day, job.month, job.year, job.weekday, job.bottom);
  result.layout = layout;
  result.cells.reset();
  result.sheetFontHeight = look.sheetFont.lfHeight;
  result.headerFontHeight = layout.headerHeight;

  // Background, stretched over the whole canvas.
  char name[16];
  std::snprintf(name, sizeof name, "HG%03d", look.background);
  DWORD bw = 0, bh = 0;
  OwnedBlock background(
      job.background.load
          ? job.background.load(job.background.user, name, &bw, &bh)
          : loadBackgroundFromResources(const_cast<PictureFinder*>(&job.findPicture), name, &bw,
                                        &bh));
  if (!background) return nullptr;
  OwnedBlock owned(allocatePixels(job.W, job.H));
  if (!owned) return nullptr;
  BYTE* canvas = owned.get();
  IS40_ResizeImage(background.get(), bw, bh, bw * 3, canvas, static_cast<DWORD>(job.W),
                   static_cast<DWORD>(job.H), static_cast<DWORD>(job.W) * 3, 3,
                   kIsResizeBilinear, 0);
  background.reset();

  // Texts.
  CanvasTextPainter painter(canvas, job.W, job.H);
  SheetText text(painter);
  text.sheetFont = look.sheetFont;
  text.headerFont = look.headerFont;
  text.headerFont.lfHeight = layout.headerHeight;
  SheetTextOptions options{look.weekdayHeader, look.weekNumbers, look.region};
  drawSheetText(text, layout, options, job.day, job.month, job.year);
  result.sheetFontChanged = text.sheetFontChanged;
  result.sheetFontHeight = text.sheetFont.lfHeight;
  result.headerFontHeight = text.headerFont.lfHeight;

  // Pictures over the texts.
  JobRandom random(job.seed);
  TileCanvas tiles{canvas, job.W, job.H, job.findPicture ? job.findPicture : findWithSeam, {}};
  PictureContext ctx;
  ctx.random = &random;
  ctx.isEasterMonth = easterMonth == job.month;
  ctx.appointmentPictures = job.appointmentPictures;
  ctx.drawer = {&drawResourceTile, &tiles};
  placeSheetPictures(ctx, layout, job.day, job.month, job.year);
  result.cells = ctx.cells;
  return owned.release();
}

int writeWallpaperFile(const BYTE* canvas, int W, int H, const char* path) {
  if (!canvas || W <= 0 || H <= 0 || !path || !*path) return 0;
  SafeReplace replace(path);
  ISDest dest = IS40_OpenFileDest(replace.temporaryPath(), 0);
  if (!dest) return 0;
  IS40_WriteBMP(dest, canvas, static_cast<DWORD>(W), static_cast<DWORD>(H), 24,
                static_cast<DWORD>(W) * 3, 0, nullptr, nullptr, 0);
  int ok = IS40_GetLastError() == 0;
  // The size after the final flush tells whether the last buffered bytes arrived too.
  unsigned long long rowBytes = (static_cast<unsigned long long>(W) * 3 + 3) / 4 * 4;
  unsigned long long expected = 54 + rowBytes * static_cast<unsigned long long>(H);
  DWORD written = IS40_CloseDest(dest);
  if (written != expected) ok = 0;
  return ok && replace.commit();
}

int ComposeWallpaper(const WallpaperJob& job, WallpaperResult& result) {
  OwnedBlock canvas(composeWallpaperImage(job, result));
  if (!canvas) return result.ok = 0;
  result.ok = writeWallpaperFile(canvas.get(), job.W, job.H, job.path);
  return result.ok;
}
