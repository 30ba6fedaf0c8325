// The generic reader over a memory source: recognition, then whichever reader it picks
// (BMP, PSD, PNG, JPEG, TIFF).
#include <cstdlib>

#include "fuzz/fuzz_limits.h"
#include "imaging/frame.h"
#include "imaging/image_reader.h"
#include "imaging/owned_block.h"
#include "imaging/sources.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // libjpeg's own memory for progressive pictures, kept to what the fuzzer allows.
  setenv("JPEGMEM", "512M", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > UINT32_MAX || !fuzzing::acceptable(data, size)) return 0;
  ISSource source = IS40_OpenMemorySource(data, uint32_t(size));
  if (!source) std::abort();
  int32_t format = IS40_GuessFileType(source);
  if (format < 0 || format > 22) std::abort();
  DWORD width = 0, height = 0;
  OwnedBlock picture(IS40_ReadImage(source, &width, &height, 0, 0));
  if ((picture != nullptr) != (IS40_GetLastError() == 0)) std::abort();
  fuzzing::touchLastByte(picture.get(), uint64_t(width) * height * 3);
  IS40_CloseSource(source);
  return 0;
}
