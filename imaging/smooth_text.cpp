#include "imaging/smooth_text.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>

#include "imaging/frame.h"
#include "imaging/glyph_rasterizer.h"

namespace {

std::atomic<GlyphRasterizer*> rasterizerOverride{nullptr};

struct BlendTable {
  uint8_t entry[256 * 256];
  BlendTable() {
    // The weight is scaled first and rounded to double, then multiplied by the value; this
    // order makes a few entries one lower than v * w / 255 (and the table not symmetric).
    const double unit = 1.0 / 255.0;
    for (int w = 0; w < 256; ++w) {
      const double weight = w * unit;
      for (int v = 0; v < 256; ++v) {
        const double product = v * weight;
        entry[w * 256 + v] = static_cast<uint8_t>(static_cast<int>(product));
      }
    }
  }
};

size_t textLength(const void* text, bool wide) {
  if (!wide) return std::strlen(static_cast<const char*>(text));
  const uint16_t* units = static_cast<const uint16_t*>(text);
  size_t n = 0;
  while (units[n]) ++n;
  return n;
}

TextRun makeRun(const void* text, bool wide) {
  TextRun run;
  if (wide) run.wide = static_cast<const uint16_t*>(text);
  else run.narrow = static_cast<const char*>(text);
  run.length = textLength(text, wide);
  return run;
}

int64_t clampTo(int64_t value, int64_t low, int64_t high) {
  return value < low ? low : (value > high ? high : value);
}

}  // namespace

GlyphRasterizer& glyphRasterizer() {
  GlyphRasterizer* replacement = rasterizerOverride.load(std::memory_order_acquire);
  return replacement ? *replacement : platformGlyphRasterizer();
}

void setGlyphRasterizer(GlyphRasterizer* replacement) {
  rasterizerOverride.store(replacement, std::memory_order_release);
}

// Lit bits of a mask row from bit `first` (most significant bit first) on, `n` of them. Reads
// whole words, up to eight bytes past the bits asked for (the mask block has that room).
static unsigned litBits(const BYTE* row, uint64_t first, unsigned n) {
  unsigned count = 0;
  while (n) {
    uint64_t word;
    std::memcpy(&word, row + (first >> 3), sizeof word);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    word = __builtin_bswap64(word);  // the first byte holds the most significant bits
#endif
    const unsigned take = n < 56 ? n : 56;
    word = (word << (first & 7)) >> (64 - take);
    if (word) {  // most of a text's rectangle is blank
      word -= (word >> 1) & 0x5555555555555555ull;
      word = (word & 0x3333333333333333ull) + ((word >> 2) & 0x3333333333333333ull);
      word = (word + (word >> 4)) & 0x0F0F0F0F0F0F0F0Full;
      count += unsigned((word * 0x0101010101010101ull) >> 56);
    }
    first += take;
    n -= take;
  }
  return count;
}

const uint8_t* textBlendTable() {
  static const BlendTable table;
  return table.entry;
}

int drawSmoothTextCore(BYTE* image, DWORD width, DWORD height, DWORD stride, unsigned bytesPerPixel,
                       const void* text, const LOGFONTA* font, int scale, const RECT* rect,
                       UINT format, DWORD textFlags, COLORREF colour, double opacity) {
  if (!image || !font || !rect) return kIsErrBadArgument;
  if (bytesPerPixel != 3 && bytesPerPixel != 4) return kIsErrBadArgument;
  if (scale < 0) return kIsErrBadArgument;
  if (width && height && uint64_t(stride) < uint64_t(width) * bytesPerPixel) return kIsErrBadArgument;
  if (!text) return kIsOk;

  const bool wide = (textFlags & kTextWide) != 0;
  const TextRun run = makeRun(text, wide);
  if (run.length == 0) return kIsOk;

  LOGFONTA big = *font;
  const int64_t bigHeight = int64_t(font->lfHeight) * scale;
  if (bigHeight < INT_MIN || bigHeight > INT_MAX) return kIsErrBadArgument;
  big.lfHeight = static_cast<LONG>(bigHeight);

  const int64_t rectWidth = int64_t(rect->right) - rect->left;
  const int64_t rectHeight = int64_t(rect->bottom) - rect->top;
  const int64_t bigWidth = rectWidth * scale;
  const int64_t bigRows = rectHeight * scale;
  if (bigWidth <= 0 || bigRows <= 0) return kIsOk;

  GlyphRasterizer& rasterizer = glyphRasterizer();

  // One space of margin on each side keeps overhanging first and last glyphs.
  TextRun space;
  space.narrow = " ";
  space.length = 1;
  RECT spaceRect = {0, 0, 0, 0};
  int error = rasterizer.measure(space, *font, spaceRect, 0);
  if (error) return error;
  const int64_t margin = spaceRect.right > spaceRect.left ? int64_t(spaceRect.right) - spaceRect.left : 0;

  const int64_t maskBitsWide = bigWidth + 2 * margin * scale;
  if (maskBitsWide > INT_MAX || bigRows > INT_MAX) return kIsErrOutOfMemory;
  const uint64_t maskStride = uint64_t((maskBitsWide + 31) / 32) * 4;
  ScratchBlock bitBlock;
  int32_t allocError = kIsOk;
  // Eight bytes beyond the last row let the block count below read whole words.
  if (!bitBlock.allocate(maskStride * uint64_t(bigRows) + 8, allocError)) return allocError;
  BYTE* bits = bitBlock.get();

  MonoMask mask;
  mask.bits = bits;
  mask.width = static_cast<int>(maskBitsWide);
  mask.height = static_cast<int>(bigRows);
  mask.stride = maskStride;
  const RECT drawRect = {static_cast<LONG>(margin * scale), 0, static_cast<LONG>(bigWidth + margin * scale),
                         static_cast<LONG>(bigRows)};
  error = rasterizer.render(run, big, drawRect, format & ~UINT(DT_CALCRECT), mask);
  if (error) return error;

  // Each lit big pixel stands for trunc(255 * opacity); a mask byte is the integer mean of its
  // scale x scale block.
  if (!(opacity >= 0.0)) opacity = 0.0;
  if (opacity > 1.0) opacity = 1.0;
  const unsigned lit = static_cast<unsigned>(static_cast<int>(255.0 * opacity));
  const unsigned blockArea = unsigned(scale) * unsigned(scale);

  const int64_t maskWidth = rectWidth + 2 * margin;
  const int64_t maskHeight = rectHeight;
  const bool bottomUp = (textFlags & kTextBottomUp) != 0;
  const int64_t originX = int64_t(rect->left) - margin;
  const int64_t originY = bottomUp ? int64_t(height) - rectHeight - rect->top : int64_t(rect->top);
  // Only the part of the mask that holds ink is visited: a text's rectangle is mostly blank.
  int64_t inkTop = -1, inkBottom = -1, inkLeftByte = int64_t(maskStride), inkRightByte = -1;
  for (int64_t bigRow = 0; bigRow < bigRows; ++bigRow) {
    const BYTE* row = bits + uint64_t(bigRow) * maskStride;
    int64_t first = 0, last = int64_t(maskStride) - 1;
    while (first <= last && !row[first]) ++first;
    if (first > last) continue;
    while (!row[last]) --last;
    if (inkTop < 0) inkTop = bigRow;
    inkBottom = bigRow;
    inkLeftByte = std::min(inkLeftByte, first);
    inkRightByte = std::max(inkRightByte, last);
  }
  if (inkTop < 0) return kIsOk;
  const int64_t inkColumn0 = inkLeftByte * 8 / scale, inkColumn1 = (inkRightByte * 8 + 8 + scale - 1) / scale;
  const int64_t inkRow0 = (bottomUp ? bigRows - 1 - inkBottom : inkTop) / scale;
  const int64_t inkRow1 = (bottomUp ? bigRows - 1 - inkTop : inkBottom) / scale + 1;
  const int64_t x0 = clampTo(originX + inkColumn0, 0, width);
  const int64_t x1 = clampTo(originX + std::min(maskWidth, inkColumn1), 0, width);
  const int64_t y0 = clampTo(originY + inkRow0, 0, height);
  const int64_t y1 = clampTo(originY + std::min(maskHeight, inkRow1), 0, height);

  const uint8_t* table = textBlendTable();
  const BYTE colourBytes[4] = {GetRValue(colour), GetGValue(colour), GetBValue(colour),
                               static_cast<BYTE>(colour >> 24)};
  const unsigned blendBytes = (bytesPerPixel == 4 && !(textFlags & kTextKeepFourth)) ? 4 : 3;

  const int64_t rowStep = bottomUp ? -1 : 1;
  for (int64_t y = y0; y < y1; ++y) {
    // Mask rows are kept in the target's row order: flipped when the target is bottom-up.
    const int64_t maskRow = y - originY;
    const int64_t firstBigRow = bottomUp ? bigRows - 1 - maskRow * scale : maskRow * scale;
    BYTE* pixel = image + uint64_t(y) * stride + uint64_t(x0) * bytesPerPixel;
    for (int64_t x = x0; x < x1; ++x, pixel += bytesPerPixel) {
      const uint64_t firstBit = uint64_t(x - originX) * unsigned(scale);
      unsigned count = 0;
      for (int64_t dy = 0; dy < scale; ++dy)
        count += litBits(bits + uint64_t(firstBigRow + dy * rowStep) * maskStride, firstBit, unsigned(scale));
      const unsigned coverage = count * lit / blockArea;
      if (coverage == 0) continue;
      const uint8_t* keep = table + (255 - coverage) * 256;
      const uint8_t* take = table + coverage * 256;
      for (unsigned k = 0; k < blendBytes; ++k) pixel[k] = BYTE(keep[pixel[k]] + take[colourBytes[k]]);
    }
  }
  return kIsOk;
}

void IS40_SetTextTransparency(double opacity) {
  IsOperation op("IS40_SetTextTransparency");
  if (!op.active()) return;
  op.state()->textTransparency = clampUnit(opacity);
}

BOOL IS40_GetTextLineSize2(const void* text, const LOGFONTA* font, const RECT* rect, UINT format,
                           DWORD textFlags, LONG* width, LONG* height) {
  IsOperation op("IS40_GetTextLineSize2");
  if (!op.active()) return 0;
  // Cleared first, so that empty text reads as 0 x 0.
  if (width) *width = 0;
  if (height) *height = 0;
  if (!font) return op.fail(kIsErrBadArgument), 0;
  if (!text) return 1;
  const TextRun run = makeRun(text, (textFlags & kTextWide) != 0);
  if (run.length == 0) return 1;
  RECT extent = rect ? *rect : RECT{0, 0, 0, 0};
  const int error = glyphRasterizer().measure(run, *font, extent, format | DT_CALCRECT);
  if (error) return op.fail(error), 0;
  if (width) *width = extent.right - extent.left;
  if (height) *height = extent.bottom - extent.top;
  return 1;
}

BOOL IS40_DrawSmoothTextOnRGB2(BYTE* image, DWORD width, DWORD height, DWORD stride,
                               const void* text, const LOGFONTA* font, int scale, const RECT* rect,
                               UINT format, DWORD textFlags, COLORREF colour) {
  IsOperation op("IS40_DrawSmoothTextOnRGB2");
  if (!op.active()) return 0;
  const int error = drawSmoothTextCore(image, width, height, stride, 3, text, font, scale, rect, format,
                                       textFlags, colour, op.state()->textTransparency);
  if (error) return op.fail(error), 0;
  return 1;
}
