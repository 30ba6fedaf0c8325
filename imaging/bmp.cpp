#include "imaging/bmp.h"

#include <algorithm>
#include <cstring>

#include "imaging/frame.h"

namespace {

void putLE16(BYTE* p, DWORD v) {
  p[0] = static_cast<BYTE>(v);
  p[1] = static_cast<BYTE>(v >> 8);
}

void putLE32(BYTE* p, DWORD v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}

DWORD getLE32(const BYTE* p) {
  return p[0] | (static_cast<DWORD>(p[1]) << 8) | (static_cast<DWORD>(p[2]) << 16) |
         (static_cast<DWORD>(p[3]) << 24);
}

WORD getLE16(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

bool validDepth(DWORD bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// ---- Writing ------------------------------------------------------------------------------

int32_t writeBmp(CISIO& dest, const BYTE* image, DWORD width, DWORD height, DWORD bits, DWORD stride,
                 DWORD entries, const BYTE* palette, const BmpResolution* resolution, DWORD flags) {
  if (flags & kIsBmpStrideRound4) stride = (stride + 3u) & ~3u;
  const uint64_t pixelBytes = (static_cast<uint64_t>(width) * bits + 7) / 8;
  const uint64_t fileRowBytes = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
  if (pixelBytes > stride) return kIsErrBadArgument;
  const uint64_t imageSize = fileRowBytes * height;
  const uint64_t offset = 54 + 4ull * entries;
  if (imageSize > 0xFFFFFFFFull || offset + imageSize > 0xFFFFFFFFull) return kIsErrBadArgument;

  BYTE fileHeader[14] = {'B', 'M'};
  putLE32(fileHeader + 2, static_cast<DWORD>(offset + imageSize));
  putLE32(fileHeader + 10, static_cast<DWORD>(offset));
  BYTE info[40] = {0};
  putLE32(info + 0, 40);
  putLE32(info + 4, width);
  putLE32(info + 8, height);
  putLE16(info + 12, 1);
  putLE16(info + 14, bits);
  putLE32(info + 20, static_cast<DWORD>(imageSize));
  if (resolution) {
    putLE32(info + 24, static_cast<DWORD>(resolution->xPixelsPerMeter));
    putLE32(info + 28, static_cast<DWORD>(resolution->yPixelsPerMeter));
  }
  putLE32(info + 32, entries);
  putLE32(info + 36, entries);
  if (!dest.WriteBytes(fileHeader, sizeof fileHeader) || !dest.WriteBytes(info, sizeof info))
    return kIsErrOutOfMemory;
  for (uint64_t i = 0; i < 4ull * entries; ++i)
    if (!dest.WriteBytes(palette + i, 1)) return kIsErrOutOfMemory;

  ScratchBlock rowBlock;
  int32_t error = kIsOk;
  if (!rowBlock.allocate(fileRowBytes, error)) return error;
  BYTE* row = rowBlock.get();
  const bool swap = (bits == 24 || bits == 32) && !(flags & kIsBmpPixelsBgr);
  const DWORD step = bits / 8;
  static const BYTE zero = 0;
  for (DWORD i = 0; i < height; ++i) {
    const DWORD r = (flags & kIsBmpRowsBottomUp) ? i : height - 1 - i;
    std::memcpy(row, image + static_cast<uint64_t>(r) * stride, static_cast<size_t>(pixelBytes));
    if (swap)
      for (DWORD x = 0; x < width; ++x) std::swap(row[x * step], row[x * step + 2]);
    if (!dest.WriteBytes(row, static_cast<DWORD>(pixelBytes))) return kIsErrWrite;
    for (uint64_t n = pixelBytes; n % 4 != 0; ++n)
      if (!dest.WriteBytes(&zero, 1)) return kIsErrWrite;
  }
  return kIsOk;
}

// ---- Reading ------------------------------------------------------------------------------

struct BmpInfo {
  int64_t width = 0;
  int64_t height = 0;  // negative: top-down
  DWORD bits = 0;
  DWORD compression = 0;
  DWORD masks[3] = {0, 0, 0};
  bool hasMasks = false;
  DWORD entries = 0;  // palette entries read
  BYTE palette[256][4] = {};
};

constexpr DWORD kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3;

// The info header and the colour table, from the source's position on. `offBits` is where the
// file header says the pixels start (0 there: right behind the table, as the writers that leave
// it empty mean); a packed DIB has no file header and passes kPixelsFollowTable.
constexpr DWORD kPixelsFollowTable = 0xFFFFFFFFu;

int32_t readInfoHeader(CISIO& src, BmpInfo& info, DWORD offBits) {
  DWORD headerSize;
  if (!readU32LE(src, headerSize)) return kIsErrRead;
  uint64_t usualOffset;
  if (headerSize == 40) {
    BYTE h[36];
    if (!src.ReadExact(h, sizeof h)) return kIsErrRead;
    info.width = static_cast<int32_t>(getLE32(h + 0));
    info.height = static_cast<int32_t>(getLE32(h + 4));
    info.bits = getLE16(h + 10);
    info.compression = getLE32(h + 12);
    const DWORD coloursUsed = getLE32(h + 28);
    if (info.width <= 0 || info.height == 0) return kIsErrNotBmp;
    switch (info.compression) {
      case kBiRgb:
        break;
      case kBiRle8:
        if (info.bits != 8) return kIsErrNotBmp;
        break;
      case kBiRle4:
        if (info.bits != 4) return kIsErrNotBmp;
        break;
      case kBiBitfields:
        for (DWORD& m : info.masks)
          if (!readU32LE(src, m)) return kIsErrRead;
        info.hasMasks = true;
        break;
      default:
        return kIsErrNotBmp;
    }
    if (!validDepth(info.bits)) return kIsErrNotBmp;
    if (info.bits <= 8) {
      uint64_t count = coloursUsed ? coloursUsed : (1ull << info.bits);
      // Behind a packed DIB's table come the pixels at once: a longer table cannot be skipped.
      if (offBits == kPixelsFollowTable && count > 256) return kIsErrNotBmp;
      info.entries = static_cast<DWORD>(std::min<uint64_t>(count, 256));
      if (!src.ReadExact(info.palette, 4 * info.entries)) return kIsErrRead;
    }
    usualOffset = 54 + 4ull * info.entries;
  } else if (headerSize == 12) {
    // OS/2 core header: 16-bit sizes, always bottom-up, 3-byte palette entries.
    BYTE h[8];
    if (!src.ReadExact(h, sizeof h)) return kIsErrRead;
    info.width = getLE16(h + 0);
    info.height = getLE16(h + 2);
    info.bits = getLE16(h + 6);
    if (info.width == 0 || info.height == 0) return kIsErrNotBmp;
    if (info.bits != 1 && info.bits != 4 && info.bits != 8 && info.bits != 24) return kIsErrNotBmp;
    if (info.bits <= 8) {
      DWORD count = 1u << info.bits;
      // Some writers give a shorter table; the pixel data offset tells.
      if (offBits >= 26 && (offBits - 26) / 3 < count) count = (offBits - 26) / 3;
      info.entries = count;
      for (DWORD i = 0; i < count; ++i) {
        if (!src.ReadExact(info.palette[i], 3)) return kIsErrRead;
        info.palette[i][3] = 0;
      }
    }
    usualOffset = 26 + 3ull * info.entries;
  } else {
    return kIsErrNotBmp;
  }

  if (offBits == kPixelsFollowTable) return kIsOk;
  if (offBits == 0 || offBits == usualOffset) {
    if (offBits) isTrace("BMP read: assuming bfOffBits includes sizeof(BITMAPINFOHEADER)\n");
    return kIsOk;
  }
  DWORD position = 0;
  if (src.Tell(position) && offBits < position)
    isTrace("BMP read: bfOffBits is less than the number of bytes already read!!!\n");
  if (offBits > 0x7FFFFFFFu || !src.Seek(static_cast<int32_t>(offBits), 0)) return kIsErrRead;
  return kIsOk;
}

int32_t readHeaders(CISIO& src, BmpInfo& info) {
  BYTE fileHeader[14];
  if (!src.ReadExact(fileHeader, sizeof fileHeader)) return kIsErrRead;
  if (fileHeader[0] != 'B' || fileHeader[1] != 'M') return kIsErrNotBmp;
  return readInfoHeader(src, info, getLE32(fileHeader + 10));
}

// A channel through a BI_BITFIELDS mask, scaled to 0 ... 255.
struct MaskChannel {
  DWORD mask = 0;
  int shift = 0;
  DWORD max = 0;

  explicit MaskChannel(DWORD m) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1u)) ++shift;
    max = m >> shift;
  }
  BYTE operator()(DWORD v) const {
    if (!max) return 0;
    return static_cast<BYTE>(static_cast<uint64_t>((v & mask) >> shift) * 255 / max);
  }
};

class OutputImage {
 public:
  OutputImage(BYTE* data, DWORD height, uint64_t rowBytes, DWORD pixelBytes, bool bottomUp)
      : data_(data), height_(height), rowBytes_(rowBytes), pixelBytes_(pixelBytes), bottomUp_(bottomUp) {}

  // Pixel row for file row `fileRow` (0 = first row in the file).
  BYTE* row(DWORD fileRow) const {
    DWORD r = bottomUp_ ? height_ - 1 - fileRow : fileRow;
    return data_ + r * rowBytes_;
  }
  DWORD pixelBytes() const { return pixelBytes_; }

 private:
  BYTE* data_;
  DWORD height_;
  uint64_t rowBytes_;
  DWORD pixelBytes_;
  bool bottomUp_;
};

// Palette index to R, G, B; an index beyond the palette is black.
inline void putIndex(const BmpInfo& info, BYTE* out, DWORD index) {
  if (index < info.entries) {
    out[0] = info.palette[index][2];
    out[1] = info.palette[index][1];
    out[2] = info.palette[index][0];
  } else {
    out[0] = out[1] = out[2] = 0;
  }
}

void convertRow(const BmpInfo& info, const BYTE* in, BYTE* out, DWORD width, DWORD step) {
  switch (info.bits) {
    case 1:
      for (DWORD x = 0; x < width; ++x) putIndex(info, out + x * step, (in[x >> 3] >> (7 - (x & 7))) & 1u);
      break;
    case 4:
      for (DWORD x = 0; x < width; ++x)
        putIndex(info, out + x * step, (x & 1) ? (in[x >> 1] & 15u) : (in[x >> 1] >> 4));
      break;
    case 8:
      for (DWORD x = 0; x < width; ++x) putIndex(info, out + x * step, in[x]);
      break;
    case 16:
      if (info.hasMasks) {
        MaskChannel r(info.masks[0]), g(info.masks[1]), b(info.masks[2]);
        for (DWORD x = 0; x < width; ++x) {
          DWORD v = getLE16(in + 2 * x);
          BYTE* o = out + x * step;
          o[0] = r(v), o[1] = g(v), o[2] = b(v);
        }
      } else {
        for (DWORD x = 0; x < width; ++x) {
          DWORD v = getLE16(in + 2 * x);
          BYTE* o = out + x * step;
          o[0] = static_cast<BYTE>(((v >> 10) & 31u) * 255 / 31);
          o[1] = static_cast<BYTE>(((v >> 5) & 31u) * 255 / 31);
          o[2] = static_cast<BYTE>((v & 31u) * 255 / 31);
        }
      }
      break;
    case 24:
      for (DWORD x = 0; x < width; ++x) {
        const BYTE* p = in + 3 * x;
        BYTE* o = out + x * step;
        o[0] = p[2], o[1] = p[1], o[2] = p[0];
      }
      break;
    case 32:
      if (info.hasMasks) {
        MaskChannel r(info.masks[0]), g(info.masks[1]), b(info.masks[2]);
        for (DWORD x = 0; x < width; ++x) {
          DWORD v = getLE32(in + 4 * x);
          BYTE* o = out + x * step;
          o[0] = r(v), o[1] = g(v), o[2] = b(v);
        }
      } else {
        for (DWORD x = 0; x < width; ++x) {
          const BYTE* p = in + 4 * x;
          BYTE* o = out + x * step;
          o[0] = p[2], o[1] = p[1], o[2] = p[0];
        }
      }
      break;
  }
}

int32_t readUncompressed(CISIO& src, const BmpInfo& info, const OutputImage& out, DWORD width, DWORD height) {
  const uint64_t srcRow = (static_cast<uint64_t>(width) * info.bits + 31) / 32 * 4;
  ScratchBlock rowBlock;
  int32_t error = kIsOk;
  if (!rowBlock.allocate(srcRow, error)) return error;
  BYTE* row = rowBlock.get();
  for (DWORD y = 0; y < height; ++y) {
    std::memset(row, 0, static_cast<size_t>(srcRow));
    if (src.Read(row, static_cast<DWORD>(srcRow)) == 0) return kIsErrRead;
    convertRow(info, row, out.row(y), width, out.pixelBytes());
  }
  return kIsOk;
}

// Byte-wise reading of run-length data through a small buffer.
class ByteReader {
 public:
  explicit ByteReader(CISIO& src) : src_(src) {}
  bool next(BYTE& b) {
    if (pos_ == len_) {
      len_ = src_.Read(buf_, sizeof buf_);
      pos_ = 0;
      if (len_ == 0) return false;
    }
    b = buf_[pos_++];
    return true;
  }

 private:
  CISIO& src_;
  BYTE buf_[4096];
  DWORD pos_ = 0;
  DWORD len_ = 0;
};

// RLE8 / RLE4. Every step consumes input, so the loop ends with the data at the latest;
// positions outside the picture are dropped, pixels never reached stay black.
int32_t readRunLength(CISIO& src, const BmpInfo& info, const OutputImage& out, DWORD width, DWORD height) {
  ByteReader in(src);
  const bool four = info.compression == kBiRle4;
  uint64_t x = 0, y = 0;
  auto put = [&](DWORD index) {
    if (x < width && y < height) putIndex(info, out.row(static_cast<DWORD>(y)) + x * out.pixelBytes(), index);
    if (x < width) ++x;  // beyond the row nothing is kept
  };
  while (y < height) {
    BYTE count, value;
    if (!in.next(count) || !in.next(value)) return kIsErrRead;
    if (count > 0) {
      for (DWORD i = 0; i < count; ++i) put(four ? ((i & 1) ? (value & 15u) : (value >> 4)) : value);
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++y;
        break;
      case 1:  // end of bitmap
        return kIsOk;
      case 2: {  // delta
        BYTE dx, dy;
        if (!in.next(dx) || !in.next(dy)) return kIsErrRead;
        x = std::min<uint64_t>(x + dx, width);
        y += dy;
        break;
      }
      default: {  // absolute run, padded to an even number of bytes
        const DWORD pixels = value;
        const DWORD bytes = four ? (pixels + 1) / 2 : pixels;
        BYTE b = 0;
        for (DWORD i = 0; i < bytes; ++i) {
          if (!in.next(b)) return kIsErrRead;
          if (four) {
            put(b >> 4);
            if (2 * i + 1 < pixels) put(b & 15u);
          } else {
            put(b);
          }
        }
        if (bytes & 1)
          if (!in.next(b)) return kIsErrRead;
        break;
      }
    }
  }
  return kIsOk;
}

}  // namespace

bool readBmpDims(CISIO& source, DWORD& width, DWORD& height, DWORD& bitsPerPixel, int32_t& error) {
  BmpInfo info;
  error = readHeaders(source, info);
  if (error) return false;
  width = static_cast<DWORD>(info.width);
  height = static_cast<DWORD>(info.height < 0 ? -info.height : info.height);
  bitsPerPixel = info.bits;
  return true;
}

namespace {

// The pixels behind headers already read.
BYTE* readPixels(CISIO& source, const BmpInfo& info, DWORD& width, DWORD& height,
                 DWORD bitsPerPixel, DWORD flags, int32_t& error) {
  const uint64_t absHeight = info.height < 0 ? -info.height : info.height;
  const DWORD pixelBytes = bitsPerPixel / 8;
  uint64_t rowBytes = static_cast<uint64_t>(info.width) * pixelBytes;
  if (flags & kIsBmpReadRowsRound4) rowBytes = (rowBytes + 3) & ~3ull;
  uint64_t total;
  if (absHeight > 0xFFFFFFFFull || !checkedMultiply(rowBytes, absHeight, total)) {
    error = kIsErrOutOfMemory;
    return nullptr;
  }
  width = static_cast<DWORD>(info.width);
  height = static_cast<DWORD>(absHeight);

  ReturnedBlock block;
  if (total >= kIsAllocLimit) {
    error = kIsErrOutOfMemory;
    return nullptr;
  }
  const bool runLength = info.compression == kBiRle8 || info.compression == kBiRle4;
  if (!runLength) {
    // Every row but a short last one must be in the source. Refusing a source that cannot
    // hold them gives the outcome that running dry would give, without allocating first.

    DWORD size = 0, position = 0;
    const uint64_t srcRow = (static_cast<uint64_t>(width) * info.bits + 31) / 32 * 4;
    if (source.GetSize(size) && source.Tell(position)) {
      uint64_t remaining = size > position ? size - position : 0;
      if (remaining < (height - 1ull) * srcRow + 1) {
        error = kIsErrRead;
        return nullptr;
      }
    }
  }
  if (!block.allocate(total, error)) return nullptr;
  OutputImage out(block.get(), height, rowBytes, pixelBytes, info.height > 0);
  error = runLength ? readRunLength(source, info, out, width, height)
                    : readUncompressed(source, info, out, width, height);
  if (error) return nullptr;
  return block.release();
}

}  // namespace

BYTE* readBmpImage(CISIO& source, DWORD& width, DWORD& height, DWORD bitsPerPixel, DWORD flags,
                   int32_t& error) {
  if (bitsPerPixel != 24 && bitsPerPixel != 32) {
    error = kIsErrBadArgument;
    return nullptr;
  }
  BmpInfo info;
  error = readHeaders(source, info);
  if (error) return nullptr;
  return readPixels(source, info, width, height, bitsPerPixel, flags, error);
}

BYTE* readPackedDibImage(const BYTE* dib, size_t size, DWORD bitsPerPixel, DWORD& width,
                         DWORD& height, int32_t& error) {
  if (!dib || size == 0 || size > 0x7FFFFFFFu || (bitsPerPixel != 24 && bitsPerPixel != 32)) {
    error = kIsErrBadArgument;
    return nullptr;
  }
  CISIO_Memory source;
  if (!source.OpenRead(dib, static_cast<DWORD>(size))) {
    error = kIsErrRead;
    return nullptr;
  }
  BmpInfo info;
  error = readInfoHeader(source, info, kPixelsFollowTable);
  if (error) return nullptr;
  return readPixels(source, info, width, height, bitsPerPixel, 0, error);
}

DWORD IS40_WriteBMP(ISDest dest, const BYTE* image, DWORD width, DWORD height, DWORD bitsPerPixel,
                       DWORD stride, DWORD paletteEntries, const BYTE* palette,
                       const BmpResolution* resolution, DWORD flags) {
  IsOperation op("IS40_WriteBMP");
  if (!op.active()) return 0;
  if (!dest) return op.fail(kIsErrBadArgument), 0;
  if (!dest->IsOpen()) return op.fail(kIsErrNotOpen), 0;
  if (!validDepth(bitsPerPixel)) return op.fail(kIsErrBadArgument), 0;
  if (bitsPerPixel >= 16) paletteEntries = 0;
  else if (!palette) return op.fail(kIsErrBadArgument), 0;
  if (!image || width == 0 || height == 0) return op.fail(kIsErrBadArgument), 0;
  if (flags & (kIsBmpCompressed | kIsBmpFromPackedDib))
    return op.fail(kIsErrBadArgument, "compressed and packed-DIB writers are not available"), 0;

  op.code = writeBmp(*dest, image, width, height, bitsPerPixel, stride, paletteEntries, palette, resolution, flags);
  if (op.code == kIsErrBadArgument) return 0;  // refused before anything was written
  DWORD size = 0;
  if (!dest->GetSize(size)) size = 0;
  return size;
}

BYTE* IS40_ReadBMP(ISSource source, DWORD* width, DWORD* height, DWORD bitsPerPixel, BYTE* palette,
                   DWORD flags) {
  (void)palette;
  IsOperation op("IS40_ReadBMP");
  if (!op.active()) return nullptr;
  if (!source || !width || !height) return op.fail(kIsErrBadArgument), nullptr;
  if (!source->IsOpen()) return op.fail(kIsErrNotOpen), nullptr;
  DWORD w = 0, h = 0;
  BYTE* pixels = readBmpImage(*source, w, h, bitsPerPixel, flags, op.code);
  if (op.code == kIsOk || w) {
    *width = w;
    *height = h;
  }
  return pixels;
}

BOOL IS40_GetBMPDims(ISSource source, DWORD* width, DWORD* height, DWORD* bitsPerPixel) {
  IsOperation op("IS40_GetBMPDims");
  if (!op.active()) return FALSE;
  if (!source || !width || !height) return op.fail(kIsErrBadArgument), FALSE;
  if (!source->IsOpen()) return op.fail(kIsErrNotOpen), FALSE;
  DWORD w = 0, h = 0, bits = 0;
  if (!readBmpDims(*source, w, h, bits, op.code)) return FALSE;
  *width = w;
  *height = h;
  if (bitsPerPixel) *bitsPerPixel = bits;
  return TRUE;
}
