#include "export/backup_file_name.h"

#include <string_view>

namespace velmorra {

namespace {

// Every character concerned is ASCII, and in UTF-8 (the ANSI code page here) a byte below 80 always
// stands for itself, never for part of another character, so the text can be mended byte by byte.
bool ForbiddenInFileName(unsigned char byte) {
  constexpr std::string_view kForbidden = "/\\:*?\"<>|";
  return byte < 0x20 || kForbidden.find(static_cast<char>(byte)) != std::string_view::npos;
}

}  // namespace

std::string BackupFileName(const std::string& PhoneText) {
  std::string name = "sms_";
  for (const char c : PhoneText) {
    name += ForbiddenInFileName(static_cast<unsigned char>(c)) ? '_' : c;
  }
  return name + ".xml";
}

}  // namespace velmorra
