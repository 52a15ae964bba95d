// The phone escapes of `phones` and `--phone`: any byte string printed by the writer reads back
// exactly and stays on one line; any argument the reader accepts names a phone that prints back
// to the same phone; only a backslash can make an argument unreadable.
#include <cstdint>
#include <optional>
#include <string>

#include "app/cli/escaped_text.h"
#include "fuzz_check.h"

namespace velmorra::fuzzing {
namespace {

void CheckPrintedPhone(const std::string& phone) {
  const std::string line = EscapedText(phone);
  for (const char c : line) {
    const auto byte = static_cast<unsigned char>(c);
    FUZZ_CHECK(byte >= 0x20 && byte != 0x7F, Printable(phone) + " printed " + Printable(line));
  }
  const std::optional<std::string> back = UnescapedText(line);
  FUZZ_CHECK(back && *back == phone, Printable(phone) + " printed " + Printable(line));
}

void CheckArgument(const std::string& argument) {
  const std::optional<std::string> phone = UnescapedText(argument);
  if (!phone) {
    FUZZ_CHECK(argument.find('\\') != std::string::npos, Printable(argument));
    return;
  }
  if (argument.find('\\') == std::string::npos)
    FUZZ_CHECK(*phone == argument, Printable(argument));
  CheckPrintedPhone(*phone);
}

}  // namespace
}  // namespace velmorra::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmorra::fuzzing;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckPrintedPhone(bytes);
  CheckArgument(bytes);
  return 0;
}
