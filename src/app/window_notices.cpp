#include "app/window_notices.h"

#include "platform/file_system.h"

namespace velmorra {

namespace {

constexpr char kEllipsis[] = "\xE2\x80\xA6";  // U+2026, in UTF-8

std::string FileNameOf(const std::string& path) {
  size_t name_start = path.size();
  while (name_start > 0 && !IsPathSeparator(path[name_start - 1]))
    --name_start;
  return path.substr(name_start);
}

}  // namespace

std::string BackupFolderNotice(const std::string& output_directory) {
  return "Backups are saved in " + output_directory;
}

std::string ConversionNotice(int64_t message_count, const std::string& file_name,
                             bool name_folder) {
  return GroupedNumber(message_count) + (message_count == 1 ? " message" : " messages") +
         " saved to " + (name_folder ? file_name : FileNameOf(file_name));
}

std::string PickedDatastoreNotice(const std::string& caption, const std::string& path) {
  return caption + ": " + path;
}

std::string ReadingNotice(const std::string& path) {
  return "Reading the phones of " + path + kEllipsis;
}

std::string ConvertingNotice(int64_t done, int64_t total) {
  std::string text = std::string("Converting") + kEllipsis;
  if (total < 0 && done == 0)
    return text;
  text += " " + GroupedNumber(done);
  if (total >= 0)
    text += " of " + GroupedNumber(total);
  return text + " messages";
}

std::string GroupedNumber(int64_t number) {
  const std::string digits = std::to_string(number);
  const size_t first = digits.front() == '-' ? 1 : 0;
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > first && (digits.size() - i) % 3 == 0)
      grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

std::string BackupFileErrorMessage(const std::string& text, bool written, bool program_folder) {
  std::string advice;
  if (written) {
    advice = "Make room on the disk and convert again.";
  } else if (program_folder) {
    advice = "Move Velmorra to a folder you can write to, such as Documents.";
  } else {
    advice =
        "Make sure that you can write to that folder and that no other program has the file "
        "open, then convert again.";
  }
  return text + "\r\n\r\n" + advice;
}

}  // namespace velmorra
