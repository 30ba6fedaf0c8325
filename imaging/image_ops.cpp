#include "imaging/image_ops.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "imaging/frame.h"

namespace {

// Round to nearest, ties to even, of a sample value 0 <= v < 255.5 (a blend of bytes with
// weights that sum to 1): adding 1.5 * 2^52 leaves no fraction bits, so the addition itself
// rounds in the default (nearest-even) mode, exactly as nearbyint would, and the integer then
// sits in the low bits of the double. Written this way the compiler vectorises it.
inline BYTE roundedByte(double v) {
  double t = v + 6755399441055744.0;
  uint64_t bits;
  std::memcpy(&bits, &t, sizeof bits);
  return static_cast<BYTE>(bits);
}

inline BYTE toByte(int v) { return static_cast<BYTE>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// One source row widened to doubles at the destination's sample positions: left[i] is the
// sample at the left neighbour of destination sample i, right[i] at the right neighbour. The
// inner loop then runs over contiguous arrays only.
struct ExpandedRow {
  int64_t row = -1;
  double* left = nullptr;
  double* right = nullptr;
};

struct ResizeTables {
  size_t samples = 0;        // destination width x bytes per pixel
  double* ax = nullptr;      // horizontal fraction per destination sample
  DWORD* leftIndex = nullptr;
  DWORD* rightIndex = nullptr;
  ExpandedRow slots[2];
};

void expandRow(const ResizeTables& t, const BYTE* sourceRow, ExpandedRow& slot, int64_t row) {
  const DWORD* li = t.leftIndex;
  const DWORD* ri = t.rightIndex;
  double* l = slot.left;
  double* r = slot.right;
  for (size_t i = 0; i < t.samples; ++i) {
    l[i] = sourceRow[li[i]];
    r[i] = sourceRow[ri[i]];
  }
  slot.row = row;
}

// The slot that holds `row`, filling one that is not `keep`.
ExpandedRow& rowSlot(ResizeTables& t, const BYTE* source, uint64_t sourceStride, int64_t row, const ExpandedRow* keep) {
  for (ExpandedRow& s : t.slots)
    if (s.row == row) return s;
  ExpandedRow& victim = (&t.slots[0] == keep) ? t.slots[1] : t.slots[0];
  expandRow(t, source + static_cast<uint64_t>(row) * sourceStride, victim, row);
  return victim;
}

// The weights of each sample; the sum runs in the fixed order
// ((lower right * w11 + lower left * w10) + upper right * w01) + upper left * w00.
#if defined(__GNUC__)
__attribute__((always_inline))
#endif
inline void blendRowBody(const ResizeTables& t, const ExpandedRow& upper, const ExpandedRow& lower, double ay,
                         BYTE* out) {
  const double aym = 1.0 - ay;
  const double* ax = t.ax;
  const double* u0 = upper.left;
  const double* u1 = upper.right;
  const double* l0 = lower.left;
  const double* l1 = lower.right;
  const size_t n = t.samples;  // a local: the byte stores could alias the table's field
  for (size_t i = 0; i < n; ++i) {
    const double a = ax[i];
    const double am = 1.0 - a;
    const double w00 = aym * am;
    const double w01 = a * aym;
    const double w10 = am * ay;
    const double w11 = a * ay;
    double v = l1[i] * w11 + l0[i] * w10;
    v = v + u1[i] * w01;
    v = v + u0[i] * w00;
    out[i] = roundedByte(v);
  }
}

void blendRowBaseline(const ResizeTables& t, const ExpandedRow& upper, const ExpandedRow& lower, double ay,
                      BYTE* out) {
  blendRowBody(t, upper, lower, ay, out);
}

// The same loop compiled for wider vectors where the processor has them. Plain IEEE
// multiplications and additions (no fused multiply-add), so every byte is the same.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define QUENDLER_WIDE_BLEND 1
__attribute__((target("avx2"))) void blendRowWide(const ResizeTables& t, const ExpandedRow& upper,
                                                  const ExpandedRow& lower, double ay, BYTE* out) {
  blendRowBody(t, upper, lower, ay, out);
}
#endif

std::atomic<bool> wideBlendAllowed{true};

using BlendRowFunction = void (*)(const ResizeTables&, const ExpandedRow&, const ExpandedRow&, double, BYTE*);

BlendRowFunction chooseBlendRow() {
#ifdef QUENDLER_WIDE_BLEND
  if (wideBlendAllowed.load() && __builtin_cpu_supports("avx2")) return blendRowWide;
#endif
  return blendRowBaseline;
}

int32_t resizeBilinear(const BYTE* source, DWORD sw, DWORD sh, DWORD ss, BYTE* dest, DWORD dw,
                       DWORD dh, DWORD ds, DWORD bpp) {
  // Both strides are 32-bit and at least width x bytes per pixel, so sample indices fit 32 bits.
  const size_t samples = static_cast<size_t>(dw) * bpp;
  uint64_t scratchBytes;
  if (!checkedMultiply(samples, 4 * sizeof(double) + sizeof(double) + 2 * sizeof(DWORD), scratchBytes))
    return kIsErrOutOfMemory;
  ScratchBlock scratch;
  int32_t error = kIsOk;
  if (!scratch.allocate(scratchBytes, error)) return error;

  ResizeTables t;
  t.samples = samples;
  double* d = scratch.as<double>();
  t.ax = d;
  t.slots[0].left = d + samples;
  t.slots[0].right = d + 2 * samples;
  t.slots[1].left = d + 3 * samples;
  t.slots[1].right = d + 4 * samples;
  t.leftIndex = reinterpret_cast<DWORD*>(d + 5 * samples);
  t.rightIndex = t.leftIndex + samples;

  double sx = static_cast<double>(sw) / dw;
  if (sw < dw) sx = (sw - static_cast<double>(sw) / dw) / dw;
  double sy = static_cast<double>(sh) / dh;
  if (sh < dh) sy = (sh - static_cast<double>(sh) / dh) / dh;

  for (DWORD x = 0; x < dw; ++x) {
    double fx = x * sx;
    int64_t cx = static_cast<int64_t>(fx);
    double ax = fx - static_cast<double>(cx);
    if (cx > static_cast<int64_t>(sw) - 1) cx = sw - 1;
    int64_t cx1 = std::min<int64_t>(cx + 1, sw - 1);
    for (DWORD k = 0; k < bpp; ++k) {
      size_t i = static_cast<size_t>(x) * bpp + k;
      t.ax[i] = ax;
      t.leftIndex[i] = static_cast<DWORD>(cx * bpp + k);
      t.rightIndex[i] = static_cast<DWORD>(cx1 * bpp + k);
    }
  }

  const BlendRowFunction blendRow = chooseBlendRow();
  for (DWORD y = 0; y < dh; ++y) {
    double fy = y * sy;
    int64_t cy = static_cast<int64_t>(fy);
    double ay = fy - static_cast<double>(cy);
    int64_t upper = std::clamp<int64_t>(cy, 0, sh - 1);
    int64_t lower = std::clamp<int64_t>(cy + 1, 0, sh - 1);
    ExpandedRow& up = rowSlot(t, source, ss, upper, nullptr);
    ExpandedRow& lo = rowSlot(t, source, ss, lower, &up);
    blendRow(t, up, lo, ay, dest + static_cast<uint64_t>(y) * ds);
  }
  return kIsOk;
}

}  // namespace

void setWideResizeAllowedForTests(bool allowed) { wideBlendAllowed.store(allowed); }

BOOL IS40_ResizeImage(const BYTE* source, DWORD sourceWidth, DWORD sourceHeight, DWORD sourceStride,
                      BYTE* dest, DWORD destWidth, DWORD destHeight, DWORD destStride,
                      DWORD bytesPerPixel, DWORD mode, DWORD flags) {
  (void)flags;  // flag bit 0 belongs to the other scaling modes
  IsOperation op("IS40_ResizeImage");
  if (!op.active()) return FALSE;
  if (!source || !dest || !sourceWidth || !sourceHeight || !destWidth || !destHeight || !bytesPerPixel)
    return op.fail(kIsErrBadArgument), FALSE;
  if (static_cast<uint64_t>(sourceWidth) * bytesPerPixel > sourceStride ||
      static_cast<uint64_t>(destWidth) * bytesPerPixel > destStride)
    return op.fail(kIsErrBadArgument), FALSE;
  if (mode != kIsResizeBilinear) {
    char extra[64];
    std::snprintf(extra, sizeof extra, "scaling mode %u is not available", static_cast<unsigned>(mode));
    return op.fail(kIsErrBadArgument, extra), FALSE;
  }

  if (sourceWidth == destWidth && sourceHeight == destHeight && sourceStride == destStride) {
    // Height x stride bytes, except that the last row's padding (which the caller's buffer
    // need not have) is neither read nor written.
    const size_t rowBytes = static_cast<size_t>(sourceWidth) * bytesPerPixel;
    std::memmove(dest, source, static_cast<size_t>(sourceHeight - 1) * sourceStride + rowBytes);
    return TRUE;
  }

  op.code = resizeBilinear(source, sourceWidth, sourceHeight, sourceStride, dest, destWidth, destHeight, destStride,
                           bytesPerPixel);
  return op.code == kIsOk ? TRUE : FALSE;
}

BOOL IS40_OverlayRGBTrans(BYTE* target, DWORD targetWidth, DWORD targetHeight, DWORD targetStride,
                          const BYTE* overlay, DWORD overlayWidth, DWORD overlayHeight,
                          DWORD overlayStride, LONG x, LONG y, double opacity,
                          COLORREF transparent, DWORD tolerance, DWORD flags) {
  IsOperation op("IS40_OverlayRGBTrans");
  if (!op.active()) return FALSE;
  if (!target || target == overlay) return op.fail(kIsErrBadArgument), FALSE;

  const int64_t col0 = std::clamp<int64_t>(x, 0, targetWidth);
  const int64_t col1 = std::clamp<int64_t>(static_cast<int64_t>(x) + overlayWidth, 0, targetWidth);
  const int64_t row0 = std::clamp<int64_t>(y, 0, targetHeight);
  const int64_t row1 = std::clamp<int64_t>(static_cast<int64_t>(y) + overlayHeight, 0, targetHeight);
  if (col0 >= col1 || row0 >= row1) return TRUE;
  if (!overlay) return op.fail(kIsErrBadArgument), FALSE;

  opacity = clampUnit(opacity);
  double keep[256], take[256];
  BYTE keep8[256], take8[256];
  for (int i = 0; i < 256; ++i) {
    keep[i] = i * (1.0 - opacity);
    take[i] = i * opacity;
    keep8[i] = static_cast<BYTE>(static_cast<int>(keep[i]));
    take8[i] = static_cast<BYTE>(static_cast<int>(take[i]));
  }

  COLORREF key = transparent;
  if (flags & kIsOverlaySwapKey)
    key = (key & 0xFF00FF00u) | ((key & 0xFFu) << 16) | ((key >> 16) & 0xFFu);
  const int keyR = static_cast<int>(key & 0xFF);
  const int keyG = static_cast<int>((key >> 8) & 0xFF);
  const int keyB = static_cast<int>((key >> 16) & 0xFF);
  const size_t targetStep = (flags & kIsOverlayTarget4Bytes) ? 4 : 3;
  const size_t overlayStep = (flags & kIsOverlayOverlay4Bytes) ? 4 : 3;
  const bool byteTables = (flags & kIsOverlayByteTables) != 0;
  const bool copy = opacity == 1.0;
  if (opacity == 0.0) return TRUE;  // keep[i] is i and take[] is all 0: nothing changes

  for (int64_t row = row0; row < row1; ++row) {
    BYTE* t = target + static_cast<uint64_t>(row) * targetStride + static_cast<uint64_t>(col0) * targetStep;
    const BYTE* o = overlay + static_cast<uint64_t>(row - y) * overlayStride +
                    static_cast<uint64_t>(col0 - x) * overlayStep;
    for (int64_t col = col0; col < col1; ++col, t += targetStep, o += overlayStep) {
      const COLORREF packed = o[0] | (static_cast<COLORREF>(o[1]) << 8) | (static_cast<COLORREF>(o[2]) << 16);
      if (packed == key) continue;
      if (tolerance != 0) {
        const int dr = o[0] - keyR, dg = o[1] - keyG, db = o[2] - keyB;
        if (static_cast<DWORD>(dr * dr + dg * dg + db * db) <= tolerance) continue;
      }
      if (copy) {  // opacity 1: keep[] is all 0 and take[i] is i
        t[0] = o[0], t[1] = o[1], t[2] = o[2];
        continue;
      }
      for (int k = 0; k < 3; ++k) {
        if (byteTables) {
          t[k] = static_cast<BYTE>(keep8[t[k]] + take8[o[k]]);
        } else {
          int v = static_cast<int>(keep[t[k]] + take[o[k]]);
          t[k] = toByte(v);
        }
      }
    }
  }
  return TRUE;
}

BOOL IS40_FillSolidRect(BYTE* image, DWORD width, DWORD height, DWORD bytesPerPixel, DWORD stride,
                        const RECT* rect, COLORREF colour, DWORD flags) {
  IsOperation op("IS40_FillSolidRect");
  if (!op.active()) return FALSE;
  if (!image || !rect) return op.fail(kIsErrBadArgument), FALSE;
  if (bytesPerPixel != 1 && bytesPerPixel != 3 && bytesPerPixel != 4) return op.fail(kIsErrBadArgument), FALSE;

  // Negative left or top are cut to the image's edge like the other sides.
  const int64_t left = std::max<int64_t>(rect->left, 0);
  const int64_t top = std::max<int64_t>(rect->top, 0);
  int64_t columns = static_cast<int64_t>(rect->right) - left + 1;  // right edge inclusive
  int64_t rows = static_cast<int64_t>(rect->bottom) - top;         // bottom edge exclusive
  if (columns <= 0 || rows <= 0 || left >= width || top >= height) return TRUE;
  columns = std::min<int64_t>(columns, width - left);
  rows = std::min<int64_t>(rows, height - top);

  BYTE pixel[4];
  const BYTE r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
  if (bytesPerPixel == 1) {
    pixel[0] = r;
  } else {
    pixel[0] = (flags & kIsFillBgr) ? b : r;
    pixel[1] = g;
    pixel[2] = (flags & kIsFillBgr) ? r : b;
    pixel[3] = static_cast<BYTE>(colour >> 24);
  }
  bool uniform = true;
  for (DWORD k = 1; k < bytesPerPixel; ++k) uniform = uniform && pixel[k] == pixel[0];

  const size_t rowBytes = static_cast<size_t>(columns) * bytesPerPixel;
  if (uniform && left == 0 && top == 0 && columns == width && rows == height &&
      static_cast<uint64_t>(width) * bytesPerPixel == stride) {
    std::memset(image, pixel[0], static_cast<size_t>(height) * stride);
    return TRUE;
  }
  for (int64_t row = top; row < top + rows; ++row) {
    BYTE* p = image + static_cast<uint64_t>(row) * stride + static_cast<uint64_t>(left) * bytesPerPixel;
    if (uniform) {
      std::memset(p, pixel[0], rowBytes);
    } else {
      for (int64_t c = 0; c < columns; ++c, p += bytesPerPixel) std::memcpy(p, pixel, bytesPerPixel);
    }
  }
  return TRUE;
}
