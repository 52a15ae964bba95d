#include "platform/clock.h"

#include <time.h>

#include <chrono>
#include <thread>

namespace velmorra {

void SleepMilliseconds(unsigned milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

TCalendarDate LocalDateToday() {
  time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  return TCalendarDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace velmorra
