// The message about an appointment file that could not be saved (stop icon, OK, no caption),
// owned by the given window. The table in memory stays as it is.
#pragma once

#include <windows.h>

constexpr const char* kAppointmentSaveError = "Fehler beim Speichern der Termin-Datei!";

void showAppointmentSaveError(HWND owner);
