// Two threads of the player's own: the output's (WasapiOutput), which pulls mixed frames from
// the engine, and the decoder's, which opens the files through Media Foundation and keeps
// every voice that still sounds about a second ahead. Each initialises COM for itself, so
// nothing of the player lives in the main thread's apartment, and the main thread only hands
// over requests and fades.
#include "alarms/win32/sound_player.h"

#include <windows.h>
#include <mfapi.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "alarms/sound_engine.h"
#include "alarms/win32/media_reader.h"
#include "alarms/win32/wasapi_output.h"

namespace {

constexpr double kAheadSeconds = 1.0;   // decoded ahead of what is heard
constexpr double kPrimeSeconds = 0.5;   // decoded before a sound starts
constexpr int kPiecesPerRound = 8;      // reads for one voice before the others get theirs
constexpr auto kIdleWait = std::chrono::milliseconds(20);

struct PlayRequest {
  std::string path;
  unsigned epoch;  // fades requested before it
};

struct Job {
  std::unique_ptr<MediaSoundReader> reader;
  SoundVoiceRef voice;
};

class Player {
 public:
  bool load() {
    if (loaded_) return true;
    if (!output_.start()) return false;
    engine_ = output_.engine();
    decoder_ = std::thread(&Player::decodeLoop, this);
    bool ok;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return decoderReady_; });
      ok = decoderOk_;
    }
    if (!ok) {
      unload();
      return false;
    }
    loaded_ = true;
    return true;
  }

  void unload() {
    if (decoder_.joinable()) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
      }
      wake_.notify_all();
      decoder_.join();
    }
    output_.stop();
    engine_ = nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
    quit_ = decoderReady_ = decoderOk_ = loaded_ = false;
  }

  void play(const char* path) {
    if (!loaded_ || !path) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(PlayRequest{path, epoch_.load()});
    }
    wake_.notify_all();
  }

  void fadeOut() {
    if (!loaded_) return;
    ++epoch_;  // a sound still being opened will not start
    engine_->fadeOutAll();
  }

 private:
  void decodeLoop() {
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    const bool mf = com && SUCCEEDED(MFStartup(MF_VERSION, MFSTARTUP_LITE));
    {
      std::lock_guard<std::mutex> lock(mutex_);
      decoderReady_ = true;
      decoderOk_ = mf;
    }
    wake_.notify_all();
    if (mf) {
      std::vector<Job> jobs;
      bool behind = false;
      for (;;) {
        std::deque<PlayRequest> todo;
        {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!behind) wake_.wait_for(lock, kIdleWait, [this] { return quit_ || !requests_.empty(); });
          if (quit_) break;
          todo.swap(requests_);
        }
        for (const PlayRequest& r : todo) start(r, jobs);
        behind = false;
        for (size_t i = 0; i < jobs.size();) {
          const int state = feed(jobs[i]);
          if (state < 0) {
            jobs.erase(jobs.begin() + static_cast<ptrdiff_t>(i));
            continue;
          }
          behind = behind || state > 0;
          ++i;
        }
      }
      jobs.clear();  // every reader goes before Media Foundation does
      MFShutdown();
    }
    if (com) CoUninitialize();
  }

  size_t framesOf(const Job& job, double seconds) const { return static_cast<size_t>(job.reader->rate() * seconds); }

  // One piece into the voice; false when the file or the voice has ended.
  bool readPiece(Job& job) {
    if (!job.reader->next(piece_)) {
      engine_->finish(job.voice);
      return false;
    }
    return engine_->feed(job.voice, piece_.data(), piece_.size(), job.reader->kind());
  }

  void start(const PlayRequest& request, std::vector<Job>& jobs) {
    if (request.epoch != epoch_.load()) return;  // faded out before it was opened
    Job job{std::make_unique<MediaSoundReader>(), nullptr};
    if (job.reader->open(request.path.c_str()))
      job.voice = engine_->makeVoice(job.reader->rate(), job.reader->channels());
    if (!job.voice) {
      engine_->fadeOutAll();  // nothing new to play, but the old sound goes all the same
      return;
    }
    bool more = true;
    while (more && engine_->bufferedFrames(job.voice) < framesOf(job, kPrimeSeconds)) more = readPiece(job);
    if (request.epoch != epoch_.load()) return;
    engine_->startAfterFade(job.voice);
    if (more) jobs.push_back(std::move(job));
  }

  // -1: done with this voice; 1: still behind after this round; 0: far enough ahead.
  int feed(Job& job) {
    if (!engine_->wanted(job.voice)) return -1;
    for (int i = 0; i < kPiecesPerRound; ++i) {
      if (engine_->bufferedFrames(job.voice) >= framesOf(job, kAheadSeconds)) return 0;
      if (!readPiece(job)) return -1;
    }
    return 1;
  }

  WasapiOutput output_;
  SoundEngine* engine_ = nullptr;
  std::thread decoder_;
  std::vector<unsigned char> piece_;  // the decoder thread's
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<PlayRequest> requests_;
  bool quit_ = false, decoderReady_ = false, decoderOk_ = false;
  std::atomic<unsigned> epoch_{0};
  bool loaded_ = false;
};

// Never destroyed: the program unloads the player itself, and a thread must not be joined
// from the process's own end.
Player& player() {
  static Player* p = new Player;
  return *p;
}

}  // namespace

bool loadSoundLibrary() { return player().load(); }

void unloadSoundLibrary() { player().unload(); }

void playSound(const char* path) { player().play(path); }

void fadeOutSound() { player().fadeOut(); }
