#include "app/win32/tray.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <mutex>

#include "app/day_icon.h"
#include "app/day_texts.h"
#include "app/settings.h"
#include "app/win32/program.h"
#include "calendar/date_arith.h"
#include "calendar/moon.h"
#include "imaging/win32/gdi_bridge.h"

namespace {

std::mutex trayMutex;  // the worker and the UI thread both update the icon
bool notYetAdded = true;
bool removed = false;  // after TrayRemoveIcon no update brings the icon back
volatile LONG jobBusy = 0;
struct TrayView {
  int moonPhases = 0;
  int dateOrder = 1;
  char separator[2] = ".";
};
TrayView view;
char lastTip[128] = "";

// Colour bitmap plus mask into an icon; both bitmaps are deleted.
HICON iconFromBitmaps(HBITMAP colour, HBITMAP mask) {
  HICON icon = nullptr;
  if (colour && mask) {
    ICONINFO info;
    ZeroMemory(&info, sizeof info);
    info.fIcon = TRUE;
    info.hbmColor = colour;
    info.hbmMask = mask;
    icon = CreateIconIndirect(&info);
  }
  if (colour) DeleteObject(colour);
  if (mask) DeleteObject(mask);
  return icon;
}

void fillNotifyData(NOTIFYICONDATAA& data) {
  ZeroMemory(&data, sizeof data);
  // The record with the 128-character tip.
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = mainWindowHandle;
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayMessage;
}

}  // namespace

HICON MakeSmallDayIcon(int day, int width, int height, COLORREF background, COLORREF colour) {
  BYTE* image = renderSmallDayIcon(day, width, height, background, colour);
  if (!image) return nullptr;
  HICON icon = nullptr;
  if (HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr)) {
    HBITMAP bitmap = IS40_RGBToHBITMAP(image, width, height, width * 3, nullptr, dc);
    // An all-zero mask: the icon is opaque everywhere.
    size_t rowBytes = ((width + 15) / 16) * 2;
    BYTE* zeros = static_cast<BYTE*>(GlobalAlloc(GPTR, rowBytes * height));
    HBITMAP mask = zeros ? CreateBitmap(width, height, 1, 1, zeros) : nullptr;
    if (zeros) GlobalFree(zeros);
    icon = iconFromBitmaps(bitmap, mask);
    DeleteDC(dc);
  }
  GlobalFree(image);
  return icon;
}

HICON MakeDayIcon(int day, COLORREF colour) {
  HRSRC found = FindResourceA(programInstance, "ICON_KAL", "BITMAPI");
  HGLOBAL loaded = found ? LoadResource(programInstance, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  DWORD size = found ? SizeofResource(programInstance, found) : 0;
  if (!bytes || !size) return nullptr;
  DWORD w = 0, h = 0;
  BYTE* image = renderDayIcon(day, colour, bytes, size, &w, &h);
  if (!image) return nullptr;
  HICON icon = nullptr;
  if (HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr)) {
    HBITMAP bitmap = IS40_RGBToHBITMAP(image, w, h, w * 3, nullptr, dc);
    HBITMAP mask = IS40_LoadResourceBitmap(programInstance, "ICON_MSK", nullptr);
    icon = iconFromBitmaps(bitmap, mask);
    DeleteDC(dc);
  }
  GlobalFree(image);
  return icon;
}

void TrayTakeSettings() {
  std::lock_guard<std::mutex> lock(trayMutex);
  view.moonPhases = gSettings.Mondphasen;
  view.dateOrder = gSettings.iDate;
  view.separator[0] = gSettings.sDate[0] ? gSettings.sDate[0] : '.';
}

void TraySetJobBusy(int busy) { InterlockedExchange(&jobBusy, busy ? 1 : 0); }

void TrayShellRestarted() {
  std::lock_guard<std::mutex> lock(trayMutex);
  notYetAdded = true;
  removed = false;
}

void TrayUpdate(int busy) {
  std::lock_guard<std::mutex> lock(trayMutex);
  if (!mainWindowHandle || removed) return;
  NOTIFYICONDATAA data;
  if (notYetAdded) {
    fillNotifyData(data);
    data.hIcon = nullptr;
    data.szTip[0] = 0;
    // A failed add (the shell not running yet) is tried again at the next update.
    if (Shell_NotifyIconA(NIM_ADD, &data)) notYetAdded = false;
  }

  int day, month, year, weekday;
  GetLocalDateTime(&day, &month, &year, nullptr, nullptr, nullptr, &weekday);
  HICON icon = nullptr;
  bool shared = false;
  if (view.moonPhases) {
    char name[16];
    std::snprintf(name, sizeof name, "MOND%01d", MoonPhase(day, month, year));
    icon = static_cast<HICON>(LoadImageA(programInstance, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  } else {
    icon = MakeSmallDayIcon(day, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                            kSmallIconBackground, dayNumberColour(weekday));
  }
  if (!icon) {
    icon = LoadIconA(programInstance, "APP_ICON");
    shared = true;
  }

  fillNotifyData(data);
  data.hIcon = icon;
  if (busy || jobBusy) {
    std::snprintf(data.szTip, sizeof data.szTip, "%s", kBusyTip);
  } else {
    char line[kDateLineSize];
    formatDateLineFor(line, sizeof line, day, month, year, weekday, view.dateOrder, view.separator);
    std::snprintf(data.szTip, sizeof data.szTip, "%s", line);  // cut to 127 characters
  }
  std::snprintf(lastTip, sizeof lastTip, "%s", data.szTip);
  // A shell that lost the icon (restarted, or never got it) does not know it: add it again.
  if (Shell_NotifyIconA(NIM_MODIFY, &data) || Shell_NotifyIconA(NIM_ADD, &data))
    notYetAdded = false;
  else
    notYetAdded = true;
  if (icon && !shared) DestroyIcon(icon);
}

void TrayRemoveIcon() {
  std::lock_guard<std::mutex> lock(trayMutex);
  if (!mainWindowHandle) return;
  NOTIFYICONDATAA data;
  fillNotifyData(data);
  data.uFlags = 0;
  Shell_NotifyIconA(NIM_DELETE, &data);
  removed = true;
}

void TrayLastTip(char* buffer, size_t size) {
  std::lock_guard<std::mutex> lock(trayMutex);
  std::snprintf(buffer, size, "%s", lastTip);
}
