#pragma once

// The edge between the program's 8-bit text (UTF-8) and the UTF-16 text of the Windows W calls.

#include <string>
#include <string_view>

#include "platform/text_encoding.h"

namespace velmorra {

// UTF-8 as the UTF-16 text of a W call; a byte that is not part of a well-formed sequence becomes
// U+FFFD.
inline std::wstring Widen(std::string_view text) {
  const std::u16string wide = AnsiToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

// The UTF-16 text of a W call as UTF-8.
inline std::string Narrow(std::wstring_view text) {
  return Utf16ToUtf8(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

}  // namespace velmorra
