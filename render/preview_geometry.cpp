#include "render/preview_geometry.h"

#include "render/sheet_layout.h"

PreviewGeometry computePreviewGeometry(int controlWidth, int controlHeight, int screenWidth,
                                       int screenHeight, int left, int top, int right,
                                       int bottom) {
  PreviewGeometry g;
  if (controlWidth <= 0 || controlHeight <= 0 || screenWidth <= 0 || screenHeight <= 0) return g;
  const double ratio = static_cast<double>(screenHeight) / screenWidth;
  int pw = controlWidth;
  int ph = static_cast<int>(pw * ratio);
  if (ph > controlHeight) {
    ph = controlHeight;
    pw = static_cast<int>(static_cast<double>(controlHeight) * screenWidth / screenHeight);
  }
  if (pw <= 0 || ph <= 0) return g;  // a screen far wider or taller than the control
  g.width = pw;
  g.height = ph;

  // Only the grid's place matters; the date is any.
  const SheetLayout l = computeSheetLayout(screenWidth, screenHeight, left, top, right, 1, 1, 2024, 1, bottom);
  const double f = static_cast<double>(screenWidth) / pw;
  g.x = static_cast<int>(l.X0 / f);
  g.y = static_cast<int>(l.Y0 / f);
  g.sheetWidth = static_cast<int>(kSheetColumns * static_cast<double>(l.cw) / f);
  g.sheetHeight = static_cast<int>(kSheetRows * static_cast<double>(l.ch) / f);
  g.sheet = g.sheetWidth >= 1 && g.sheetHeight >= 1 && g.x < pw && g.y < ph;
  if (!g.sheet) g.x = g.y = g.sheetWidth = g.sheetHeight = 0;
  return g;
}
