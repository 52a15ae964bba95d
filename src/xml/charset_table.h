#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace velmorra {

// A Windows code page and the charset name an XML declaration gives it.
struct TCodePage {
  uint16_t CodePage;
  const char* Name;
};

// The charsets a declaration may name, in the order they are searched.
extern const std::array<TCodePage, 23> CharsetTable;

// True when `a` and `b` are equal but for the case of ASCII letters.
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b);

// The code page of the first row of CharsetTable whose name equals `name` without regard to the
// case of ASCII letters; nothing when no row does.
std::optional<uint16_t> CodePageOfCharset(std::string_view name);

}  // namespace velmorra
