#include "export/stored_text.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "platform/text_encoding.h"
#include "xml/byte_lanes.h"
#include "xml/stored_form.h"

namespace velmorra {

namespace {

// Windows-1252 for the bytes 80 to 9F; A0 to FF are the Latin-1 characters of the same number.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

char16_t Windows1252(unsigned char byte) {
  return byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80] : char16_t{byte};
}

char16_t* PutCodePoint(char16_t* out, char32_t code_point) {
  if (code_point < 0x10000) {
    *out++ = static_cast<char16_t>(code_point);
  } else {
    code_point -= 0x10000;
    *out++ = static_cast<char16_t>(0xD800 + (code_point >> 10));
    *out++ = static_cast<char16_t>(0xDC00 + (code_point & 0x3FF));
  }
  return out;
}

// Appends the stored form of one code unit.
void AppendStoredUnit(char16_t unit, std::string& out) {
  char bytes[3];
  out.append(bytes, static_cast<size_t>(PutStoredUnit(bytes, unit) - bytes));
}

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The end of the run from `pos` of the `n` bytes at `p` that the stored form keeps as they are:
// ASCII other than zero, and the well-formed sequences of two and three bytes (as
// ReadUtf8Sequence takes them, without the call). Sixteen ASCII bytes at a time while that goes.
size_t KeptRunEnd(const unsigned char* p, size_t n, size_t pos) {
  while (pos < n) {
    if (pos + kLaneCount <= n) {
      const TByteLanes bytes = LoadLanes(p + pos);
      const size_t ascii = FirstSetLane(static_cast<TByteLanes>((bytes == 0) | (bytes >= 0x80)));
      pos += ascii;
      if (ascii == kLaneCount)
        continue;
    }
    const unsigned char lead = p[pos];
    if (lead != 0 && lead < 0x80) {
      ++pos;
    } else if (lead >= 0xC2 && lead <= 0xDF && pos + 1 < n && IsContinuation(p[pos + 1])) {
      pos += 2;
    } else if (lead >= 0xE0 && lead <= 0xEF && pos + 2 < n && IsContinuation(p[pos + 1]) &&
               IsContinuation(p[pos + 2]) && (lead != 0xE0 || p[pos + 1] >= 0xA0) &&
               (lead != 0xED || p[pos + 1] < 0xA0)) {
      pos += 3;
    } else {
      return pos;
    }
  }
  return pos;
}

}  // namespace

void AppendStoredForm(std::string_view bytes, std::string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t n = bytes.size();
  size_t run = 0;  // start of the bytes copied as they are
  size_t pos = 0;
  while (pos < n) {
    pos = KeptRunEnd(p, n, pos);
    if (pos == n)
      break;
    // Zero, a sequence of four bytes, or a byte of no sequence.
    const unsigned char lead = p[pos];
    char32_t code_point = 0;
    const size_t length = lead == 0 ? 1 : ReadUtf8Sequence(bytes, pos, code_point);
    out.append(bytes.substr(run, pos - run));
    if (length == 4) {
      code_point -= 0x10000;
      AppendStoredUnit(static_cast<char16_t>(0xD800 + (code_point >> 10)), out);
      AppendStoredUnit(static_cast<char16_t>(0xDC00 + (code_point & 0x3FF)), out);
      pos += 4;
    } else {
      AppendStoredUnit(Windows1252(lead), out);  // zero, or a byte of no sequence
      ++pos;
    }
    run = pos;
  }
  out.append(bytes.substr(run));
}

std::u16string DecodeStoredText(std::string_view bytes) {
  // No byte gives more than one code unit (a four-byte sequence gives two).
  std::u16string text(bytes.size(), u'\0');
  char16_t* out = text.data();
  size_t pos = 0;
  while (pos < bytes.size()) {
    const unsigned char lead = static_cast<unsigned char>(bytes[pos]);
    if (lead < 0x80) {
      *out++ = lead;
      ++pos;
      continue;
    }
    char32_t code_point;
    const size_t length = ReadUtf8Sequence(bytes, pos, code_point);
    if (length == 0) {
      // Only this byte is given up on; the bytes after it may well start a good sequence.
      *out++ = Windows1252(lead);
      ++pos;
    } else {
      out = PutCodePoint(out, code_point);
      pos += length;
    }
  }
  text.resize(static_cast<size_t>(out - text.data()));
  return text;
}

}  // namespace velmorra
