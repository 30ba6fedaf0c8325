#include "alarms/appointment_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "calendar/date_arith.h"
#include "platform/clock.h"
#include "platform/files.h"

const char* const kRepeatKindTexts[12] = {
    "aus",    "einmalig", "täglich",    "monatlich", "jährlich", "Montag",
    "Dienstag", "Mittwoch", "Donnerstag", "Freitag",   "Samstag",  "Sonntag"};

const char* const kActionTexts[4] = {"(nichts)", "Hinweis", "Sound abspielen",
                                     "Programm starten"};

const int alarmPictureMap[29] = {0,  1,  2,  7,  3,  4,  5,  8,  6,  9,  20, 18, 19, 11, 16,
                                 26, 14, 17, 27, 10, 22, 23, 25, 28, 21, 12, 13, 24, 15};

AppointmentTable AppointmentFile;

int appointmentPictureNumber(unsigned picture) {
  if (picture < sizeof(alarmPictureMap) / sizeof(alarmPictureMap[0]))
    return alarmPictureMap[picture];
  return static_cast<int>(picture);
}

size_t appointmentFieldLength(const char* field, size_t width) {
  const void* end = std::memchr(field, 0, width);
  return end ? static_cast<size_t>(static_cast<const char*>(end) - field) : width;
}

namespace {

// A field without its terminator ends at the field's last byte.
void boundField(char* field, size_t width) {
  if (!std::memchr(field, 0, width)) field[width - 1] = 0;
}

long dateKey(int day, int month, int year) {
  return static_cast<long>(year) * 10000 + month * 100 + day;
}

// Collation weights for the Windows-1252 texts of names: case does not count, letters with
// marks sort with their base letter and only break ties, symbols come before digits and
// digits before letters.
struct Collation {
  std::vector<int> primary;
  std::vector<int> secondary;
};

void addLetter(Collation& out, const char* base, int mark) {
  for (const char* p = base; *p; ++p) {
    out.primary.push_back(1000 + (*p - 'A'));
    out.secondary.push_back(mark);
    mark = 0;
  }
}

Collation collate(const char* text, size_t width) {
  Collation out;
  size_t n = appointmentFieldLength(text, width);
  for (size_t i = 0; i < n; ++i) {
    unsigned c = static_cast<unsigned char>(text[i]);
    char letter[3] = {0, 0, 0};
    int mark = 0;
    if (c >= 'a' && c <= 'z') {
      letter[0] = static_cast<char>(c - 32);
    } else if (c >= 'A' && c <= 'Z') {
      letter[0] = static_cast<char>(c);
    } else if (c >= 0xC0) {
      // Fold the small letters of the upper half onto the capitals (0xE0.. -> 0xC0..).
      unsigned u = (c >= 0xE0 && c != 0xF7 && c != 0xFF) ? c - 0x20 : c;
      mark = static_cast<int>(u);
      if (c == 0xFF) { letter[0] = 'Y'; mark = 0x9F; }
      else if (u >= 0xC0 && u <= 0xC5) letter[0] = 'A';
      else if (u == 0xC6) { letter[0] = 'A'; letter[1] = 'E'; }
      else if (u == 0xC7) letter[0] = 'C';
      else if (u >= 0xC8 && u <= 0xCB) letter[0] = 'E';
      else if (u >= 0xCC && u <= 0xCF) letter[0] = 'I';
      else if (u == 0xD0) letter[0] = 'D';
      else if (u == 0xD1) letter[0] = 'N';
      else if ((u >= 0xD2 && u <= 0xD6) || u == 0xD8) letter[0] = 'O';
      else if (u >= 0xD9 && u <= 0xDC) letter[0] = 'U';
      else if (u == 0xDD) letter[0] = 'Y';
      else if (u == 0xDE) { letter[0] = 'T'; letter[1] = 'H'; }
      else if (u == 0xDF) { letter[0] = 'S'; letter[1] = 'S'; }
    } else if (c == 0x8A || c == 0x9A) { letter[0] = 'S'; mark = 0x8A; }
    else if (c == 0x8C || c == 0x9C) { letter[0] = 'O'; letter[1] = 'E'; mark = 0x8C; }
    else if (c == 0x8E || c == 0x9E) { letter[0] = 'Z'; mark = 0x8E; }
    else if (c == 0x9F) { letter[0] = 'Y'; mark = 0x9F; }
    else if (c == 0x83) { letter[0] = 'F'; mark = 0x83; }

    if (letter[0]) {
      addLetter(out, letter, mark);
    } else if (c >= '0' && c <= '9') {
      out.primary.push_back(500 + static_cast<int>(c - '0'));
      out.secondary.push_back(0);
    } else {
      out.primary.push_back(static_cast<int>(c));  // symbols, blanks, control bytes
      out.secondary.push_back(0);
    }
  }
  return out;
}

int compareWeights(const std::vector<int>& a, const std::vector<int>& b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return 0;
}

int compareFields(const char* a, const char* b, size_t width) {
  Collation ca = collate(a, width);
  Collation cb = collate(b, width);
  int r = compareWeights(ca.primary, cb.primary);
  if (r != 0) return r;
  return compareWeights(ca.secondary, cb.secondary);
}

uint32_t nextId(AppointmentTable& table) {
  if (++table.lastId == 0) ++table.lastId;
  return table.lastId;
}

int usedSlots(const AppointmentTable& table) {
  if (table.count < 0) return 0;
  return table.count > kAppointmentSlots ? kAppointmentSlots : table.count;
}

}  // namespace

uint32_t appointmentIdAt(AppointmentTable& table, int slot) {
  if (slot < 0 || slot >= usedSlots(table)) return 0;
  if (table.ids[slot] == 0) table.ids[slot] = nextId(table);
  return table.ids[slot];
}

int findAppointmentSlot(const AppointmentTable& table, uint32_t id) {
  if (id == 0) return -1;
  int count = usedSlots(table);
  for (int k = 0; k < count; ++k)
    if (table.ids[k] == id) return k;
  return -1;
}

int addAppointment(AppointmentTable& table, const Appointment& record) {
  int count = usedSlots(table);
  if (count >= kAppointmentSlots) return -1;
  table.slots[count] = record;
  table.ids[count] = nextId(table);
  table.count = count + 1;
  return count;
}

void removeAppointment(AppointmentTable& table, int slot) {
  int count = usedSlots(table);
  if (slot < 0 || slot >= count) return;
  for (int k = slot; k + 1 < count; ++k) {
    table.slots[k] = table.slots[k + 1];
    table.ids[k] = table.ids[k + 1];
  }
  table.count = count - 1;
}

int compareAppointmentNames(const char* a, const char* b) {
  return compareFields(a, b, static_cast<size_t>(-1) / 2);
}

int loadAppointmentTable(AppointmentTable& table, const char* path, int autoDelete, int day,
                         int month, int year) {
  table.count = 0;
  table.currentIndex = 0;
  if (!path || !*path) return 0;
  FILE* file = std::fopen(path, "rb");
  if (!file) return 0;

  long today = dateKey(day, month, year);
  int todayOfYear = DayOfYear(day, month, year);
  while (table.count < kAppointmentSlots) {
    Appointment& slot = table.slots[table.count];
    unsigned char* bytes = reinterpret_cast<unsigned char*>(&slot);
    size_t got = std::fread(bytes, 1, kAppointmentRecordSize, file);
    if (got == 0) break;
    // A short last piece is taken as a record; its missing bytes are zeros.
    if (got < kAppointmentRecordSize) std::memset(bytes + got, 0, kAppointmentRecordSize - got);
    boundField(slot.path, sizeof(slot.path));
    boundField(slot.remark, sizeof(slot.remark));
    boundField(slot.name, sizeof(slot.name));

    // The whole date decides: a record of a later year is not in the past.
    if (autoDelete && slot.repeatKind == kRepeatOff &&
        dateKey(slot.day, slot.month, slot.year) < today)
      continue;
    if (slot.lastFiredDay != 0 && slot.lastFiredYear == 0)
      slot.lastFiredYear = static_cast<uint16_t>(slot.lastFiredDay <= todayOfYear ? year : year - 1);
    table.ids[table.count] = nextId(table);
    ++table.count;
    if (got < kAppointmentRecordSize) break;
  }
  std::fclose(file);
  return 1;
}

void sortAppointments(AppointmentTable& table) {
  int count = table.count;
  if (count > kAppointmentSlots) count = kAppointmentSlots;
  if (count < 2) return;
  // Each name is weighed once; the stable sort keeps equal names in table order.
  std::vector<Collation> keys;
  keys.reserve(static_cast<size_t>(count));
  std::vector<int> order(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) {
    keys.push_back(collate(table.slots[k].name, sizeof table.slots[k].name));
    order[static_cast<size_t>(k)] = k;
  }
  std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
    int r = compareWeights(keys[static_cast<size_t>(a)].primary, keys[static_cast<size_t>(b)].primary);
    if (r == 0) r = compareWeights(keys[static_cast<size_t>(a)].secondary, keys[static_cast<size_t>(b)].secondary);
    return r < 0;
  });
  std::vector<Appointment> records(table.slots, table.slots + count);
  std::vector<uint32_t> ids(table.ids, table.ids + count);
  for (int k = 0; k < count; ++k) {
    table.slots[k] = records[static_cast<size_t>(order[static_cast<size_t>(k)])];
    table.ids[k] = ids[static_cast<size_t>(order[static_cast<size_t>(k)])];
  }
}

int saveAppointmentTable(AppointmentTable& table, const char* path) {
  if (!path || !*path) return 0;
  sortAppointments(table);
  int count = table.count;
  if (count < 0) count = 0;
  if (count > kAppointmentSlots) count = kAppointmentSlots;

  // The slots are the records as they stand in the file, one after the other.
  return replaceFileContents(path, table.slots, static_cast<size_t>(count) * kAppointmentRecordSize);
}

int findAppointmentPicture(const AppointmentTable& table, int day, int month, int year) {
  int count = table.count;
  if (count > kAppointmentSlots) count = kAppointmentSlots;
  int weekday = -1;
  for (int k = 0; k < count; ++k) {
    const Appointment& a = table.slots[k];
    if (a.repeatKind == kRepeatOff || a.picture == 0) continue;
    bool match = false;
    switch (a.repeatKind) {
      case kRepeatOnce:
        match = a.day == day && a.month == month && a.year == year;
        break;
      case kRepeatMonthly:
        match = a.day == day;
        break;
      case kRepeatYearly:
        match = a.day == day && a.month == month;
        break;
      case kRepeatDaily:  // daily appointments never show a picture on the sheet
        break;
      default:
        if (a.repeatKind >= kRepeatMonday && a.repeatKind <= kRepeatSunday) {
          if (weekday < 0) weekday = DayOfWeek(day, month, year);
          int recordWeekday = a.repeatKind == kRepeatSunday ? 0 : a.repeatKind - 4;
          match = weekday == recordWeekday;
        }
        break;
    }
    if (match) return appointmentPictureNumber(a.picture);
  }
  return 0;
}

int loadAppointments(const char* path, int autoDelete) {
  LocalTime now;
  readLocalClock(now);
  return loadAppointmentTable(AppointmentFile, path, autoDelete, now.day, now.month, now.year);
}

int saveAppointments(const char* path) { return saveAppointmentTable(AppointmentFile, path); }

int findAppointmentPicture(int day, int month, int year) {
  return findAppointmentPicture(AppointmentFile, day, month, year);
}
