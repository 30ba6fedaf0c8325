// The note window's caption: the note's date and time in the user's short-date order.
#pragma once

#include <cstddef>

// From a note's file name "N_JJJJMMTT_HHMMx.txt": the date's parts in the order `dateOrder`
// (0 month-day-year, 1 day-month-year, 2 year-month-day) with the first character of
// `separator` between them, then " HH:MM x". Empty for another order or a name that is too
// short. Always NUL-terminated.
void noteTitleFromName(char* out, size_t size, const char* fileName, int dateOrder,
                       const char* separator);

// For a note just begun: the same arrangement from the numbers, with the whole `separator`
// string between the date's parts. Empty for another order.
void noteTitleForNew(char* out, size_t size, int day, int month, int year, int hour, int minute,
                     char letter, int dateOrder, const char* separator);
