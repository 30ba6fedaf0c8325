// Resize, overlay and BMP writing, each beside a plain memset/memcpy of the bytes it produces.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "imaging/bmp.h"
#include "imaging/frame.h"
#include "imaging/image_ops.h"
#include "imaging/sources.h"

namespace {

std::vector<BYTE> pattern(size_t bytes, unsigned seed) {
  std::vector<BYTE> v(bytes);
  unsigned x = seed;
  for (BYTE& b : v) {
    x = x * 1103515245u + 12345u;
    b = BYTE(x >> 16);
  }
  return v;
}

void memsetDest(benchmark::State& state) {
  const size_t bytes = size_t(state.range(0)) * state.range(1) * 3;
  std::vector<BYTE> dest(bytes);
  for (auto _ : state) {
    std::memset(dest.data(), int(state.iterations() & 0xFF), bytes);
    benchmark::DoNotOptimize(dest.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

void resize(benchmark::State& state) {
  const DWORD sw = 200, sh = 140;
  const DWORD dw = DWORD(state.range(0)), dh = DWORD(state.range(1));
  std::vector<BYTE> src = pattern(size_t(sw) * sh * 3, 1);
  std::vector<BYTE> dest(size_t(dw) * dh * 3);
  for (auto _ : state) {
    if (!IS40_ResizeImage(src.data(), sw, sh, sw * 3, dest.data(), dw, dh, dw * 3, 3, 16, 0))
      state.SkipWithError("resize failed");
    benchmark::DoNotOptimize(dest.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(dest.size()));
}

BENCHMARK(memsetDest)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);
BENCHMARK(resize)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond);

// A 541 x 467 tile laid onto a 1920 x 1080 canvas with the tiles' key colour; about a fifth of
// the tile is key colour.
constexpr DWORD kTileW = 541, kTileH = 467, kCanvasW = 1920, kCanvasH = 1080;

std::vector<BYTE> tile() {
  std::vector<BYTE> t = pattern(size_t(kTileW) * kTileH * 3, 2);
  for (DWORD y = 0; y < kTileH; ++y)
    for (DWORD x = 0; x < kTileW / 5; ++x) {
      BYTE* p = &t[(size_t(y) * kTileW + x) * 3];
      p[0] = 0x4A, p[1] = 0x6D, p[2] = 0x94;
    }
  return t;
}

void memcpyTile(benchmark::State& state) {
  std::vector<BYTE> t = tile();
  std::vector<BYTE> canvas(size_t(kCanvasW) * kCanvasH * 3);
  for (auto _ : state) {
    for (DWORD y = 0; y < kTileH; ++y)
      std::memcpy(&canvas[(size_t(y) + 100) * kCanvasW * 3 + 300 * 3], &t[size_t(y) * kTileW * 3], kTileW * 3);
    benchmark::DoNotOptimize(canvas.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kTileW * kTileH * 3);
}

void overlay(benchmark::State& state) {
  std::vector<BYTE> t = tile();
  std::vector<BYTE> canvas = pattern(size_t(kCanvasW) * kCanvasH * 3, 3);
  const double opacity = state.range(0) / 100.0;
  for (auto _ : state) {
    if (!IS40_OverlayRGBTrans(canvas.data(), kCanvasW, kCanvasH, kCanvasW * 3, t.data(), kTileW, kTileH, kTileW * 3,
                              300, 100, opacity, 0x946D4A, 64, 0))
      state.SkipWithError("overlay failed");
    benchmark::DoNotOptimize(canvas.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * kTileW * kTileH * 3);
}

BENCHMARK(memcpyTile)->Unit(benchmark::kMicrosecond);
BENCHMARK(overlay)->Arg(100)->Arg(50)->Unit(benchmark::kMicrosecond);

// A 3840 x 2160 wallpaper written as a 24-bit BMP into a memory destination.
constexpr DWORD kWallW = 3840, kWallH = 2160;

void memcpyWallpaper(benchmark::State& state) {
  std::vector<BYTE> image = pattern(size_t(kWallW) * kWallH * 3, 4);
  std::vector<BYTE> file(image.size() + 54);
  for (auto _ : state) {
    std::memcpy(file.data() + 54, image.data(), image.size());
    benchmark::DoNotOptimize(file.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(image.size()));
}

void writeBmp(benchmark::State& state) {
  std::vector<BYTE> image = pattern(size_t(kWallW) * kWallH * 3, 4);
  std::vector<BYTE> file(image.size() + 54);
  for (auto _ : state) {
    ISDest d = IS40_OpenMemoryDest(file.data(), DWORD(file.size()));
    DWORD size = IS40_WriteBMP(d, image.data(), kWallW, kWallH, 24, kWallW * 3, 0, nullptr, nullptr, 0);
    if (size != file.size() || IS40_GetLastError() != 0) state.SkipWithError("write failed");
    IS40_CloseDest(d);
    benchmark::DoNotOptimize(file.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}

BENCHMARK(memcpyWallpaper)->Unit(benchmark::kMillisecond);
BENCHMARK(writeBmp)->Unit(benchmark::kMillisecond);

// The PSD decode benchmark (one 296 x 256 RLE picture) lives in its own file beside this one.

}  // namespace
