// The appointment file: loading with and without AutoDelete, the sort, a save read back, the
// picture lookup of the sheet and the alarm check over a day.
//
// Input: 6 header bytes, then the file itself.
//   [0] day-1 (mod 31)   [1] month-1 (mod 12)   [2..3] year offset from 1970 (mod 200, LE)
//   [4] bit 0: AutoDelete for the second load
//   [5] Snooze setting, and the pattern of the alarm window's answers
// A full table (and the records behind it) is left to the native tests: 256 records take
// milliseconds per input here, and the runs keep inputs to a dozen records (-max_len).
#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "alarms/alarm_check.h"
#include "alarms/appointment_file.h"
#include "calendar/date_arith.h"
#include "fuzz/fuzz_checks.h"
#include "fuzz/memory_files.h"

namespace {

using fuzzing::fail;

constexpr int kCheckedRecords = 24;

AppointmentTable& tableA() { static AppointmentTable t; return t; }
AppointmentTable& tableB() { static AppointmentTable t; return t; }
AppointmentTable& tableC() { static AppointmentTable t; return t; }

// The used part of a table (the rest of its 235 kB is never read).
void copyTable(const AppointmentTable& from, AppointmentTable& to) {
  std::memcpy(to.slots, from.slots, sizeof(Appointment) * size_t(from.count));
  std::memcpy(to.ids, from.ids, sizeof(uint32_t) * size_t(from.count));
  to.count = from.count;
  to.currentIndex = from.currentIndex;
  to.lastId = from.lastId;
}

bool terminated(const char* field, size_t width) { return std::memchr(field, 0, width) != nullptr; }

void checkLoaded(const AppointmentTable& t, size_t fileSize, bool autoDelete) {
  size_t records = (fileSize + kAppointmentRecordSize - 1) / kAppointmentRecordSize;
  if (records > size_t(kAppointmentSlots)) records = kAppointmentSlots;
  if (t.count < 0 || t.count > kAppointmentSlots) fail("count outside the table");
  if (!autoDelete && size_t(t.count) != records) fail("records lost or invented on load");
  if (autoDelete && size_t(t.count) > records) fail("more records than the file holds");
  if (t.currentIndex != 0) fail("current index not reset by the load");
  std::set<uint32_t> ids;
  for (int k = 0; k < t.count; ++k) {
    const Appointment& a = t.slots[k];
    if (!terminated(a.path, sizeof a.path) || !terminated(a.remark, sizeof a.remark) ||
        !terminated(a.name, sizeof a.name))
      fail("text field without terminator after load");
    if (t.ids[k] == 0 || !ids.insert(t.ids[k]).second) fail("ids not unique");
  }
}

// The AutoDelete load keeps, in order, the records of the plain load that are not off and
// past; when the file holds more records than the table, the room of the dropped ones goes
// to the records behind them, which are not past either.
bool pastOff(const Appointment& a, long today) {
  return a.repeatKind == kRepeatOff && long(a.year) * 10000 + a.month * 100 + a.day < today;
}

void checkAutoDelete(const AppointmentTable& all, const AppointmentTable& kept, size_t fileSize,
                     int day, int month, int year) {
  long today = long(year) * 10000 + month * 100 + day;
  int j = 0;
  for (int k = 0; k < all.count; ++k) {
    const Appointment& a = all.slots[k];
    if (pastOff(a, today)) continue;
    if (j >= kept.count || std::memcmp(&kept.slots[j], &a, sizeof a) != 0)
      fail("AutoDelete dropped a record that is not past, or changed one");
    ++j;
  }
  bool moreInFile = fileSize > size_t(kAppointmentSlots) * kAppointmentRecordSize;
  if (!moreInFile && j != kept.count) fail("AutoDelete kept a past record");
  for (int k = j; k < kept.count; ++k)
    if (pastOff(kept.slots[k], today)) fail("AutoDelete kept a past record from behind the table");
}

void checkSorted(const AppointmentTable& before, const AppointmentTable& after) {
  if (after.count != before.count) fail("sort changed the count");
  for (int k = 0; k + 1 < after.count; ++k) {
    int c = compareAppointmentNames(after.slots[k].name, after.slots[k + 1].name);
    if (c > 0) fail("not sorted by name");
    // Stable: equal names keep the order of loading, and the ids grow in that order.
    if (c == 0 && after.ids[k] > after.ids[k + 1]) fail("sort not stable");
  }
  for (int k = 0; k < after.count; ++k) {
    int slot = findAppointmentSlot(before, after.ids[k]);
    if (slot < 0 || std::memcmp(&before.slots[slot], &after.slots[k], sizeof(Appointment)) != 0)
      fail("the sort lost a record or separated it from its id");
  }
  if (after.count >= 2) {
    const char* a = after.slots[0].name;
    const char* b = after.slots[after.count - 1].name;
    int ab = compareAppointmentNames(a, b), ba = compareAppointmentNames(b, a);
    if ((ab > 0) != (ba < 0) || (ab == 0) != (ba == 0)) fail("name comparison not antisymmetric");
    if (compareAppointmentNames(a, a) != 0) fail("a name differs from itself");
  }
}

void checkPictures(const AppointmentTable& t, int day, int month, int year) {
  std::vector<int> days = {day};
  for (int k = 0; k < t.count && k < 8; ++k) days.push_back(t.slots[k].day % 32);
  for (int d : days) {
    if (d < 1 || d > DaysInMonth(month, year)) continue;
    int picture = findAppointmentPicture(t, d, month, year);
    if (picture == 0) continue;
    bool owned = false;
    for (int k = 0; k < t.count && !owned; ++k) {
      const Appointment& a = t.slots[k];
      owned = a.repeatKind != kRepeatOff && a.repeatKind != kRepeatDaily && a.picture != 0 &&
              appointmentPictureNumber(a.picture) == picture;
    }
    if (!owned) fail("a picture that no shown record has");
  }
  // The first record that has a picture and is due once or yearly on a real date shows it there.
  for (int k = 0; k < t.count; ++k) {
    const Appointment& a = t.slots[k];
    if (a.picture == 0 || a.repeatKind == kRepeatOff) continue;
    if ((a.repeatKind == kRepeatOnce || a.repeatKind == kRepeatYearly) && a.month >= 1 &&
        a.month <= 12 && a.year >= 1601 && a.year <= 9999 && a.day >= 1 &&
        a.day <= DaysInMonth(a.month, a.year) &&
        findAppointmentPicture(t, a.day, a.month, a.year) != appointmentPictureNumber(a.picture))
      fail("the first record with a picture does not show it on its own date");
    break;
  }
}

// ---- The alarm check over one day

struct CheckState {
  AppointmentTable* table = nullptr;
  unsigned answers = 0;       // bit pattern of the window's answers, used in turn
  unsigned answerIndex = 0;
  int firedCalls = 0;
  std::set<uint32_t> doneToday;  // fired and not snoozed since
  int sounds = 0, programs = 0;
};

uint32_t idOf(const Appointment& a) {
  uint32_t id;
  std::memcpy(&id, a.reserved18, sizeof id);  // stamped before the check
  return id;
}

void onFired(void* context, const Appointment& before, const LocalTime&) {
  auto* s = static_cast<CheckState*>(context);
  ++s->firedCalls;
  if (!s->doneToday.insert(idOf(before)).second) fail("a record fired twice in a day without a snooze");
}

AlarmAnswer onShow(void* context, const Appointment& record, uint32_t id) {
  auto* s = static_cast<CheckState*>(context);
  if (findAppointmentSlot(*s->table, id) < 0) fail("alarm window for a record not in the table");
  if (!terminated(record.name, sizeof record.name)) fail("alarm window name without terminator");
  bool ok = (s->answers >> (s->answerIndex++ % 8)) & 1;
  if (!ok) s->doneToday.erase(idOf(record));
  return ok ? kAlarmOk : kAlarmSnooze;
}

void onSound(void* context, const char* path) {
  auto* s = static_cast<CheckState*>(context);
  if (std::strlen(path) >= sizeof(Appointment::path)) fail("sound path longer than its field");
  ++s->sounds;
}

void onProgram(void* context, const char* program, const char* arguments) {
  auto* s = static_cast<CheckState*>(context);
  if (std::strlen(program) + std::strlen(arguments) >= sizeof(Appointment::path))
    fail("program line longer than its field");
  ++s->programs;
}

void onSaveFailed(void*) { fail("a check without a file reported a failed save"); }

void checkDay(AppointmentTable& t, int day, int month, int year, int snooze, unsigned answers) {
  for (int k = 0; k < t.count; ++k) {
    uint32_t id = appointmentIdAt(t, k);
    std::memcpy(t.slots[k].reserved18, &id, sizeof id);
  }
  CheckState state;
  state.table = &t;
  state.answers = answers;
  AlarmCheck check;
  check.table = &t;
  check.filePath = nullptr;
  check.snoozeMinutes = snooze;
  check.actions.context = &state;
  check.actions.showAlarm = onShow;
  check.actions.playSound = onSound;
  check.actions.startProgram = onProgram;
  check.actions.saveFailed = onSaveFailed;
  check.actions.fired = onFired;
  check.actions.soundAvailable = true;

  // The minutes of the records' own times and their neighbours, the minutes at which a
  // snooze of them runs out, and the day's ends.
  std::vector<int> minutes = {0, 23 * 60 + 59};
  int step = snooze < 2 ? 2 : snooze > 60 ? 60 : snooze;
  for (int k = 0; k < t.count; ++k) {
    int at = (t.slots[k].hour % 24) * 60 + t.slots[k].minute % 60;
    for (int m : {at - 1, at, at + 1, at + step, at + step + 1, at + 2 * step + 1})
      if (m >= 0 && m < 24 * 60) minutes.push_back(m);
  }
  std::sort(minutes.begin(), minutes.end());
  minutes.erase(std::unique(minutes.begin(), minutes.end()), minutes.end());
  int count = t.count;
  LocalTime now;
  now.day = day;
  now.month = month;
  now.year = year;
  now.weekday = DayOfWeek(day, month, year);
  for (int m : minutes) {
    now.hour = m / 60;
    now.minute = m % 60;
    int before = state.firedCalls;
    int fired = checkAlarmsAt(check, now);
    if (fired != state.firedCalls - before) fail("the check's count differs from its firings");
    if (t.count != count) fail("the check changed the number of records");
    if (checkAlarmsAt(check, now) != 0) fail("a second check in the same minute fired");
  }
  check.editorOpen = true;
  now.hour = 12;
  now.minute = 30;
  if (checkAlarmsAt(check, now) != 0) fail("the check fired while the editor is open");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  int day = data[0] % 31 + 1, month = data[1] % 12 + 1;
  int year = 1970 + (data[2] | (data[3] << 8)) % 200;
  if (day > DaysInMonth(month, year)) day = DaysInMonth(month, year);
  int autoDelete = data[4] & 1;
  int snooze = data[5] % 64;
  unsigned answers = data[5] ^ 0x5A;
  const uint8_t* file = data + 6;
  size_t fileSize = size - 6;

  std::string bytes(reinterpret_cast<const char*>(file), fileSize);
  fuzzing::memory::clear();
  const std::string path = "/alarm.qtm";
  const std::string saved = "/saved.qtm";
  if (!fuzzing::memory::putFile(path, bytes)) fail("cannot write the input file");

  AppointmentTable& a = tableA();
  AppointmentTable& b = tableB();
  AppointmentTable& c = tableC();
  if (loadAppointmentTable(a, path.c_str(), 0, day, month, year) != 1) fail("load refused an existing file");
  checkLoaded(a, bytes.size(), false);
  if (autoDelete) {
    if (loadAppointmentTable(b, path.c_str(), 1, day, month, year) != 1) fail("load refused an existing file");
    checkLoaded(b, bytes.size(), true);
    checkAutoDelete(a, b, bytes.size(), day, month, year);
  }

  // Saving sorts; what is read back is the sorted table, record for record.
  copyTable(a, b);
  if (saveAppointmentTable(b, saved.c_str()) != 1) fail("save failed");
  checkSorted(a, b);
  if (loadAppointmentTable(c, saved.c_str(), 0, day, month, year) != 1) fail("saved file not readable");
  if (c.count != b.count) fail("reloaded table has another count");
  for (int k = 0; k < b.count; ++k)
    if (std::memcmp(&b.slots[k], &c.slots[k], sizeof(Appointment)) != 0) fail("reloaded record differs");

  checkPictures(a, day, month, year);
  // The check looks up every record by its id, so its cost grows with the square of the
  // table: a long input is checked on its first records.
  if (a.count > kCheckedRecords) a.count = kCheckedRecords;
  checkDay(a, day, month, year, snooze, answers);
  return 0;
}
