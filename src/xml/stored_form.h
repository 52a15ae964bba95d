#pragma once

namespace velmorra {

// The form in which a document's dictionary stores a text: each UTF-16 code unit UTF-8 encoded on
// its own, never as part of a surrogate pair, and U+0000 as E0 80 80. Every sequence of code
// units (lone surrogates and U+0000 too) so has a stored form that decodes back unchanged.

// Puts the stored form of `unit` (one to three bytes) at `out` and returns the end of it.
inline char* PutStoredUnit(char* out, char16_t unit) {
  if (unit < 0x80 && unit != 0) {
    *out++ = static_cast<char>(unit);
  } else if (unit < 0x800 && unit != 0) {
    *out++ = static_cast<char>(0xC0 | (unit >> 6));
    *out++ = static_cast<char>(0x80 | (unit & 0x3F));
  } else {
    *out++ = static_cast<char>(0xE0 | (unit >> 12));
    *out++ = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (unit & 0x3F));
  }
  return out;
}

}  // namespace velmorra
