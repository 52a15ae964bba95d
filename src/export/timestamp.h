#pragma once

#include <cstdint>
#include <string>

namespace velmorra {

// Converts a stored moment, a day count since 1899-12-30 00:00 with the time of day as fraction
// (written with a decimal comma or full stop, e.g. "40179,5"), to whole milliseconds since
// 1970-01-01 00:00, rounded to the second (halves to even). No time zone is applied. Never fails:
// a text that is not such a number gives today's local date at 00:00; a moment beyond the 64-bit
// range gives the nearest representable whole second.
int64_t TimestampToUnixMillis(const std::string& Text);

}  // namespace velmorra
