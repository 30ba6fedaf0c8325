// Helpers of the GDI tests.
#pragma once

#include <windows.h>

#include <utility>
#include <vector>

#include "platform/win32/handles.h"

// How many more GDI objects the process could create now. Wine's GetGuiResources answers 0,
// so objects that an operation leaves behind are found by filling the handle table with
// brushes and counting (a few tens of milliseconds); every brush is deleted again.
inline size_t freeGdiHandles() {
  std::vector<OwnedBrush> brushes;
  brushes.reserve(200000);
  while (brushes.size() < 200000) {
    OwnedBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
    if (!brush) break;
    brushes.push_back(std::move(brush));
  }
  const size_t count = brushes.size();
  brushes.clear();
  return count;
}
