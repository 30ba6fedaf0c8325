#include "alarms/appointment_editing.h"

#include <cstdio>
#include <cstring>

#include "calendar/date_arith.h"

namespace {

int usedSlots(const AppointmentTable& table) {
  if (table.count < 0) return 0;
  return table.count > kAppointmentSlots ? kAppointmentSlots : table.count;
}

int positionIn(int value, int first, int last) {
  return value >= first && value <= last ? value - first : -1;
}

void rearm(Appointment& a) {
  a.lastFiredDay = 0;
  a.lastFiredYear = 0;
  a.snoozeLeft = 0;
}

// Copies at most `limit` characters of text into a field and ends it there.
void storeText(char* field, size_t width, const char* text, size_t limit) {
  size_t n = text ? std::strlen(text) : 0;
  if (n > limit) n = limit;
  if (n > width - 1) n = width - 1;
  if (n) std::memcpy(field, text, n);
  field[n] = '\0';
}

bool sameText(const char* field, size_t width, const char* text, size_t limit) {
  size_t n = text ? std::strlen(text) : 0;
  if (n > limit) n = limit;
  return appointmentFieldLength(field, width) == n && std::memcmp(field, text ? text : "", n) == 0;
}

// The record as the editor shows it when it has an editable one.
Appointment* editableRecord(AppointmentEditing& editing) {
  Appointment* a = currentAppointment(editing);
  return a && !a->isProtected ? a : nullptr;
}

bool inOpenMonth(const AppointmentEditing& editing, const Appointment& a) {
  return a.month == editing.openMonth && a.year == editing.openYear;
}

// Whether a change from `before` to `after` touches the calendar of the month the editor
// opened in. `ownMonth` is the record's own test (its month and year are that month's); beside
// it the month is touched wherever the record showed its picture before or shows it now: a
// weekly or monthly picture is on this month's sheet whatever year the record carries, and one
// moved to another month leaves this one.
void noteCalendarChange(AppointmentEditing& editing, const Appointment& before, const Appointment& after,
                        bool ownMonth) {
  int m = editing.openMonth, y = editing.openYear;
  if (ownMonth || showsPictureIn(before, m, y) || showsPictureIn(after, m, y)) editing.calendarAffected = true;
}

}  // namespace

int editorLastYear(int currentYear) {
  int ahead = currentYear + kEditorYearsAhead;
  return ahead > kEditorLastYearAtLeast ? ahead : kEditorLastYearAtLeast;
}

EditorSelection editorSelection(const Appointment& a, int currentYear) {
  EditorSelection s;
  s.kind = positionIn(a.repeatKind, 0, 11);
  s.day = positionIn(a.day, 1, 31);
  s.month = positionIn(a.month, 1, 12);
  s.year = positionIn(a.year, kEditorFirstYear, editorLastYear(currentYear));
  s.hour = positionIn(a.hour, 0, 23);
  s.minute = positionIn(a.minute, 0, 59);
  s.action = positionIn(a.action, 0, 3);
  return s;
}

void beginEditing(AppointmentEditing& editing, AppointmentTable& table, const LocalTime& now) {
  editing = AppointmentEditing();
  editing.table = &table;
  editing.openMonth = now.month;
  editing.openYear = now.year;
  int count = usedSlots(table);
  int slot = table.currentIndex;
  if (slot < 0 || slot >= count) slot = 0;
  selectSlot(editing, slot);
}

int currentSlot(AppointmentEditing& editing) {
  if (!editing.table) return -1;
  AppointmentTable& table = *editing.table;
  int count = usedSlots(table);
  if (count == 0) {
    editing.currentId = 0;
    table.currentIndex = 0;
    return -1;
  }
  int slot = findAppointmentSlot(table, editing.currentId);
  if (slot < 0) {
    slot = table.currentIndex;
    if (slot < 0) slot = 0;
    if (slot >= count) slot = count - 1;
    editing.currentId = appointmentIdAt(table, slot);
  }
  table.currentIndex = slot;
  return slot;
}

Appointment* currentAppointment(AppointmentEditing& editing) {
  int slot = currentSlot(editing);
  return slot < 0 ? nullptr : &editing.table->slots[slot];
}

void selectSlot(AppointmentEditing& editing, int slot) {
  if (!editing.table || slot < 0 || slot >= usedSlots(*editing.table)) {
    currentSlot(editing);
    return;
  }
  editing.currentId = appointmentIdAt(*editing.table, slot);
  editing.table->currentIndex = slot;
}

bool isEditable(AppointmentEditing& editing) { return editableRecord(editing) != nullptr; }

EditorEnables editorEnables(AppointmentEditing& editing) {
  EditorEnables e{};
  int count = editing.table ? usedSlots(*editing.table) : 0;
  e.newButton = count < kEditorNewLimit;
  const Appointment* a = currentAppointment(editing);
  if (!a) return e;
  bool editable = !a->isProtected;
  int kind = a->repeatKind, action = a->action;
  e.nameBox = true;
  e.kind = e.deleteButton = editable;
  e.day = editable && (kind == kRepeatOnce || kind == kRepeatMonthly || kind == kRepeatYearly);
  e.month = editable && (kind == kRepeatOnce || kind == kRepeatYearly);
  e.year = editable && kind == kRepeatOnce;
  e.hour = e.minute = e.action = e.remark = editable && kind != kRepeatOff;
  e.path = editable && (action == kActionSound || action == kActionProgram);
  e.picture = kind != kRepeatOff && kind != kRepeatDaily;
  e.test = action != kActionNothing;
  return e;
}

void newAppointmentName(const AppointmentTable& table, char* out, size_t size) {
  if (!out || !size) return;
  int count = usedSlots(table);
  // With at most 256 records one of the first 257 candidates is free.
  for (int n = 1; n <= kAppointmentSlots + 1; ++n) {
    char candidate[16];
    if (n == 1)
      std::snprintf(candidate, sizeof candidate, "(neu)");
    else
      std::snprintf(candidate, sizeof candidate, "(neu %d)", n);
    bool taken = false;
    for (int k = 0; k < count && !taken; ++k) {
      const char* name = table.slots[k].name;
      size_t length = appointmentFieldLength(name, sizeof table.slots[k].name);
      char bounded[sizeof table.slots[k].name + 1];
      std::memcpy(bounded, name, length);
      bounded[length] = '\0';
      taken = compareAppointmentNames(bounded, candidate) == 0;
    }
    if (!taken) {
      std::snprintf(out, size, "%s", candidate);
      return;
    }
  }
  out[0] = '\0';
}

int addNewAppointment(AppointmentEditing& editing, const LocalTime& now) {
  if (!editing.table || usedSlots(*editing.table) >= kEditorNewLimit) return -1;
  Appointment a;
  std::memset(&a, 0, sizeof a);
  a.repeatKind = kRepeatOnce;
  a.day = static_cast<uint16_t>(now.day);
  a.month = static_cast<uint16_t>(now.month);
  a.year = static_cast<uint16_t>(now.year);
  a.hour = static_cast<uint16_t>(now.hour + 1 > 23 ? 23 : now.hour + 1);
  a.minute = 0;
  newAppointmentName(*editing.table, a.name, sizeof a.name);
  int slot = addAppointment(*editing.table, a);
  if (slot >= 0) selectSlot(editing, slot);
  return slot;
}

int deleteCurrentAppointment(AppointmentEditing& editing) {
  Appointment* a = editableRecord(editing);
  if (!a) return 0;
  AppointmentTable& table = *editing.table;
  int slot = table.currentIndex;
  Appointment gone = *a;
  Appointment none;
  std::memset(&none, 0, sizeof none);
  noteCalendarChange(editing, gone, none, gone.picture > 0 && inOpenMonth(editing, gone));
  removeAppointment(table, slot);
  // The freed last slot holds nothing of the record that moved down out of it.
  std::memset(&table.slots[table.count], 0, sizeof(Appointment));
  table.ids[table.count] = 0;
  selectSlot(editing, slot > 0 ? slot - 1 : 0);
  return 1;
}

bool renameCurrent(AppointmentEditing& editing, const char* text) {
  Appointment* a = editableRecord(editing);
  if (!a || sameText(a->name, sizeof a->name, text, kEditorNameLimit)) return false;
  storeText(a->name, sizeof a->name, text, kEditorNameLimit);
  return true;
}

bool setKind(AppointmentEditing& editing, int kind) {
  Appointment* a = editableRecord(editing);
  if (!a || kind < 0 || kind > kRepeatSunday) return false;
  Appointment before = *a;
  a->repeatKind = static_cast<uint16_t>(kind);
  rearm(*a);
  noteCalendarChange(editing, before, *a, a->picture > 0 && inOpenMonth(editing, *a));
  return true;
}

bool setDate(AppointmentEditing& editing, int dayPosition, int monthPosition, int yearPosition) {
  Appointment* a = editableRecord(editing);
  if (!a) return false;
  Appointment before = *a;
  rearm(*a);
  if (dayPosition >= 0 && dayPosition < 31) a->day = static_cast<uint16_t>(dayPosition + 1);
  if (monthPosition >= 0 && monthPosition < 12) a->month = static_cast<uint16_t>(monthPosition + 1);
  if (yearPosition >= 0 && yearPosition <= editorLastYear(editing.openYear) - kEditorFirstYear)
    a->year = static_cast<uint16_t>(yearPosition + kEditorFirstYear);
  if (a->repeatKind != kRepeatMonthly) {
    int last = DaysInMonth(a->month, a->year);
    if (last > 0 && a->day > last) a->day = static_cast<uint16_t>(last);
  }
  noteCalendarChange(editing, before, *a, a->picture > 0 && inOpenMonth(editing, *a));
  return true;
}

bool setTime(AppointmentEditing& editing, int hourPosition, int minutePosition) {
  Appointment* a = editableRecord(editing);
  if (!a) return false;
  rearm(*a);
  if (hourPosition >= 0 && hourPosition < 24) a->hour = static_cast<uint16_t>(hourPosition);
  if (minutePosition >= 0 && minutePosition < 60) a->minute = static_cast<uint16_t>(minutePosition);
  return true;
}

bool setAction(AppointmentEditing& editing, int action) {
  Appointment* a = editableRecord(editing);
  if (!a || action < 0 || action > kActionProgram) return false;
  a->action = static_cast<uint16_t>(action);
  rearm(*a);
  return true;
}

bool setPath(AppointmentEditing& editing, const char* text) {
  Appointment* a = editableRecord(editing);
  if (!a) return false;
  storeText(a->path, sizeof a->path, text, kEditorPathLimit);
  rearm(*a);
  return true;
}

bool setRemark(AppointmentEditing& editing, const char* text) {
  Appointment* a = editableRecord(editing);
  if (!a) return false;
  storeText(a->remark, sizeof a->remark, text, kEditorRemarkLimit);
  rearm(*a);
  return true;
}

bool setPicture(AppointmentEditing& editing, int picture) {
  Appointment* a = currentAppointment(editing);
  if (!a || picture < 0 || picture > kEditorLastPicture || !editorEnables(editing).picture) return false;
  if (a->picture == picture) return false;
  Appointment before = *a;
  a->picture = static_cast<uint16_t>(picture);
  noteCalendarChange(editing, before, *a, inOpenMonth(editing, *a));
  return true;
}

bool setProtected(AppointmentEditing& editing, bool on) {
  Appointment* a = currentAppointment(editing);
  if (!a) return false;
  a->isProtected = on ? 1 : 0;
  return true;
}

bool showsPictureIn(const Appointment& a, int month, int year) {
  if (a.picture == 0) return false;
  int last = DaysInMonth(month, year);
  switch (a.repeatKind) {
    case kRepeatOnce:
      return a.month == month && a.year == year && a.day >= 1 && a.day <= last;
    case kRepeatMonthly:
      return a.day >= 1 && a.day <= last;
    case kRepeatYearly:
      return a.month == month && a.day >= 1 && a.day <= last;
    default:
      return a.repeatKind >= kRepeatMonday && a.repeatKind <= kRepeatSunday;
  }
}

const char* browseFilter(int action, size_t* size) {
  static const char kPrograms[] =
      "Programme (*.exe;*.com;*.bat)\0*.exe;*.com;*.bat;*.lnk\0"
      "Text-Dateien (*.doc;*.txt;*.rtf)\0*.doc;*.txt;*.rtf\0"
      "Alle Dateien (*.*)\0*.*\0";
  static const char kSounds[] =
      "Sound-Dateien (*.mp3)\0*.mp3;*.wav\0"
      "Alle Dateien (*.*)\0*.*\0";
  // Each literal ends in the NUL of its last pair plus the one the compiler adds.
  if (action == kActionProgram) {
    if (size) *size = sizeof kPrograms;
    return kPrograms;
  }
  if (size) *size = sizeof kSounds;
  return kSounds;
}
