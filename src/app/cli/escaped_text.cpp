#include "app/cli/escaped_text.h"

#include <charconv>

#include "platform/text_encoding.h"

namespace velmorra {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// The byte that the two hexadecimal digits at `escaped[pos]` stand for, or nothing.
std::optional<char> HexByte(const std::string& escaped, size_t pos) {
  if (pos + 2 > escaped.size())
    return std::nullopt;
  unsigned value = 0;
  const char* const begin = escaped.data() + pos;
  const auto [end, error] = std::from_chars(begin, begin + 2, value, 16);
  if (error != std::errc() || end != begin + 2)
    return std::nullopt;
  return static_cast<char>(value);
}

}  // namespace

std::string EscapedText(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (size_t pos = 0; pos < text.size(); ++pos) {
    const char c = text[pos];
    const auto byte = static_cast<unsigned char>(c);
    char32_t code_point = 0;
    const size_t length = byte < 0x80 ? 1 : ReadUtf8Sequence(text, pos, code_point);
    if (length > 1) {
      escaped.append(text, pos, length);
      pos += length - 1;
    } else if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\r') {
      escaped += "\\r";
    } else if (c == '\t') {
      escaped += "\\t";
    } else if (byte < 0x20 || byte == 0x7f || length == 0) {
      escaped += {'\\', 'x', kHexDigits[byte >> 4], kHexDigits[byte & 0xf]};
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::optional<std::string> UnescapedText(const std::string& escaped) {
  std::string text;
  text.reserve(escaped.size());
  for (size_t i = 0; i < escaped.size(); ++i) {
    if (escaped[i] != '\\') {
      text += escaped[i];
      continue;
    }
    if (++i == escaped.size())
      return std::nullopt;
    switch (escaped[i]) {
      case '\\':
        text += '\\';
        break;
      case 'n':
        text += '\n';
        break;
      case 'r':
        text += '\r';
        break;
      case 't':
        text += '\t';
        break;
      case 'x': {
        const std::optional<char> byte = HexByte(escaped, i + 1);
        if (!byte)
          return std::nullopt;
        text += *byte;
        i += 2;
        break;
      }
      default:
        return std::nullopt;
    }
  }
  return text;
}

}  // namespace velmorra
