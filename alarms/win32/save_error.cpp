#include "alarms/win32/save_error.h"

void showAppointmentSaveError(HWND owner) {
  MessageBoxA(owner, kAppointmentSaveError, "", MB_ICONSTOP | MB_OK);
}
