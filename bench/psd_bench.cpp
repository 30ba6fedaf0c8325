// Decoding one 296 × 256 RLE picture of the kind the program carries (RGB, 8 bits, three
// channels, every row filling its width), next to a memcpy of the same decoded bytes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/frame.h"
#include "imaging/owned_block.h"
#include "imaging/psd_reader.h"
#include "imaging/sources.h"
#include "tests/imaging/psd_builder.h"

namespace {

constexpr uint32_t kWidth = 296, kHeight = 256;

// A cell tile: key-colour ground at the top left, a vertical gradient, a white disc.
Bytes tilePicture() {
  Bytes rgb(size_t(kWidth) * kHeight * 3);
  for (uint32_t y = 0; y < kHeight; ++y)
    for (uint32_t x = 0; x < kWidth; ++x) {
      uint8_t* p = &rgb[(size_t(y) * kWidth + x) * 3];
      double dx = x - 180.0, dy = y - 150.0;
      if (x < 120 && y < 90) {
        p[0] = 0x4A, p[1] = 0x6D, p[2] = 0x94;
      } else if (std::sqrt(dx * dx + dy * dy) < 50) {
        p[0] = p[1] = p[2] = 255;
      } else {
        p[0] = uint8_t(0x20 + y * 0xD0 / kHeight);
        p[1] = uint8_t(0x50 + y * 0x90 / kHeight);
        p[2] = uint8_t(0xC0 - y * 0x60 / kHeight + (x & 3));
      }
    }
  return rgb;
}

const Bytes& tileFile() {
  static const Bytes file = [] {
    PsdFile f;
    f.width = kWidth;
    f.height = kHeight;
    f.compression = 1;
    f.imageData = rlePlanes(tilePicture(), kWidth, kHeight, 3);
    return f.bytes();
  }();
  return file;
}

void BM_DecodePsdRle296x256(benchmark::State& state) {
  const Bytes& file = tileFile();
  for (auto _ : state) {
    ISSource source = IS40_OpenMemorySource(file.data(), uint32_t(file.size()));
    DWORD w, h;
    OwnedBlock pixels(IS40_ReadPSD(source, &w, &h, 24, nullptr, 0));
    if (!pixels) state.SkipWithError("decoding failed");
    benchmark::DoNotOptimize(pixels.get());
    IS40_CloseSource(source);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kWidth * kHeight * 3);
  state.counters["file_bytes"] = double(file.size());
}
BENCHMARK(BM_DecodePsdRle296x256);

// The same destination bytes, copied.
void BM_MemcpyDecodedBytes296x256(benchmark::State& state) {
  Bytes source = tilePicture();
  Bytes destination(source.size());
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), source.size());
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.size()));
}
BENCHMARK(BM_MemcpyDecodedBytes296x256);

// The same copy into a block fetched and given back as the decoder's result block is.
void BM_AllocMemcpyDecodedBytes296x256(benchmark::State& state) {
  Bytes source = tilePicture();
  for (auto _ : state) {
    OwnedBlock destination(static_cast<BYTE*>(GlobalAlloc(GPTR, source.size())));
    std::memcpy(destination.get(), source.data(), source.size());
    benchmark::DoNotOptimize(destination.get());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(source.size()));
}
BENCHMARK(BM_AllocMemcpyDecodedBytes296x256);

}  // namespace
