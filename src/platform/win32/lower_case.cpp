#include "platform/lower_case.h"

#include <windows.h>

namespace velmorra {

std::u16string LowerCaseUtf16(std::u16string_view text) {
  if (text.empty())
    return std::u16string();
  const auto source = reinterpret_cast<LPCWSTR>(text.data());
  const int length = static_cast<int>(text.size());
  // Simple lower-casing keeps the length: each character maps to one of the same size.
  std::u16string result(text.size(), u'\0');
  const int written =
      LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, source, length,
                    reinterpret_cast<LPWSTR>(result.data()), length, nullptr, nullptr, 0);
  if (written <= 0)
    return std::u16string(text);
  result.resize(static_cast<size_t>(written));
  return result;
}

}  // namespace velmorra
