// The generic image reader: format recognition by signature and dispatch to the readers.
#include "imaging/image_reader.h"

#include <cstring>

#include "imaging/bmp.h"
#include "imaging/frame.h"
#include "imaging/psd_reader.h"

namespace {

constexpr uint32_t kProbeBytes = 44;

struct Signature {
  uint32_t offset;
  const char* bytes;
  uint32_t length;
  int32_t format;
};

// Tried in this order; the first match decides.
const Signature kSignatures[] = {
    {0, "BM", 2, kFormatBmp},
    {0, "PAX", 3, kFormatPax},
    {0, "GIF89a", 6, kFormatGif},
    {0, "GIF87a", 6, kFormatGif},
    {0, "\xFF\xD8\xFF\xE0", 4, kFormatJpeg},
    {0, "\xFF\xD8\xFF", 3, kFormatJpeg},
    {0, "\x0A\x00", 2, kFormatPcx},
    {0, "\x0A\x02", 2, kFormatPcx},
    {0, "\x0A\x03", 2, kFormatPcx},
    {0, "\x0A\x05", 2, kFormatPcx},
    {0, "MM", 2, kFormatTiff},
    {0, "II", 2, kFormatTiff},
    {0, "\x89PNG\x0D\x0A\x1A\x0A", 8, kFormatPng},
    {0, "\x01\x00\x09\x00\x00", 5, kFormatWmf},
    {0, "\xD7\xCD\xC6\x9A", 4, kFormatWmf},
    {40, " EMF", 4, kFormatEmf},
    {0, "8BPS", 4, kFormatPsd},
    {0, "TLA\x01", 4, kFormatTla},
    {0, "TLAU", 4, kFormatTlau},
    {0, "PCD_OPA", 7, kFormatPcdOpa},
    {4, "\x6A\x50\x20\x20\x0D", 5, kFormatJpeg2000},
    {0, "\xFF\x4F", 2, kFormatJpeg2000},
    {4, "\xFF\x4F", 2, kFormatJpeg2000Stream},
    {0, "\xD0\xCF\x11\xE0", 4, kFormatCompound},
    {0, "P1", 2, kFormatPbm},
    {0, "P4", 2, kFormatPbm},
    {0, "P2", 2, kFormatPgm},
    {0, "P5", 2, kFormatPgm},
    {0, "P3", 2, kFormatPpm},
    {0, "P6", 2, kFormatPpm},
};

// A WBMP header of type 0 is indistinguishable by signature; its sizes must make sense.
// An uncompressed TGA without an id or colour map also starts with two zero bytes.
int32_t structuralFormat(const BYTE* head, uint32_t got, uint32_t fileSize) {
  if (got < 4 || head[0] != 0 || head[1] != 0) return kFormatUnknown;
  if (got >= 18) {
    BYTE type = head[2];
    BYTE depth = head[16];
    uint32_t width = head[12] | (head[13] << 8);
    uint32_t height = head[14] | (head[15] << 8);
    bool typeOk = type == 2 || type == 3 || type == 10 || type == 11;
    bool depthOk = depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
    if (typeOk && depthOk && width > 0 && height > 0) return kFormatTga;
  }
  // Width and height as multi-byte integers: 7 bits a byte, high bit set while more follow.
  uint32_t p = 2;
  uint64_t size[2] = {0, 0};
  for (uint64_t& value : size) {
    int bytes = 0;
    for (;;) {
      if (p >= got || ++bytes > 3) return kFormatUnknown;
      BYTE b = head[p++];
      value = (value << 7) | (b & 0x7F);
      if (!(b & 0x80)) break;
    }
    if (value == 0) return kFormatUnknown;
  }
  uint64_t needed = p + size[1] * ((size[0] + 7) / 8);
  return needed <= fileSize ? kFormatWbmp : kFormatUnknown;
}

int32_t guessFormat(CISIO& src, int32_t& error) {
  BYTE head[kProbeBytes];
  uint32_t got = src.Seek(0, 0) ? src.Read(head, kProbeBytes) : 0;
  if (got == 0) {
    error = kIsErrRead;
    return kFormatUnknown;
  }
  for (const Signature& s : kSignatures)
    if (s.offset + s.length <= got && std::memcmp(head + s.offset, s.bytes, s.length) == 0)
      return s.format;
  uint32_t size = 0;
  if (!src.GetSize(size)) size = got;
  int32_t format = structuralFormat(head, got, size);
  if (format != kFormatUnknown) return format;
  BYTE tail[18];
  if (size >= 18 && src.Seek(-18, 2) && src.ReadExact(tail, 18) &&
      std::memcmp(tail, "TRUEVISION-XFILE.", 17) == 0)
    return kFormatTga;
  BYTE pcd[3];
  if (size >= 2048 + 3 && src.Seek(2048, 0) && src.ReadExact(pcd, 3) &&
      std::memcmp(pcd, "PCD", 3) == 0)
    return kFormatPcd;
  return kFormatUnknown;
}

bool sameIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    char x = (*a >= 'A' && *a <= 'Z') ? char(*a - 'A' + 'a') : *a;
    if (x != *b) return false;
  }
  return *a == *b;
}

// The format that a source's name suggests, from the part after its last ".".
int32_t formatFromName(const char* name) {
  static const struct {
    const char* extension;
    int32_t format;
  } kExtensions[] = {
      {".bmp", kFormatBmp},   {".wbmp", kFormatWbmp}, {".wbm", kFormatWbmp},
      {".pcd", kFormatPcd},   {".gif", kFormatGif},   {".tga", kFormatTga},
      {".jpeg", kFormatJpeg}, {".jpg", kFormatJpeg},  {".tif", kFormatTiff},
      {".tiff", kFormatTiff}, {".pcx", kFormatPcx},   {".psd", kFormatPsd},
      {".tla", kFormatTlau},  {".png", kFormatPng},   {".wmf", kFormatWmf},
      {".emf", kFormatEmf},   {".pbm", kFormatPbm},   {".pgm", kFormatPgm},
      {".ppm", kFormatPpm},
  };
  const char* dot = name ? std::strrchr(name, '.') : nullptr;
  if (!dot) return kFormatUnknown;
  for (const auto& e : kExtensions)
    if (sameIgnoringCase(dot, e.extension)) return e.format;
  return kFormatUnknown;
}

bool hasReader(int32_t format) {
  switch (format) {
    case kFormatUnknown:
    case kFormatPax:
    case kFormatPcdOpa:
    case kFormatJpeg2000:
    case kFormatJpeg2000Stream:
    case kFormatCompound:
      return false;
  }
  return true;
}

// The name the trace gives each reader.
const char* readerName(int32_t format) {
  switch (format) {
    case kFormatBmp: return "BMP";
    case kFormatGif: return "GIF";
    case kFormatJpeg: return "JPG";
    case kFormatPng: return "PNG";
    case kFormatPcx: return "PCX";
    case kFormatTiff: return "TIFF";
    case kFormatWmf:
    case kFormatEmf: return "WMF";
    case kFormatPsd: return "PSD";
    case kFormatTla:
    case kFormatTlau: return "TLAU";
    case kFormatWbmp: return "WBMP";
    case kFormatTga: return "TGA";
    case kFormatPcd: return "PCD";
    case kFormatPbm: return "PBM";
    case kFormatPgm: return "PGM";
    case kFormatPpm: return "PPM";
  }
  return "?";
}

}  // namespace

int32_t IS40_GuessFileType(ISSource source) {
  IsOperation op("IS40_GuessFileType");
  if (!op.active()) return kFormatUnknown;
  if (!source) return op.fail(kIsErrBadArgument), kFormatUnknown;
  return guessFormat(*source, op.code);
}

BYTE* IS40_ReadImage(ISSource source, DWORD* width, DWORD* height, DWORD form, DWORD reserved) {
  (void)reserved;
  IsOperation op("IS40_ReadImage");
  if (!op.active()) return nullptr;
  if (!source || !width || !height) return op.fail(kIsErrBadArgument), nullptr;
  if (!source->IsOpen()) return op.fail(kIsErrNotOpen), nullptr;
  if (form != 0) return op.fail(kIsErrBadArgument, "form"), nullptr;
  int32_t format = guessFormat(*source, op.code);
  if (op.code) return nullptr;
  if (!source->Seek(0, 0)) return op.fail(kIsErrRead), nullptr;
  if (!hasReader(format)) format = formatFromName(source->Name());
  if (format == kFormatUnknown) {
    isTrace("Unknown format in generic read\n");
    return op.fail(kIsErrCannotOpen), nullptr;
  }
  isTrace("Reading generic as %s\n", readerName(format));
  // The reader's outcome is the outcome of the whole read.
  BYTE* picture = nullptr;
  switch (format) {
    case kFormatBmp:
      return readBmpImage(*source, *width, *height, 24, 0, op.code);
    case kFormatPsd:
      return readPsdImage(*source, *width, *height, 24, nullptr, op.code);
    case kFormatPng:
      picture = IS40_ReadPNG(source, width, height, 24, nullptr, 0);
      break;
    case kFormatJpeg:
      picture = IS40_ReadJPG(source, width, height, 24, nullptr, 0);
      break;
    case kFormatTiff:
      picture = IS40_ReadTIFF(source, width, height, 24, nullptr, 0);
      break;
    default:
      // Recognised, but this library has no reader for it.
      return op.fail(kIsErrNoDecoder, readerName(format)), nullptr;
  }
  op.code = IS40_GetLastError();
  return picture;
}
