#include "tools/png_file.h"

#include <png.h>

#include <csetjmp>
#include <string>

#include "platform/files.h"

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void noFlush(png_structp) {}

// Encodes into `out`; 0 when libpng gives up (out of memory).
int encodePng(const BYTE* image, int W, int H, std::string& out) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return 0;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return 0;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return 0;
  }
  png_set_write_fn(png, &out, appendBytes, noFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(W), static_cast<png_uint_32>(H), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < H; ++y)
    png_write_row(png, const_cast<png_bytep>(image + static_cast<size_t>(y) * W * 3));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return 1;
}

}  // namespace

int writePngFile(const BYTE* image, int W, int H, const char* path) {
  if (!image || W <= 0 || H <= 0 || !path || !*path) return 0;
  std::string bytes;
  if (!encodePng(image, W, H, bytes)) return 0;
  return replaceFileContents(path, bytes.data(), bytes.size());
}
