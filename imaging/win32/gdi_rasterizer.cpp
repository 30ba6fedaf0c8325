// The Windows glyph rasterizer: GDI lays the line out and draws it into a one-bit bitmap with
// DrawTextEx; the bits come back through the bridge's bitmap-to-DIB step.
#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/frame.h"
#include "imaging/glyph_rasterizer.h"
#include "imaging/owned_block.h"
#include "imaging/win32/gdi_bridge.h"
#include "platform/win32/handles.h"

namespace {

// A memory context with one font selected; the members go in reverse order, so the font is
// put back before it is deleted and both before the context goes.
class FontDc {
 public:
  explicit FontDc(const LOGFONTA& font) : dc_(CreateCompatibleDC(nullptr)) {
    if (!dc_) {
      error_ = kIsErrGdi;
      return;
    }
    font_.reset(CreateFontIndirectA(&font));
    if (!font_) {
      error_ = kIsErrFont;
      return;
    }
    selected_ = SelectedObject(dc_.get(), font_.get());
    if (!selected_) error_ = kIsErrGdi;
  }

  int error() const { return error_; }
  HDC dc() const { return dc_.get(); }

 private:
  OwnedDc dc_;
  OwnedFont font_;
  SelectedObject selected_;
  int error_ = kIsOk;
};

// DrawTextEx wants writable text; the run is copied so that nothing of the caller's is touched.
int drawText(HDC dc, const TextRun& text, RECT& rect, UINT format) {
  if (text.wide) {
    std::vector<wchar_t> copy(text.wide, text.wide + text.length);
    copy.push_back(0);
    return DrawTextExW(dc, copy.data(), int(text.length), &rect, format, nullptr);
  }
  std::vector<char> copy(text.narrow, text.narrow + text.length);
  copy.push_back(0);
  return DrawTextExA(dc, copy.data(), int(text.length), &rect, format, nullptr);
}

class GdiRasterizer : public GlyphRasterizer {
 public:
  int measure(const TextRun& text, const LOGFONTA& font, RECT& rect, UINT format) override {
    FontDc context(font);
    if (context.error()) return context.error();
    drawText(context.dc(), text, rect, format | DT_CALCRECT);
    return kIsOk;
  }

  int render(const TextRun& text, const LOGFONTA& font, const RECT& rect, UINT format, MonoMask& mask) override {
    OwnedBitmap bitmap;  // outlives the context it is drawn in
    {
      FontDc context(font);
      if (context.error()) return context.error();
      bitmap.reset(CreateBitmap(mask.width, mask.height, 1, 1, nullptr));
      if (!bitmap) return kIsErrGdi;
      SelectedObject target(context.dc(), bitmap.get());
      if (!target) return kIsErrGdi;
      OwnedBrush black(CreateSolidBrush(RGB(0, 0, 0)));
      if (!black) return kIsErrGdi;
      const RECT whole = {0, 0, mask.width, mask.height};
      FillRect(context.dc(), &whole, black.get());
      SetBkColor(context.dc(), RGB(0, 0, 0));
      SetTextColor(context.dc(), RGB(255, 255, 255));
      SetBkMode(context.dc(), TRANSPARENT);
      RECT box = rect;
      drawText(context.dc(), text, box, format & ~UINT(DT_CALCRECT));
      GdiFlush();
      // GetDIBits wants the bitmap out of every context: the scope ends here.
    }
    int32_t error = kIsOk;
    OwnedBlock dib(bitmapToPackedDib(bitmap.get(), BI_RGB, nullptr, error));
    bitmap.reset();
    if (!dib) return error;

    const BITMAPINFOHEADER& header = *reinterpret_cast<const BITMAPINFOHEADER*>(dib.get());
    if (header.biBitCount != 1 || header.biWidth != mask.width || header.biHeight == 0) return kIsErrGdi;
    // Which table entry is the white text does not depend on GDI's habits.
    const RGBQUAD* table = reinterpret_cast<const RGBQUAD*>(dib.get() + header.biSize);
    const bool ink[2] = {table[0].rgbRed + table[0].rgbGreen + table[0].rgbBlue > 3 * 127,
                         table[1].rgbRed + table[1].rgbGreen + table[1].rgbBlue > 3 * 127};
    const BYTE* rows = packedDibRows(dib.get());
    const uint64_t rowBytes = packedDibRowBytes(header);
    const bool topDown = header.biHeight < 0;
    const int dibRows = topDown ? -header.biHeight : header.biHeight;
    const int height = std::min<int>(mask.height, dibRows);
    const size_t copyBytes = std::min<size_t>(mask.stride, size_t(rowBytes));
    for (int y = 0; y < height; ++y) {
      const BYTE* source = rows + uint64_t(topDown ? y : dibRows - 1 - y) * rowBytes;
      uint8_t* target = mask.bits + size_t(y) * mask.stride;
      if (ink[1] && !ink[0]) {
        std::memcpy(target, source, copyBytes);
      } else if (ink[0] && !ink[1]) {
        for (size_t i = 0; i < copyBytes; ++i) target[i] = uint8_t(~source[i]);
      } else if (ink[0] && ink[1]) {
        std::memset(target, 0xFF, copyBytes);
      }
    }
    return kIsOk;
  }
};

}  // namespace

GlyphRasterizer& platformGlyphRasterizer() {
  static GdiRasterizer rasterizer;
  return rasterizer;
}
