#include <windows.h>

#include "app/hotkeys.h"
#include "app/win32/main_window.h"
#include "app/win32/program.h"

void RegisterHotkeys(int doRegister) {
  for (const HotkeySlot& slot : HotkeySlots) {
    if (doRegister) {
      if (slot.active && hotkeySlotValid(slot))
        RegisterHotKey(mainWindowHandle, slot.id, hotkeyModifierFlags(slot), hotkeyKeyCode(slot));
      else
        UnregisterHotKey(mainWindowHandle, slot.id);
    } else if (slot.active) {
      UnregisterHotKey(mainWindowHandle, slot.id);
    }
  }
}
