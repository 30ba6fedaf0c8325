// Sound for the alarms and the editor's "&Test": one MP3 or WAV file at a time, played once at
// full volume on the default output, faded to silence in 500 ms on request. Decoding and
// output are the platform's own (Media Foundation, WASAPI); nothing is written to disk.
// All calls come from the main window's thread and return at once; playback runs behind them.
#pragma once

// Sets the player up once at start-up; the result becomes the program's soundAvailable.
bool loadSoundLibrary();
// Ends playback and releases everything; harmless when called twice or without a load.
void unloadSoundLibrary();
// Fades out what still plays, then starts the file from its beginning 5 ms later. A file that
// cannot be opened or decoded plays nothing and is not reported.
void playSound(const char* path);
// Lets the current sound glide to silence over 500 ms; nothing when none plays.
void fadeOutSound();
