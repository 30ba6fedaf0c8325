// The generic image reader: recognises a picture's format from its first bytes and hands it
// to that format's reader.
#pragma once

#include <cstdint>

#include "imaging/sources.h"
#include "platform/win_compat.h"

enum ImageFormat : int32_t {
  kFormatUnknown = 0,
  kFormatBmp = 1,
  kFormatGif = 2,
  kFormatJpeg = 3,
  kFormatPng = 4,
  kFormatPcx = 5,
  kFormatTiff = 6,
  kFormatWmf = 7,
  kFormatEmf = 8,
  kFormatPax = 9,
  kFormatPsd = 10,
  kFormatTla = 11,  // "TLA" 01
  kFormatTlau = 12,
  kFormatWbmp = 13,
  kFormatTga = 14,
  kFormatPcdOpa = 15,
  kFormatPcd = 16,
  kFormatJpeg2000 = 17,
  kFormatJpeg2000Stream = 18,
  kFormatCompound = 19,
  kFormatPbm = 20,
  kFormatPgm = 21,
  kFormatPpm = 22,
};

// A format that is recognised but has no decoder in this build fails with kIsErrNoDecoder
// (imaging/frame.h); the log line names the format.

// The format of the picture in `source` (kFormatUnknown when nothing matches). Error 3 when
// not even its first bytes can be read, 5 for a null source. The position is left undefined.
int32_t IS40_GuessFileType(ISSource source);

// Reads a picture of any known format. form 0 gives an RgbImage (3 bytes per pixel, R, G, B,
// top-down, stride width × 3) in a GlobalAlloc block that the caller frees with GlobalFree;
// the other forms (4 bytes per pixel, a packed DIB) are not built and fail with error 5.
BYTE* IS40_ReadImage(ISSource source, DWORD* width, DWORD* height, DWORD form, DWORD reserved);

// The decoders that the generic reader reaches through libraries. In the native build they
// use libpng, libjpeg and libtiff; the Windows build has none of them and fails with
// kIsErrNoDecoder. bitsPerPixel must be 24, palette null and flags 0.
BYTE* IS40_ReadPNG(ISSource source, DWORD* width, DWORD* height, DWORD bitsPerPixel,
                   BYTE* palette, DWORD flags);
BYTE* IS40_ReadJPG(ISSource source, DWORD* width, DWORD* height, DWORD bitsPerPixel,
                   BYTE* palette, DWORD flags);
BYTE* IS40_ReadTIFF(ISSource source, DWORD* width, DWORD* height, DWORD bitsPerPixel,
                    BYTE* palette, DWORD flags);
