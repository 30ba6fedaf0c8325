// Operations on RgbImage buffers: bilinear scaling, overlay with a transparent key colour,
// solid rectangle fill. All three work in place on the caller's buffers.
#pragma once

#include <cstdint>

#include "platform/win_compat.h"

// The one scaling mode that is built: bilinear.
constexpr DWORD kIsResizeBilinear = 16;

// Scales source (sw x sh, stride ss) into dest (dw x dh, stride ds). Bytes between
// dw x bytesPerPixel and the destination stride are left alone. Non-zero on success.
BOOL IS40_ResizeImage(const BYTE* source, DWORD sourceWidth, DWORD sourceHeight, DWORD sourceStride,
                      BYTE* dest, DWORD destWidth, DWORD destHeight, DWORD destStride,
                      DWORD bytesPerPixel, DWORD mode, DWORD flags);

// Test seam: with false the resize keeps to the baseline instruction set even where wider
// vectors are available (both paths give the same bytes).
void setWideResizeAllowedForTests(bool allowed);

// Overlay flags.
constexpr DWORD kIsOverlayByteTables = 1;       // 8-bit tables of truncated products
constexpr DWORD kIsOverlaySwapKey = 2;          // swap red and blue of the key colour
constexpr DWORD kIsOverlayTarget4Bytes = 4;     // target has 4 bytes per pixel
constexpr DWORD kIsOverlayOverlay4Bytes = 8;    // overlay has 4 bytes per pixel

// Lays overlay with its top-left pixel at (x, y) onto target; pixels within `tolerance`
// (squared RGB distance; 0 = exact) of `transparent` are skipped. Non-zero on success.
BOOL IS40_OverlayRGBTrans(BYTE* target, DWORD targetWidth, DWORD targetHeight, DWORD targetStride,
                          const BYTE* overlay, DWORD overlayWidth, DWORD overlayHeight,
                          DWORD overlayStride, LONG x, LONG y, double opacity,
                          COLORREF transparent, DWORD tolerance, DWORD flags);

// Fill flags.
constexpr DWORD kIsFillBgr = 1;  // write the colour as blue, green, red

// Fills columns left ... right (inclusive) and rows top ... bottom - 1 with `colour`, cut at the
// image's edges. Non-zero on success.
BOOL IS40_FillSolidRect(BYTE* image, DWORD width, DWORD height, DWORD bytesPerPixel, DWORD stride,
                        const RECT* rect, COLORREF colour, DWORD flags);
