#include <windows.h>

#include "app/win32/program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) { return runQuendler(instance); }
