// The local clock of a desktop in Germany, as the alarm check reads it: UTC+1, summer time
// UTC+2 from the last Sunday of March, 01:00 UTC, to the last Sunday of October, 01:00 UTC.
// The clock seam hands the check this wall-clock time (what GetLocalTime shows), so on the
// March Sunday 02:00..02:59 never comes and on the October Sunday 02:00..02:59 comes twice.
// The tool and the tests walk this clock minute by minute.
#pragma once

#include "platform/clock.h"

// Minutes since 1970-01-01 00:00 UTC.
using UtcMinute = long long;

// The wall-clock reading at that minute (seconds 0, weekday filled in).
void wallClockAt(UtcMinute minute, LocalTime& out);

// The first minute at which the clock shows `local` or, in the March gap, the first minute
// after it (03:00); on the October Sunday the summer-time reading comes first.
UtcMinute firstWallClockMinute(const LocalTime& local);

// The last minute at which the clock shows `local` or, in the March gap, the last before it
// (01:59); on the October Sunday that is the winter-time reading.
UtcMinute lastWallClockMinute(const LocalTime& local);

// Whether summer time holds at that minute.
bool isSummerTime(UtcMinute minute);
