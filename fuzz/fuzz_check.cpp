#include "fuzz_check.h"

#include <cstdio>
#include <cstdlib>

namespace velmorra::fuzzing {

std::string CurrentInputName;

void FailCheck(const char* condition, const char* file, int line, const std::string& detail) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  if (!detail.empty())
    std::fprintf(stderr, "  %s\n", detail.c_str());
  if (!CurrentInputName.empty())
    std::fprintf(stderr, "  input: %s\n", CurrentInputName.c_str());
  std::fflush(stderr);
  std::abort();
}

std::string Printable(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '\\') {
      out += c;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      out += escape;
    }
  }
  return out;
}

std::u16string LittleEndianUnits(std::string_view bytes) {
  std::u16string units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                   static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  return units;
}

bool HoldsLoneSurrogate(std::u16string_view units) {
  for (size_t i = 0; i < units.size(); ++i) {
    const bool high = units[i] >= 0xD800 && units[i] <= 0xDBFF;
    const bool low = units[i] >= 0xDC00 && units[i] <= 0xDFFF;
    if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      ++i;
    } else if (high || low) {
      return true;
    }
  }
  return false;
}

std::string Printable(std::u16string_view text) {
  std::string out;
  for (const char16_t unit : text) {
    if (unit >= 0x20 && unit < 0x7F && unit != u'\\') {
      out += static_cast<char>(unit);
    } else {
      char escape[10];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(unit));
      out += escape;
    }
  }
  return out;
}

}  // namespace velmorra::fuzzing
