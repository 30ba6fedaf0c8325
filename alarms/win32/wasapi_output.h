// The default output device (the console role of the render endpoint) in WASAPI shared mode,
// fed from a SoundEngine by a thread of its own. The engine is made in the device's mix
// format once the device is set up; the thread initialises COM for itself (multithreaded), so
// the caller's apartment does not matter.
#pragma once

#include <windows.h>

#include <memory>
#include <thread>

#include "alarms/sound_engine.h"

class WasapiOutput {
 public:
  WasapiOutput() = default;
  ~WasapiOutput() { stop(); }
  WasapiOutput(const WasapiOutput&) = delete;
  WasapiOutput& operator=(const WasapiOutput&) = delete;

  // Sets the device up and starts it; false (and nothing left running) when there is no
  // output device or any step fails.
  bool start();
  // Stops the device and the thread and releases everything; harmless when not started.
  void stop();
  // Valid from a successful start until stop.
  SoundEngine* engine() const { return engine_.get(); }

 private:
  void run();

  std::thread thread_;
  HANDLE stopEvent_ = nullptr;
  HANDLE readyEvent_ = nullptr;
  bool started_ = false;  // written by the thread before readyEvent_
  std::unique_ptr<SoundEngine> engine_;
};
