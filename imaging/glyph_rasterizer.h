// The glyph rasterizer: the one piece of the smooth text that needs the platform. It measures
// a line the way DrawTextEx with DT_CALCRECT lays it out and renders it as a 1-bit mask.
// Windows draws through GDI (win32/gdi_rasterizer.cpp), the native build through FreeType and
// fontconfig (native/freetype_rasterizer.cpp); tests put a fake in its place.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win_compat.h"

// DrawTextEx format flags as far as the text code reads them. Windows has them already.
#ifndef DT_CALCRECT
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#endif

// A line of text as the caller gave it: Windows-1252 bytes, or UTF-16 units when wide.
struct TextRun {
  const char* narrow = nullptr;
  const uint16_t* wide = nullptr;
  size_t length = 0;  // in bytes or in UTF-16 units
};

// A 1-bit picture owned by the caller: rows top-down, each `stride` bytes (a multiple of 4),
// the leftmost pixel in the highest bit. A set bit is ink.
struct MonoMask {
  uint8_t* bits = nullptr;
  int width = 0;
  int height = 0;
  size_t stride = 0;
};

class GlyphRasterizer {
 public:
  virtual ~GlyphRasterizer() = default;

  // Lays the text out in `rect` as DrawTextEx(format | DT_CALCRECT) does and replaces `rect`
  // with the computed extent. Returns 0 or the library error code (10 device context, 18 font,
  // 1 memory).
  virtual int measure(const TextRun& text, const LOGFONTA& font, RECT& rect, UINT format) = 0;

  // Draws the text white-on-black into `mask` (already cleared) inside `rect`, as
  // DrawTextEx(format) would draw it into a one-bit bitmap of the mask's size. DT_CALCRECT is
  // never set here. Returns 0 or an error code as above.
  virtual int render(const TextRun& text, const LOGFONTA& font, const RECT& rect, UINT format,
                     MonoMask& mask) = 0;
};

// The rasterizer in use: the platform's own unless a test has put another in its place.
GlyphRasterizer& glyphRasterizer();

// Puts `replacement` in place of the platform's rasterizer for every thread; null puts the
// platform's back. For tests: call it while no text is being drawn.
void setGlyphRasterizer(GlyphRasterizer* replacement);

// The platform's rasterizer (defined in native/ or win32/).
GlyphRasterizer& platformGlyphRasterizer();
