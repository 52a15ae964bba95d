#include "export/phone_match.h"

#include "platform/text_encoding.h"

namespace velmorra {

namespace {

// The bytes of the code units `units` in the order of `encoding` (UTF-16le or UTF-16be).
std::string Utf16Bytes(std::u16string_view units, TTextEncoding encoding) {
  const bool little_endian = encoding == TTextEncoding::Utf16le;
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (const char16_t unit : units) {
    const char low = static_cast<char>(unit & 0xFF);
    const char high = static_cast<char>(unit >> 8);
    bytes += little_endian ? low : high;
    bytes += little_endian ? high : low;
  }
  return bytes;
}

}  // namespace

std::optional<std::string> StoredImeiOfPhoneText(const std::string& PhoneText,
                                                 TTextEncoding encoding) {
  if (encoding == TTextEncoding::Utf8)
    return PhoneText;
  const std::optional<std::u16string> units = DecodeGeneralizedUtf8(PhoneText);
  if (!units)
    return std::nullopt;
  return Utf16Bytes(*units, encoding);
}

std::string SqlBlobLiteral(std::string_view bytes) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string literal = "X'";
  literal.reserve(bytes.size() * 2 + 3);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    literal += kHexDigits[byte >> 4];
    literal += kHexDigits[byte & 0xF];
  }
  return literal + "'";
}

std::string PhoneTextOfStoredImei(std::string_view stored, TTextEncoding encoding) {
  if (encoding == TTextEncoding::Utf8)
    return std::string(stored);
  const bool little_endian = encoding == TTextEncoding::Utf16le;
  std::u16string units;
  units.reserve(stored.size() / 2);
  for (size_t i = 0; i + 1 < stored.size(); i += 2) {
    const auto first = static_cast<unsigned char>(stored[i]);
    const auto second = static_cast<unsigned char>(stored[i + 1]);
    units += static_cast<char16_t>(little_endian ? first | (second << 8) : (first << 8) | second);
  }
  return Utf16ToGeneralizedUtf8(units);
}

std::string ImeiMatchSql(const std::string& PhoneText, TTextEncoding encoding) {
  const std::optional<std::string> stored = StoredImeiOfPhoneText(PhoneText, encoding);
  return stored ? std::string(kStoredImeiSql) + " = " + SqlBlobLiteral(*stored) : "0";
}

}  // namespace velmorra
