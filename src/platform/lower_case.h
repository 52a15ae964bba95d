#pragma once

#include <string>
#include <string_view>

namespace velmorra {

// Lower-cases UTF-16 text character by character with the Unicode simple lower-case mapping;
// surrogate pairs are mapped as one character, lone surrogates are kept.
std::u16string LowerCaseUtf16(std::u16string_view text);

}  // namespace velmorra
