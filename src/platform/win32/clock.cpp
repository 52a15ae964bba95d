#include "platform/clock.h"

#include <windows.h>

namespace velmorra {

void SleepMilliseconds(unsigned milliseconds) {
  Sleep(milliseconds);
}

int64_t MonotonicMicroseconds() {
  static const int64_t frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart / frequency * 1000000 + now.QuadPart % frequency * 1000000 / frequency;
}

TCalendarDate LocalDateToday() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  return TCalendarDate{local.wYear, local.wMonth, local.wDay};
}

}  // namespace velmorra
