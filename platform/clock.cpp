#include "platform/clock.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

std::mutex clockMutex;
bool clockSet = false;
bool clockFrozen = false;
long long startSeconds = 0;  // seconds since 1970 of the set start, in local time
int startMillis = 0;
long long startMonotonic = 0;
double clockRate = 1.0;

long long toSeconds(const LocalTime& t) {
  return daysFromCivil(t.year, t.month, t.day) * 86400LL + t.hour * 3600LL + t.minute * 60LL + t.second;
}

void fromMillis(long long totalMillis, LocalTime& out) {
  long long secs = totalMillis / 1000;
  int millis = static_cast<int>(totalMillis % 1000);
  if (millis < 0) {
    millis += 1000;
    secs -= 1;
  }
  long long days = secs / 86400;
  long long rest = secs % 86400;
  if (rest < 0) {
    rest += 86400;
    days -= 1;
  }
  civilFromDays(days, out.year, out.month, out.day);
  out.hour = static_cast<int>(rest / 3600);
  out.minute = static_cast<int>(rest / 60 % 60);
  out.second = static_cast<int>(rest % 60);
  out.millisecond = millis;
  // 1970-01-01 was a Thursday.
  long long w = (days + 4) % 7;
  out.weekday = static_cast<int>(w < 0 ? w + 7 : w);
}

}  // namespace

long long daysFromCivil(int year, int month, int day) {
  long long y = year - (month <= 2 ? 1 : 0);
  long long era = (y >= 0 ? y : y - 399) / 400;
  long long yoe = y - era * 400;
  long long mp = (month + 9) % 12;
  long long doy = (153 * mp + 2) / 5 + day - 1;
  long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(long long days, int& year, int& month, int& day) {
  long long z = days + 719468;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

void readLocalClock(LocalTime& out) {
  std::lock_guard<std::mutex> lock(clockMutex);
  if (!clockSet) {
    readPlatformClock(out);
    return;
  }
  long long elapsed = 0;
  if (!clockFrozen) {
    long long real = platformMonotonicMillis() - startMonotonic;
    elapsed = clockRate == 1.0 ? real : std::llround(static_cast<double>(real) * clockRate);
  }
  fromMillis(startSeconds * 1000 + startMillis + elapsed, out);
}

void setClockStart(const LocalTime& start, bool frozen, double rate) {
  std::lock_guard<std::mutex> lock(clockMutex);
  clockSet = true;
  clockFrozen = frozen;
  clockRate = std::isfinite(rate) && rate >= kMinClockRate && rate <= kMaxClockRate ? rate : 1.0;
  startSeconds = toSeconds(start);
  startMillis = start.millisecond;
  startMonotonic = platformMonotonicMillis();
}

void clearClockStart() {
  std::lock_guard<std::mutex> lock(clockMutex);
  clockSet = false;
}

int parseLocalTime(const char* text, LocalTime& out) {
  if (!text) return 0;
  int y, mo, d, h, mi, s = 0, used = 0;
  int fields = std::sscanf(text, "%4d-%2d-%2d %2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used);
  if (fields != 6) {
    used = 0;
    if (std::sscanf(text, "%4d-%2d-%2d %2d:%2d%n", &y, &mo, &d, &h, &mi, &used) != 5) return 0;
    s = 0;
  }
  if (text[used] != '\0') return 0;
  if (mo < 1 || mo > 12 || d < 1 || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59) return 0;
  static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  int maxDay = lengths[mo - 1] + (mo == 2 && leap ? 1 : 0);
  if (d > maxDay || y < 1601 || y > 9999) return 0;
  LocalTime t;
  t.year = y;
  t.month = mo;
  t.day = d;
  t.hour = h;
  t.minute = mi;
  t.second = s;
  fromMillis(toSeconds(t) * 1000, t);
  out = t;
  return 1;
}

int parseClockRate(const char* text, double& out) {
  if (!text) return 0;
  // Digits with at most one decimal point, nothing else: no sign, exponent, blanks, "inf" or
  // "nan", which strtod would take.
  int digits = 0, points = 0;
  for (const char* c = text; *c; ++c) {
    if (*c >= '0' && *c <= '9')
      ++digits;
    else if (*c == '.' && ++points == 1)
      continue;
    else
      return 0;
  }
  if (!digits || std::strlen(text) > 32) return 0;
  char* end = nullptr;
  double rate = std::strtod(text, &end);
  if (!end || *end != '\0' || !std::isfinite(rate) || rate < kMinClockRate || rate > kMaxClockRate) return 0;
  out = rate;
  return 1;
}

int startClockFromEnvironment() {
  const char* value = std::getenv("QUENDLER_START_TIME");
  LocalTime start;
  if (!value || !parseLocalTime(value, start)) return 0;
  double rate = 1.0;
  if (!parseClockRate(std::getenv("QUENDLER_CLOCK_RATE"), rate)) rate = 1.0;
  setClockStart(start, false, rate);
  return 1;
}
