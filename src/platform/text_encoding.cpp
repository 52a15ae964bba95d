#include "platform/text_encoding.h"

namespace velmorra {

size_t ReadUtf8Sequence(std::string_view text, size_t pos, char32_t& code_point) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[pos + i]); };
  const auto continuation = [&](size_t i) {
    return pos + i < text.size() && (byte(i) & 0xC0) == 0x80;
  };
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    code_point = lead;
    return 1;
  }
  size_t length;
  char32_t minimum;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, minimum = 0x80, code_point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, minimum = 0x800, code_point = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, minimum = 0x10000, code_point = lead & 0x07;
  } else {
    return 0;
  }
  for (size_t i = 1; i < length; ++i) {
    if (!continuation(i))
      return 0;
    code_point = (code_point << 6) | (byte(i) & 0x3F);
  }
  if (code_point < minimum || code_point > 0x10FFFF)
    return 0;
  if (code_point >= 0xD800 && code_point <= 0xDFFF)
    return 0;
  return length;
}

namespace {

void AppendCodePoint(std::u16string& out, char32_t code_point) {
  if (code_point < 0x10000) {
    out.push_back(static_cast<char16_t>(code_point));
  } else {
    code_point -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (code_point >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (code_point & 0x3FF)));
  }
}

}  // namespace

namespace {

// DecodeUtf8, or, with `generalized`, DecodeGeneralizedUtf8.
std::optional<std::u16string> DecodeUtf8Units(std::string_view text, bool generalized) {
  std::u16string result;
  result.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t code_point;
    const size_t length = ReadUtf8Sequence(text, pos, code_point);
    if (length > 0) {
      AppendCodePoint(result, code_point);
      pos += length;
      continue;
    }
    // ED A0 80 to ED BF BF: the form of U+D800 to U+DFFF that well-formed UTF-8 leaves out.
    const auto byte = [&](size_t i) {
      return pos + i < text.size() ? static_cast<unsigned char>(text[pos + i]) : 0;
    };
    if (!generalized || byte(0) != 0xED || (byte(1) & 0xE0) != 0xA0 || (byte(2) & 0xC0) != 0x80)
      return std::nullopt;
    result.push_back(static_cast<char16_t>(0xD000 | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F)));
    pos += 3;
  }
  return result;
}

}  // namespace

std::optional<std::u16string> DecodeUtf8(std::string_view text) {
  return DecodeUtf8Units(text, false);
}

std::u16string Utf8ToUtf16(std::string_view text) {
  return DecodeUtf8(text).value_or(std::u16string());
}

namespace {

// UTF-8 of `text`; a surrogate that is not part of a pair becomes U+FFFD, or, when
// `keep_lone_surrogates` is set, the three bytes of its own code point.
std::string EncodeUtf16(std::u16string_view text, bool keep_lone_surrogates) {
  std::string result;
  result.reserve(text.size() * 3);
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF && !keep_lone_surrogates) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      result.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      result.push_back(static_cast<char>(0xC0 | (c >> 6)));
      result.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      result.push_back(static_cast<char>(0xE0 | (c >> 12)));
      result.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      result.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      result.push_back(static_cast<char>(0xF0 | (c >> 18)));
      result.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      result.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      result.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return result;
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
  return EncodeUtf16(text, false);
}

std::string Utf16ToGeneralizedUtf8(std::u16string_view text) {
  return EncodeUtf16(text, true);
}

std::optional<std::u16string> DecodeGeneralizedUtf8(std::string_view text) {
  return DecodeUtf8Units(text, true);
}

std::u16string AnsiToUtf16(std::string_view text) {
  std::u16string result;
  result.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    char32_t code_point;
    size_t length = ReadUtf8Sequence(text, pos, code_point);
    if (length == 0) {
      result.push_back(u'\uFFFD');
      ++pos;
    } else {
      AppendCodePoint(result, code_point);
      pos += length;
    }
  }
  return result;
}

std::string Utf16ToAnsi(std::u16string_view text) {
  return Utf16ToUtf8(text);
}

}  // namespace velmorra
