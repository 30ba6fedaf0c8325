// The mixer against a capture sink that pulls blocks as an output would: the glide's curve
// and length, the next sound 5 ms after the glide began, one-shot ends, rate conversion that
// keeps a tone's pitch, a decoder that falls behind, channel mapping.
#include "alarms/sound_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<float> tone(int rate, int channels, double seconds, double hz, double amplitude) {
  std::vector<float> s(static_cast<size_t>(rate * seconds) * channels);
  for (size_t i = 0; i < s.size(); ++i)
    s[i] = static_cast<float>(amplitude * std::sin(2 * kPi * hz * static_cast<double>(i / channels) / rate));
  return s;
}

void feedFloats(SoundEngine& e, const SoundVoiceRef& v, const std::vector<float>& s) {
  ASSERT_TRUE(e.feed(v, s.data(), s.size() * sizeof(float), SampleKind::kFloat32));
}

// Pulls `frames` frames in blocks of `block` and keeps them.
struct Capture {
  explicit Capture(SoundEngine& e) : engine(e) {}
  SoundEngine& engine;
  std::vector<float> out;
  void pull(size_t frames, size_t block = 441) {
    std::vector<float> buf(block * engine.outputChannels());
    for (size_t done = 0; done < frames; done += block) {
      const size_t n = std::min(block, frames - done);
      engine.render(buf.data(), n);
      out.insert(out.end(), buf.begin(), buf.begin() + n * engine.outputChannels());
    }
  }
  size_t frames() const { return out.size() / engine.outputChannels(); }
  float at(size_t frame, int channel = 0) const { return out[frame * engine.outputChannels() + channel]; }
};

// Crossings from below to above zero per second on channel 0, between two frames.
double frequency(const Capture& c, size_t from, size_t to, int rate) {
  int rising = 0;
  size_t first = 0, last = 0;
  for (size_t i = from + 1; i < to; ++i)
    if (c.at(i - 1) < 0 && c.at(i) >= 0) {
      if (rising++ == 0) first = i;
      last = i;
    }
  return rising > 1 ? (rising - 1) * static_cast<double>(rate) / (last - first) : 0;
}

TEST(SoundSamples, ConvertEachKindToFloatAndBack) {
  const unsigned char u8[] = {0, 128, 255};
  const int16_t s16[] = {-32768, 0x4000, 32767};
  const unsigned char s24[] = {0x00, 0x00, 0x80, 0x00, 0x00, 0x40, 0xFF, 0xFF, 0xFF};
  const int32_t s32[] = {INT32_MIN, 0x40000000, -1};
  const float f32[] = {0.25f, NAN, INFINITY};
  float out[3];
  samplesToFloat(u8, 3, SampleKind::kUint8, out);
  EXPECT_FLOAT_EQ(out[0], -1.0f);
  EXPECT_FLOAT_EQ(out[1], 0.0f);
  EXPECT_NEAR(out[2], 127 / 128.0, 1e-7);
  samplesToFloat(s16, 3, SampleKind::kInt16, out);
  EXPECT_FLOAT_EQ(out[0], -1.0f);
  EXPECT_FLOAT_EQ(out[1], 0.5f);
  samplesToFloat(s24, 3, SampleKind::kInt24, out);
  EXPECT_FLOAT_EQ(out[0], -1.0f);
  EXPECT_FLOAT_EQ(out[1], 0.5f);
  EXPECT_NEAR(out[2], -1 / 8388608.0, 1e-12);
  samplesToFloat(s32, 3, SampleKind::kInt32, out);
  EXPECT_FLOAT_EQ(out[0], -1.0f);
  EXPECT_FLOAT_EQ(out[1], 0.5f);
  samplesToFloat(f32, 3, SampleKind::kFloat32, out);
  EXPECT_EQ(out[0], 0.25f);
  EXPECT_EQ(out[1], 0.0f);
  EXPECT_EQ(out[2], 0.0f);

  const float loud[] = {1.5f, -2.0f, 0.5f, NAN};
  int16_t back16[4];
  floatToSamples(loud, 4, SampleKind::kInt16, back16);
  EXPECT_EQ(back16[0], 32767);
  EXPECT_EQ(back16[1], -32767);
  EXPECT_EQ(back16[2], 16384);
  EXPECT_EQ(back16[3], 0);
  unsigned char back24[12];
  floatToSamples(loud, 4, SampleKind::kInt24, back24);
  EXPECT_EQ(back24[0] | back24[1] << 8 | back24[2] << 16, 0x7FFFFF);
  EXPECT_EQ(back24[3] | back24[4] << 8 | back24[5] << 16, 0x800001);
  float backF[4];
  floatToSamples(loud, 4, SampleKind::kFloat32, backF);
  EXPECT_EQ(backF[0], 1.0f);
  EXPECT_EQ(backF[1], -1.0f);
}

TEST(SoundEngine, PlaysOnceAtFullLevelAndEnds) {
  SoundEngine e(48000, 2);
  SoundVoiceRef v = e.makeVoice(48000, 1);
  const std::vector<float> src = tone(48000, 1, 1.0, 1000, 0.9);  // long enough to be trimmed
  feedFloats(e, v, src);
  e.finish(v);
  e.startAfterFade(v);
  Capture c(e);
  c.pull(48000 + 5000);
  const size_t delay = 240;  // 5 ms
  for (size_t i = 0; i < src.size(); ++i) {
    ASSERT_EQ(c.at(delay + i, 0), src[i]) << i;  // equal rates: the samples themselves
    ASSERT_EQ(c.at(delay + i, 1), src[i]) << i;
  }
  for (size_t i = delay + src.size(); i < c.frames(); ++i) ASSERT_EQ(c.at(i, 0), 0.0f);
  EXPECT_EQ(e.voiceCount(), 0u);
  EXPECT_FALSE(e.wanted(v));
  EXPECT_FALSE(e.feed(v, src.data(), 4, SampleKind::kFloat32));
}

TEST(SoundEngine, GlidesLinearlyToSilenceIn500ms) {
  SoundEngine e(44100, 1);
  SoundVoiceRef v = e.makeVoice(44100, 1);
  feedFloats(e, v, std::vector<float>(44100 * 3, 0.5f));  // a level to read the gain from
  e.startAfterFade(v);
  Capture c(e);
  c.pull(20000);  // ends on a short block; the glide starts with the frame after the request
  const size_t fadeStart = c.frames();
  e.fadeOutAll();
  e.fadeOutAll();  // a second request keeps the glide that runs
  c.pull(30000);
  EXPECT_EQ(c.at(fadeStart - 1), 0.5f);
  for (size_t k = 0; k <= 22050; k += 1225)
    EXPECT_NEAR(c.at(fadeStart + k), 0.5 * (1 - k / 22050.0), 1e-6) << k;
  for (size_t i = fadeStart + 1; i < fadeStart + 22050; ++i) ASSERT_LE(c.at(i), c.at(i - 1));
  for (size_t i = fadeStart + 22050; i < c.frames(); ++i) ASSERT_EQ(c.at(i), 0.0f);
  EXPECT_EQ(e.voiceCount(), 0u);
  EXPECT_FALSE(e.wanted(v));  // the decoder may stop
}

TEST(SoundEngine, NextSoundStartsFiveMillisecondsAfterTheGlideAtFullLevel) {
  SoundEngine e(48000, 2);
  // The first sound only on the left, the second only on the right.
  SoundVoiceRef first = e.makeVoice(48000, 2), second = e.makeVoice(48000, 2);
  std::vector<float> left(48000 * 2 * 2, 0.0f), right(48000 * 2 * 2, 0.0f);
  for (size_t i = 0; i < left.size(); i += 2) left[i] = 0.25f, right[i + 1] = 0.5f;
  feedFloats(e, first, left);
  feedFloats(e, second, right);
  e.startAfterFade(first);
  Capture c(e);
  c.pull(10000, 480);
  const size_t fadeStart = c.frames();
  e.startAfterFade(second);
  c.pull(12000, 480);
  const size_t third = c.frames();
  e.fadeOutAll();  // the second glides from here; the first keeps its own glide
  c.pull(48000, 480);

  EXPECT_EQ(c.at(fadeStart - 1, 0), 0.25f);
  EXPECT_EQ(c.at(fadeStart + 239, 1), 0.0f);
  EXPECT_EQ(c.at(fadeStart + 240, 1), 0.5f);
  EXPECT_NEAR(c.at(fadeStart + 240, 0), 0.25 * (1 - 240 / 24000.0), 1e-6);
  EXPECT_NEAR(c.at(fadeStart + 12000, 0), 0.125, 1e-6);
  EXPECT_EQ(c.at(fadeStart + 24000, 0), 0.0f);
  EXPECT_EQ(c.at(third - 1, 1), 0.5f);
  EXPECT_NEAR(c.at(third + 12000, 1), 0.25, 1e-6);
  EXPECT_EQ(c.at(third + 24000, 1), 0.0f);
  EXPECT_EQ(e.voiceCount(), 0u);
}

TEST(SoundEngine, RateConversionKeepsPitchLevelAndLength) {
  const int pairs[][2] = {{44100, 48000}, {48000, 44100}, {22050, 48000}, {32000, 44100}};
  for (const auto& p : pairs) {
    SCOPED_TRACE(testing::Message() << p[0] << " -> " << p[1]);
    SoundEngine e(p[1], 2);
    SoundVoiceRef v = e.makeVoice(p[0], 2);
    feedFloats(e, v, tone(p[0], 2, 1.0, 1000, 0.8));
    e.finish(v);
    e.startAfterFade(v);
    Capture c(e);
    c.pull(p[1] * 2);
    size_t last = 0;
    float peak = 0;
    for (size_t i = 0; i < c.frames(); ++i) {
      if (c.at(i) != 0.0f) last = i;
      peak = std::max(peak, std::fabs(c.at(i)));
      ASSERT_EQ(c.at(i, 0), c.at(i, 1));
    }
    EXPECT_NEAR(frequency(c, 0, last, p[1]), 1000.0, 0.5);
    EXPECT_NEAR(peak, 0.8, 0.01);
    EXPECT_NEAR(static_cast<double>(last), p[1] * (1.0 + 0.005), 3.0);
  }
}

// A decoder that falls behind, and deliveries that cut samples in two, change only when the
// frames are heard, not what is heard.
TEST(SoundEngine, WaitsForASlowDecoderAndJoinsSplitSamples) {
  std::vector<int16_t> src(3000);
  for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<int16_t>(100 + i * 7);
  const auto* bytes = reinterpret_cast<const unsigned char*>(src.data());
  auto heard = [](const Capture& c) {
    std::vector<float> h;
    for (size_t i = 0; i < c.frames(); ++i)
      if (c.at(i) != 0.0f) h.push_back(c.at(i));
    return h;
  };

  SoundEngine whole(11025, 1);
  SoundVoiceRef w = whole.makeVoice(8000, 1);
  ASSERT_TRUE(whole.feed(w, bytes, src.size() * 2, SampleKind::kInt16));
  whole.finish(w);
  whole.startAfterFade(w);
  Capture all(whole);
  all.pull(6000, 100);

  SoundEngine e(11025, 1);
  SoundVoiceRef v = e.makeVoice(8000, 1);
  ASSERT_TRUE(e.feed(v, bytes, 1001, SampleKind::kInt16));
  e.startAfterFade(v);
  Capture c(e);
  c.pull(2000, 100);  // more than has arrived: the voice waits, it does not skip
  EXPECT_EQ(e.voiceCount(), 1u);
  EXPECT_LT(e.bufferedFrames(v), 5u);
  ASSERT_TRUE(e.feed(v, bytes + 1001, 1, SampleKind::kInt16));
  ASSERT_TRUE(e.feed(v, bytes + 1002, src.size() * 2 - 1002, SampleKind::kInt16));
  e.finish(v);
  c.pull(6000, 100);

  const std::vector<float> expected = heard(all), got = heard(c);
  EXPECT_NEAR(static_cast<double>(expected.size()), 3000 * 11025 / 8000.0, 2.0);
  ASSERT_EQ(got.size(), expected.size());
  for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], expected[i]) << i;
  EXPECT_NEAR(got[1000], (100 + 7 * 1000 * 8000 / 11025.0) / 32768, 1e-6);  // a ramp stays a ramp
  EXPECT_EQ(e.voiceCount(), 0u);
}

TEST(SoundEngine, MapsChannelsAndRefusesNonsenseFormats) {
  SoundEngine mono(8000, 1), stereo(8000, 2);
  SoundVoiceRef a = mono.makeVoice(8000, 2), b = stereo.makeVoice(8000, 6);
  const float two[] = {0.2f, 0.6f, 0.2f, 0.6f, 0.2f, 0.6f, 0.2f, 0.6f};
  float six[24];
  for (int i = 0; i < 24; ++i) six[i] = 0.1f * (i % 6);
  ASSERT_TRUE(mono.feed(a, two, sizeof two, SampleKind::kFloat32));
  ASSERT_TRUE(stereo.feed(b, six, sizeof six, SampleKind::kFloat32));
  mono.startAfterFade(a);
  stereo.startAfterFade(b);
  float m[64], s[128];
  mono.render(m, 64);
  stereo.render(s, 64);
  EXPECT_NEAR(m[40], 0.4f, 1e-6);  // the mean of left and right
  EXPECT_NEAR(s[80], 0.0f, 1e-6);  // front left and right of the six channels
  EXPECT_NEAR(s[81], 0.1f, 1e-6);

  EXPECT_EQ(stereo.makeVoice(0, 2), nullptr);
  EXPECT_EQ(stereo.makeVoice(44100, 0), nullptr);
  EXPECT_EQ(stereo.makeVoice(44100, 33), nullptr);
  EXPECT_FALSE(stereo.feed(nullptr, two, sizeof two, SampleKind::kFloat32));
}

}  // namespace
