// Where the options page's preview lies and where the sample sheet goes on it: the preview has
// the screen's proportions inside the picture control, and the sheet stands where the composition
// (render/sheet_layout.h) will really put it on the wallpaper, scaled down.
#pragma once

struct PreviewGeometry {
  int width = 0, height = 0;  // the preview's size; 0 x 0 when there is nothing to draw on
  bool sheet = false;         // false: the background alone
  int x = 0, y = 0;           // top-left corner of the sample sheet on the preview
  int sheetWidth = 0, sheetHeight = 0;
};

// controlWidth x controlHeight: the picture control's client size now. The preview takes the
// control's width and the screen's proportions; where that is taller than the control, the
// control's height and the width of those proportions. The sheet covers the scaled grid of the
// layout for these margins (`bottom` as for computeSheetLayout). A zero or negative size of the
// control or the screen gives a 0 x 0 preview; a sheet that would shrink below one pixel, or
// lie outside the preview, is left out.
PreviewGeometry computePreviewGeometry(int controlWidth, int controlHeight, int screenWidth,
                                       int screenHeight, int left, int top, int right,
                                       int bottom = 0);
