#include "xml_text_model.h"

#include "export/stored_text.h"
#include "platform/text_encoding.h"

namespace velmorra::fuzzing {

namespace {

// The length of the well-formed sequence at `pos` and its character (Table 3-7 of the Unicode
// standard: the ranges of the second byte depend on the first), or 0.
size_t SequenceAt(std::string_view bytes, size_t pos, char32_t& character) {
  const auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[pos + i]); };
  const auto within = [&](size_t i, unsigned low, unsigned high) {
    return pos + i < bytes.size() && at(i) >= low && at(i) <= high;
  };
  const unsigned lead = at(0);
  size_t length = 0;
  if (lead <= 0x7F) {
    character = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = within(1, 0x80, 0xBF) ? 2 : 0;
  } else if (lead == 0xE0) {
    length = within(1, 0xA0, 0xBF) && within(2, 0x80, 0xBF) ? 3 : 0;
  } else if (lead == 0xED) {
    length = within(1, 0x80, 0x9F) && within(2, 0x80, 0xBF) ? 3 : 0;
  } else if (lead >= 0xE1 && lead <= 0xEF) {
    length = within(1, 0x80, 0xBF) && within(2, 0x80, 0xBF) ? 3 : 0;
  } else if (lead == 0xF0) {
    length = within(1, 0x90, 0xBF) && within(2, 0x80, 0xBF) && within(3, 0x80, 0xBF) ? 4 : 0;
  } else if (lead >= 0xF1 && lead <= 0xF3) {
    length = within(1, 0x80, 0xBF) && within(2, 0x80, 0xBF) && within(3, 0x80, 0xBF) ? 4 : 0;
  } else if (lead == 0xF4) {
    length = within(1, 0x80, 0x8F) && within(2, 0x80, 0xBF) && within(3, 0x80, 0xBF) ? 4 : 0;
  }
  if (length == 0)
    return 0;
  const unsigned lead_bits[] = {0, 0, 0x1F, 0x0F, 0x07};
  character = lead & lead_bits[length];
  for (size_t i = 1; i < length; ++i)
    character = (character << 6) | (at(i) & 0x3F);
  return length;
}

bool XmlAllows(char32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

void AppendUtf8(char32_t c, std::string& out) {
  std::u16string units;
  if (c >= 0x10000) {
    units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  } else {
    units += static_cast<char16_t>(c);
  }
  out += Utf16ToUtf8(units);
}

// The characters of `bytes`, a byte of no sequence as `stray` gives it, those XML cannot hold
// as U+FFFD when `substitute`.
template <typename TStray>
std::string Characters(std::string_view bytes, TStray stray, bool substitute) {
  std::string characters;
  size_t pos = 0;
  while (pos < bytes.size()) {
    char32_t character = 0;
    size_t length = SequenceAt(bytes, pos, character);
    if (length == 0) {
      character = stray(bytes[pos]);
      length = 1;
    }
    AppendUtf8(substitute && !XmlAllows(character) ? 0xFFFD : character, characters);
    pos += length;
  }
  return characters;
}

}  // namespace

std::string ExpectedText(std::string_view stored, bool substitute) {
  // A lone byte of no sequence always decodes to its Windows-1252 character.
  const auto windows_1252 = [](char byte) -> char32_t {
    return DecodeStoredText(std::string(1, byte)).at(0);
  };
  return Characters(stored, windows_1252, substitute);
}

std::string ExpectedAnsiText(std::string_view bytes) {
  return Characters(
      bytes, [](char) -> char32_t { return 0xFFFD; }, false);
}

bool IsWellFormedUtf8(std::string_view bytes) {
  for (size_t pos = 0; pos < bytes.size();) {
    char32_t character = 0;
    const size_t length = SequenceAt(bytes, pos, character);
    if (length == 0)
      return false;
    pos += length;
  }
  return true;
}

}  // namespace velmorra::fuzzing
