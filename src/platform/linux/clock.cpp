#include "platform/clock.h"

#include <time.h>

#include <chrono>
#include <thread>

namespace velmorra {

void SleepMilliseconds(unsigned milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int64_t MonotonicMicroseconds() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

TCalendarDate LocalDateToday() {
  time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  return TCalendarDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace velmorra
