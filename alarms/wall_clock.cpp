#include "alarms/wall_clock.h"

#include "calendar/date_arith.h"

namespace {

long long naiveMinutes(const LocalTime& t) {
  return daysFromCivil(t.year, t.month, t.day) * 1440LL + t.hour * 60LL + t.minute;
}

// 01:00 UTC on the last Sunday of the month.
UtcMinute lastSundayOneUtc(int year, int month) {
  int last = DaysInMonth(month, year);
  int weekday = DayOfWeek(last, month, year);
  return daysFromCivil(year, month, last - weekday) * 1440LL + 60;
}

}  // namespace

bool isSummerTime(UtcMinute minute) {
  int year, month, day;
  long long days = minute >= 0 ? minute / 1440 : -((-minute + 1439) / 1440);
  civilFromDays(days, year, month, day);
  return minute >= lastSundayOneUtc(year, 3) && minute < lastSundayOneUtc(year, 10);
}

void wallClockAt(UtcMinute minute, LocalTime& out) {
  long long local = minute + (isSummerTime(minute) ? 120 : 60);
  long long days = local >= 0 ? local / 1440 : -((-local + 1439) / 1440);
  int rest = static_cast<int>(local - days * 1440);
  out = LocalTime();
  civilFromDays(days, out.year, out.month, out.day);
  out.hour = rest / 60;
  out.minute = rest % 60;
  long long w = (days + 4) % 7;  // 1970-01-01 was a Thursday
  out.weekday = static_cast<int>(w < 0 ? w + 7 : w);
}

// The clock is UTC plus one or two hours, so a reading lies within two hours after its minute.
UtcMinute firstWallClockMinute(const LocalTime& local) {
  long long wanted = naiveMinutes(local);
  for (UtcMinute u = wanted - 120; u < wanted - 60; ++u) {
    LocalTime t;
    wallClockAt(u, t);
    if (naiveMinutes(t) >= wanted) return u;
  }
  return wanted - 60;
}

UtcMinute lastWallClockMinute(const LocalTime& local) {
  long long wanted = naiveMinutes(local);
  for (UtcMinute u = wanted - 60; u > wanted - 120; --u) {
    LocalTime t;
    wallClockAt(u, t);
    if (naiveMinutes(t) <= wanted) return u;
  }
  return wanted - 120;
}
