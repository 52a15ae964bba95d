#include "platform/code_page.h"

#include <windows.h>

namespace velmorra {

uint16_t DefaultAnsiCodePage() {
  return static_cast<uint16_t>(GetACP());
}

size_t CodePageOutputRoom(uint16_t code_page, size_t unit_count) {
  CPINFO info;
  if (GetCPInfo(code_page, &info) && info.MaxCharSize <= 2)
    return info.MaxCharSize * unit_count;
  // ISO-2022-JP (50220) may switch character sets (three bytes) before each character of two
  // bytes and switches back to ASCII at the end; no other code page needs more.
  return 5 * unit_count + 3;
}

std::optional<size_t> Utf16ToCodePage(uint16_t code_page, std::u16string_view text, char* out,
                                      size_t room, int& error_code) {
  if (text.empty())
    return 0;
  const auto units = reinterpret_cast<LPCWSTR>(text.data());
  const int unit_count = static_cast<int>(text.size());
  const int out_room = static_cast<int>(room);
  // A character the code page lacks (and a lone surrogate) becomes "?". The code pages that take
  // neither flags nor a default character of the caller's (the stateful ones such as 50220) use
  // their own, also "?".
  static const char kDefaultCharacter[] = "?";
  int length = WideCharToMultiByte(code_page,
                                   WC_COMPOSITECHECK | WC_DISCARDNS | WC_SEPCHARS | WC_DEFAULTCHAR,
                                   units, unit_count, out, out_room, kDefaultCharacter, nullptr);
  if (length == 0 &&
      (GetLastError() == ERROR_INVALID_FLAGS || GetLastError() == ERROR_INVALID_PARAMETER))
    length = WideCharToMultiByte(code_page, 0, units, unit_count, out, out_room, nullptr, nullptr);
  if (length == 0) {
    error_code = static_cast<int>(GetLastError());
    return std::nullopt;
  }
  return static_cast<size_t>(length);
}

}  // namespace velmorra
