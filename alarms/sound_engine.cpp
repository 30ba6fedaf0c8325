#include "alarms/sound_engine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace {

constexpr int kMaxChannels = 32;
constexpr int kMaxRate = 1000000;
// Played frames are let go in batches, keeping the frame before the play position that the
// interpolation still looks at.
constexpr uint64_t kTrimFrames = 8192;

int32_t readLe(const unsigned char* p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
  if (bytes < 4 && (v & (1u << (8 * bytes - 1)))) v |= ~0u << (8 * bytes);  // sign-extend
  return static_cast<int32_t>(v);
}

void writeLe(unsigned char* p, int bytes, int32_t value) {
  uint32_t v = static_cast<uint32_t>(value);
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

float clip(float x) { return x > 1.0f ? 1.0f : (x < -1.0f ? -1.0f : x); }

// Catmull-Rom through p1 (t = 0) and p2 (t = 1).
float interpolate(float p0, float p1, float p2, float p3, float t) {
  return p1 + 0.5f * t * ((p2 - p0) + t * ((2 * p0 - 5 * p1 + 4 * p2 - p3) + t * (3 * (p1 - p2) + p3 - p0)));
}

}  // namespace

int sampleBytes(SampleKind kind) {
  switch (kind) {
    case SampleKind::kUint8: return 1;
    case SampleKind::kInt16: return 2;
    case SampleKind::kInt24: return 3;
    case SampleKind::kInt32: return 4;
    case SampleKind::kFloat32: return 4;
  }
  return 1;
}

void samplesToFloat(const void* data, size_t count, SampleKind kind, float* out) {
  const auto* p = static_cast<const unsigned char*>(data);
  const int size = sampleBytes(kind);
  for (size_t i = 0; i < count; ++i, p += size) {
    switch (kind) {
      case SampleKind::kUint8: out[i] = (static_cast<int>(*p) - 128) / 128.0f; break;
      case SampleKind::kInt16: out[i] = static_cast<float>(readLe(p, 2) / 32768.0); break;
      case SampleKind::kInt24: out[i] = static_cast<float>(readLe(p, 3) / 8388608.0); break;
      case SampleKind::kInt32: out[i] = static_cast<float>(readLe(p, 4) / 2147483648.0); break;
      case SampleKind::kFloat32: {
        float f;
        std::memcpy(&f, p, 4);
        out[i] = std::isfinite(f) ? f : 0.0f;
        break;
      }
    }
  }
}

void floatToSamples(const float* in, size_t count, SampleKind kind, void* out) {
  auto* p = static_cast<unsigned char*>(out);
  const int size = sampleBytes(kind);
  for (size_t i = 0; i < count; ++i, p += size) {
    const double x = std::isfinite(in[i]) ? clip(in[i]) : 0.0f;
    switch (kind) {
      case SampleKind::kUint8: *p = static_cast<unsigned char>(std::lrint(x * 127.0) + 128); break;
      case SampleKind::kInt16: writeLe(p, 2, static_cast<int32_t>(std::lrint(x * 32767.0))); break;
      case SampleKind::kInt24: writeLe(p, 3, static_cast<int32_t>(std::lrint(x * 8388607.0))); break;
      case SampleKind::kInt32: writeLe(p, 4, static_cast<int32_t>(std::lrint(x * 2147483647.0))); break;
      case SampleKind::kFloat32: {
        const float f = static_cast<float>(x);
        std::memcpy(p, &f, 4);
        break;
      }
    }
  }
}

struct SoundVoice {
  int rate = 0, channels = 0;
  double step = 1.0;             // source frames per output frame
  std::vector<float> samples;    // interleaved, source frame `base` first
  uint64_t base = 0;
  double position = 0;           // source position of the next output frame
  unsigned char partial[4] = {}; // bytes of a sample not yet complete
  int partialBytes = 0;
  bool finished = false;         // the decoder has delivered everything
  bool dropped = false;          // ended, faded out or stopped
  uint64_t startFrame = 0;       // output frame of its first sample
  bool fading = false;
  uint64_t fadeStart = 0;

  uint64_t heldEnd() const { return base + samples.size() / channels; }
  float at(int64_t frame, int channel) const {
    if (frame < static_cast<int64_t>(base) || frame >= static_cast<int64_t>(heldEnd())) return 0.0f;
    return samples[(frame - base) * channels + channel];
  }
};

SoundEngine::SoundEngine(int outputRate, int outputChannels)
    : outRate_(std::clamp(outputRate, 1, kMaxRate)),
      outChannels_(std::clamp(outputChannels, 1, kMaxChannels)),
      fadeFrames_(static_cast<uint64_t>(outRate_) * kFadeMillis / 1000),
      startDelayFrames_(static_cast<uint64_t>(outRate_) * kStartDelayMillis / 1000) {}

SoundEngine::~SoundEngine() { stopAll(); }

SoundVoiceRef SoundEngine::makeVoice(int sourceRate, int sourceChannels) {
  if (sourceRate < 1 || sourceRate > kMaxRate || sourceChannels < 1 || sourceChannels > kMaxChannels)
    return nullptr;
  auto v = std::make_shared<SoundVoice>();
  v->rate = sourceRate;
  v->channels = sourceChannels;
  v->step = static_cast<double>(sourceRate) / outRate_;
  return v;
}

bool SoundEngine::feed(const SoundVoiceRef& v, const void* data, size_t bytes, SampleKind kind) {
  if (!v) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  if (v->dropped) return false;
  if (v->finished) return true;
  const auto* p = static_cast<const unsigned char*>(data);
  const int size = sampleBytes(kind);
  float value;
  if (v->partialBytes > 0) {
    const size_t take = std::min<size_t>(bytes, size - v->partialBytes);
    std::memcpy(v->partial + v->partialBytes, p, take);
    v->partialBytes += static_cast<int>(take);
    p += take;
    bytes -= take;
    if (v->partialBytes < size) return true;
    samplesToFloat(v->partial, 1, kind, &value);
    v->samples.push_back(value);
    v->partialBytes = 0;
  }
  const size_t count = bytes / size;
  const size_t old = v->samples.size();
  v->samples.resize(old + count);
  samplesToFloat(p, count, kind, v->samples.data() + old);
  v->partialBytes = static_cast<int>(bytes - count * size);
  std::memcpy(v->partial, p + count * size, v->partialBytes);
  return true;
}

void SoundEngine::finish(const SoundVoiceRef& v) {
  if (!v) return;
  std::lock_guard<std::mutex> lock(mutex_);
  v->finished = true;
}

size_t SoundEngine::bufferedFrames(const SoundVoiceRef& v) const {
  if (!v) return 0;
  std::lock_guard<std::mutex> lock(mutex_);
  const double left = static_cast<double>(v->heldEnd()) - v->position;
  return left > 0 ? static_cast<size_t>(left) : 0;
}

bool SoundEngine::wanted(const SoundVoiceRef& v) const {
  if (!v) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  return !v->dropped;
}

void SoundEngine::fadeOutAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& v : voices_) {
    if (v->fading) continue;
    v->fading = true;
    v->fadeStart = clock_;
  }
}

void SoundEngine::startAfterFade(const SoundVoiceRef& next) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& v : voices_) {
    if (v->fading) continue;
    v->fading = true;
    v->fadeStart = clock_;
  }
  if (!next || next->dropped) return;
  if (std::find(voices_.begin(), voices_.end(), next) != voices_.end()) return;
  next->startFrame = clock_ + startDelayFrames_;
  voices_.push_back(next);
}

void SoundEngine::stopAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& v : voices_) v->dropped = true;
  voices_.clear();
}

float SoundEngine::gainAt(const SoundVoice& v, uint64_t frame) const {
  if (!v.fading || frame < v.fadeStart) return 1.0f;
  const uint64_t into = frame - v.fadeStart;
  if (into >= fadeFrames_) return 0.0f;
  return static_cast<float>(1.0 - static_cast<double>(into) / static_cast<double>(fadeFrames_));
}

void SoundEngine::mixVoice(SoundVoice& v, float* out, size_t frames) {
  std::array<float, kMaxChannels> src;
  const int sc = v.channels;
  for (size_t i = 0; i < frames; ++i) {
    const uint64_t frame = clock_ + i;
    if (frame < v.startFrame) continue;
    const float gain = gainAt(v, frame);
    if (gain <= 0.0f) {
      v.dropped = true;
      return;
    }
    const int64_t i0 = static_cast<int64_t>(std::floor(v.position));
    const float t = static_cast<float>(v.position - static_cast<double>(i0));
    const int64_t held = static_cast<int64_t>(v.heldEnd());
    if (v.finished) {
      if (i0 >= held) {
        v.dropped = true;
        return;
      }
    } else if (i0 + 2 >= held) {
      return;  // the decoder is behind: wait for it rather than skip
    }
    for (int c = 0; c < sc; ++c)
      src[c] = interpolate(v.at(i0 - 1, c), v.at(i0, c), v.at(i0 + 1, c), v.at(i0 + 2, c), t);
    float* o = out + i * outChannels_;
    if (sc == outChannels_) {
      for (int c = 0; c < sc; ++c) o[c] += gain * src[c];
    } else if (outChannels_ == 1) {
      float sum = 0;
      for (int c = 0; c < sc; ++c) sum += src[c];
      o[0] += gain * sum / sc;
    } else if (sc == 1) {
      o[0] += gain * src[0];
      o[1] += gain * src[0];
    } else {
      for (int c = 0; c < std::min(sc, outChannels_); ++c) o[c] += gain * src[c];
    }
    v.position += v.step;
  }
  const double keepFrom = std::floor(v.position) - 1;
  if (keepFrom > static_cast<double>(v.base + kTrimFrames)) {
    const uint64_t drop = std::min<uint64_t>(static_cast<uint64_t>(keepFrom) - v.base, v.samples.size() / sc);
    v.samples.erase(v.samples.begin(), v.samples.begin() + static_cast<ptrdiff_t>(drop * sc));
    v.base += drop;
  }
}

void SoundEngine::render(float* out, size_t frames) {
  std::fill(out, out + frames * outChannels_, 0.0f);
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& v : voices_) mixVoice(*v, out, frames);
  voices_.erase(std::remove_if(voices_.begin(), voices_.end(), [](const SoundVoiceRef& v) { return v->dropped; }),
                voices_.end());
  clock_ += frames;
}

size_t SoundEngine::voiceCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return voices_.size();
}

uint64_t SoundEngine::renderedFrames() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return clock_;
}
