// Media Foundation's decoding under Wine, through the player's reader into the mixer and a
// capture sink (no device): MP3 and WAV files made at build time keep their tone's pitch,
// level and length; files that are not sound open as nothing. The player with and without an
// audio device is tested through a PulseAudio server of its own (sound_pulse_test.sh).
#include <windows.h>
#include <mfapi.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "alarms/sound_engine.h"
#include "alarms/win32/media_reader.h"

namespace {

std::string soundFile(const char* name) { return std::string(QUENDLER_TEST_SOUNDS) + "\\" + name; }

class MediaFoundation : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    ASSERT_TRUE(SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_LITE)));
  }
  void TearDown() override {
    MFShutdown();
    CoUninitialize();
  }
};

struct Heard {
  int rate = 0, channels = 0;
  std::vector<float> left;  // channel 0 of the mixer's output at 48000 Hz, stereo
  bool bothEqual = true;
};

Heard decode(const std::string& path) {
  Heard h;
  MediaSoundReader reader;
  if (!reader.open(path.c_str())) return h;
  h.rate = reader.rate();
  h.channels = reader.channels();
  SoundEngine engine(48000, 2);
  SoundVoiceRef voice = engine.makeVoice(reader.rate(), reader.channels());
  std::vector<unsigned char> piece;
  while (reader.next(piece)) engine.feed(voice, piece.data(), piece.size(), reader.kind());
  engine.finish(voice);
  engine.startAfterFade(voice);
  std::vector<float> block(480 * 2);
  while (engine.voiceCount() > 0 && h.left.size() < 48000 * 10) {
    engine.render(block.data(), 480);
    for (size_t i = 0; i < 480; ++i) {
      h.left.push_back(block[2 * i]);
      h.bothEqual = h.bothEqual && block[2 * i] == block[2 * i + 1];
    }
  }
  return h;
}

// Rising zero crossings per second over the middle of the sound, and its peak there.
void measure(const std::vector<float>& s, double& hz, float& peak) {
  const size_t from = s.size() / 4, to = s.size() * 3 / 4;
  int rising = 0;
  size_t first = 0, last = 0;
  peak = 0;
  for (size_t i = from + 1; i < to; ++i) {
    peak = std::max(peak, std::fabs(s[i]));
    if (s[i - 1] < 0 && s[i] >= 0) {
      if (rising++ == 0) first = i;
      last = i;
    }
  }
  hz = rising > 1 ? (rising - 1) * 48000.0 / (last - first) : 0;
}

TEST_F(MediaFoundation, DecodesMp3AndWavToTheirTones) {
  struct Case {
    const char* file;
    int rate, channels;
    double hz, seconds;
  } cases[] = {{"tone1k.mp3", 44100, 2, 1000, 3}, {"tone440.mp3", 22050, 1, 440, 2}, {"tone1k.wav", 44100, 2, 1000, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Heard h = decode(soundFile(c.file));
    ASSERT_EQ(h.rate, c.rate);
    EXPECT_EQ(h.channels, c.channels);
    if (c.channels == 1) {
      EXPECT_TRUE(h.bothEqual);  // a mono file on both sides
    }
    double hz;
    float peak;
    measure(h.left, hz, peak);
    EXPECT_NEAR(hz, c.hz, 1.0);
    EXPECT_NEAR(peak, 0.5, 0.03);  // made at half of full scale
    // MP3 adds the encoder's delay and padding (a few frames of 1152 samples).
    EXPECT_NEAR(h.left.size() / 48000.0, c.seconds, 0.12);
  }
}

TEST_F(MediaFoundation, FilesThatAreNotSoundOpenAsNothing) {
  char folder[MAX_PATH], text[MAX_PATH];
  ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
  ASSERT_NE(GetTempFileNameA(folder, "qst", 0, text), 0u);
  if (FILE* f = std::fopen(text, "wb")) {
    std::fputs("Termin beim Zahnarzt, kein Ton.\n", f);
    std::fclose(f);
  }
  MediaSoundReader reader;
  EXPECT_FALSE(reader.open(text));
  EXPECT_FALSE(reader.open(soundFile("fehlt.mp3").c_str()));
  EXPECT_FALSE(reader.open(""));
  std::vector<unsigned char> piece;
  EXPECT_FALSE(reader.next(piece));
  DeleteFileA(text);
}

}  // namespace
