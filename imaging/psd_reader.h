// Photoshop (PSD) reader: decodes the flattened composite image at the end of a PSD file.
#pragma once

#include "imaging/sources.h"
#include "platform/win_compat.h"

// Colour modes of the PSD header.
enum PsdColourMode : WORD {
  kPsdBitmap = 0,
  kPsdGrayscale = 1,
  kPsdIndexed = 2,
  kPsdRgb = 3,
  kPsdCmyk = 4,
  kPsdDuotone = 8,
};

// Image resource 1005: the resolution as Photoshop stores it (all big-endian 16-bit values).
struct PsdResolution {
  WORD horizontal;          // pixels per unit, integer part
  WORD horizontalFraction;  // fraction in 1/65536
  WORD horizontalUnit;
  WORD widthUnit;
  WORD vertical;
  WORD verticalFraction;
  WORD verticalUnit;
  WORD heightUnit;
};

// Decodes the composite. bitsPerPixel 24 or 32 gives an RgbImage (3 bytes per pixel, R, G, B,
// top-down, stride width × 3); 8 gives one palette index per pixel and fills `palette` with 256
// entries of blue, green, red, 0 (grayscale, indexed, duotone and bitmap pictures only).
// flags must be 0. The result is a GlobalAlloc block that the caller frees with GlobalFree.
BYTE* IS40_ReadPSD(ISSource source, DWORD* width, DWORD* height, DWORD bitsPerPixel,
                   BYTE* palette, DWORD flags);

// Reads the header and image resources only. Every output after height may be null;
// `resolution` non-null asks for the lookup of image resource 1005 (zeroes when the picture
// has none).
BOOL IS40_GetPSDDims(ISSource source, DWORD* width, DWORD* height, DWORD* bitsPerChannel,
                     DWORD* colourMode, PsdResolution* resolution);

// The same without the frame, for the generic reader: the outcome goes to `error`.
BYTE* readPsdImage(CISIO& source, DWORD& width, DWORD& height, DWORD bitsPerPixel, BYTE* palette,
                   int32_t& error);
