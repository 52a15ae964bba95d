#include "xml/escape_markup.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "xml/byte_lanes.h"

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

// In a stored form, a code unit of three bytes starts at `p`: its value.
char16_t ThreeByteUnit(const unsigned char* p) {
  return static_cast<char16_t>(((p[0] & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
}

// Whether the stored form `s` (`n` bytes) holds, at `i`, a high surrogate followed by a low one.
bool StoredPairAt(const unsigned char* s, size_t n, size_t i) {
  return i + 6 <= n && s[i] == 0xED && IsHighSurrogate(ThreeByteUnit(s + i)) && s[i + 3] == 0xED &&
         IsLowSurrogate(ThreeByteUnit(s + i + 3));
}

// Writes the four UTF-8 bytes of the character of the stored surrogate pair at `p`.
char* WritePairAsUtf8(const unsigned char* p, char* out) {
  const char32_t c =
      0x10000 + ((ThreeByteUnit(p) - 0xD800) << 10) + (ThreeByteUnit(p + 3) - 0xDC00);
  *out++ = static_cast<char>(0xF0 | (c >> 18));
  *out++ = static_cast<char>(0x80 | (c >> 12 & 0x3F));
  *out++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
  *out++ = static_cast<char>(0x80 | (c & 0x3F));
  return out;
}

// The UTF-8 bytes of a replacement: ASCII, or U+FFFD.
std::string_view Utf8ReplacementOf(size_t table_entry) {
  static constexpr std::array<std::string_view, 9> kUtf8Replacements = {
      "&quot;", "&amp;", "&apos;", "&lt;", "&gt;", "&#13;", "&#10;", "&#9;", "\xEF\xBF\xBD"};
  return kUtf8Replacements[table_entry - 1];
}

// Whether a byte of a stored form is copied without a look of its own: ASCII that kAsciiTable
// leaves, the lead of a two-byte unit (U+0080 to U+07FF, all allowed) or a continuation byte; not
// the ASCII that is replaced nor the lead of a three-byte unit (E0 to EF, which may be U+0000, a
// surrogate, U+FFFE or U+FFFF).
constexpr std::array<bool, 256> MakePlainStoredBytes() {
  std::array<bool, 256> plain{};
  for (int byte = 0; byte < 256; ++byte)
    plain[byte] = byte < 0x80 ? kAsciiTable[byte] == 0 : byte < 0xE0 || byte > 0xEF;
  return plain;
}

constexpr std::array<bool, 256> kPlainStoredBytes = MakePlainStoredBytes();

// The end of the run of bytes that kPlainStoredBytes lets pass from `i` in the `n` bytes at `s`:
// sixteen at a time while sixteen are left.
size_t PlainRunEnd(const unsigned char* s, size_t n, size_t i) {
  for (; i + kLaneCount <= n; i += kLaneCount) {
    const TByteLanes bytes = LoadLanes(s + i);
    const size_t stop = FirstSetLane(
        static_cast<TByteLanes>((bytes < 0x20) | (bytes >= 0xE0) | (bytes == '"') | (bytes == '&') |
                                (bytes == '\'') | (bytes == '<') | (bytes == '>')));
    if (stop < kLaneCount)
      return i + stop;
  }
  while (i < n && kPlainStoredBytes[s[i]])
    ++i;
  return i;
}

char* Put(char* out, std::string_view bytes) {
  std::memcpy(out, bytes.data(), bytes.size());
  return out + bytes.size();
}

}  // namespace

// The stored form differs from UTF-8 only in a surrogate pair, stored as two three-byte units.
void AppendStoredAsUtf8(std::string_view stored, std::string& out) {
  const auto* s = reinterpret_cast<const unsigned char*>(stored.data());
  const size_t n = stored.size();
  size_t run = 0;
  for (size_t i = 0; i < n;) {
    if (s[i] == 0xED && StoredPairAt(s, n, i)) {
      out.append(stored.substr(run, i - run));
      char pair[4];
      out.append(pair, static_cast<size_t>(WritePairAsUtf8(s + i, pair) - pair));
      i += 6;
      run = i;
    } else {
      ++i;
    }
  }
  out.append(stored.substr(run));
}

// Follows PlainRunLength and ReplacementOf unit by unit; plain units keep their stored bytes,
// which are their UTF-8 bytes.
char* WriteEscapedAsUtf8(std::string_view stored, char* out) {
  const auto* s = reinterpret_cast<const unsigned char*>(stored.data());
  const size_t n = stored.size();
  size_t run = 0;
  const auto replace = [&](size_t i, size_t length, std::string_view replacement) {
    out = Put(out, stored.substr(run, i - run));
    out = Put(out, replacement);
    run = i + length;
  };
  for (size_t i = 0; i < n;) {
    i = PlainRunEnd(s, n, i);
    if (i == n)
      break;
    const unsigned char byte = s[i];
    if (byte < 0x80) {
      replace(i, 1, Utf8ReplacementOf(kAsciiTable[byte]));
      i += 1;
    } else {
      const char16_t unit = ThreeByteUnit(s + i);
      if (StoredPairAt(s, n, i)) {
        out = WritePairAsUtf8(s + i, Put(out, stored.substr(run, i - run)));
        i += 6;
        run = i;
        continue;
      }
      if (unit == 0)
        replace(i, 3, Utf8ReplacementOf(kAsciiTable[0]));
      else if ((unit >= 0xD800 && unit <= 0xDFFF) || unit >= 0xFFFE)
        replace(i, 3, Utf8ReplacementOf(kReplacements.size()));
      i += 3;
    }
  }
  return Put(out, stored.substr(run));
}

void AppendEscapedAsUtf8(std::string_view stored, std::string& out) {
  const size_t start = out.size();
  out.resize(start + kMaxEscapedGrowth * stored.size());
  char* const end = WriteEscapedAsUtf8(stored, out.data() + start);
  out.resize(static_cast<size_t>(end - out.data()));
}

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
