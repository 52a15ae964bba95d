#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velmorra {

// Converts a stored moment, a day count since 1899-12-30 00:00 with the time of day as fraction
// (written with a decimal comma or full stop, e.g. "40179,5"), to whole milliseconds since
// 1970-01-01 00:00, rounded to the second (halves to even). No time zone is applied. Never fails:
// a text that is not such a number gives today's local date at 00:00; a moment beyond the 64-bit
// range gives the nearest representable whole second.
int64_t TimestampToUnixMillis(std::string_view Text);

// TimestampToUnixMillis of the text the SQLite library gives for a stored INTEGER `Value` (its
// decimal digits), without the text.
int64_t IntegerTimestampToUnixMillis(int64_t Value);
// TimestampToUnixMillis of the text the SQLite library gives for a stored REAL `Value` (15
// significant digits), without the text, where the number alone decides it: nothing for a value
// within a millisecond of a half second (where the rounding to 15 digits may tip the second) or
// beyond a million days (or not finite); such a value needs the text.
std::optional<int64_t> RealTimestampToUnixMillis(double Value);

}  // namespace velmorra
