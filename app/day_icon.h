// The pictures of the day icons: today's day number on a small yellow square (the tray) and on
// the calendar picture ICON_KAL (the main window, 32 x 32). The icon handles are made from
// these pictures in app/win32/tray.cpp.
#pragma once

#include <cstdint>

#include "imaging/owned_block.h"
#include "platform/win_compat.h"

constexpr COLORREF kSmallIconBackground = 0x00FFFF;  // yellow
constexpr COLORREF kWeekendDigits = 0x0000FF;        // red
constexpr COLORREF kWorkdayDigits = 0x000000;
constexpr int kDayIconSize = 32;
constexpr int kSmallIconStartHeight = -16;
constexpr int kDayIconStartHeight = -24;
constexpr RECT kDayIconBox = {6, 7, 26, 27};  // where the number goes on ICON_KAL
constexpr UINT kCentredLine = 37;             // DT_CENTER | DT_VCENTER | DT_SINGLELINE

// Red on Saturday and Sunday, else black.
COLORREF dayNumberColour(int weekday);

// The day-number font: Verdana, weight 600, antialiased, at the given height.
void dayNumberFont(LOGFONTA& font, int height);

// Shrinks font.lfHeight one unit at a time until the text fits the box (measured as one
// centred line), then by one unit more. Never goes beyond a height of -1. 1 on success, 0
// when measuring failed.
int fitDayNumberFont(LOGFONTA& font, const char* text, const RECT& box);

// A w x h RgbImage: the background with the day number centred in the colour. Empty on
// failure.
OwnedBlock renderSmallDayIcon(int day, int w, int h, COLORREF background, COLORREF colour);

// The ICON_KAL picture (the bytes of a BMP file) with the day number in the box, at the
// picture's size. Empty on failure.
OwnedImage renderDayIcon(int day, COLORREF colour, const void* calendarBitmap, uint32_t size);
