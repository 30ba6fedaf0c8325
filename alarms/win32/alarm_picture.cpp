#include "alarms/win32/alarm_picture.h"

#include <cstdio>

#include "alarms/appointment_file.h"
#include "imaging/frame.h"
#include "imaging/image_ops.h"
#include "imaging/owned_block.h"
#include "imaging/psd_reader.h"
#include "imaging/sources.h"
#include "imaging/win32/gdi_bridge.h"
#include "platform/resources.h"

void alarmPictureName(int value, char* name, size_t size) {
  if (!size) return;
  name[0] = '\0';
  if (value < 0) return;
  std::snprintf(name, size, "ALARM_P%02d", appointmentPictureNumber(static_cast<unsigned>(value)));
}

namespace {

void clearPicture(HWND control, OwnedBitmap& shown) {
  if (control) SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, 0);
  shown.reset();
}

}  // namespace

bool loadAlarmPicture(HWND dialog, int value, OwnedBitmap& shown) {
  HWND control = GetDlgItem(dialog, kIdAlarmPicture);
  // The control lets go of the old bitmap before it is deleted.
  clearPicture(control, shown);
  if (value < 0 || !control) return false;

  char name[16];
  alarmPictureName(value, name, sizeof name);
  const unsigned char* data = nullptr;
  unsigned long size = 0;
  if (!findResourceBytes("ALARM", name, &data, &size) || !data || !size) return false;

  ISSource source = IS40_OpenMemorySource(data, static_cast<DWORD>(size));
  if (!source) return false;
  DWORD w = 0, h = 0;
  OwnedBlock picture(IS40_ReadPSD(source, &w, &h, 24, nullptr, 0));
  IS40_CloseSource(source);
  if (!picture || !w || !h) return false;

  RECT r;
  GetClientRect(control, &r);
  DWORD cw = static_cast<DWORD>(r.right - r.left), ch = static_cast<DWORD>(r.bottom - r.top);
  if (!cw || !ch) return false;
  OwnedBlock scaled(static_cast<BYTE*>(GlobalAlloc(GPTR, static_cast<SIZE_T>(cw) * ch * 3)));
  if (!scaled || !IS40_ResizeImage(picture.get(), w, h, w * 3, scaled.get(), cw, ch, cw * 3, 3,
                                   kIsResizeBilinear, 0))
    return false;
  if (IS40_GetLastError() != 0) return false;

  OwnedBitmap bitmap(IS40_RGBToHBITMAP(scaled.get(), cw, ch, cw * 3, nullptr, nullptr));
  if (!bitmap) return false;
  SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap.get()));
  shown = std::move(bitmap);
  return true;
}
