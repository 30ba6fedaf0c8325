// The BMP reader over a memory source, as 24-bit RgbImage.
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
  return 0;
}
