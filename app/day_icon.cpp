#include "app/day_icon.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "imaging/image_ops.h"
#include "imaging/image_reader.h"
#include "imaging/smooth_text.h"
#include "imaging/sources.h"

COLORREF dayNumberColour(int weekday) {
  return weekday == 0 || weekday == 6 ? kWeekendDigits : kWorkdayDigits;
}

void dayNumberFont(LOGFONTA& font, int height) {
  std::memset(&font, 0, sizeof font);
  font.lfHeight = height;
  font.lfWeight = 600;
  font.lfCharSet = 0;
  font.lfOutPrecision = 1;
  font.lfClipPrecision = 2;
  font.lfQuality = 4;
  font.lfPitchAndFamily = 0x20;
  std::snprintf(font.lfFaceName, LF_FACESIZE, "%s", "Verdana");
}

int fitDayNumberFont(LOGFONTA& font, const char* text, const RECT& box) {
  const LONG boxW = box.right - box.left, boxH = box.bottom - box.top;
  for (;;) {
    LONG w = 0, h = 0;
    if (!IS40_GetTextLineSize2(text, &font, &box, kCentredLine, 0, &w, &h)) return 0;
    if ((w <= boxW && h <= boxH) || font.lfHeight >= -1) break;
    font.lfHeight += 1;
  }
  if (font.lfHeight < -1) font.lfHeight += 1;
  return 1;
}

OwnedBlock renderSmallDayIcon(int day, int w, int h, COLORREF background, COLORREF colour) {
  if (w <= 0 || h <= 0) return nullptr;
  OwnedBlock image(static_cast<BYTE*>(GlobalAlloc(GPTR, static_cast<SIZE_T>(w) * h * 3)));
  if (!image) return nullptr;
  char text[16];
  std::snprintf(text, sizeof text, "%d", day);
  LOGFONTA font;
  dayNumberFont(font, kSmallIconStartHeight);
  RECT box = {0, 0, w, h};
  bool ok = fitDayNumberFont(font, text, box) &&
            IS40_FillSolidRect(image.get(), w, h, 3, w * 3, &box, background, 0) &&
            IS40_DrawSmoothTextOnRGB2(image.get(), w, h, w * 3, text, &font, 4, &box, kCentredLine, 0, colour);
  if (!ok) image.reset();
  return image;
}

OwnedImage renderDayIcon(int day, COLORREF colour, const void* calendarBitmap, uint32_t size) {
  OwnedImage icon;
  if (!calendarBitmap || !size) return icon;
  ISSource source = IS40_OpenMemorySource(calendarBitmap, size);
  if (!source) return icon;
  DWORD width = 0, height = 0;
  OwnedBlock image(IS40_ReadImage(source, &width, &height, 0, 0));
  IS40_CloseSource(source);
  if (!image) return icon;
  char text[16];
  std::snprintf(text, sizeof text, "%d", day);
  LOGFONTA font;
  dayNumberFont(font, kDayIconStartHeight);
  RECT box = kDayIconBox;
  bool ok = fitDayNumberFont(font, text, box) &&
            IS40_DrawSmoothTextOnRGB2(image.get(), width, height, width * 3, text, &font, 4, &box,
                                      kCentredLine, 0, colour);
  if (!ok) return icon;
  icon.pixels = std::move(image);
  icon.width = width;
  icon.height = height;
  return icon;
}
