#pragma once

#include <cstdint>

namespace velmorra {

// Suspends the calling thread for about `milliseconds` milliseconds.
void SleepMilliseconds(unsigned milliseconds);

// Microseconds since an arbitrary start on a clock that only moves forward: changes of the
// system's time do not move it. For measuring how long something took.
int64_t MonotonicMicroseconds();

// A calendar date on the local clock.
struct TCalendarDate {
  int Year;
  int Month;  // 1 to 12
  int Day;    // 1 to 31
};

// Today's date on the local clock (time zone and daylight saving applied).
TCalendarDate LocalDateToday();

}  // namespace velmorra
