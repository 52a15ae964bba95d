#include "platform/temporary_file_name.h"

#include <random>

namespace velmorra {

namespace {

constexpr std::string_view kPrefix = ".velmorra-";
constexpr std::string_view kSuffix = ".tmp";
constexpr size_t kRandomLength = 8;

bool IsLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

std::string NewTemporaryFileName() {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof kLetters - 2);
  std::string name(kPrefix);
  for (size_t i = 0; i < kRandomLength; ++i)
    name.push_back(kLetters[pick(generator)]);
  name += kSuffix;
  return name;
}

bool IsTemporaryFileName(std::string_view name) {
  if (name.size() != kPrefix.size() + kRandomLength + kSuffix.size() ||
      !name.starts_with(kPrefix) || !name.ends_with(kSuffix)) {
    return false;
  }
  for (char c : name.substr(kPrefix.size(), kRandomLength)) {
    if (!IsLetterOrDigit(c))
      return false;
  }
  return true;
}

}  // namespace velmorra
