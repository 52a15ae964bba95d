#include "export/backup_file_name.h"

#include "export/phone_list.h"
#include "platform/text_encoding.h"

namespace velmorra {

namespace {

constexpr size_t kHashDigits = 8;

// Every character concerned is ASCII, and in UTF-8 a byte below 80 always stands for itself,
// never for part of another character, so the text can be mended byte by byte.
bool ForbiddenInFileName(unsigned char byte) {
  constexpr std::string_view kForbidden = "/\\:*?\"<>|";
  return byte < 0x20 || kForbidden.find(static_cast<char>(byte)) != std::string_view::npos;
}

bool IsLowerHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// Whether `text` ends as a mended name does: "_" and eight lower-case hexadecimal digits.
bool EndsLikeAHashSuffix(std::string_view text) {
  if (text.size() < kHashDigits + 1 || text[text.size() - kHashDigits - 1] != '_')
    return false;
  for (const char c : text.substr(text.size() - kHashDigits)) {
    if (!IsLowerHexDigit(c))
      return false;
  }
  return true;
}

bool ReadsAllPhones(std::string_view text) {
  constexpr std::string_view kAllPhones = kAllPhonesCaption;
  if (text.size() != kAllPhones.size())
    return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((text[i] | 0x20) != (kAllPhones[i] | 0x20))
      return false;
  }
  return true;
}

// `text` with what a file name may not hold replaced by "_".
std::string MendedForFileName(std::string_view text) {
  std::string mended;
  mended.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    char32_t code_point = 0;
    const size_t length = byte < 0x80 ? 1 : ReadUtf8Sequence(text, pos, code_point);
    if (length == 0 || (length == 1 && ForbiddenInFileName(byte))) {
      mended += '_';
      ++pos;
    } else {
      mended.append(text.substr(pos, length));
      pos += length;
    }
  }
  return mended;
}

std::string HexDigits(uint32_t value) {
  std::string digits(kHashDigits, '0');
  for (size_t i = kHashDigits; i-- > 0; value >>= 4)
    digits[i] = "0123456789abcdef"[value & 0xf];
  return digits;
}

}  // namespace

uint32_t PhoneNameHash(std::string_view bytes) {
  uint32_t hash = 2166136261u;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 16777619u;
  }
  return hash;
}

std::string BackupFileName(int PhoneIndex, const std::string& PhoneText) {
  if (PhoneIndex == 0)
    return std::string("sms_") + kAllPhonesCaption + ".xml";
  std::string name = MendedForFileName(PhoneText);
  if (name != PhoneText || ReadsAllPhones(PhoneText) || EndsLikeAHashSuffix(PhoneText))
    name += "_" + HexDigits(PhoneNameHash(PhoneText));
  return "sms_" + name + ".xml";
}

}  // namespace velmorra
