// The BMP reader over a memory source, as 24-bit RgbImage; the same bytes without their file
// header as a packed DIB (a bitmap resource).
#include <cstdlib>

#include "fuzz/fuzz_limits.h"
#include "imaging/bmp.h"
#include "imaging/frame.h"
#include "imaging/owned_block.h"
#include "imaging/sources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > UINT32_MAX || !fuzzing::acceptable(data, size)) return 0;
  ISSource source = IS40_OpenMemorySource(data, uint32_t(size));
  if (!source) std::abort();
  DWORD width = 0, height = 0;
  OwnedBlock picture(IS40_ReadBMP(source, &width, &height, 24, nullptr, 0));
  if ((picture != nullptr) != (IS40_GetLastError() == 0)) std::abort();
  fuzzing::touchLastByte(picture.get(), uint64_t(width) * height * 3);
  IS40_CloseSource(source);

  if (size > 14 && data[0] == 'B' && data[1] == 'M') {
    int32_t error = -1;
    width = height = 0;
    OwnedBlock dib(readPackedDibImage(data + 14, size - 14, 24, width, height, error));
    if ((dib != nullptr) != (error == 0)) std::abort();
    fuzzing::touchLastByte(dib.get(), uint64_t(width) * height * 3);
  }
  return 0;
}
