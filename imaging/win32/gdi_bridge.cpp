#include "imaging/win32/gdi_bridge.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "imaging/bmp.h"
#include "imaging/frame.h"
#include "platform/win32/handles.h"

namespace {

// A palette selected and realized in a context, put back when done; a palette that the
// operation built for itself is deleted then too.
class PaletteScope {
 public:
  PaletteScope() = default;
  ~PaletteScope() { restore(); }
  PaletteScope(const PaletteScope&) = delete;
  PaletteScope& operator=(const PaletteScope&) = delete;

  void select(HDC dc, HPALETTE palette, bool owned) {
    restore();
    if (owned) owned_.reset(palette);
    if (!dc || !palette) return;
    dc_ = dc;
    old_ = SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
  }
  void restore() {
    if (dc_ && old_) SelectPalette(dc_, old_, FALSE);
    dc_ = nullptr;
    old_ = nullptr;
    owned_.reset();
  }

 private:
  HDC dc_ = nullptr;
  HPALETTE old_ = nullptr;
  OwnedPalette owned_;
};

HPALETTE paletteFromEntries(const PALETTEENTRY* entries, unsigned count) {
  if (count == 0 || count > 256) return nullptr;
  std::vector<BYTE> storage(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * count);
  LOGPALETTE* logical = reinterpret_cast<LOGPALETTE*>(storage.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = WORD(count);
  std::memcpy(logical->palPalEntry, entries, sizeof(PALETTEENTRY) * count);
  return CreatePalette(logical);
}

HPALETTE paletteFromColourTable(const RGBQUAD* table, unsigned count) {
  std::vector<PALETTEENTRY> entries(count);
  for (unsigned i = 0; i < count; ++i)
    entries[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
  return paletteFromEntries(entries.data(), count);
}

unsigned colourTableEntries(unsigned bitsPerPixel) { return bitsPerPixel <= 8 ? 1u << bitsPerPixel : 0; }

bool rcDiBitmap(HDC dc) { return dc && (GetDeviceCaps(dc, RASTERCAPS) & RC_DI_BITMAP); }

}  // namespace

int32_t packedDibToRgb(const BYTE* dib, BYTE* destination) {
  const BITMAPINFOHEADER& header = *reinterpret_cast<const BITMAPINFOHEADER*>(dib);
  if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS) return kIsErrBadBitmap;
  // The block holds what its header says: the rows end where the last one ends.
  const uint64_t rows = header.biHeight < 0 ? -int64_t(header.biHeight) : header.biHeight;
  const uint64_t size = uint64_t(packedDibRows(dib) - dib) + packedDibRowBytes(header) * rows;
  DWORD width = 0, height = 0;
  int32_t error = kIsOk;
  OwnedBlock image(readPackedDibImage(dib, size_t(size), 24, width, height, error));
  if (!image) return error == kIsErrOutOfMemory ? error : kIsErrBadBitmap;
  std::memcpy(destination, image.get(), size_t(width) * height * 3);
  return kIsOk;
}

uint64_t packedDibRowBytes(const BITMAPINFOHEADER& header) {
  const uint64_t width = header.biWidth < 0 ? 0 : uint64_t(header.biWidth);
  return ((width * header.biBitCount + 31) & ~uint64_t(31)) / 8;
}

const BYTE* packedDibRows(const BYTE* dib) {
  const BITMAPINFOHEADER& header = *reinterpret_cast<const BITMAPINFOHEADER*>(dib);
  uint64_t offset = header.biSize + 4ull * colourTableEntries(header.biBitCount);
  if (header.biCompression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER)) offset += 12;
  return dib + offset;
}

BYTE* bitmapToPackedDib(HBITMAP bitmap, DWORD compression, HPALETTE palette, int32_t& error) {
  if (compression == BI_BITFIELDS) {
    error = kIsErrBadBitmap;
    return nullptr;
  }
  if (!palette) palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
  BITMAP info;
  if (!bitmap || GetObjectA(bitmap, sizeof(info), &info) != int(sizeof(info))) {
    error = kIsErrBadBitmap;
    return nullptr;
  }
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = info.bmWidth;
  header.biHeight = info.bmHeight;
  header.biPlanes = 1;
  header.biBitCount = WORD(info.bmPlanes * info.bmBitsPixel);
  header.biCompression = compression;
  const unsigned bits = header.biBitCount;
  const uint64_t table = bits < 32 ? 4ull * colourTableEntries(bits) : 0;
  // 16 and 32 bits keep room for three masks, should GDI answer with bit fields.
  const uint64_t headPart = sizeof(BITMAPINFOHEADER) + (table ? table : (bits == 16 || bits == 32 ? 12 : 0));

  WindowDc screen(nullptr);
  if (!screen.get()) {
    error = kIsErrGdi;
    return nullptr;
  }
  PaletteScope selected;
  selected.select(screen.get(), palette, false);

  ReturnedBlock block;
  if (!block.allocate(headPart, error)) return nullptr;
  std::memcpy(block.get(), &header, sizeof(header));
  const UINT rows = UINT(info.bmHeight < 0 ? -info.bmHeight : info.bmHeight);
  if (!GetDIBits(screen.get(), bitmap, 0, rows, nullptr, reinterpret_cast<BITMAPINFO*>(block.get()), DIB_RGB_COLORS)) {
    error = kIsErrGetDIBits;
    return nullptr;
  }
  BITMAPINFOHEADER* filled = reinterpret_cast<BITMAPINFOHEADER*>(block.get());
  uint64_t imageSize = filled->biSizeImage;
  if (imageSize == 0) {
    imageSize = packedDibRowBytes(*filled) * rows;
    if (filled->biCompression != BI_RGB) imageSize = imageSize * 3 / 2;
  }
  const uint64_t rowsOffset = uint64_t(packedDibRows(block.get()) - block.get());
  const uint64_t total = std::max<uint64_t>(headPart, rowsOffset + imageSize);
  if (!block.resize(total, error)) return nullptr;
  BYTE* target = block.get() + rowsOffset;
  if (!GetDIBits(screen.get(), bitmap, 0, rows, target, reinterpret_cast<BITMAPINFO*>(block.get()), DIB_RGB_COLORS)) {
    error = kIsErrGetDIBits;
    return nullptr;
  }
  error = kIsOk;
  return block.release();
}

BYTE* rgbToPackedDib(const BYTE* image, DWORD width, DWORD height, DWORD stride, int32_t& error) {
  const uint64_t rowBytes = (uint64_t(width) * 24 + 31) / 32 * 4;
  uint64_t pixels = 0;
  if (!checkedMultiply(rowBytes, height, pixels) || pixels + sizeof(BITMAPINFOHEADER) < pixels) {
    error = kIsErrOutOfMemory;
    return nullptr;
  }
  ReturnedBlock block;
  if (!block.allocate(sizeof(BITMAPINFOHEADER) + pixels, error)) return nullptr;
  BITMAPINFOHEADER* header = reinterpret_cast<BITMAPINFOHEADER*>(block.get());
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biWidth = LONG(width);
  header->biHeight = LONG(height);
  header->biPlanes = 1;
  header->biBitCount = 24;
  header->biCompression = BI_RGB;
  header->biSizeImage = DWORD(pixels);
  BYTE* rows = block.get() + sizeof(BITMAPINFOHEADER);
  for (uint64_t y = 0; y < height; ++y) {
    const BYTE* in = image + (height - 1 - y) * uint64_t(stride);
    BYTE* out = rows + y * rowBytes;
    for (uint64_t x = 0; x < width; ++x, in += 3, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  error = kIsOk;
  return block.release();
}

HBITMAP IS40_LoadResourceBitmap(HMODULE module, const char* name, HPALETTE palette) {
  IsOperation op("IS40_LoadResourceBitmap");
  if (!op.active()) return nullptr;
  if (!name) return op.fail(kIsErrBadArgument), nullptr;
  HRSRC found = FindResourceA(module, name, reinterpret_cast<LPCSTR>(RT_BITMAP));
  if (!found) return op.fail(kIsErrResourceNotFound), nullptr;
  HGLOBAL loaded = LoadResource(module, found);
  const BYTE* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  const DWORD size = SizeofResource(module, found);
  if (!bytes) return op.fail(kIsErrResourceNotFound), nullptr;

  struct ResourceRelease {
    HGLOBAL handle;
    ~ResourceRelease() { FreeResource(handle); }
  } release{loaded};

  // The resource must hold its header, colour table and rows; CreateDIBitmap reads them all.
  const BITMAPINFOHEADER* header = reinterpret_cast<const BITMAPINFOHEADER*>(bytes);
  if (size < sizeof(BITMAPINFOHEADER) || header->biSize < sizeof(BITMAPINFOHEADER) || header->biWidth <= 0 ||
      header->biHeight == 0)
    return op.fail(kIsErrBadBitmap), nullptr;
  const unsigned colours = colourTableEntries(header->biBitCount);
  uint64_t bitsOffset = uint64_t(header->biSize) + 4ull * colours;
  if (header->biCompression == BI_BITFIELDS && header->biSize == sizeof(BITMAPINFOHEADER)) bitsOffset += 12;
  const uint64_t height = header->biHeight < 0 ? -int64_t(header->biHeight) : header->biHeight;
  uint64_t needed = bitsOffset;
  if (header->biCompression == BI_RGB || header->biCompression == BI_BITFIELDS) needed += packedDibRowBytes(*header) * height;
  if (needed > size) return op.fail(kIsErrBadBitmap), nullptr;

  WindowDc screen(nullptr);
  if (!screen.get()) return op.fail(kIsErrGdi), nullptr;
  PaletteScope selected;
  if (palette) selected.select(screen.get(), palette, false);
  else if (colours > 0)
    selected.select(screen.get(), paletteFromColourTable(reinterpret_cast<const RGBQUAD*>(bytes + header->biSize), colours),
                    true);
  HBITMAP bitmap = CreateDIBitmap(screen.get(), header, CBM_INIT, bytes + bitsOffset,
                                  reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS);
  if (!bitmap) return op.fail(kIsErrCreateDIBitmap), nullptr;
  return bitmap;
}

BOOL IS40_GetHBITMAPDimensions(HBITMAP bitmap, DWORD* width, DWORD* height) {
  LibraryThreadState* state = currentThreadState();
  if (!state) return 0;
  if (!bitmap || !width || !height) {
    RecordOutcome(state, kIsErrBadArgument, "IS40_GetHBITMAPDimensions");
    return 0;
  }
  BITMAP info;
  if (GetObjectA(bitmap, sizeof(info), &info) != int(sizeof(info))) {
    RecordOutcome(state, kIsErrBadBitmap, "IS40_GetHBITMAPDimensions");
    return 0;
  }
  *width = DWORD(info.bmWidth);
  *height = DWORD(info.bmHeight < 0 ? -info.bmHeight : info.bmHeight);
  return 1;
}

BOOL IS40_HBITMAPToRGB(HBITMAP bitmap, HDC dc, HPALETTE palette, BYTE* destination) {
  IsOperation op("IS40_HBITMAPToRGB");
  if (!op.active()) return 0;
  if (!destination || !bitmap) return op.fail(kIsErrBadArgument), 0;
  if (!rcDiBitmap(dc)) return op.fail(kIsErrNoDIBitmaps), 0;

  PaletteScope builtPalette;  // only deletes; the DIB step selects it into the screen
  if ((GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) && !palette) {
    PALETTEENTRY entries[255];
    const UINT got = GetSystemPaletteEntries(dc, 0, 255, entries);
    palette = paletteFromEntries(entries, got ? got : 255);
    builtPalette.select(nullptr, palette, true);
  }
  int32_t error = kIsOk;
  OwnedBlock dib(bitmapToPackedDib(bitmap, BI_RGB, palette, error));
  if (!dib) return op.fail(error), 0;
  error = packedDibToRgb(dib.get(), destination);
  if (error) return op.fail(error), 0;
  return 1;
}

HBITMAP IS40_RGBToHBITMAP(const BYTE* image, DWORD width, DWORD height, DWORD stride, HPALETTE palette, HDC dc) {
  IsOperation op("IS40_RGBToHBITMAP");
  if (!op.active()) return nullptr;
  if (!image || !width || !height || uint64_t(stride) < uint64_t(width) * 3 || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
    return op.fail(kIsErrBadArgument), nullptr;
  int32_t error = kIsOk;
  OwnedBlock dib(rgbToPackedDib(image, width, height, stride, error));
  if (!dib) return op.fail(error), nullptr;

  WindowDc screen;
  if (!dc) screen = WindowDc(nullptr);  // only taken when the caller gives no context
  HDC target = dc ? dc : screen.get();
  if (!rcDiBitmap(target)) return op.fail(kIsErrNoDIBitmaps), nullptr;
  // A 24-bit DIB has no colour table, so without a palette of the caller's none is built.
  PaletteScope selected;
  if (palette) selected.select(target, palette, false);

  const BITMAPINFOHEADER* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib.get());
  HBITMAP bitmap = CreateDIBitmap(target, header, CBM_INIT, packedDibRows(dib.get()),
                                  reinterpret_cast<const BITMAPINFO*>(dib.get()), DIB_RGB_COLORS);
  if (!bitmap) {
    isTrace("DIBToHBITMAP error: GetLastError = %d\n", int(GetLastError()));
    return op.fail(kIsErrCreateDIBitmap), nullptr;
  }
  return bitmap;
}

OwnedImage resourceBitmapToRgb(HMODULE module, const char* name) {
  OwnedImage image;
  OwnedBitmap bitmap(IS40_LoadResourceBitmap(module, name, nullptr));
  DWORD w = 0, h = 0;
  if (!bitmap || !IS40_GetHBITMAPDimensions(bitmap.get(), &w, &h) || !w || !h) return image;
  OwnedBlock pixels(static_cast<BYTE*>(GlobalAlloc(GPTR, static_cast<SIZE_T>(w) * h * 3)));
  if (!pixels) return image;
  OwnedDc dc(CreateCompatibleDC(nullptr));
  if (!IS40_HBITMAPToRGB(bitmap.get(), dc.get(), nullptr, pixels.get())) return image;
  image.pixels = std::move(pixels);
  image.width = w;
  image.height = h;
  return image;
}
