// Free days and named days of the holiday regions: 0 none, 1..16 the German states in
// alphabetical order, 17 Austria, 18 Switzerland.
#pragma once

constexpr int kHolidayRegionCount = 19;
constexpr int kHolidayRegionTextSize = 80;

// The texts of the region list, index = region code.
extern const char holidayRegionTexts[kHolidayRegionCount][kHolidayRegionTextSize];

// 1 when the date is a statutory free day in the region (weekends are not part of this).
// A region outside 0..18 counts as 0.
int IsPublicHoliday(int day, int month, int year, int region);

// Writes the names of every named day on the date, each followed by " \n", with the last
// line feed removed, and returns the length before that removal (0 when there is no name).
// The whole buffer is cleared first; at most bufferSize bytes are written, and a text that
// does not fit is cut and still terminated (the result then is bufferSize or more, as the
// full text would need). 400 bytes always hold the full text.
int GetHolidayNames(int day, int month, int year, int region, char* buffer, int bufferSize);

// Day of the year of the fourth Sunday of Advent (the last Sunday before 25 December).
int FourthAdvent(int year);
