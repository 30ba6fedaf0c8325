// Keeps a window of w x h at (x, y) on the desktop's work area (the screen less the taskbar):
// moved in from the right and bottom edges first, so that its top-left corner, with the
// caption, always stays reachable.
#pragma once

#include <windows.h>

inline void keepOnWorkArea(int& x, int& y, int w, int h) {
  RECT work;
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) return;
  if (x + w > work.right) x = work.right - w;
  if (y + h > work.bottom) y = work.bottom - h;
  if (x < work.left) x = work.left;
  if (y < work.top) y = work.top;
}
