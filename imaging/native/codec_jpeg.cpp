// JPEG through libjpeg. libjpeg reports errors by calling error_exit, which jumps back into
// decodeJpeg; that function holds nothing with a destructor.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/frame.h"
#include "imaging/image_reader.h"

namespace {

struct JpegErrors {
  jpeg_error_mgr manager;
  jmp_buf jump;
};

struct JpegInput {
  jpeg_source_mgr manager;
  CISIO* source;
  JOCTET buffer[4096];
};

void onError(j_common_ptr info) { longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1); }
void onMessage(j_common_ptr, int) {}

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

// A source that ends inside the picture is an error: libjpeg would otherwise make up the
// rest of the picture from nothing.
boolean fillBuffer(j_decompress_ptr info) {
  JpegInput* input = reinterpret_cast<JpegInput*>(info->src);
  uint32_t got = input->source->Read(input->buffer, sizeof input->buffer);
  if (got == 0) ERREXIT(info, JERR_INPUT_EOF);
  input->manager.next_input_byte = input->buffer;
  input->manager.bytes_in_buffer = got;
  return TRUE;
}

void skipData(j_decompress_ptr info, long count) {
  JpegInput* input = reinterpret_cast<JpegInput*>(info->src);
  while (count > 0) {
    if (input->manager.bytes_in_buffer == 0) fillBuffer(info);
    size_t step = size_t(count) < input->manager.bytes_in_buffer ? size_t(count)
                                                                  : input->manager.bytes_in_buffer;
    input->manager.next_input_byte += step;
    input->manager.bytes_in_buffer -= step;
    count -= long(step);
  }
}

BYTE* decodeJpeg(CISIO& source, DWORD* width, DWORD* height, int32_t& error) {
  jpeg_decompress_struct info;
  JpegErrors errors;
  JpegInput input;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = onError;
  errors.manager.emit_message = onMessage;
  input.source = &source;
  BYTE* volatile picture = nullptr;
  volatile int32_t failure = kIsErrRead;
  if (setjmp(errors.jump)) {
    if (picture) GlobalFree(picture);
    jpeg_destroy_decompress(&info);
    error = failure;
    return nullptr;
  }
  jpeg_create_decompress(&info);
  input.manager.init_source = initSource;
  input.manager.fill_input_buffer = fillBuffer;
  input.manager.skip_input_data = skipData;
  input.manager.resync_to_restart = jpeg_resync_to_restart;
  input.manager.term_source = termSource;
  input.manager.bytes_in_buffer = 0;
  input.manager.next_input_byte = nullptr;
  info.src = &input.manager;
  // Coefficient buffers of progressive pictures stay under the library's limit (or under a
  // tighter one that the environment gives libjpeg through JPEGMEM).
  if (info.mem->max_memory_to_use <= 0 || uint64_t(info.mem->max_memory_to_use) > kIsAllocLimit)
    info.mem->max_memory_to_use = long(kIsAllocLimit);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  uint64_t bytes = 0;
  if (!checkedMultiply3(info.image_width, info.image_height, 3, bytes) ||
      bytes >= kIsAllocLimit) {
    failure = kIsErrOutOfMemory;
    ERREXIT(&info, JERR_OUT_OF_MEMORY);
  }
  jpeg_start_decompress(&info);
  if (info.output_components != 3) ERREXIT(&info, JERR_CONVERSION_NOTIMPL);
  int32_t allocError = 0;
  picture = allocReturnedBlock(bytes, allocError);
  if (!picture) {
    failure = kIsErrOutOfMemory;
    ERREXIT(&info, JERR_OUT_OF_MEMORY);
  }
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = picture + size_t(info.output_scanline) * info.output_width * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  *width = info.output_width;
  *height = info.output_height;
  // The rest of the file after the last scan does not matter.
  jpeg_abort_decompress(&info);
  jpeg_destroy_decompress(&info);
  return picture;
}

}  // namespace

BYTE* IS40_ReadJPG(ISSource source, DWORD* width, DWORD* height, DWORD bitsPerPixel,
                   BYTE* palette, DWORD flags) {
  IsOperation op("IS40_ReadJPG");
  if (!op.active()) return nullptr;
  if (!source || !width || !height || bitsPerPixel != 24 || palette || flags)
    return op.fail(kIsErrBadArgument), nullptr;
  if (!source->IsOpen()) return op.fail(kIsErrNotOpen), nullptr;
  return decodeJpeg(*source, width, height, op.code);
}
