#include <windows.h>

#include "platform/clock.h"

void readPlatformClock(LocalTime& out) {
  SYSTEMTIME st;
  GetLocalTime(&st);
  out.year = st.wYear;
  out.month = st.wMonth;
  out.day = st.wDay;
  out.hour = st.wHour;
  out.minute = st.wMinute;
  out.second = st.wSecond;
  out.millisecond = st.wMilliseconds;
  out.weekday = st.wDayOfWeek;
}

long long platformMonotonicMillis() { return static_cast<long long>(GetTickCount64()); }
