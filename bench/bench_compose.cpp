// The whole wallpaper job: background, texts, tiles and the BMP file, at two screen sizes,
// with the peak heap memory of one composition measured against the canvas.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <memory>

#include "calendar/date_arith.h"
#include "imaging/owned_block.h"
#include "render/compose.h"
#include "app/wallpaper_look.h"

namespace {

std::unique_ptr<WallpaperJob> benchJob(int W, int H) {
  std::unique_ptr<WallpaperJob> job(new WallpaperJob());
  job->look = lookFromSettings(Settings());
  job->day = 10;  // December 2009: Christmas Eve, today's month picture, two appointments
  job->month = 12;
  job->year = 2009;
  job->weekday = DayOfWeek(10, 12, 2009);
  job->W = W;
  job->H = H;
  job->seed = 4711;
  job->appointmentPictures[3] = 5;
  job->appointmentPictures[17] = 12;
  std::snprintf(job->path, sizeof job->path, "/tmp/quendler_bench_wallpaper_%dx%d.bmp", W, H);
  return job;
}

}  // namespace

// Heap accounting for the peak: every allocation of the process passes through here.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
void* __libc_memalign(size_t, size_t);
}

namespace {
std::atomic<long long> heapNow{0};
std::atomic<long long> heapPeak{0};

void counted(void* p) {
  if (!p) return;
  long long now = heapNow += static_cast<long long>(malloc_usable_size(p));
  long long peak = heapPeak.load();
  while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
  }
}
void uncounted(void* p) {
  if (p) heapNow -= static_cast<long long>(malloc_usable_size(p));
}
}  // namespace

extern "C" {
void* malloc(size_t n) {
  void* p = __libc_malloc(n);
  counted(p);
  return p;
}
void* calloc(size_t n, size_t size) {
  void* p = __libc_calloc(n, size);
  counted(p);
  return p;
}
void* realloc(void* old, size_t n) {
  uncounted(old);
  void* p = __libc_realloc(old, n);
  if (p) counted(p);
  else if (old && n) counted(old);  // the old block stays
  return p;
}
void free(void* p) {
  uncounted(p);
  __libc_free(p);
}
void* aligned_alloc(size_t alignment, size_t n) {
  void* p = __libc_memalign(alignment, n);
  counted(p);
  return p;
}
int posix_memalign(void** out, size_t alignment, size_t n) {
  void* p = __libc_memalign(alignment, n);
  if (!p) return 12;  // ENOMEM
  counted(p);
  *out = p;
  return 0;
}
void* memalign(size_t alignment, size_t n) {
  void* p = __libc_memalign(alignment, n);
  counted(p);
  return p;
}
}

namespace {

// Heap bytes that one composition needs at its peak, beyond what was in use before it.
double peakBytesOfOneComposition(const WallpaperJob& job) {
  long long before = heapNow.load();
  heapPeak = before;
  WallpaperResult result;
  ComposeWallpaper(job, result);
  return result.ok ? double(heapPeak.load() - before) : -1;
}

void composeWallpaperJob(benchmark::State& state) {
  auto job = benchJob(int(state.range(0)), int(state.range(1)));
  WallpaperResult result;
  // Once before timing: the resource store reads its files on first use.
  if (!ComposeWallpaper(*job, result)) {
    state.SkipWithError("the wallpaper could not be composed (resources missing?)");
    return;
  }
  for (auto _ : state) {
    ComposeWallpaper(*job, result);
    benchmark::DoNotOptimize(result.ok);
  }
  double canvas = double(job->W) * job->H * 3;
  double peak = peakBytesOfOneComposition(*job);
  state.counters["canvas_MB"] = canvas / 1048576.0;
  state.counters["peak_MB"] = peak / 1048576.0;
  state.counters["peak_per_canvas"] = peak / canvas;
  std::remove(job->path);
}

void composeWithoutWriting(benchmark::State& state) {
  auto job = benchJob(int(state.range(0)), int(state.range(1)));
  WallpaperResult result;
  for (auto _ : state) {
    OwnedBlock canvas(composeWallpaperImage(*job, result));
    if (!canvas) {
      state.SkipWithError("the wallpaper could not be composed");
      return;
    }
    benchmark::DoNotOptimize(canvas.get());
  }
}

BENCHMARK(composeWallpaperJob)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(composeWithoutWriting)->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
