// The age of the moon from a mean synodic month; no tables.
#pragma once

int MoonAge(int day, int month, int year);    // whole days since the last new moon, 0..29
int MoonPhase(int day, int month, int year);  // 0 = new moon .. 4 = full moon .. 7
