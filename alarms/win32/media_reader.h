// One sound file (MP3, WAV, whatever the system decodes) opened through Media Foundation's
// source reader and decoded to PCM piece by piece. Only the PCM (or float) subtype is asked
// for: the decoder keeps the file's own rate and channels, which the mixer converts (Wine's
// decoders refuse a request that also names a rate, MF_E_TOPO_CODEC_NOT_FOUND).
// The thread that uses it has COM initialised, and MFStartup has run.
#pragma once

#include <mfidl.h>
#include <mfreadwrite.h>

#include <vector>

#include "alarms/sound_engine.h"
#include "alarms/win32/com_ref.h"

class MediaSoundReader {
 public:
  // False when the file cannot be opened, has no audio, or decodes to no format we take.
  bool open(const char* path);
  int rate() const { return rate_; }
  int channels() const { return channels_; }
  SampleKind kind() const { return kind_; }
  // The next decoded piece (possibly empty); false at the end of the file or on an error.
  bool next(std::vector<unsigned char>& bytes);

 private:
  ComRef<IMFSourceReader> reader_;
  int rate_ = 0, channels_ = 0;
  SampleKind kind_ = SampleKind::kInt16;
  bool ended_ = false;
  int emptyReads_ = 0;
};
