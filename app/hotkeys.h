// The three global hotkeys: slots, their tables and their place in the settings store.
// Registering them with the platform is in app/win32/.
#pragma once

#include <cstddef>

#include "app/settings_store.h"

// Hotkey ids, which the main window receives back.
constexpr int kHotkeyRebuild = 200;
constexpr int kHotkeyAppointments = 201;
constexpr int kHotkeyNewNote = 202;

constexpr int kHotkeySlotCount = 3;
constexpr int kHotkeyModifierCount = 6;
constexpr int kHotkeyKeyCount = 60;

struct HotkeySlot {
  int id = 0;
  int modifier = 0;  // row of the modifier table
  int key = 0;       // row of the key table
  int active = 0;
};

extern HotkeySlot HotkeySlots[kHotkeySlotCount];

struct HotkeyModifier {
  const char* text;
  UINT flags;  // 1 Alt, 2 Control, 4 Shift, 8 Windows key
};
struct HotkeyKey {
  char text[8];
  UINT code;  // virtual-key code
};
extern const HotkeyModifier kHotkeyModifiers[kHotkeyModifierCount];
const HotkeyKey* hotkeyKeyTable();  // kHotkeyKeyCount rows
extern const char* const kHotkeyLabels[kHotkeySlotCount];

// The platform flags and key code of a slot; 0 when a stored index lies outside its table
// (such a slot is never registered).
UINT hotkeyModifierFlags(const HotkeySlot& slot);
UINT hotkeyKeyCode(const HotkeySlot& slot);
bool hotkeySlotValid(const HotkeySlot& slot);

// Resets the slots (ids 200, 201, 202, everything else 0), then reads "hk%02dm", "hk%02dv",
// "hk%02da" of each slot from the Hotkeys key.
void LoadHotkeys(HotkeySlot slots[kHotkeySlotCount], SettingsStore& store);
// Writes the three values of each slot, active as 0 or 1. 1 when the key could be written.
int SaveHotkeys(const HotkeySlot slots[kHotkeySlotCount], SettingsStore& store);
// The same on HotkeySlots with the chosen store.
void LoadHotkeys();
int SaveHotkeys();
