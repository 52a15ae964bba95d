#pragma once

#include <string>
#include <string_view>

namespace velmorra::fuzzing {

// What the backup promises for a stored text, worked out apart from the code that does it: each
// well-formed UTF-8 sequence (by the table of the Unicode standard) is its character, every other
// byte the character Windows-1252 gives it, and a character XML cannot hold becomes U+FFFD. As
// UTF-8. `substitute` false leaves the characters XML cannot hold as they are.
std::string ExpectedText(std::string_view stored, bool substitute = true);

// The 8-bit text of Linux's ANSI code page read as UTF-16 and written back as UTF-8: each
// well-formed sequence its character, every other byte U+FFFD.
std::string ExpectedAnsiText(std::string_view bytes);

// Whether all of `bytes` is well-formed UTF-8, by the same table.
bool IsWellFormedUtf8(std::string_view bytes);

}  // namespace velmorra::fuzzing
