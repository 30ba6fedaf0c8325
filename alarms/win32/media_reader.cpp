#include "alarms/win32/media_reader.h"

#include <mfapi.h>
#include <mferror.h>
#include <mfidl.h>

#include <string>

namespace {

const DWORD kAudio = static_cast<DWORD>(MF_SOURCE_READER_FIRST_AUDIO_STREAM);
// A reader that keeps handing out nothing without ever ending is given up on.
constexpr int kMaxEmptyReads = 1000;

bool askFor(IMFSourceReader* reader, const GUID& subtype) {
  ComRef<IMFMediaType> type;
  if (FAILED(MFCreateMediaType(type.put()))) return false;
  if (FAILED(type->SetGUID(MF_MT_MAJOR_TYPE, MFMediaType_Audio))) return false;
  if (FAILED(type->SetGUID(MF_MT_SUBTYPE, subtype))) return false;
  return SUCCEEDED(reader->SetCurrentMediaType(kAudio, nullptr, type.get()));
}

}  // namespace

bool MediaSoundReader::open(const char* path) {
  reader_.reset();
  ended_ = false;
  emptyReads_ = 0;
  if (!path || !*path) return false;
  const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
  if (length <= 0) return false;
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path, -1, &wide[0], length);

  ComRef<IMFSourceReader> reader;
  if (FAILED(MFCreateSourceReaderFromURL(wide.c_str(), nullptr, reader.put()))) return false;
  reader->SetStreamSelection(static_cast<DWORD>(MF_SOURCE_READER_ALL_STREAMS), FALSE);
  if (FAILED(reader->SetStreamSelection(kAudio, TRUE))) return false;
  if (!askFor(reader.get(), MFAudioFormat_PCM) && !askFor(reader.get(), MFAudioFormat_Float)) return false;

  ComRef<IMFMediaType> type;
  if (FAILED(reader->GetCurrentMediaType(kAudio, type.put()))) return false;
  GUID subtype;
  UINT32 rate = 0, channels = 0, bits = 0, align = 0;
  if (FAILED(type->GetGUID(MF_MT_SUBTYPE, &subtype)) ||
      FAILED(type->GetUINT32(MF_MT_AUDIO_SAMPLES_PER_SECOND, &rate)) ||
      FAILED(type->GetUINT32(MF_MT_AUDIO_NUM_CHANNELS, &channels)) ||
      FAILED(type->GetUINT32(MF_MT_AUDIO_BITS_PER_SAMPLE, &bits)))
    return false;
  if (subtype == MFAudioFormat_Float && bits == 32) {
    kind_ = SampleKind::kFloat32;
  } else if (subtype == MFAudioFormat_PCM && (bits == 8 || bits == 16 || bits == 24 || bits == 32)) {
    kind_ = bits == 8 ? SampleKind::kUint8
            : bits == 16 ? SampleKind::kInt16
            : bits == 24 ? SampleKind::kInt24
                         : SampleKind::kInt32;
  } else {
    return false;
  }
  // Samples padded into wider containers are not ours to unpick.
  if (SUCCEEDED(type->GetUINT32(MF_MT_AUDIO_BLOCK_ALIGNMENT, &align)) && align != channels * (bits / 8))
    return false;
  if (rate < 1 || channels < 1) return false;
  rate_ = static_cast<int>(rate);
  channels_ = static_cast<int>(channels);
  reader_ = std::move(reader);
  return true;
}

bool MediaSoundReader::next(std::vector<unsigned char>& bytes) {
  bytes.clear();
  if (!reader_ || ended_) return false;
  DWORD flags = 0;
  ComRef<IMFSample> sample;
  if (FAILED(reader_->ReadSample(kAudio, 0, nullptr, &flags, nullptr, sample.put()))) return false;
  // A format change in the middle of a file is taken as its end.
  if (flags & (MF_SOURCE_READERF_ERROR | MF_SOURCE_READERF_CURRENTMEDIATYPECHANGED)) return false;
  if (flags & MF_SOURCE_READERF_ENDOFSTREAM) ended_ = true;
  if (!sample) return !ended_ && ++emptyReads_ < kMaxEmptyReads;
  emptyReads_ = 0;
  ComRef<IMFMediaBuffer> buffer;
  if (FAILED(sample->ConvertToContiguousBuffer(buffer.put()))) return false;
  BYTE* data = nullptr;
  DWORD length = 0;
  if (FAILED(buffer->Lock(&data, nullptr, &length))) return false;
  bytes.assign(data, data + length);
  buffer->Unlock();
  return true;
}
