// TIFF through libtiff. The whole source is read into memory first (TIFF directories may lie
// anywhere in the file); libtiff's RGBA interface then decodes every photometric kind, one
// strip or tile row at a time so that no second picture-sized buffer is needed.
#include <tiffio.h>

#include <cstring>

#include "imaging/frame.h"
#include "imaging/image_reader.h"

namespace {

struct TiffInput {
  const BYTE* data;
  uint64_t size;
  uint64_t position;
};

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t n) {
  TiffInput* in = static_cast<TiffInput*>(handle);
  if (n <= 0 || in->position >= in->size) return 0;
  uint64_t left = in->size - in->position;
  uint64_t take = uint64_t(n) < left ? uint64_t(n) : left;
  std::memcpy(buffer, in->data + in->position, size_t(take));
  in->position += take;
  return tmsize_t(take);
}

tmsize_t writeProc(thandle_t, void*, tmsize_t) { return 0; }

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
  TiffInput* in = static_cast<TiffInput*>(handle);
  uint64_t base = whence == SEEK_CUR ? in->position : whence == SEEK_END ? in->size : 0;
  uint64_t target = base + offset;  // libtiff passes negative offsets as wrapped values
  if (target > in->size) return toff_t(-1);
  in->position = target;
  return target;
}

int closeProc(thandle_t) { return 0; }
toff_t sizeProc(thandle_t handle) { return static_cast<TiffInput*>(handle)->size; }
int mapProc(thandle_t, void**, toff_t*) { return 0; }
void unmapProc(thandle_t, void*, toff_t) {}

int quietHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// The source's bytes from its start.
bool readWholeSource(CISIO& source, ScratchBlock& bytes, int32_t& error) {
  uint32_t size = 0;
  if (!source.GetSize(size) || size == 0 || !source.Seek(0, 0)) {
    error = kIsErrRead;
    return false;
  }
  if (!bytes.allocate(size, error)) return false;
  if (!source.ReadExact(bytes.get(), size)) {
    error = kIsErrRead;
    return false;
  }
  return true;
}

BYTE* decodeRgba(TIFF* tiff, DWORD* width, DWORD* height, int32_t& error) {
  char message[1024];
  TIFFRGBAImage image;
  // Stop at the first damaged strip or tile rather than decode the rest around it.
  if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&image, tiff, 1, message)) {
    error = kIsErrRead;
    return nullptr;
  }
  image.req_orientation = ORIENTATION_TOPLEFT;
  uint32_t w = image.width, h = image.height;
  if (w == 0 || h == 0) {
    TIFFRGBAImageEnd(&image);
    error = kIsErrRead;
    return nullptr;
  }
  uint32_t band = 0;
  if (TIFFIsTiled(tiff))
    TIFFGetField(tiff, TIFFTAG_TILELENGTH, &band);
  else
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &band);
  if (band == 0 || band > h) band = h;
  ReturnedBlock picture;
  ScratchBlock raster;
  uint64_t bytes = 0, rasterBytes = 0;
  if (!checkedMultiply3(w, h, 3, bytes) || !checkedMultiply3(w, band, 4, rasterBytes)) {
    error = kIsErrOutOfMemory;
  } else if (picture.allocate(bytes, error) && raster.allocate(rasterBytes, error)) {
    const uint32_t* pixels = raster.as<uint32_t>();
    for (uint32_t y = 0; y < h; y += band) {
      uint32_t rows = band < h - y ? band : h - y;
      image.row_offset = int(y);
      image.col_offset = 0;
      if (!TIFFRGBAImageGet(&image, raster.as<uint32_t>(), w, rows)) {
        error = kIsErrRead;
        break;
      }
      BYTE* out = picture.get() + size_t(y) * w * 3;
      for (size_t i = 0, n = size_t(w) * rows; i < n; ++i) {
        out[i * 3] = BYTE(TIFFGetR(pixels[i]));
        out[i * 3 + 1] = BYTE(TIFFGetG(pixels[i]));
        out[i * 3 + 2] = BYTE(TIFFGetB(pixels[i]));
      }
    }
  }
  TIFFRGBAImageEnd(&image);
  if (error) return nullptr;
  *width = w;
  *height = h;
  return picture.release();
}

BYTE* decodeTiff(CISIO& source, DWORD* width, DWORD* height, int32_t& error) {
  ScratchBlock bytes;
  if (!readWholeSource(source, bytes, error)) return nullptr;
  TiffInput input{bytes.get(), bytes.size(), 0};
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) {
    error = kIsErrOutOfMemory;
    return nullptr;
  }
  TIFFOpenOptionsSetErrorHandlerExtR(options, quietHandler, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, quietHandler, nullptr);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(kIsAllocLimit - 1));
  TIFF* tiff = TIFFClientOpenExt(source.Name(), "rm", &input, readProc, writeProc, seekProc,
                                 closeProc, sizeProc, mapProc, unmapProc, options);
  TIFFOpenOptionsFree(options);
  if (!tiff) {
    error = kIsErrRead;
    return nullptr;
  }
  BYTE* picture = decodeRgba(tiff, width, height, error);
  TIFFClose(tiff);
  return picture;
}

}  // namespace

BYTE* IS40_ReadTIFF(ISSource source, DWORD* width, DWORD* height, DWORD bitsPerPixel,
                    BYTE* palette, DWORD flags) {
  IsOperation op("IS40_ReadTIFF");
  if (!op.active()) return nullptr;
  if (!source || !width || !height || bitsPerPixel != 24 || palette || flags)
    return op.fail(kIsErrBadArgument), nullptr;
  if (!source->IsOpen()) return op.fail(kIsErrNotOpen), nullptr;
  return decodeTiff(*source, width, height, op.code);
}
