#include "app/options_pages.h"

#include <cstdio>
#include <cstring>

#include "calendar/holidays.h"

namespace {

bool inTable(long row, int count) { return row >= 0 && row < count; }

bool endsWithSeparator(const char* path, size_t n) {
  return n > 0 && (path[n - 1] == '\\' || path[n - 1] == '/');
}

// Upper case of code page 1252 letters, as the file system folds them.
unsigned char foldCase(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
  if (c == 0x9A || c == 0x9C || c == 0x9E) return static_cast<unsigned char>(c - 0x10);  // š œ ž
  if (c == 0xFF) return 0x9F;                                                              // ÿ
  return c;
}

}  // namespace

const char* const kNoteFolderTooLongText =
    "Der Pfad ist zu lang: höchstens 259 Zeichen mit dem \\ am Ende. Bitte wählen Sie einen kürzeren Ordner.";

HotkeySlot hotkeySlotForPage(const HotkeySlot& stored) {
  if (hotkeySlotValid(stored)) return stored;
  return HotkeySlot{stored.id, 0, 0, 0};
}

HotkeySlot hotkeySlotFromPage(const HotkeySlot& stored, long modifierSelection, long keySelection,
                              bool checked) {
  HotkeySlot shown = hotkeySlotForPage(stored);
  HotkeySlot slot = shown;
  if (inTable(modifierSelection, kHotkeyModifierCount)) slot.modifier = static_cast<int>(modifierSelection);
  if (inTable(keySelection, kHotkeyKeyCount)) slot.key = static_cast<int>(keySelection);
  slot.active = checked ? 1 : 0;
  return slot;
}

CalendarPageStart calendarPageStart(const Settings& s) {
  return CalendarPageStart{s.HG, s.left, s.top, s.right, s.Kalenderwoche, s.Feiertage};
}

MarginRanges marginRanges(int screenWidth, int screenHeight) {
  return MarginRanges{screenWidth > 0 ? screenWidth / 6 : 0, screenHeight > 0 ? screenHeight / 6 : 0};
}

int regionListRow(int stored) { return inTable(stored, kHolidayRegionCount) ? stored : 0; }

bool regionChangeAsksRebuild(int currentRegion, long selection) {
  return inTable(selection, kHolidayRegionCount) && selection != currentRegion;
}

bool applyCalendarPage(Settings& s, const CalendarPageStart& start, bool weekNumbers,
                       long regionSelection) {
  s.Kalenderwoche = weekNumbers ? 1 : 0;
  if (inTable(regionSelection, kHolidayRegionCount)) s.Feiertage = static_cast<int>(regionSelection);
  return s.HG != start.HG || s.left != start.left || s.top != start.top || s.right != start.right ||
         s.Kalenderwoche != start.Kalenderwoche || s.Feiertage != start.Feiertage;
}

void cancelCalendarPage(Settings& s, const CalendarPageStart& start) {
  s.HG = start.HG;
  s.left = start.left;
  s.top = start.top;
  s.right = start.right;
}

FontBackup backupFont(const LOGFONTA& font) {
  FontBackup b;
  b.height = font.lfHeight;
  b.weight = font.lfWeight;
  b.italic = font.lfItalic;
  std::memcpy(b.face, font.lfFaceName, sizeof b.face);
  return b;
}

void restoreFont(LOGFONTA& font, const FontBackup& backup) {
  font.lfHeight = backup.height;
  font.lfWeight = backup.weight;
  font.lfItalic = backup.italic;
  std::memcpy(font.lfFaceName, backup.face, sizeof font.lfFaceName);
}

void bringSheetFontIntoRange(LOGFONTA& font) {
  LONG h = font.lfHeight;
  if (h == 0) {
    font.lfHeight = kDefaultSheetFontHeight;
    return;
  }
  // Far below the range counts as its end before negating, which the most negative LONG cannot.
  LONG magnitude = h < -kMaxFontHeight || h > kMaxFontHeight ? kMaxFontHeight : h < 0 ? -h : h;
  if (magnitude < kMinFontHeight) magnitude = kMinFontHeight;
  if (magnitude > kMaxFontHeight) magnitude = kMaxFontHeight;
  font.lfHeight = h < 0 ? -magnitude : magnitude;
}

void appointmentFileFromField(char* file, size_t size, const char* field) {
  if (!file || size == 0 || !field || !field[0]) return;
  std::snprintf(file, size, "%s", field);
}

bool samePathIgnoringCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    unsigned char ca = foldCase(static_cast<unsigned char>(*a));
    unsigned char cb = foldCase(static_cast<unsigned char>(*b));
    if (ca != cb) return false;
    if (!ca) return true;
  }
}

int folderWithSeparator(char* out, size_t size, const char* folder) {
  if (!out || size == 0 || !folder) return 0;
  size_t n = std::strlen(folder);
  size_t total = n + (endsWithSeparator(folder, n) ? 0 : 1);
  if (total + 1 > size) return 0;
  std::memmove(out, folder, n);
  if (total > n) out[n] = '\\';
  out[total] = 0;
  return 1;
}

NoteFolderResult notePathFromField(char* notePath, size_t size, const char* field) {
  if (!field || !field[0]) return NoteFolderResult::keptOld;
  char folder[MAX_PATH];
  size_t room = size < sizeof folder ? size : sizeof folder;
  if (room > kNotePathMost + 1) room = kNotePathMost + 1;
  if (!folderWithSeparator(folder, room, field)) return NoteFolderResult::tooLong;
  std::memcpy(notePath, folder, std::strlen(folder) + 1);
  return NoteFolderResult::taken;
}
