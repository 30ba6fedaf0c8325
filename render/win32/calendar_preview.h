// The desktop-calendar page's preview: the chosen background at the screen's proportions with the
// sample sheet ("PREV") where the wallpaper will have the month's sheet.
#pragma once

#include <windows.h>

constexpr int kIdPreviewPicture = 1038;
constexpr COLORREF kPreviewKeyColour = 0x826946;
constexpr DWORD kPreviewKeyTolerance = 128;

// What the preview shows; the page fills it from the settings.
struct PreviewLook {
  HINSTANCE instance = nullptr;  // holds the "HG%03d" bitmaps and "PREV"
  int background = 0;            // HG
  int left = 0, top = 0, right = 0;
  int screenWidth = 0, screenHeight = 0;
  int bottom = 0;                // the line the sheet ends above (0: the screen's bottom)
};

// Builds the preview for the picture control 1038 of `page`, whose client area it first gives
// the screen's proportions (without moving it). 1 with *bitmap set to a new bitmap that the caller
// owns; 0 when the background bitmap cannot be loaded or the control has no room (nothing is
// changed then). Without "PREV" the preview shows the background alone.
int BuildPreview(HWND page, HBITMAP* bitmap, const PreviewLook& look);
