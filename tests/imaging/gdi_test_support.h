// Helpers of the GDI tests.
#pragma once

#include <windows.h>

#include <vector>

// How many more GDI objects the process could create now. Wine's GetGuiResources answers 0,
// so objects that an operation leaves behind are found by filling the handle table with
// brushes and counting (a few tens of milliseconds); every brush is deleted again.
inline size_t freeGdiHandles() {
  std::vector<HBRUSH> brushes;
  brushes.reserve(70000);
  while (brushes.size() < 200000) {
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    if (!brush) break;
    brushes.push_back(brush);
  }
  for (HBRUSH brush : brushes) DeleteObject(brush);
  return brushes.size();
}
