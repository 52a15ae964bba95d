#include "xml/escape_markup.h"

#include <array>
#include <cstdint>

namespace velmorra {

namespace {

// What becomes of a code unit below U+0080: 0 copied as it is, otherwise one more than the index
// of its replacement in kReplacements.
constexpr std::array<uint8_t, 128> MakeAsciiTable() {
  std::array<uint8_t, 128> table{};
  for (int c = 0; c < 0x20; ++c)
    table[c] = 9;  // not allowed in XML: U+FFFD
  table['"'] = 1;
  table['&'] = 2;
  table['\''] = 3;
  table['<'] = 4;
  table['>'] = 5;
  table['\r'] = 6;
  table['\n'] = 7;
  table['\t'] = 8;
  return table;
}

constexpr std::array<uint8_t, 128> kAsciiTable = MakeAsciiTable();

constexpr std::array<std::u16string_view, 9> kReplacements = {
    u"&quot;", u"&amp;", u"&apos;", u"&lt;", u"&gt;", u"&#13;", u"&#10;", u"&#9;", u"\uFFFD"};

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Length of the run of code units from `start` that are copied unchanged.
size_t PlainRunLength(std::u16string_view text, size_t start) {
  size_t end = start;
  while (end < text.size()) {
    const char16_t unit = text[end];
    if (unit < 0x80) {
      if (kAsciiTable[unit] != 0)
        break;
    } else if (unit >= 0xD800) {
      if (IsHighSurrogate(unit) && end + 1 < text.size() && IsLowSurrogate(text[end + 1])) {
        end += 2;
        continue;
      }
      if (unit <= 0xDFFF || unit >= 0xFFFE)
        break;
    }
    ++end;
  }
  return end - start;
}

std::u16string_view ReplacementOf(char16_t unit) {
  if (unit < 0x80)
    return kReplacements[kAsciiTable[unit] - 1];
  return kReplacements.back();
}

// length × 1.1 = length × 11 / 10, rounded on the exact quotient so that a tie is a tie.
size_t TimesOnePointOne(size_t length) {
  const size_t tenfold = length * 11;
  size_t result = tenfold / 10;
  const size_t remainder = tenfold % 10;
  if (remainder > 5 || (remainder == 5 && result % 2 == 1))
    ++result;
  return result;
}

}  // namespace

size_t EscapeStartSize(size_t length) {
  return TimesOnePointOne(length);
}

size_t EscapeGrownSize(size_t size, size_t needed) {
  return TimesOnePointOne(size) + needed;
}

std::u16string EscapeMarkup(std::u16string_view text) {
  std::u16string result(EscapeStartSize(text.size()), u'\0');
  size_t written = 0;
  const auto append = [&](std::u16string_view piece) {
    if (written + piece.size() > result.size()) {
      result.resize(EscapeGrownSize(result.size(), piece.size()));
    }
    piece.copy(result.data() + written, piece.size());
    written += piece.size();
  };
  size_t position = 0;
  while (position < text.size()) {
    const size_t run = PlainRunLength(text, position);
    append(text.substr(position, run));
    position += run;
    if (position < text.size())
      append(ReplacementOf(text[position++]));
  }
  result.resize(written);
  return result;
}

void AppendEscapedMarkup(std::u16string_view text, std::u16string& out) {
  size_t position = 0;
  while (position < text.size()) {
    const size_t run = PlainRunLength(text, position);
    out.append(text.substr(position, run));
    position += run;
    if (position < text.size())
      out.append(ReplacementOf(text[position++]));
  }
}

}  // namespace velmorra
