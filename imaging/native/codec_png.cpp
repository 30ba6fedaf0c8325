// PNG through libpng. libpng reports its errors by a long jump back into decodePng, so that
// function holds nothing with a destructor, and what it allocates after the jump point is
// kept in volatile locals to be freed there.
#include <png.h>

#include <csetjmp>
#include <cstdlib>

#include "imaging/frame.h"
#include "imaging/image_reader.h"

namespace {

struct PngInput {
  CISIO* source;
  bool ended;  // the source ran out: a read error rather than damaged data
};

void readFromSource(png_structp png, png_bytep data, png_size_t length) {
  PngInput* input = static_cast<PngInput*>(png_get_io_ptr(png));
  if (length > UINT32_MAX || !input->source->ReadExact(data, uint32_t(length))) {
    input->ended = true;
    png_error(png, "source ended early");
  }
}

void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}

BYTE* decodePng(CISIO& source, DWORD* width, DWORD* height, int32_t& error) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
  if (!png) {
    error = kIsErrOutOfMemory;
    return nullptr;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    error = kIsErrOutOfMemory;
    return nullptr;
  }
  PngInput input{&source, false};
  BYTE* volatile picture = nullptr;
  png_bytep* volatile rows = nullptr;
  volatile int32_t failure = kIsErrPngDecode;
  if (setjmp(png_jmpbuf(png))) {
    if (picture) GlobalFree(picture);
    std::free(rows);
    error = static_cast<PngInput*>(png_get_io_ptr(png))->ended ? kIsErrRead : failure;
    png_destroy_read_struct(&png, &info, nullptr);
    return nullptr;
  }
  png_set_read_fn(png, &input, readFromSource);
  // The size limit is ours (below); libpng's own default would refuse wide pictures early.
  png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_read_info(png, info);
  png_uint_32 w = 0, h = 0;
  int depth = 0, colour = 0, interlace = 0;
  png_get_IHDR(png, info, &w, &h, &depth, &colour, &interlace, nullptr, nullptr);
  // Everything becomes 8-bit R, G, B: palettes and grey expanded, 16 bits cut to their high
  // byte, alpha dropped.
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_palette_to_rgb(png);
  png_set_expand_gray_1_2_4_to_8(png);
  png_set_gray_to_rgb(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  uint64_t bytes = 0, rowPointers = 0;
  if (png_get_rowbytes(png, info) != uint64_t(w) * 3) png_error(png, "unexpected row layout");
  if (!checkedMultiply3(w, h, 3, bytes) || !checkedMultiply(h, sizeof(png_bytep), rowPointers) ||
      rowPointers >= kIsAllocLimit) {
    failure = kIsErrOutOfMemory;
    png_error(png, "picture too large");
  }
  int32_t allocError = 0;
  picture = allocReturnedBlock(bytes, allocError);
  rows = static_cast<png_bytep*>(std::malloc(size_t(rowPointers)));
  if (!picture || !rows) {
    failure = kIsErrOutOfMemory;
    png_error(png, "out of memory");
  }
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = picture + size_t(y) * w * 3;
  png_read_image(png, rows);
  std::free(rows);
  png_destroy_read_struct(&png, &info, nullptr);
  *width = w;
  *height = h;
  return picture;
}

}  // namespace

BYTE* IS40_ReadPNG(ISSource source, DWORD* width, DWORD* height, DWORD bitsPerPixel,
                   BYTE* palette, DWORD flags) {
  IsOperation op("IS40_ReadPNG");
  if (!op.active()) return nullptr;
  if (!source || !width || !height || bitsPerPixel != 24 || palette || flags)
    return op.fail(kIsErrBadArgument), nullptr;
  if (!source->IsOpen()) return op.fail(kIsErrNotOpen), nullptr;
  return decodePng(*source, width, height, op.code);
}
