// Plays a file through the program's sound player as the program does, for the test through
// a PulseAudio server:  sound_probe [file before-fade-ms after-fade-ms]
// Prints "soundAvailable 0|1" and, when it plays, "fade <Unix time in ms>" as fadeOutSound is
// called. Exit code 0 when sound was available, 3 when not.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>

#include "alarms/win32/sound_player.h"

int main(int argc, char** argv) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // as the program's main thread has it
  const bool available = loadSoundLibrary();
  std::printf("soundAvailable %d\n", available ? 1 : 0);
  std::fflush(stdout);
  if (available && argc >= 4) {
    playSound(argv[1]);
    Sleep(static_cast<DWORD>(std::atoi(argv[2])));
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const unsigned long long ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    fadeOutSound();
    std::printf("fade %llu\n", (ticks - 116444736000000000ULL) / 10000);
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(std::atoi(argv[3])));
  }
  unloadSoundLibrary();
  unloadSoundLibrary();  // the program's end calls it once more
  CoUninitialize();
  return available ? 0 : 3;
}
