#include "platform/lower_case.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

namespace velmorra {

std::u16string LowerCaseUtf16(std::u16string_view text) {
  std::u16string result;
  result.reserve(text.size());
  const int32_t length = static_cast<int32_t>(text.size());
  int32_t i = 0;
  while (i < length) {
    UChar32 c;
    U16_NEXT(text.data(), i, length, c);
    UChar32 lower = u_tolower(c);
    if (U_IS_BMP(lower)) {
      result.push_back(static_cast<char16_t>(lower));
    } else {
      result.push_back(static_cast<char16_t>(U16_LEAD(lower)));
      result.push_back(static_cast<char16_t>(U16_TRAIL(lower)));
    }
  }
  return result;
}

}  // namespace velmorra
