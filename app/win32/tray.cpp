#include "app/win32/tray.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "app/day_icon.h"
#include "app/day_texts.h"
#include "app/settings.h"
#include "app/win32/program.h"
#include "calendar/date_arith.h"
#include "calendar/moon.h"
#include "imaging/win32/gdi_bridge.h"
#include "platform/resources.h"

namespace {

struct TrayView {
  int moonPhases = 0;
  int dateOrder = 1;
  char separator[2] = ".";
};

// Everything the tray keeps between updates. The worker and the UI thread both update the
// icon, so all but the busy flag is under the mutex.
struct TrayState {
  std::mutex mutex;
  bool notYetAdded = true;
  bool removed = false;  // after TrayRemoveIcon no update brings the icon back
  volatile LONG jobBusy = 0;
  TrayView view;
  char lastTip[128] = "";
};
TrayState tray;

// Colour bitmap plus mask into an icon; the icon has copies of both.
OwnedIcon iconFromBitmaps(const OwnedBitmap& colour, const OwnedBitmap& mask) {
  if (!colour || !mask) return OwnedIcon();
  ICONINFO info;
  ZeroMemory(&info, sizeof info);
  info.fIcon = TRUE;
  info.hbmColor = colour.get();
  info.hbmMask = mask.get();
  return OwnedIcon(CreateIconIndirect(&info));
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

OwnedIcon MakeSmallDayIcon(int day, int width, int height, COLORREF background, COLORREF colour) {
  OwnedBlock image = renderSmallDayIcon(day, width, height, background, colour);
  if (!image) return OwnedIcon();
  OwnedDc dc(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
  if (!dc) return OwnedIcon();
  OwnedBitmap bitmap(IS40_RGBToHBITMAP(image.get(), width, height, width * 3, nullptr, dc.get()));
  // An all-zero mask: the icon is opaque everywhere.
  std::vector<BYTE> zeros(((width + 15) / 16) * 2 * static_cast<size_t>(height));
  OwnedBitmap mask(CreateBitmap(width, height, 1, 1, zeros.data()));
  return iconFromBitmaps(bitmap, mask);
}

OwnedIcon MakeDayIcon(int day, COLORREF colour) {
  const unsigned char* bytes = nullptr;
  unsigned long size = 0;
  if (!findResourceBytes("BITMAPI", "ICON_KAL", &bytes, &size)) return OwnedIcon();
  OwnedImage image = renderDayIcon(day, colour, bytes, size);
  if (!image) return OwnedIcon();
  OwnedDc dc(CreateDCA("DISPLAY", nullptr, nullptr, nullptr));
  if (!dc) return OwnedIcon();
  OwnedBitmap bitmap(IS40_RGBToHBITMAP(image.data(), image.width, image.height, image.width * 3, nullptr, dc.get()));
  OwnedBitmap mask(IS40_LoadResourceBitmap(programInstance, "ICON_MSK", nullptr));
  return iconFromBitmaps(bitmap, mask);
}

void TrayTakeSettings() {
  std::lock_guard<std::mutex> lock(tray.mutex);
  tray.view.moonPhases = gSettings.Mondphasen;
  tray.view.dateOrder = gSettings.iDate;
  tray.view.separator[0] = gSettings.sDate[0] ? gSettings.sDate[0] : '.';
}

void TraySetJobBusy(int busy) { InterlockedExchange(&tray.jobBusy, busy ? 1 : 0); }

void TrayShellRestarted() {
  std::lock_guard<std::mutex> lock(tray.mutex);
  tray.notYetAdded = true;
  tray.removed = false;
}

void TrayUpdate(int busy) {
  std::lock_guard<std::mutex> lock(tray.mutex);
  if (!mainWindowHandle || tray.removed) return;
  NOTIFYICONDATAA data;
  if (tray.notYetAdded) {
    fillNotifyData(data);
    data.hIcon = nullptr;
    data.szTip[0] = 0;
    // A failed add (the shell not running yet) is tried again at the next update.
    if (Shell_NotifyIconA(NIM_ADD, &data)) tray.notYetAdded = false;
  }

  int day, month, year, weekday;
  GetLocalDateTime(&day, &month, &year, nullptr, nullptr, nullptr, &weekday);
  // The shell keeps its own copy of the picture; ours goes at the end of the update.
  OwnedIcon made;
  if (tray.view.moonPhases) {
    char name[16];
    std::snprintf(name, sizeof name, "MOND%01d", MoonPhase(day, month, year));
    made.reset(static_cast<HICON>(LoadImageA(programInstance, name, IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
  } else {
    made = MakeSmallDayIcon(day, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                            kSmallIconBackground, dayNumberColour(weekday));
  }

  fillNotifyData(data);
  data.hIcon = made ? made.get() : LoadIconA(programInstance, "APP_ICON");  // shared: not ours
  if (busy || tray.jobBusy) {
    std::snprintf(data.szTip, sizeof data.szTip, "%s", kBusyTip);
  } else {
    char line[kDateLineSize];
    formatDateLineFor(line, sizeof line, day, month, year, weekday, tray.view.dateOrder, tray.view.separator);
    std::snprintf(data.szTip, sizeof data.szTip, "%s", line);  // cut to 127 characters
  }
  std::snprintf(tray.lastTip, sizeof tray.lastTip, "%s", data.szTip);
  // A shell that lost the icon (restarted, or never got it) does not know it: add it again.
  tray.notYetAdded = !(Shell_NotifyIconA(NIM_MODIFY, &data) || Shell_NotifyIconA(NIM_ADD, &data));
}

void TrayRemoveIcon() {
  std::lock_guard<std::mutex> lock(tray.mutex);
  if (!mainWindowHandle) return;
  NOTIFYICONDATAA data;
  fillNotifyData(data);
  data.uFlags = 0;
  Shell_NotifyIconA(NIM_DELETE, &data);
  tray.removed = true;
}

void TrayLastTip(char* buffer, size_t size) {
  std::lock_guard<std::mutex> lock(tray.mutex);
  std::snprintf(buffer, size, "%s", tray.lastTip);
}
