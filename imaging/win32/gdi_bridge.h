// Moving pictures between GDI bitmaps and RgbImage buffers. The go-between is a packed DIB:
// one GlobalAlloc block with a BITMAPINFOHEADER, the colour table (or the three bit-field
// masks), then the rows bottom-up, each padded to 4 bytes.
#pragma once

#include <cstdint>

#include "imaging/owned_block.h"
#include "platform/win_compat.h"

// The RT_BITMAP resource `name` of `module` as a bitmap for the screen (the caller deletes it).
// Error 13 when there is no such resource.
HBITMAP IS40_LoadResourceBitmap(HMODULE module, const char* name, HPALETTE palette);

// The RT_BITMAP resource `name` of `module` as the screen sees it, as an RgbImage; empty when
// the resource is missing or cannot be converted (IS40_GetLastError tells why).
OwnedImage resourceBitmapToRgb(HMODULE module, const char* name);

// Width and height of a GDI bitmap. Records an outcome only on failure (5, 17), so an earlier
// error stays in place on success.
BOOL IS40_GetHBITMAPDimensions(HBITMAP bitmap, DWORD* width, DWORD* height);

// Copies the bitmap into `destination` (width x height x 3 bytes, stride width x 3). `dc` must
// be able to transfer device-independent bitmaps; `palette` may be null.
BOOL IS40_HBITMAPToRGB(HBITMAP bitmap, HDC dc, HPALETTE palette, BYTE* destination);

// A device-dependent bitmap of the picture for `dc` (the screen's when null); the caller
// deletes it.
HBITMAP IS40_RGBToHBITMAP(const BYTE* image, DWORD width, DWORD height, DWORD stride, HPALETTE palette, HDC dc);

// The steps inside, open to the text drawing and the tests. Both return a GlobalAlloc block
// (free with GlobalFree) or null with `error` set.
BYTE* bitmapToPackedDib(HBITMAP bitmap, DWORD compression, HPALETTE palette, int32_t& error);
BYTE* rgbToPackedDib(const BYTE* image, DWORD width, DWORD height, DWORD stride, int32_t& error);

// The pixels of a packed DIB with a BITMAPINFOHEADER (uncompressed or bit fields, as
// bitmapToPackedDib makes it), decoded by the BMP module, as an RgbImage of its size. Returns 0
// or error 17 for a kind it cannot read.
int32_t packedDibToRgb(const BYTE* dib, BYTE* destination);

// Where a packed DIB's rows start, and how many bytes one row takes.
const BYTE* packedDibRows(const BYTE* dib);
uint64_t packedDibRowBytes(const BITMAPINFOHEADER& header);
