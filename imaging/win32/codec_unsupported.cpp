// The Windows build reads BMP and PSD only: it carries none of the PNG, JPEG and TIFF
// libraries. Each of these readers fails with its own log line naming the format.
#include "imaging/frame.h"
#include "imaging/image_reader.h"

namespace {

BYTE* notBuilt(const char* operation, const char* format) {
  IsOperation op(operation);
  if (op.active()) op.fail(kIsErrNoDecoder, format);
  return nullptr;
}

}  // namespace

BYTE* IS40_ReadPNG(ISSource, DWORD*, DWORD*, DWORD, BYTE*, DWORD) {
  return notBuilt("IS40_ReadPNG", "PNG");
}

BYTE* IS40_ReadJPG(ISSource, DWORD*, DWORD*, DWORD, BYTE*, DWORD) {
  return notBuilt("IS40_ReadJPG", "JPG");
}

BYTE* IS40_ReadTIFF(ISSource, DWORD*, DWORD*, DWORD, BYTE*, DWORD) {
  return notBuilt("IS40_ReadTIFF", "TIFF");
}
