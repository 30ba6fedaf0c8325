// The mixer behind the sound player, without any device: decoded PCM goes in (any rate, any
// channel count, integer or float samples), the output pulls interleaved float frames in its
// own mix format. Each sound is a voice: it starts at full gain, plays once, and on request
// glides to silence over 500 ms while the next one starts 5 ms after that glide began.
//
// The glide is linear in amplitude (gain 1 -> 0 over 500 ms of output frames, applied per
// frame, so there is no step to click on) and is counted in rendered frames, so it lasts the
// same however the output cuts its blocks. A voice that reaches gain 0 is dropped at once:
// it would only play on silently.
//
// Rate conversion is a four-point Catmull-Rom interpolation between source frames; at equal
// rates it hands the samples through unchanged. Channels: equal counts go through as they
// are, a mono source goes to the first two channels (front left and right), a mono output
// takes the mean of the source channels, otherwise the first channels are matched in order.
//
// Thread use: the decoder feeds, the output renders, the player starts and fades, each from
// its own thread; one mutex guards the voices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

enum class SampleKind { kUint8, kInt16, kInt24, kInt32, kFloat32 };

// Bytes of one sample of the kind.
int sampleBytes(SampleKind kind);
// Raw little-endian samples to floats in [-1, 1] (not-a-number and infinities become 0).
// `count` samples are read from `data`.
void samplesToFloat(const void* data, size_t count, SampleKind kind, float* out);
// Floats to raw little-endian samples; values beyond [-1, 1] are clipped.
void floatToSamples(const float* in, size_t count, SampleKind kind, void* out);

struct SoundVoice;
using SoundVoiceRef = std::shared_ptr<SoundVoice>;

class SoundEngine {
 public:
  static constexpr int kFadeMillis = 500;
  static constexpr int kStartDelayMillis = 5;

  // The output's format; rates and channel counts below 1 are taken as 1.
  SoundEngine(int outputRate, int outputChannels);
  ~SoundEngine();
  SoundEngine(const SoundEngine&) = delete;
  SoundEngine& operator=(const SoundEngine&) = delete;

  int outputRate() const { return outRate_; }
  int outputChannels() const { return outChannels_; }

  // A voice for one decoded source; it sounds once started, not before.
  SoundVoiceRef makeVoice(int sourceRate, int sourceChannels);
  // Appends decoded bytes (interleaved frames in the voice's format; a sample split across
  // two calls is joined). False once the voice is no longer wanted (faded out, ended, or the
  // engine shut down): the decoder can stop reading.
  bool feed(const SoundVoiceRef& voice, const void* data, size_t bytes, SampleKind kind);
  // No more samples come: the voice ends when what it holds has been played.
  void finish(const SoundVoiceRef& voice);
  // Source frames fed but not yet played, for the decoder's pacing.
  size_t bufferedFrames(const SoundVoiceRef& voice) const;
  // Whether the voice still plays or waits to (a decoder keeps feeding it while it does).
  bool wanted(const SoundVoiceRef& voice) const;

  // Fades out every voice (as fadeOutAll) and starts `next` 5 ms of output after that, at
  // full gain.
  void startAfterFade(const SoundVoiceRef& next);
  // Every voice glides from its present gain to silence, the glide starting with the next
  // rendered frame; a voice already gliding keeps its glide.
  void fadeOutAll();
  // Drops every voice at once (shut-down).
  void stopAll();

  // Mixes the next `frames` output frames into `out` (frames × outputChannels floats).
  void render(float* out, size_t frames);
  // Voices that still play or wait to start.
  size_t voiceCount() const;
  // Output frames rendered so far.
  uint64_t renderedFrames() const;

 private:
  float gainAt(const SoundVoice& v, uint64_t frame) const;
  void mixVoice(SoundVoice& v, float* out, size_t frames);

  const int outRate_;
  const int outChannels_;
  const uint64_t fadeFrames_;
  const uint64_t startDelayFrames_;
  mutable std::mutex mutex_;
  std::vector<SoundVoiceRef> voices_;
  uint64_t clock_ = 0;  // index of the next output frame
};
