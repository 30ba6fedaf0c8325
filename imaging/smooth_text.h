// Anti-aliased text on RGB buffers: the line is rendered as a 1-bit mask at `scale` times the
// size, averaged down to a coverage mask and blended into the picture through a byte table, at
// the calling thread's text opacity.
#pragma once

#include <cstdint>

#include "platform/win_compat.h"

// Text flags of the drawing and measuring operations.
constexpr DWORD kTextBottomUp = 2;     // the target's rows run bottom-up
constexpr DWORD kTextWide = 4;         // the text is UTF-16, not Windows-1252
constexpr DWORD kTextKeepFourth = 32;  // 4 bytes per pixel: the fourth byte is left alone

// Stores the opacity, limited to 0.0 ... 1.0, for every later drawing in the calling thread.
void IS40_SetTextTransparency(double opacity);

// Measures the text as DrawTextEx would lay it out in `rect` with `format`; width and height of
// the computed rectangle go to the outputs (both 0 for empty text). Non-zero on success.
BOOL IS40_GetTextLineSize2(const void* text, const LOGFONTA* font, const RECT* rect, UINT format,
                           DWORD textFlags, LONG* width, LONG* height);

// Draws the text in `colour` (0x00BBGGRR, red to byte 0) into a 3-bytes-per-pixel picture inside
// `rect`. Non-zero on success; on failure the picture is unchanged.
BOOL IS40_DrawSmoothTextOnRGB2(BYTE* image, DWORD width, DWORD height, DWORD stride,
                               const void* text, const LOGFONTA* font, int scale, const RECT* rect,
                               UINT format, DWORD textFlags, COLORREF colour);

// The shared blend table: entry(w, v) = trunc(v * (w * (1 / 255))) in double arithmetic, in
// exactly that order. Built once; index [w * 256 + v].
const uint8_t* textBlendTable();
inline uint8_t textBlendEntry(unsigned weight, unsigned value) {
  return textBlendTable()[(weight & 255) * 256 + (value & 255)];
}

// The drawing core with the bytes per pixel open (3 or 4) and the outcome as an error code;
// the public operation passes 3 and the thread's opacity.
int drawSmoothTextCore(BYTE* image, DWORD width, DWORD height, DWORD stride, unsigned bytesPerPixel,
                       const void* text, const LOGFONTA* font, int scale, const RECT* rect,
                       UINT format, DWORD textFlags, COLORREF colour, double opacity);
