#pragma once

namespace velmorra {

// Suspends the calling thread for about `milliseconds` milliseconds.
void SleepMilliseconds(unsigned milliseconds);

// A calendar date on the local clock.
struct TCalendarDate {
  int Year;
  int Month;  // 1 to 12
  int Day;    // 1 to 31
};

// Today's date on the local clock (time zone and daylight saving applied).
TCalendarDate LocalDateToday();

}  // namespace velmorra
