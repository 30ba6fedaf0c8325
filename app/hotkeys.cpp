#include "app/hotkeys.h"

#include <cstdio>

HotkeySlot HotkeySlots[kHotkeySlotCount];

const HotkeyModifier kHotkeyModifiers[kHotkeyModifierCount] = {
    {"Alt", 1}, {"Strg", 2}, {"Shift+Strg", 6}, {"Shift+Alt", 5}, {"Alt+Strg", 3}, {"Windows", 8},
};

const char* const kHotkeyLabels[kHotkeySlotCount] = {
    "Desktop&kalender neu aufbauen:", "&Termine bearbeiten:", "&Neue Notiz:"};

namespace {

struct KeyTable {
  HotkeyKey rows[kHotkeyKeyCount];
  KeyTable() {
    int i = 0;
    for (int f = 1; f <= 12; ++f, ++i) {
      std::snprintf(rows[i].text, sizeof rows[i].text, "F%d", f);
      rows[i].code = 0x70 + f - 1;
    }
    for (int d = 0; d <= 9; ++d, ++i) {
      std::snprintf(rows[i].text, sizeof rows[i].text, "num %d", d);
      rows[i].code = 0x60 + d;
    }
    std::snprintf(rows[i].text, sizeof rows[i].text, "num +");
    rows[i++].code = 0x6B;
    std::snprintf(rows[i].text, sizeof rows[i].text, "num -");
    rows[i++].code = 0x6D;
    for (int d = 0; d <= 9; ++d, ++i) {
      std::snprintf(rows[i].text, sizeof rows[i].text, "%c ", '0' + d);
      rows[i].code = 0x30 + d;
    }
    for (int c = 0; c < 26; ++c, ++i) {
      std::snprintf(rows[i].text, sizeof rows[i].text, "%c ", 'A' + c);
      rows[i].code = 0x41 + c;
    }
  }
};

void resetSlots(HotkeySlot slots[kHotkeySlotCount]) {
  for (int i = 0; i < kHotkeySlotCount; ++i) slots[i] = HotkeySlot{kHotkeyRebuild + i, 0, 0, 0};
}

}  // namespace

const HotkeyKey* hotkeyKeyTable() {
  static const KeyTable table;
  return table.rows;
}

bool hotkeySlotValid(const HotkeySlot& slot) {
  return slot.modifier >= 0 && slot.modifier < kHotkeyModifierCount && slot.key >= 0 &&
         slot.key < kHotkeyKeyCount;
}

UINT hotkeyModifierFlags(const HotkeySlot& slot) {
  return hotkeySlotValid(slot) ? kHotkeyModifiers[slot.modifier].flags : 0;
}

UINT hotkeyKeyCode(const HotkeySlot& slot) {
  return hotkeySlotValid(slot) ? hotkeyKeyTable()[slot.key].code : 0;
}

void LoadHotkeys(HotkeySlot slots[kHotkeySlotCount], SettingsStore& store) {
  resetSlots(slots);
  SettingsKey key = store.openKey(kHotkeysKey, false);
  if (!key) return;
  for (int i = 0; i < kHotkeySlotCount; ++i) {
    char name[16];
    DWORD v = 0;
    std::snprintf(name, sizeof name, "hk%02dm", i);
    if (store.readDword(key, name, v)) slots[i].modifier = static_cast<int32_t>(v);
    std::snprintf(name, sizeof name, "hk%02dv", i);
    if (store.readDword(key, name, v)) slots[i].key = static_cast<int32_t>(v);
    std::snprintf(name, sizeof name, "hk%02da", i);
    if (store.readDword(key, name, v)) slots[i].active = v != 0;
    // An index outside its table cannot be shown or registered: the slot starts over.
    if (!hotkeySlotValid(slots[i])) slots[i] = HotkeySlot{kHotkeyRebuild + i, 0, 0, 0};
  }
  store.closeKey(key);
}

int SaveHotkeys(const HotkeySlot slots[kHotkeySlotCount], SettingsStore& store) {
  SettingsKey key = store.openKey(kHotkeysKey, true);
  if (!key) return 0;
  int ok = 1;
  for (int i = 0; i < kHotkeySlotCount; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "hk%02dm", i);
    ok &= store.writeDword(key, name, static_cast<DWORD>(slots[i].modifier));
    std::snprintf(name, sizeof name, "hk%02dv", i);
    ok &= store.writeDword(key, name, static_cast<DWORD>(slots[i].key));
    std::snprintf(name, sizeof name, "hk%02da", i);
    ok &= store.writeDword(key, name, slots[i].active ? 1 : 0);
  }
  store.closeKey(key);
  return ok;
}

void LoadHotkeys() {
  if (SettingsStore* store = settingsStore())
    LoadHotkeys(HotkeySlots, *store);
  else
    resetSlots(HotkeySlots);
}

int SaveHotkeys() {
  SettingsStore* store = settingsStore();
  return store ? SaveHotkeys(HotkeySlots, *store) : 0;
}
