// The shell's texts about today: the weekday names, the date line (tray tooltip, main window)
// and the day information (named days, day of the year, week).
#pragma once

#include <cstddef>

constexpr int kWeekdayNameSize = 48;  // up to 47 characters
// Index 0 = Sunday. Filled by fillWeekdayNames at start-up.
extern char WeekdayNames[7][kWeekdayNameSize];
void fillWeekdayNames();

constexpr size_t kDateLineSize = 128;
constexpr size_t kDayInfoSize = 512;

// "Montag 09.03.2009" in the date order (0 = M/D/Y, 1 = D.M.Y, 2 = Y-M-D; any other order is
// written as 1) with the separator. Weekday 0 = Sunday.
void formatDateLineFor(char* text, size_t size, int day, int month, int year, int weekday,
                       int dateOrder, const char* separator);
// Named days of the region ("Ostersonntag \n" ..., then two line feeds), then
// "%d. Tag im Jahr\n%d. Kalenderwoche\n".
void formatDayInfoFor(char* text, size_t size, int day, int month, int year, int region);

// Both for today (the program's clock) with the date settings and region of gSettings.
// text must hold kDateLineSize / kDayInfoSize bytes.
void FormatDateLine(char* text);
void FormatDayInfo(char* text);
