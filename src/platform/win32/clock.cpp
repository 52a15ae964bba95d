#include "platform/clock.h"

#include <windows.h>

namespace velmorra {

void SleepMilliseconds(unsigned milliseconds) {
  Sleep(milliseconds);
}

TCalendarDate LocalDateToday() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  return TCalendarDate{local.wYear, local.wMonth, local.wDay};
}

}  // namespace velmorra
