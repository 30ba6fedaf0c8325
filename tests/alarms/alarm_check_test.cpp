// The alarm check against a set clock: a sweep over two years against a model written apart
// from the check, and the cases the sweep cannot show (snooze, guard, editor, test mode,
// nested windows, the year kept beside lastFiredDay, summer time).
#include "alarms/alarm_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "alarms/wall_clock.h"
#include "tests/calendar/independent_dates.h"
#include "tests/support/clock_guard.h"
#include "tests/support/files.h"

namespace {

using independent::julianDay;

struct Plan {
  const char* name;
  int kind, day, month, year, hour, minute, action;
  int lastDay = 0, lastYear = 0;
};

Appointment makeRecord(const Plan& s) {
  Appointment a;
  std::memset(&a, 0, sizeof a);
  a.repeatKind = static_cast<uint16_t>(s.kind);
  a.day = static_cast<uint16_t>(s.day);
  a.month = static_cast<uint16_t>(s.month);
  a.year = static_cast<uint16_t>(s.year);
  a.hour = static_cast<uint16_t>(s.hour);
  a.minute = static_cast<uint16_t>(s.minute);
  a.action = static_cast<uint16_t>(s.action);
  a.lastFiredDay = static_cast<uint16_t>(s.lastDay);
  a.lastFiredYear = static_cast<uint16_t>(s.lastYear);
  std::strcpy(a.path, "ab");  // too short to play or start anything
  std::strcpy(a.name, s.name);
  return a;
}

LocalTime at(const char* text) {
  LocalTime t;
  EXPECT_EQ(parseLocalTime(text, t), 1) << text;
  return t;
}

std::string stamp(const LocalTime& t) {
  char b[32];
  std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
  return b;
}

// Collects what the check does; every alarm window is answered with `answer`.
struct Recorder {
  AlarmAnswer answer = kAlarmOk;
  std::vector<std::string> fired, windows, sounds, programs;
  std::function<void(const Appointment&)> whileOpen;
  static AlarmAnswer show(void* c, const Appointment& a, uint32_t) {
    auto* r = static_cast<Recorder*>(c);
    r->windows.push_back(a.name);
    if (r->whileOpen) r->whileOpen(a);
    return r->answer;
  }
  static void fire(void* c, const Appointment& a, const LocalTime& now) {
    static_cast<Recorder*>(c)->fired.push_back(stamp(now) + " " + a.name);
  }
  static void sound(void* c, const char* p) { static_cast<Recorder*>(c)->sounds.push_back(p); }
  static void start(void* c, const char* p, const char* args) {
    static_cast<Recorder*>(c)->programs.push_back(std::string(p) + "|" + args);
  }
};

struct Harness {
  std::unique_ptr<AppointmentTable> table{new AppointmentTable()};
  Recorder rec;
  AlarmCheck check;
  Harness() {
    check.table = table.get();
    check.actions.context = &rec;
    check.actions.showAlarm = Recorder::show;
    check.actions.fired = Recorder::fire;
    check.actions.playSound = Recorder::sound;
    check.actions.startProgram = Recorder::start;
    check.actions.soundAvailable = true;
    check.lastMinute = 59;  // as after a check in the minute before, so 08:00 is checked
  }
  uint32_t add(const Plan& s) { return appointmentIdAt(*table, addAppointment(*table, makeRecord(s))); }
  Appointment& byId(uint32_t id) { return table->slots[findAppointmentSlot(*table, id)]; }
  // Each reading goes through the program's clock, frozen at that minute.
  void run(const std::vector<LocalTime>& readings) {
    for (const LocalTime& t : readings) {
      setClockStart(t, true);
      checkAlarms(check);
    }
  }
};

// Readings of the German wall clock, every `step` minutes from `from` to `to`.
std::vector<LocalTime> wallReadings(const char* from, const char* to, int step = 1) {
  std::vector<LocalTime> out;
  for (UtcMinute u = firstWallClockMinute(at(from)); u <= lastWallClockMinute(at(to)); u += step) {
    LocalTime t;
    wallClockAt(u, t);
    out.push_back(t);
  }
  return out;
}

// What should fire, from the rules as the user reads them, on full dates: a one-time
// appointment once its date and time have come (at once, when its day is over), the
// others on each day that matches, at the first check from their time on.
struct Model {
  struct Entry {
    Plan plan;
    long firedOn;  // Julian day of the last firing, 0 = armed
    bool done;
  };
  std::vector<Entry> entries;
  int lastMinute = 0;

  Model(const std::vector<Plan>& plans, const LocalTime& start) {
    long today = julianDay(start.day, start.month, start.year);
    for (const Plan& s : plans) {
      long fired = 0;
      if (s.lastDay) {
        int year = s.lastYear;
        if (!year)  // written by an older copy: the most recent such day not after today
          year = julianDay(1, 1, start.year) + s.lastDay - 1 <= today ? start.year : start.year - 1;
        fired = julianDay(1, 1, year) + s.lastDay - 1;
      }
      entries.push_back({s, fired, s.kind == 1 && s.lastDay != 0});
    }
  }

  static bool matches(const Plan& s, long jd, int day, int month) {
    int wd = independent::weekday(jd);
    switch (s.kind) {
      case 2: return true;
      case 3: return s.day == day;
      case 4: return s.day == day && s.month == month;
      case 11: return wd == 0;
      default: return s.kind >= 5 && s.kind <= 10 && wd == s.kind - 4;
    }
  }

  void check(const LocalTime& t, std::vector<std::string>& out) {
    if (t.minute == lastMinute) return;
    lastMinute = t.minute;
    long jd = julianDay(t.day, t.month, t.year);
    int time = t.hour * 60 + t.minute;
    for (Entry& e : entries) {
      const Plan& s = e.plan;
      bool timeCome = s.hour * 60 + s.minute <= time;
      bool fire;
      if (s.kind == 1)
        fire = !e.done && (s.year < t.year || (s.year == t.year && julianDay(s.day, s.month, s.year) < jd) ||
                           (julianDay(s.day, s.month, s.year) == jd && timeCome));
      else
        fire = matches(s, jd, t.day, t.month) && e.firedOn != jd && timeCome;
      if (!fire) continue;
      e.firedOn = jd;
      e.done = true;
      out.push_back(stamp(t) + " " + s.name);
    }
  }
};

const std::vector<Plan>& sweepPlans() {
  static const std::vector<Plan> plans = {
      {"Zahnarzt", 1, 20, 12, 2025, 8, 0, 1},              // earlier year, later day of the year
      {"Gestern", 1, 28, 2, 2026, 23, 0, 0},               // missed the day before: fires at once
      {"Silvesterfeier", 1, 31, 12, 2026, 23, 30, 2},
      {"Schalttag einmal", 1, 29, 2, 2028, 12, 0, 3},
      {"Zukunft", 1, 1, 1, 2031, 0, 1, 1},
      {"Aufstehen", 2, 1, 1, 2001, 7, 45, 1},
      {"Mitternacht", 2, 1, 1, 2001, 23, 59, 0},
      {"Nachts halb drei", 2, 1, 1, 2001, 2, 30, 0},
      {"Miete", 3, 31, 1, 2001, 9, 0, 1},
      {"Monat 29", 3, 29, 1, 2001, 0, 0, 0},
      {"Jahresende", 4, 31, 12, 2001, 18, 0, 1, 365, 2025},  // fired last year on its day
      {"Schalttag", 4, 29, 2, 2001, 6, 0, 0},
      {"Fruehling", 4, 1, 3, 2001, 10, 0, 0, 60, 2025},
      {"Altes Jahr", 4, 5, 3, 2001, 11, 0, 0, 64},  // day without year, after the first load day
      {"Heute schon", 2, 1, 1, 2001, 5, 0, 0, 60},  // day without year, fired on the load day
      {"Montag", 5, 1, 1, 2001, 8, 15, 1},
      {"Dienstag", 6, 1, 1, 2001, 0, 0, 0},
      {"Mittwoch", 7, 1, 1, 2001, 12, 30, 0},
      {"Donnerstag", 8, 1, 1, 2001, 23, 0, 0},
      {"Freitag", 9, 1, 1, 2001, 17, 0, 0},
      {"Samstag", 10, 1, 1, 2001, 9, 9, 0},
      {"Sonntag", 11, 1, 1, 2001, 3, 0, 0},
      {"Aus", 0, 1, 1, 2001, 0, 0, 1},
      {"Unbekannt", 12, 1, 1, 2001, 0, 0, 1},
  };
  return plans;
}

void sweep(const char* from, const char* to, int step) {
  SCOPED_TRACE(std::string(from) + " .. " + to + " step " + std::to_string(step));
  ClockGuard clock;
  TempFolder dir("alarms");
  std::string path = dir.file("alarm.qtm");
  std::string bytes;
  for (const Plan& s : sweepPlans()) {
    Appointment a = makeRecord(s);
    bytes.append(reinterpret_cast<const char*>(&a), sizeof a);
  }
  ASSERT_TRUE(writeFile(path, bytes));

  std::vector<LocalTime> readings = wallReadings(from, to, step);
  Harness h;
  const LocalTime& start = readings.front();
  ASSERT_EQ(loadAppointmentTable(*h.table, path.c_str(), 0, start.day, start.month, start.year), 1);
  // Every firing saves and the save re-sorts the table; the long run only sorts, as writing
  // the file thousands of times would cost minutes.
  if (step == 1) h.check.filePath = path.c_str();
  h.check.lastMinute = 0;  // as the program starts
  h.run(readings);

  Model model(sweepPlans(), start);
  std::vector<std::string> expected;
  for (const LocalTime& t : readings) model.check(t, expected);
  // Within one minute the order is the table's, which the saves keep re-sorting.
  std::vector<std::string> fired = h.rec.fired;
  std::sort(fired.begin(), fired.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(fired, expected);

  // The file holds what the table holds, and one-time appointments answered or acted on are off.
  if (step != 1) {
    ASSERT_EQ(saveAppointmentTable(*h.table, path.c_str()), 1);
  }
  std::unique_ptr<AppointmentTable> back(new AppointmentTable());
  ASSERT_EQ(loadAppointmentTable(*back, path.c_str(), 0, 1, 1, 2030), 1);
  ASSERT_EQ(back->count, h.table->count);
  for (int k = 0; k < back->count; ++k) {
    EXPECT_EQ(std::memcmp(&back->slots[k], &h.table->slots[k], sizeof(Appointment)), 0);
    for (const Model::Entry& e : model.entries) {
      if (std::strcmp(e.plan.name, back->slots[k].name) == 0) {
        EXPECT_EQ(back->slots[k].repeatKind, e.plan.kind == 1 && e.done && e.plan.action != 0 ? 0 : e.plan.kind)
            << e.plan.name;
      }
    }
  }
}

TEST(AlarmSweep, EveryKindAcrossDayMonthYearLeapDayAndSummerTime) {
  sweep("2026-03-01 09:59", "2026-03-06 00:30", 1);  // first checks, 31st in a short month
  sweep("2026-03-28 22:00", "2026-03-29 05:00", 1);  // summer time begins
  sweep("2026-10-24 22:00", "2026-10-25 05:00", 1);  // and ends
  sweep("2026-12-30 20:00", "2027-01-01 09:00", 1);  // the year changes
  sweep("2028-02-27 23:00", "2028-03-01 12:00", 1);  // a leap day
  sweep("2026-03-01 00:00", "2028-03-05 00:00", 17);  // two years in coarse steps
}

TEST(AlarmSummerTime, HalfPastTwoFiresOnceOnBothSundays) {
  ClockGuard clock;
  // The clock that the check reads jumps and repeats as a German desktop clock does.
  std::vector<LocalTime> march = wallReadings("2026-03-29 00:00", "2026-03-29 23:59");
  std::vector<LocalTime> october = wallReadings("2026-10-25 00:00", "2026-10-25 23:59");
  EXPECT_EQ(march.size(), 23u * 60);
  EXPECT_EQ(october.size(), 25u * 60);
  EXPECT_EQ(stamp(march[120]), "2026-03-29 03:00");
  EXPECT_EQ(march[120].weekday, 0);
  EXPECT_EQ(stamp(october[180]), "2026-10-25 02:00");  // the second 02:00
  for (auto* day : {&march, &october}) {
    Harness h;
    h.add({"Halb drei", 2, 1, 1, 2001, 2, 30, 0});
    h.run(*day);
    std::string first = day == &march ? "2026-03-29 03:00" : "2026-10-25 02:30";
    EXPECT_EQ(h.rec.fired, std::vector<std::string>{first + " Halb drei"});
  }
}

TEST(AlarmSnooze, CountsDownOneStepPerCheckAndFiresAfterTheSnoozeMinutes) {
  ClockGuard clock;
  Harness h;
  h.check.snoozeMinutes = 6;
  uint32_t id = h.add({"Wecker", 2, 1, 1, 2001, 8, 0, 1});
  h.rec.answer = kAlarmSnooze;
  h.run({at("2026-05-04 08:00:30")});
  EXPECT_EQ(h.byId(id).snoozeLeft, 6);
  EXPECT_EQ(h.byId(id).lastFiredDay, 0);  // re-armed, day and year
  EXPECT_EQ(h.byId(id).lastFiredYear, 0);
  h.rec.answer = kAlarmOk;
  h.run(wallReadings("2026-05-04 08:01", "2026-05-04 09:00"));
  EXPECT_EQ(h.rec.fired, (std::vector<std::string>{"2026-05-04 08:00 Wecker", "2026-05-04 08:06 Wecker"}));
  EXPECT_EQ(h.byId(id).snoozeLeft, 0);

  // Snoozing a one-time alarm keeps it "einmalig" until "OK"; the setting is used within 2..60.
  Harness o;
  o.check.snoozeMinutes = 100;
  uint32_t once = o.add({"Termin", 1, 4, 5, 2026, 8, 0, 1});
  o.rec.answer = kAlarmSnooze;
  o.run({at("2026-05-04 08:00")});
  EXPECT_EQ(o.byId(once).snoozeLeft, 60);
  EXPECT_EQ(o.byId(once).repeatKind, kRepeatOnce);
  o.rec.answer = kAlarmOk;
  o.run(wallReadings("2026-05-04 08:01", "2026-05-04 11:00"));
  EXPECT_EQ(o.rec.fired.back(), "2026-05-04 09:00 Termin");
  EXPECT_EQ(o.byId(once).repeatKind, kRepeatOff);
}

TEST(AlarmGuard, OnceAMinuteOnlyTheMinuteCountsAndNothingWhileTheEditorIsOpen) {
  ClockGuard clock;
  Harness h;
  h.check.lastMinute = 0;
  h.add({"Jede Stunde", 2, 1, 1, 2001, 0, 0, 0});
  h.run({at("2026-05-04 10:00:10")});  // the last minute starts as 0
  EXPECT_TRUE(h.rec.fired.empty());
  h.run({at("2026-05-04 10:01:10"), at("2026-05-04 10:01:50")});
  EXPECT_EQ(h.rec.fired.size(), 1u);
  // Re-armed behind its back, still nothing in the same minute of another hour.
  h.table->slots[0].lastFiredDay = 0;
  h.run({at("2026-05-04 11:01:00")});
  EXPECT_EQ(h.rec.fired.size(), 1u);
  h.check.editorOpen = true;
  h.run({at("2026-05-04 11:02:00"), at("2026-05-04 11:03:00")});
  EXPECT_EQ(h.rec.fired.size(), 1u);
  h.check.editorOpen = false;
  h.run({at("2026-05-04 11:04:00")});
  EXPECT_EQ(h.rec.fired.size(), 2u);
}

TEST(AlarmActions, SoundProgramAndTestModeLeaveTheRightState) {
  ClockGuard clock;
  Harness h;
  Plan sound{"Musik", 1, 4, 5, 2026, 8, 0, 2};
  uint32_t s = h.add(sound);
  std::strcpy(h.byId(s).path, "C:\\Musik\\wecker.mp3");
  uint32_t p = h.add({"Programm", 1, 4, 5, 2026, 8, 0, 3});
  std::strcpy(h.byId(p).path, "\"C:\\Program Files\\Uhr\\uhr.exe\" /laut");
  uint32_t n = h.add({"Hinweis", 4, 4, 5, 2001, 8, 0, 1, 0, 0});
  h.byId(n).snoozeLeft = 0;

  // Test mode: everything is done, nothing is remembered, whatever the window says.
  h.rec.answer = kAlarmSnooze;
  Appointment before = h.byId(n);
  for (uint32_t id : {s, p, n}) EXPECT_EQ(fireAppointment(h.check, id, 1, at("2026-05-04 07:00")), 1);
  EXPECT_EQ(std::memcmp(&before, &h.byId(n), sizeof before), 0);
  EXPECT_EQ(h.byId(s).repeatKind, kRepeatOnce);
  EXPECT_EQ(h.byId(p).repeatKind, kRepeatOnce);
  EXPECT_EQ(h.rec.sounds, std::vector<std::string>{"C:\\Musik\\wecker.mp3"});
  EXPECT_EQ(h.rec.programs, std::vector<std::string>{"C:\\Program Files\\Uhr\\uhr.exe|/laut"});
  EXPECT_TRUE(h.rec.fired.empty());

  // Firing for real: one-time sound and program appointments go off even without sound.
  h.check.actions.soundAvailable = false;
  h.rec.answer = kAlarmOk;
  h.run({at("2026-05-04 08:00")});
  EXPECT_EQ(h.rec.sounds.size(), 1u);
  EXPECT_EQ(h.rec.programs.size(), 2u);
  EXPECT_EQ(h.byId(s).repeatKind, kRepeatOff);
  EXPECT_EQ(h.byId(p).repeatKind, kRepeatOff);
  EXPECT_EQ(h.byId(n).lastFiredDay, 124);
  EXPECT_EQ(h.byId(n).lastFiredYear, 2026);
  EXPECT_EQ(fireAppointment(h.check, s, 0, at("2026-05-04 08:00")), 0);  // off: nothing
}

TEST(AlarmProgramLine, SplitsAsTheShellDoes) {
  struct Case { const char* line; const char* program; const char* arguments; } cases[] = {
      {"\"C:\\Program Files\\Uhr\\uhr.exe\" /laut", "C:\\Program Files\\Uhr\\uhr.exe", "/laut"},
      {"\"C:\\Mein Ordner\\a b.exe\" \"x y.txt\" -q", "C:\\Mein Ordner\\a b.exe", "\"x y.txt\" -q"},
      {"notepad.exe C:\\brief.txt", "notepad.exe", "C:\\brief.txt"},
      {"calc.exe", "calc.exe", ""},
      {"\"C:\\Spiele\\x.exe\"", "C:\\Spiele\\x.exe", ""},
  };
  for (const Case& c : cases) {
    std::string program, arguments;
    splitProgramLine(c.line, std::strlen(c.line) + 1, program, arguments);
    EXPECT_EQ(program, c.program) << c.line;
    EXPECT_EQ(arguments, c.arguments) << c.line;
  }
}

TEST(AlarmNested, WindowsKeepTheirRecordsWhenALaterCheckSavesAndResorts) {
  ClockGuard clock;
  TempFolder dir("alarms");
  std::string path = dir.file("alarm.qtm");
  Harness h;
  h.check.filePath = path.c_str();
  uint32_t c = h.add({"Cello", 2, 1, 1, 2001, 8, 0, 1});
  uint32_t b = h.add({"Bass", 1, 4, 5, 2026, 8, 1, 1});
  uint32_t a = h.add({"Alt", 2, 1, 1, 2001, 8, 0, 0});
  // While "Cello" is open, the timer runs on into 08:01: "Bass" fires, its window says "OK",
  // and the save sorts "Cello" from the first slot to the last.
  h.rec.whileOpen = [&](const Appointment& shown) {
    if (std::strcmp(shown.name, "Cello") != 0) return;
    h.rec.answer = kAlarmOk;
    h.run({at("2026-05-04 08:01")});
    EXPECT_EQ(std::string(h.table->slots[2].name), "Cello");
    h.rec.answer = kAlarmSnooze;  // what Cello's own window answers
  };
  h.run({at("2026-05-04 08:00")});
  EXPECT_EQ(h.rec.windows, (std::vector<std::string>{"Cello", "Bass"}));
  EXPECT_EQ(h.rec.fired, (std::vector<std::string>{"2026-05-04 08:00 Cello", "2026-05-04 08:01 Bass",
                                                   "2026-05-04 08:01 Alt"}));
  EXPECT_EQ(h.byId(c).snoozeLeft, 6);
  EXPECT_EQ(h.byId(c).lastFiredDay, 0);
  EXPECT_EQ(h.byId(b).repeatKind, kRepeatOff);
  EXPECT_EQ(h.byId(b).snoozeLeft, 0);
  EXPECT_EQ(h.byId(a).lastFiredDay, 124);
  std::vector<uint8_t> file = readFileBytes(path);
  ASSERT_EQ(file.size(), 3 * sizeof(Appointment));
  EXPECT_EQ(std::memcmp(file.data(), h.table->slots, file.size()), 0);
}

// The appointment editor opened over an alarm window: the check fires nothing more and saves
// nothing, so the editor's unsaved changes never reach the file; after it closes the others fire.
TEST(AlarmNested, AnEditorOpenedDuringAnAlarmWindowHoldsBackTheRestAndTheSave) {
  ClockGuard clock;
  TempFolder dir("alarms");
  std::string path = dir.file("alarm.qtm");
  ASSERT_TRUE(writeFile(path, std::string("old")));
  Harness h;
  h.check.filePath = path.c_str();
  h.add({"Erster", 2, 1, 1, 2001, 8, 0, 1});
  uint32_t second = h.add({"Zweiter", 2, 1, 1, 2001, 8, 0, 0});
  h.rec.whileOpen = [&](const Appointment&) {
    h.check.editorOpen = true;
    std::strcpy(h.byId(second).remark, "im Editor geändert, nicht gespeichert");
  };
  h.run({at("2026-05-04 08:00")});
  EXPECT_EQ(h.rec.fired, std::vector<std::string>{"2026-05-04 08:00 Erster"});
  EXPECT_EQ(readFileText(path), "old");

  h.rec.whileOpen = nullptr;
  h.check.editorOpen = false;
  h.run({at("2026-05-04 08:01")});
  EXPECT_EQ(h.rec.fired.back(), "2026-05-04 08:01 Zweiter");
}

TEST(AlarmYear, OlderRecordsGetAYearAndKeepEveryOtherByte) {
  TempFolder dir("alarms");
  std::string path = dir.file("alarm.qtm");
  std::vector<uint8_t> bytes(3 * 920);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  auto put = [&](int record, int offset, unsigned v) {
    bytes[record * 920 + offset] = static_cast<uint8_t>(v);
    bytes[record * 920 + offset + 1] = static_cast<uint8_t>(v >> 8);
  };
  const unsigned days[3] = {124, 125, 0};  // 4 May 2026 is day 124
  for (int r = 0; r < 3; ++r) {
    put(r, 0, days[r]);
    put(r, 16, 0);
    put(r, 4, 4);
    bytes[r * 920 + 824] = static_cast<uint8_t>('A' + r);
    bytes[r * 920 + 825] = 0;
  }
  ASSERT_TRUE(writeFile(path, bytes));
  std::unique_ptr<AppointmentTable> t(new AppointmentTable());
  ASSERT_EQ(loadAppointmentTable(*t, path.c_str(), 0, 4, 5, 2026), 1);
  EXPECT_EQ(t->slots[0].lastFiredYear, 2026);
  EXPECT_EQ(t->slots[1].lastFiredYear, 2025);
  EXPECT_EQ(t->slots[2].lastFiredYear, 0);
  ASSERT_EQ(saveAppointmentTable(*t, path.c_str()), 1);
  std::vector<uint8_t> saved = readFileBytes(path);
  ASSERT_EQ(saved.size(), bytes.size());
  const unsigned years[3] = {2026, 2025, 0};
  for (int r = 0; r < 3; ++r) put(r, 16, years[r]);
  EXPECT_EQ(saved, bytes);
}

}  // namespace
