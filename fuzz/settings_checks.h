// What the program relies on after loading its settings, checked by the settings targets.
#pragma once

#include <cstring>

#include "app/hotkeys.h"
#include "app/options_pages.h"
#include "app/settings.h"
#include "fuzz/fuzz_checks.h"

namespace fuzzing {
namespace settings {

using fuzzing::fail;

inline bool terminatedIn(const char* field, size_t width) { return std::memchr(field, 0, width) != nullptr; }

inline bool endsWithSeparator(const char* path) {
  size_t n = std::strlen(path);
  return n > 0 && (path[n - 1] == '\\' || path[n - 1] == '/');
}

inline void checkFont(const LOGFONTA& font) {
  if (!terminatedIn(font.lfFaceName, LF_FACESIZE)) fail("font face without terminator");
  if (!font.lfFaceName[0]) fail("font without face");
}

inline void checkLoaded(const Settings& s) {
  if (s.HG < 0 || s.HG >= kBackgroundCount) fail("HG outside the backgrounds");
  int h = s.SheetFont.lfHeight;
  if (!((h >= kMinFontHeight && h <= kMaxFontHeight) || (h <= -kMinFontHeight && h >= -kMaxFontHeight)))
    fail("calendar font height outside 7..128");
  checkFont(s.SheetFont);
  checkFont(s.HeaderFont);
  checkFont(s.NoteFont);
  if (s.HeaderFont.lfHeight != kHeaderFontHeight || s.HeaderFont.lfWeight != kHeaderFontWeight ||
      std::strcmp(s.HeaderFont.lfFaceName, s.SheetFont.lfFaceName) != 0)
    fail("header font not derived from the calendar font");
  for (const char* field : {s.AlarmFile, s.NotePath, s.programFolder, s.dataFolder})
    if (!terminatedIn(field, MAX_PATH)) fail("path without terminator");
  if (!s.AlarmFile[0]) fail("no appointment file");
  if (s.NotePath[0] && !endsWithSeparator(s.NotePath)) fail("note folder without separator");
  if (s.programFolder[0] && !endsWithSeparator(s.programFolder)) fail("program folder without separator");
  if (s.dataFolder[0] && !endsWithSeparator(s.dataFolder)) fail("data folder without separator");
  if (!s.sDate[0] || s.sDate[1]) fail("date separator not one character");
}

inline void checkHotkeys(const HotkeySlot slots[kHotkeySlotCount]) {
  for (int i = 0; i < kHotkeySlotCount; ++i) {
    if (slots[i].id != kHotkeyRebuild + i) fail("hotkey id changed");
    if (!hotkeySlotValid(slots[i])) fail("hotkey slot outside its tables after a load");
    if (slots[i].active != 0 && slots[i].active != 1) fail("hotkey active flag not 0 or 1");
    if (hotkeyModifierFlags(slots[i]) == 0 || hotkeyKeyCode(slots[i]) == 0) fail("valid slot without key");
    HotkeySlot page = hotkeySlotForPage(slots[i]);
    if (page.modifier != slots[i].modifier || page.key != slots[i].key) fail("page shows another slot");
  }
}

}  // namespace settings
}  // namespace fuzzing
