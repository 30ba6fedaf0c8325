// Photoshop reader. Only the flattened composite at the end of the file is decoded; image
// resources and the layer and mask section are skipped.
//
// Every size is taken from the file and therefore untrusted: all products are computed in
// 64 bits with overflow checks and tested against the allocation limit before anything is
// allocated, and every length is tested against what the source still holds before it is
// read, seeked over or allocated for.
#include "imaging/psd_reader.h"

#include <cstring>

#include "imaging/frame.h"

namespace {

struct PsdHeader {
  WORD channels = 0;
  DWORD height = 0;
  DWORD width = 0;
  WORD depth = 0;
  WORD mode = 0;
};

struct PaletteEntry {
  BYTE blue, green, red, reserved;
};

struct PsdPalette {
  PaletteEntry entry[256];
};

// Bytes between the current position and the end of the source.
uint64_t remainingBytes(CISIO& src) {
  uint32_t size = 0, position = 0;
  if (!src.GetSize(size) || !src.Tell(position) || position > size) return 0;
  return size - position;
}

// Skips a section of the given length. A length beyond the end of the source is a read error
// (seeking there would only defer the failure); seeks go in steps that stay positive.
bool skipBytes(CISIO& src, DWORD length) {
  if (length > remainingBytes(src)) return false;
  while (length > 0) {
    DWORD step = length < 0x40000000u ? length : 0x40000000u;
    if (!src.Seek(int32_t(step), 1)) return false;
    length -= step;
  }
  return true;
}

// PackBits decoding of one compressed row into every `step`-th byte of dst, starting at
// `offset`. Damaged data (a run header whose bytes are missing) makes it fail; a row that is
// cut short leaves the pixels not reached as they were; bytes beyond the width are ignored.
// The step is a template argument for the usual interleaved layouts, so that the stores of a
// run compile to a tight loop.
template <DWORD kStep>
bool decodePackBits(BYTE* dst, DWORD pixels, DWORD dynamicStep, DWORD offset, const BYTE* src,
                    DWORD count) {
  const size_t step = kStep ? kStep : dynamicStep;
  if (pixels == 0) return true;
  BYTE* out = dst + offset;
  DWORD p = 0;
  DWORD n = 0;
  while (p < count) {
    int header = static_cast<signed char>(src[p++]);
    if (header >= 0) {
      DWORD run = DWORD(header) + 1;
      DWORD available = count - p;
      DWORD room = pixels - n;
      DWORD k = run < room ? run : room;
      if (k > available) k = available;
      BYTE* q = out + size_t(n) * step;
      for (const BYTE *from = src + p, *end = from + k; from != end; ++from, q += step) *q = *from;
      p += k;
      n += k;
      if (n == pixels) {
        if (p != count) isTrace("RLE Row Size Mismatch in PSD decode [2].\n");
        return true;
      }
      if (k < run) return false;  // the literal ran past the compressed bytes
    } else if (header != -128) {
      if (p >= count) return false;
      BYTE value = src[p++];
      DWORD run = DWORD(1 - header);
      DWORD room = pixels - n;
      DWORD k = run < room ? run : room;
      BYTE* q = out + size_t(n) * step;
      for (BYTE* end = q + size_t(k) * step; q != end; q += step) *q = value;
      n += k;
      if (n == pixels) {
        if (p != count) isTrace("RLE Row Size Mismatch in PSD decode [1].\n");
        return true;
      }
    }
  }
  return true;
}

bool DecodePackBitsRow(BYTE* dst, DWORD pixels, DWORD step, DWORD offset, const BYTE* src,
                       DWORD count) {
  switch (step) {
    case 1: return decodePackBits<1>(dst, pixels, step, offset, src, count);
    case 3: return decodePackBits<3>(dst, pixels, step, offset, src, count);
    case 4: return decodePackBits<4>(dst, pixels, step, offset, src, count);
  }
  return decodePackBits<0>(dst, pixels, step, offset, src, count);
}

// Reads the channel planes of the composite row by row, for raw and RLE data of depth 1, 8
// and 16. Rows must be asked for in file order (channel 0 rows 0 ... height − 1, then
// channel 1 ...), which lets the reader go straight through the source.
class PlaneReader {
 public:
  PlaneReader(CISIO& src, const PsdHeader& header, WORD compression)
      : src_(src), header_(header), rle_(compression == 1) {}

  // Bytes of one decoded row: packed bits for depth 1, one byte per pixel otherwise (16-bit
  // samples keep their high byte).
  DWORD rowBytes() const {
    return header_.depth == 1 ? DWORD((uint64_t(header_.width) + 7) / 8) : header_.width;
  }

  // Prepares the reading of the first `planes` channels. The byte-count table of RLE data
  // lists every channel of the file, also those that are not decoded. The caller has made
  // sure that the file has that many channels and that the picture fits the limit (so that
  // twice its row fits too).
  int32_t begin(unsigned planes) {
    int32_t error = 0;
    uint64_t fileRowBytes = uint64_t(rowBytes()) * (header_.depth == 16 ? 2 : 1);
    if (rle_) {
      uint64_t tableBytes;
      if (!checkedMultiply3(header_.channels, header_.height, 2, tableBytes) ||
          tableBytes >= kIsAllocLimit)
        return kIsErrOutOfMemory;
      // A table longer than the rest of the file cannot be read; no need to allocate it.
      if (tableBytes > remainingBytes(src_)) return kIsErrRead;
      if (!table_.allocate(tableBytes, error)) return error;
      if (!src_.ReadExact(table_.get(), DWORD(tableBytes))) return kIsErrRead;
      DWORD largest = 0;
      for (uint64_t i = 0, used = uint64_t(planes) * header_.height; i < used; ++i)
        if (count(i) > largest) largest = count(i);
      if (!packed_.allocate(largest ? largest : 1, error)) return error;
      if (header_.depth == 16 && !wide_.allocate(fileRowBytes, error)) return error;
    } else if (!packed_.allocate(fileRowBytes, error)) {
      return error;
    }
    return kIsOk;
  }

  // Decodes row r of channel c into every `step`-th byte of dst from `offset` on; dst holds
  // the row's pixels (for depth 1 its packed bytes, with step 1).
  int32_t readRow(unsigned c, DWORD r, BYTE* dst, DWORD step, DWORD offset) {
    DWORD pixels = rowBytes();
    if (rle_) {
      DWORD bytes = count(uint64_t(c) * header_.height + r);
      if (!src_.ReadExact(packed_.get(), bytes)) return kIsErrRead;
      if (header_.depth != 16)
        return DecodePackBitsRow(dst, pixels, step, offset, packed_.get(), bytes) ? kIsOk
                                                                                  : kIsErrRead;
      // 16-bit rows are packed as bytes; the high byte of each sample is kept.
      BYTE* wide = wide_.get();
      std::memset(wide, 0, size_t(pixels) * 2);
      if (!DecodePackBitsRow(wide, pixels * 2, 1, 0, packed_.get(), bytes)) return kIsErrRead;
      for (DWORD x = 0; x < pixels; ++x) dst[size_t(x) * step + offset] = wide[size_t(x) * 2];
      return kIsOk;
    }
    DWORD sampleBytes = header_.depth == 16 ? 2 : 1;
    const BYTE* raw = packed_.get();
    if (!src_.ReadExact(packed_.get(), pixels * sampleBytes)) return kIsErrRead;
    for (DWORD x = 0; x < pixels; ++x) dst[size_t(x) * step + offset] = raw[size_t(x) * sampleBytes];
    return kIsOk;
  }

 private:
  DWORD count(uint64_t index) const {
    const BYTE* table = table_.get();
    return DWORD((table[2 * index] << 8) | table[2 * index + 1]);
  }

  CISIO& src_;
  PsdHeader header_;
  bool rle_;
  ScratchBlock table_;   // the RLE byte counts, big-endian
  ScratchBlock packed_;  // one compressed (or raw) row
  ScratchBlock wide_;    // one decoded 16-bit row
};

// The returned block for width × height × bytesPerPixel; error 1 when it is too large.
bool allocPicture(ReturnedBlock& out, const PsdHeader& header, unsigned bytesPerPixel,
                  int32_t& error) {
  uint64_t bytes;
  if (!checkedMultiply3(header.width, header.height, bytesPerPixel, bytes)) {
    error = kIsErrOutOfMemory;
    return false;
  }
  return out.allocate(bytes, error);
}

int32_t readHeader(CISIO& src, PsdHeader& header) {
  BYTE signature[4];
  WORD version;
  if (!src.ReadExact(signature, 4) || !readU16BE(src, version)) return kIsErrRead;
  if (std::memcmp(signature, "8BPS", 4) != 0 || version != 1) return kIsErrNotPsd;
  BYTE reserved[6];
  if (!src.ReadExact(reserved, 6) || !readU16BE(src, header.channels) ||
      !readU32BE(src, header.height) || !readU32BE(src, header.width) ||
      !readU16BE(src, header.depth) || !readU16BE(src, header.mode))
    return kIsErrRead;
  return kIsOk;
}

// The decoding palette from the colour mode data (the source stands at its length field).
int32_t readPalette(CISIO& src, WORD mode, PsdPalette& palette) {
  DWORD length;
  if (!readU32BE(src, length)) return kIsErrRead;
  std::memset(&palette, 0, sizeof palette);
  if (mode == kPsdBitmap) {
    palette.entry[0] = PaletteEntry{255, 255, 255, 0};
  } else {
    for (int i = 0; i < 256; ++i) palette.entry[i] = PaletteEntry{BYTE(i), BYTE(i), BYTE(i), 0};
  }
  if ((mode == kPsdGrayscale || mode == kPsdIndexed) && length != 0) {
    // 256 red values, then 256 green, then 256 blue. A shorter table is damaged; anything
    // after it is skipped so that the sections behind it are found where they are.
    if (length < 768) return kIsErrRead;
    BYTE table[768];
    if (!src.ReadExact(table, 768)) return kIsErrRead;
    for (int i = 0; i < 256; ++i)
      palette.entry[i] = PaletteEntry{table[512 + i], table[256 + i], table[i], 0};
    return skipBytes(src, length - 768) ? kIsOk : kIsErrRead;
  }
  return skipBytes(src, length) ? kIsOk : kIsErrRead;
}

// The sections after the header: colour mode data, image resources (kept in `resources`
// when asked for, else skipped), and, when `compression` is asked for, the layer and mask
// information and the compression field.
int32_t readSections(CISIO& src, const PsdHeader& header, PsdPalette& palette,
                     ScratchBlock* resources, WORD* compression) {
  int32_t error = readPalette(src, header.mode, palette);
  if (error) return error;
  DWORD length;
  if (!readU32BE(src, length)) return kIsErrRead;
  if (resources) {
    if (length > remainingBytes(src)) return kIsErrRead;
    if (length != 0) {
      if (!resources->allocate(length, error)) return error;
      if (!src.ReadExact(resources->get(), length)) return kIsErrRead;
    }
  } else if (!skipBytes(src, length)) {
    return kIsErrRead;
  }
  if (!compression) return kIsOk;
  uint32_t before = 0, after = 0;
  src.Tell(before);
  if (!readU32BE(src, length) || !skipBytes(src, length)) return kIsErrRead;
  src.Tell(after);
  isTrace("read %d. layersLen %d\n", int(after - before), int(length));
  if (!readU16BE(src, *compression) || *compression > 1) return kIsErrRead;
  return kIsOk;
}

// Grayscale, indexed, duotone and bitmap pictures: one plane of indices through the palette,
// or the indices themselves for an 8-bit result.
BYTE* decodeIndexed(CISIO& src, const PsdHeader& header, WORD compression,
                    const PsdPalette& palette, bool indicesOnly, int32_t& error) {
  bool bitmap = header.mode == kPsdBitmap;
  if ((bitmap ? header.depth != 1 : header.depth == 1) || header.channels < 1) {
    error = kIsErrPsdUnsupported;
    return nullptr;
  }
  if (compression == 1 && header.depth == 16 && header.mode != kPsdGrayscale) {
    isTrace("Unknown bit depth in PSD read: compressed, 16-bit, single channel, not grayscale.\n");
    error = kIsErrBadBitmap;
    return nullptr;
  }
  unsigned bytesPerPixel = indicesOnly ? 1 : 3;
  ReturnedBlock out;
  if (!allocPicture(out, header, bytesPerPixel, error)) return nullptr;
  PlaneReader planes(src, header, compression);
  ScratchBlock row;
  if ((error = planes.begin(1)) || !row.allocate(planes.rowBytes(), error)) return nullptr;
  BYTE* indices = row.get();
  for (DWORD r = 0; r < header.height; ++r) {
    std::memset(indices, 0, planes.rowBytes());
    if ((error = planes.readRow(0, r, indices, 1, 0))) return nullptr;
    BYTE* line = out.get() + size_t(r) * header.width * bytesPerPixel;
    for (DWORD x = 0; x < header.width; ++x) {
      BYTE index = bitmap ? BYTE((indices[x / 8] >> (7 - x % 8)) & 1) : indices[x];
      if (indicesOnly) {
        line[x] = index;
      } else {
        const PaletteEntry& e = palette.entry[index];
        line[size_t(x) * 3] = e.red;
        line[size_t(x) * 3 + 1] = e.green;
        line[size_t(x) * 3 + 2] = e.blue;
      }
    }
  }
  return out.release();
}

// RGB and CMYK: the first `planes` channels straight into the interleaved output (an alpha
// channel and any further channels are not read). CMYK is then turned into R, G, B in place
// (PSD stores the ink inverted) and the block is shrunk to 3 bytes per pixel.
BYTE* decodeColour(CISIO& src, const PsdHeader& header, WORD compression, int32_t& error) {
  unsigned planeCount = header.mode == kPsdCmyk ? 4 : 3;
  // Fewer channels than planes would index past the byte-count table.
  if (header.depth == 1 || header.channels < planeCount) {
    error = kIsErrPsdUnsupported;
    return nullptr;
  }
  ReturnedBlock out;
  if (!allocPicture(out, header, planeCount, error)) return nullptr;
  PlaneReader planes(src, header, compression);
  if ((error = planes.begin(planeCount))) return nullptr;
  BYTE* pixels = out.get();
  size_t stride = size_t(header.width) * planeCount;
  for (unsigned c = 0; c < planeCount; ++c)
    for (DWORD r = 0; r < header.height; ++r)
      if ((error = planes.readRow(c, r, pixels + r * stride, planeCount, c))) return nullptr;
  if (planeCount == 3) return out.release();
  size_t count = size_t(header.width) * header.height;
  for (size_t i = 0; i < count; ++i) {
    const BYTE* cmyk = pixels + i * 4;
    unsigned k = cmyk[3];
    BYTE rgb[3] = {BYTE(cmyk[0] * k / 255), BYTE(cmyk[1] * k / 255), BYTE(cmyk[2] * k / 255)};
    std::memcpy(pixels + i * 3, rgb, 3);
  }
  int32_t ignored = 0;  // a block that cannot shrink stays as it is; its first bytes are right
  out.resize(uint64_t(count) * 3, ignored);
  return out.release();
}

BYTE* readPsd(CISIO& src, DWORD* width, DWORD* height, DWORD bitsPerPixel, BYTE* paletteOut,
              int32_t& error) {
  PsdHeader header;
  if ((error = readHeader(src, header))) return nullptr;
  if (header.depth != 1 && header.depth != 8 && header.depth != 16) {
    error = kIsErrPsdUnsupported;
    return nullptr;
  }
  *width = header.width;
  *height = header.height;
  PsdPalette palette;
  WORD compression = 0;
  if ((error = readSections(src, header, palette, nullptr, &compression))) return nullptr;
  // An empty picture has nothing to decode and no block to return.
  if (header.width == 0 || header.height == 0) {
    error = kIsErrPsdUnsupported;
    return nullptr;
  }
  bool indicesOnly = bitsPerPixel == 8;
  switch (header.mode) {
    case kPsdBitmap:
    case kPsdGrayscale:
    case kPsdIndexed:
    case kPsdDuotone: {
      BYTE* out = decodeIndexed(src, header, compression, palette, indicesOnly, error);
      if (out && indicesOnly) std::memcpy(paletteOut, palette.entry, sizeof palette.entry);
      return out;
    }
    case kPsdRgb:
    case kPsdCmyk:
      // An 8-bit palette picture of a colour image would need a colour reduction.
      if (indicesOnly) break;
      return decodeColour(src, header, compression, error);
  }
  error = kIsErrPsdUnsupported;
  return nullptr;
}

// Walks the image resources for resource 1005. Each resource is "8BIM", a 16-bit id, a
// Pascal name padded to an even length, a 32-bit length (rounded up to even) and the data.
int32_t findResolution(const BYTE* block, uint64_t length, PsdResolution& resolution) {
  if (length < 5) return kIsErrPsdResources;
  auto u16 = [block](uint64_t at) { return WORD((block[at] << 8) | block[at + 1]); };
  uint64_t p = 0;
  int found = 0;
  while (p + 4 <= length) {
    if (std::memcmp(block + p, "8BIM", 4) != 0) {
      ++p;
      continue;
    }
    p += 4;
    if (p + 3 > length) break;
    WORD id = u16(p);
    p += 2;
    uint64_t nameBytes = 1 + uint64_t(block[p]);
    nameBytes += nameBytes & 1;
    if (p + nameBytes + 4 > length) break;
    p += nameBytes;
    uint64_t dataLength = (uint64_t(u16(p)) << 16) | u16(p + 2);
    p += 4;
    uint64_t padded = dataLength + (dataLength & 1);
    if (p + padded > length) {
      isTrace("Found bad IPTC data resource (len exceeds block end). ID=%d\n", int(id));
      break;
    }
    ++found;
    if (id == 1005 && dataLength >= 16) {
      WORD fields[8];
      for (int i = 0; i < 8; ++i) fields[i] = u16(p + 2 * i);
      resolution = PsdResolution{fields[0], fields[1], fields[2], fields[3],
                                 fields[4], fields[5], fields[6], fields[7]};
    }
    p += padded;
  }
  return found ? kIsOk : kIsErrPsdResources;
}

int32_t readDims(CISIO& src, DWORD* width, DWORD* height, DWORD* bitsPerChannel,
                 DWORD* colourMode, PsdResolution* resolution) {
  PsdHeader header;
  int32_t error = readHeader(src, header);
  if (error) return error;
  *width = header.width;
  *height = header.height;
  if (bitsPerChannel) *bitsPerChannel = header.depth;
  if (colourMode) *colourMode = header.mode;
  PsdPalette palette;
  if (!resolution) return readSections(src, header, palette, nullptr, nullptr);
  *resolution = PsdResolution{};
  ScratchBlock resources;
  if ((error = readSections(src, header, palette, &resources, nullptr))) return error;
  return findResolution(resources.get(), resources.size(), *resolution);
}

}  // namespace

BYTE* readPsdImage(CISIO& source, DWORD& width, DWORD& height, DWORD bitsPerPixel, BYTE* palette,
                   int32_t& error) {
  error = kIsOk;
  if (bitsPerPixel == 8 && !palette) {
    error = kIsErrBadArgument;
    return nullptr;
  }
  return readPsd(source, &width, &height, bitsPerPixel, palette, error);
}

BYTE* IS40_ReadPSD(ISSource source, DWORD* width, DWORD* height, DWORD bitsPerPixel,
                   BYTE* palette, DWORD flags) {
  IsOperation op("IS40_ReadPSD");
  if (!op.active()) return nullptr;
  if (!source || !width || !height) return op.fail(kIsErrBadArgument), nullptr;
  CISIO& src = *source;
  if (!src.IsOpen()) return op.fail(kIsErrNotOpen), nullptr;
  if (bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32)
    return op.fail(kIsErrBadArgument), nullptr;
  // The variants behind other flags (a packed DIB, a kept fourth channel) are not built.
  if (flags != 0 || (bitsPerPixel == 8 && !palette)) return op.fail(kIsErrBadArgument), nullptr;
  return readPsd(src, width, height, bitsPerPixel, palette, op.code);
}

BOOL IS40_GetPSDDims(ISSource source, DWORD* width, DWORD* height, DWORD* bitsPerChannel,
                     DWORD* colourMode, PsdResolution* resolution) {
  IsOperation op("IS40_GetPSDDims");
  if (!op.active()) return FALSE;
  if (!source || !width || !height) return op.fail(kIsErrBadArgument), FALSE;
  CISIO& src = *source;
  if (!src.IsOpen()) return op.fail(kIsErrNotOpen), FALSE;
  op.code = readDims(src, width, height, bitsPerChannel, colourMode, resolution);
  return op.code == kIsOk;
}
