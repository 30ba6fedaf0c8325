// Operations on RgbImage buffers: bilinear scaling, overlay with a transparent key colour,
// solid rectangle fill. All three work in place on the caller's buffers.
#pragma once

#include <cstdint>

#include "platform/win_compat.h"

// The one scaling mode that is built: bilinear.
constexpr uint32_t kIsResizeBilinear = 16;

// Scales source (sw x sh, stride ss) into dest (dw x dh, stride ds). Bytes between
// dw x bytesPerPixel and the destination stride are left alone. Non-zero on success.
BOOL IS40_ResizeImage(const BYTE* source, uint32_t sourceWidth, uint32_t sourceHeight, uint32_t sourceStride,
                      BYTE* dest, uint32_t destWidth, uint32_t destHeight, uint32_t destStride,
                      uint32_t bytesPerPixel, uint32_t mode, uint32_t flags);

// Overlay flags.
constexpr uint32_t kIsOverlayByteTables = 1;       // 8-bit tables of truncated products
constexpr uint32_t kIsOverlaySwapKey = 2;          // swap red and blue of the key colour
constexpr uint32_t kIsOverlayTarget4Bytes = 4;     // target has 4 bytes per pixel
constexpr uint32_t kIsOverlayOverlay4Bytes = 8;    // overlay has 4 bytes per pixel

// Lays overlay with its top-left pixel at (x, y) onto target; pixels within `tolerance`
// (squared RGB distance; 0 = exact) of `transparent` are skipped. Non-zero on success.
BOOL IS40_OverlayRGBTrans(BYTE* target, uint32_t targetWidth, uint32_t targetHeight, uint32_t targetStride,
                          const BYTE* overlay, uint32_t overlayWidth, uint32_t overlayHeight,
                          uint32_t overlayStride, int32_t x, int32_t y, double opacity,
                          COLORREF transparent, uint32_t tolerance, uint32_t flags);

// Fill flags.
constexpr uint32_t kIsFillBgr = 1;  // write the colour as blue, green, red

// Fills columns left ... right (inclusive) and rows top ... bottom - 1 with `colour`, cut at the
// image's edges. Non-zero on success.
BOOL IS40_FillSolidRect(BYTE* image, uint32_t width, uint32_t height, uint32_t bytesPerPixel, uint32_t stride,
                        const RECT* rect, COLORREF colour, uint32_t flags);
