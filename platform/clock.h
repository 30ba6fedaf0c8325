// The program's clock: the local date and time, either from the real clock or from a clock
// that was started at a set moment and runs on from there (tests and end-to-end runs), in real
// time or a set number of times faster.
#pragma once

struct LocalTime {
  int year = 0;
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  int weekday = 0;  // 0 = Sunday .. 6 = Saturday
};

// The current local time of the program's clock.
void readLocalClock(LocalTime& out);

// From now on the clock shows `start` and runs on from there, `rate` times as fast as real
// time; with `frozen` it stands still at `start` until it is set again.
void setClockStart(const LocalTime& start, bool frozen = false, double rate = 1.0);

// Back to the real clock.
void clearClockStart();

// Reads "YYYY-MM-DD HH:MM:SS" (the seconds may be left out). Returns 0 for anything else,
// including impossible dates and times. The weekday is filled in.
int parseLocalTime(const char* text, LocalTime& out);

// Reads a clock rate: a plain decimal number from kMinClockRate to kMaxClockRate. Returns 0
// for anything else (empty, trailing text, out of range, not finite).
constexpr double kMinClockRate = 1.0;
constexpr double kMaxClockRate = 10000.0;
int parseClockRate(const char* text, double& out);

// Starts the clock from the environment variable QUENDLER_START_TIME when it holds a valid
// time, at the rate QUENDLER_CLOCK_RATE gives when that is valid and real time otherwise.
// Returns 1 when it did. Without a valid start time the rate is not looked at.
int startClockFromEnvironment();

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
long long daysFromCivil(int year, int month, int day);
void civilFromDays(long long days, int& year, int& month, int& day);

// The real clock of the platform (one implementation per build).
void readPlatformClock(LocalTime& out);
// A monotonic count of milliseconds.
long long platformMonotonicMillis();
