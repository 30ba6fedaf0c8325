// The PSD reader over a memory source: every output form and the dimension reader.
#include <cstdlib>

#include "fuzz/fuzz_limits.h"
#include "imaging/frame.h"
#include "imaging/owned_block.h"
#include "imaging/psd_reader.h"
#include "imaging/sources.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > UINT32_MAX || !fuzzing::acceptable(data, size)) return 0;
  ISSource source = IS40_OpenMemorySource(data, uint32_t(size));
  if (!source) std::abort();
  DWORD width = 0, height = 0;
  OwnedBlock picture(IS40_ReadPSD(source, &width, &height, 24, nullptr, 0));
  // Success and the last error must tell the same story.
  if ((picture != nullptr) != (IS40_GetLastError() == 0)) std::abort();
  fuzzing::touchLastByte(picture.get(), uint64_t(width) * height * 3);

  BYTE palette[1024];
  IS40_Seek(source, 0, 0);
  picture.reset(IS40_ReadPSD(source, &width, &height, 8, palette, 0));
  fuzzing::touchLastByte(picture.get(), uint64_t(width) * height);

  PsdResolution resolution;
  DWORD depth, mode;
  IS40_Seek(source, 0, 0);
  IS40_GetPSDDims(source, &width, &height, &depth, &mode, &resolution);
  IS40_CloseSource(source);
  return 0;
}
