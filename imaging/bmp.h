// Windows BMP files: the writer (wallpaper.bmp) and the reader (BITMAPINFOHEADER and OS/2 core
// header; 1, 4, 8, 16, 24, 32 bits; BI_BITFIELDS; RLE4/RLE8; top-down and bottom-up).
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/sources.h"
#include "platform/win_compat.h"

// Writer flags.
constexpr DWORD kIsBmpCompressed = 1;       // compressed writer (not built: error 5)
constexpr DWORD kIsBmpFromPackedDib = 2;    // writer for a packed DIB (not built: error 5)
constexpr DWORD kIsBmpRowsBottomUp = 4;     // the image rows are bottom-up already
constexpr DWORD kIsBmpPixelsBgr = 8;        // the pixels are blue, green, red already
constexpr DWORD kIsBmpStrideRound4 = 0x80000000u;  // round the stride up to a multiple of 4

// Reader flag: output rows padded to a multiple of 4 bytes.
constexpr DWORD kIsBmpReadRowsRound4 = 8;

// Optional resolution for the header, in pixels per metre.
struct BmpResolution {
  int32_t xPixelsPerMeter;
  int32_t yPixelsPerMeter;
};

// Writes the image as a BMP file into dest. Returns the destination's size afterwards (0 when
// writing could not start); IS40_GetLastError tells whether every byte was written. `palette`
// holds paletteEntries entries of 4 bytes (blue, green, red, reserved) for 1, 4 and 8 bits.
DWORD IS40_WriteBMP(ISDest dest, const BYTE* image, DWORD width, DWORD height, DWORD bitsPerPixel,
                       DWORD stride, DWORD paletteEntries, const BYTE* palette,
                       const BmpResolution* resolution, DWORD flags);

// Reads a BMP into a returned buffer (free with GlobalFree): bitsPerPixel 24 gives an RgbImage
// (R, G, B, top-down, stride width x 3), 32 gives R, G, B, 0 per pixel. Palette outputs are not
// built (error 5); `palette` is unused.
BYTE* IS40_ReadBMP(ISSource source, DWORD* width, DWORD* height, DWORD bitsPerPixel, BYTE* palette,
                   DWORD flags);

// Reads the headers only: width, height (always positive) and the file's bits per pixel.
BOOL IS40_GetBMPDims(ISSource source, DWORD* width, DWORD* height, DWORD* bitsPerPixel);

// The same without the frame, for the generic reader: the outcome goes to `error`.
BYTE* readBmpImage(CISIO& source, DWORD& width, DWORD& height, DWORD bitsPerPixel, DWORD flags,
                   int32_t& error);
// A packed DIB (a bitmap resource, the clipboard's CF_DIB): the info header, the colour table
// or bit-field masks and the rows, with no file header in front. The same depths and layouts
// as a BMP file; the result as readBmpImage gives it.
BYTE* readPackedDibImage(const BYTE* dib, size_t size, DWORD bitsPerPixel, DWORD& width,
                         DWORD& height, int32_t& error);
bool readBmpDims(CISIO& source, DWORD& width, DWORD& height, DWORD& bitsPerPixel, int32_t& error);
