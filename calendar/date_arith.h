// Gregorian date arithmetic. A date is always three ints: day, month, year (four digits).
// Weekdays count 0 = Sunday .. 6 = Saturday; days of the year 1..366. Every division
// truncates toward zero.
#pragma once

// Fills the seven out-parameters from the program's clock (platform/clock.h). Null pointers
// are skipped.
void GetLocalDateTime(int* day, int* month, int* year, int* hour, int* minute, int* second,
                      int* weekday);

int IsLeapYear(int year);                      // 1 or 0
int DaysInMonth(int month, int year);          // 28..31; 0 for a month outside 1..12
int DayOfYear(int day, int month, int year);   // 1..366; reads two-digit years
int DayOfWeek(int day, int month, int year);   // 0 = Sunday .. 6
int WeekNumber(int day, int month, int year);  // ISO week 1..53
// Day of the year of Easter Sunday; its month (3 or 4) and day through the out-parameters.
// Reads two-digit years.
int EasterSunday(int year, int* month, int* day);

// The year as DayOfYear and EasterSunday read it: below 39 means 20xx, any other year below
// 1900 means 19xx (also years that were not written with two digits).
int fullYear(int year);
