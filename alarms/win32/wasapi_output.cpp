#include "alarms/win32/wasapi_output.h"

#include <audioclient.h>
#include <mmdeviceapi.h>
#include <mmreg.h>

#include <vector>

#include "alarms/win32/com_ref.h"

namespace {

// The shared-mode buffer: short, because a glide can only start behind what it holds.
constexpr REFERENCE_TIME kBufferTime = 800000;  // 80 ms in 100 ns
constexpr DWORD kWaitMillis = 200;

// The sample kind of the mix format, when it is one we write.
bool outputKind(const WAVEFORMATEX* mix, SampleKind& kind) {
  // The mixer takes up to 32 channels.
  if (!mix || mix->nChannels < 1 || mix->nChannels > 32 || mix->nSamplesPerSec < 1) return false;
  WORD tag = mix->wFormatTag;
  if (tag == WAVE_FORMAT_EXTENSIBLE) {
    if (mix->cbSize < sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX)) return false;
    const auto* ext = reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(mix);
    // The subformats of the two tags are the tag in the base GUID of the wave formats.
    const GUID& sub = ext->SubFormat;
    static const unsigned char kBase[8] = {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    if (sub.Data2 != 0x0000 || sub.Data3 != 0x0010 || memcmp(sub.Data4, kBase, 8) != 0) return false;
    tag = static_cast<WORD>(sub.Data1);
  }
  const WORD bits = mix->wBitsPerSample;
  if (mix->nBlockAlign != mix->nChannels * (bits / 8)) return false;
  if (tag == WAVE_FORMAT_IEEE_FLOAT && bits == 32) {
    kind = SampleKind::kFloat32;
  } else if (tag == WAVE_FORMAT_PCM && (bits == 8 || bits == 16 || bits == 24 || bits == 32)) {
    // 24 valid bits in a 32-bit container are written as 32-bit values: the low byte is unused.
    kind = bits == 8 ? SampleKind::kUint8
           : bits == 16 ? SampleKind::kInt16
           : bits == 24 ? SampleKind::kInt24
                        : SampleKind::kInt32;
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool WasapiOutput::start() {
  if (thread_.joinable()) return started_;
  stopEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  readyEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!stopEvent_ || !readyEvent_) {
    stop();
    return false;
  }
  started_ = false;
  thread_ = std::thread(&WasapiOutput::run, this);
  WaitForSingleObject(readyEvent_, INFINITE);
  if (!started_) {
    stop();
    return false;
  }
  return true;
}

void WasapiOutput::stop() {
  if (thread_.joinable()) {
    SetEvent(stopEvent_);
    thread_.join();
  }
  engine_.reset();
  started_ = false;
  if (stopEvent_) CloseHandle(stopEvent_);
  if (readyEvent_) CloseHandle(readyEvent_);
  stopEvent_ = readyEvent_ = nullptr;
}

void WasapiOutput::run() {
  const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
  HANDLE bufferEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  {
    ComRef<IMMDeviceEnumerator> devices;
    ComRef<IMMDevice> device;
    ComRef<IAudioClient> client;
    ComRef<IAudioRenderClient> render;
    WAVEFORMATEX* mix = nullptr;
    UINT32 bufferFrames = 0;
    SampleKind kind = SampleKind::kFloat32;
    bool ok = com && bufferEvent &&
              SUCCEEDED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                         __uuidof(IMMDeviceEnumerator), devices.putVoid())) &&
              SUCCEEDED(devices->GetDefaultAudioEndpoint(eRender, eConsole, device.put())) &&
              SUCCEEDED(device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, client.putVoid())) &&
              SUCCEEDED(client->GetMixFormat(&mix)) && outputKind(mix, kind) &&
              SUCCEEDED(client->Initialize(AUDCLNT_SHAREMODE_SHARED, AUDCLNT_STREAMFLAGS_EVENTCALLBACK,
                                           kBufferTime, 0, mix, nullptr)) &&
              SUCCEEDED(client->SetEventHandle(bufferEvent)) &&
              SUCCEEDED(client->GetBufferSize(&bufferFrames)) && bufferFrames > 0 &&
              SUCCEEDED(client->GetService(__uuidof(IAudioRenderClient), render.putVoid()));
    BYTE* data = nullptr;
    // Silence first, so that the device has something from the start.
    ok = ok && SUCCEEDED(render->GetBuffer(bufferFrames, &data)) &&
         SUCCEEDED(render->ReleaseBuffer(bufferFrames, AUDCLNT_BUFFERFLAGS_SILENT));
    if (ok) engine_ = std::make_unique<SoundEngine>(static_cast<int>(mix->nSamplesPerSec), mix->nChannels);
    ok = ok && SUCCEEDED(client->Start());
    started_ = ok;
    SetEvent(readyEvent_);

    if (ok) {
      const int channels = engine_->outputChannels();
      std::vector<float> frames(static_cast<size_t>(bufferFrames) * channels);
      HANDLE waits[2] = {stopEvent_, bufferEvent};
      for (;;) {
        if (WaitForMultipleObjects(2, waits, FALSE, kWaitMillis) == WAIT_OBJECT_0) break;
        UINT32 padding = 0;
        // A device that went away ends the output: the player stays quiet until it is unloaded.
        if (FAILED(client->GetCurrentPadding(&padding))) break;
        const UINT32 room = padding < bufferFrames ? bufferFrames - padding : 0;
        if (room == 0) continue;
        if (FAILED(render->GetBuffer(room, &data))) break;
        engine_->render(frames.data(), room);
        floatToSamples(frames.data(), static_cast<size_t>(room) * channels, kind, data);
        render->ReleaseBuffer(room, 0);
      }
      client->Stop();
    }
    CoTaskMemFree(mix);
  }
  if (bufferEvent) CloseHandle(bufferEvent);
  if (com) CoUninitialize();
}
