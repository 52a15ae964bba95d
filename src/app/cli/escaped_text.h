#pragma once

#include <optional>
#include <string>

namespace velmorra {

// One phone a line: `phones` prints each IMEI with C-style escapes for the bytes that would break
// or hide a line, and `convert --phone` reads the same form back, so a printed line round-trips.
// Escaped are the backslash (\\), line feed (\n), carriage return (\r), tab (\t), every other
// byte below 0x20 or 0x7F, and every byte that is not part of well-formed UTF-8 (\x followed by
// exactly two hexadecimal digits); every other byte stands for itself. The escaped form is UTF-8,
// so that it can be given back on every system (Windows takes arguments as UTF-16 only).
std::string EscapedText(const std::string& text);

// The text that EscapedText gave `escaped`; nothing when `escaped` holds a backslash that does not
// start one of the escapes above (a lone or trailing backslash, "\q", "\x4" without its second
// digit).
std::optional<std::string> UnescapedText(const std::string& escaped);

}  // namespace velmorra
