#include "render/win32/calendar_preview.h"

#include <cstdio>

#include "imaging/image_ops.h"
#include "imaging/owned_block.h"
#include "imaging/psd_reader.h"
#include "imaging/sources.h"
#include "imaging/win32/gdi_bridge.h"
#include "platform/resources.h"
#include "platform/win32/handles.h"
#include "render/preview_geometry.h"

namespace {

OwnedBlock allocatePixels(int width, int height) {
  return OwnedBlock(static_cast<BYTE*>(GlobalAlloc(GPTR, static_cast<SIZE_T>(width) * height * 3)));
}

// "PREV" scaled to the sheet's size; empty when the picture is missing or cannot be read.
OwnedBlock scaledSheet(int width, int height) {
  const unsigned char* bytes = nullptr;
  unsigned long size = 0;
  if (!findResourceBytes("PREV", "PREV", &bytes, &size)) return nullptr;
  ISSource source = IS40_OpenMemorySource(bytes, size);
  if (!source) return nullptr;
  DWORD w = 0, h = 0;
  OwnedBlock sheet(IS40_ReadPSD(source, &w, &h, 24, nullptr, 0));
  IS40_CloseSource(source);
  if (!sheet || !w || !h) return nullptr;
  OwnedBlock scaled = allocatePixels(width, height);
  if (!scaled || !IS40_ResizeImage(sheet.get(), w, h, w * 3, scaled.get(), width, height, width * 3, 3,
                                   kIsResizeBilinear, 0))
    return nullptr;
  return scaled;
}

// Gives the control's client area the preview's size, its frame kept as it is.
void sizeControl(HWND control, int width, int height) {
  RECT window, client;
  GetWindowRect(control, &window);
  GetClientRect(control, &client);
  int frameX = (window.right - window.left) - (client.right - client.left);
  int frameY = (window.bottom - window.top) - (client.bottom - client.top);
  SetWindowPos(control, nullptr, 0, 0, width + frameX, height + frameY,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

int BuildPreview(HWND page, HBITMAP* bitmap, const PreviewLook& look) {
  if (!bitmap) return 0;
  char name[16];
  std::snprintf(name, sizeof name, "HG%03d", look.background);
  OwnedImage background = resourceBitmapToRgb(look.instance, name);
  if (!background) return 0;

  HWND control = GetDlgItem(page, kIdPreviewPicture);
  RECT client{};
  if (!control || !GetClientRect(control, &client)) return 0;
  const PreviewGeometry g = computePreviewGeometry(client.right - client.left, client.bottom - client.top,
                                                   look.screenWidth, look.screenHeight, look.left, look.top,
                                                   look.right, look.bottom);
  if (g.width <= 0 || g.height <= 0) return 0;
  sizeControl(control, g.width, g.height);

  OwnedBlock preview = allocatePixels(g.width, g.height);
  if (!preview || !IS40_ResizeImage(background.data(), background.width, background.height, background.width * 3,
                                    preview.get(), g.width, g.height, g.width * 3, 3, kIsResizeBilinear, 0))
    return 0;
  if (g.sheet) {
    if (OwnedBlock sheet = scaledSheet(g.sheetWidth, g.sheetHeight))
      IS40_OverlayRGBTrans(preview.get(), g.width, g.height, g.width * 3, sheet.get(), g.sheetWidth, g.sheetHeight,
                           g.sheetWidth * 3, g.x, g.y, 1.0, kPreviewKeyColour, kPreviewKeyTolerance, 0);
  }
  WindowDc dc(page);
  HBITMAP made = IS40_RGBToHBITMAP(preview.get(), g.width, g.height, g.width * 3, nullptr, dc.get());
  if (!made) return 0;
  *bitmap = made;
  return 1;
}
