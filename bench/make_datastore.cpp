// velmorra-make-datastore PATH [ROWS] [SEED]: writes a datastore of ROWS generated MessageEx rows
// (default 1,000,000) in the sample's shape, about 90% of them SMS, for the export benchmark.
#include <charconv>
#include <cstdint>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "support/message_datastore.h"

namespace {

constexpr char kUsage[] = "Usage: velmorra-make-datastore PATH [ROWS] [SEED]\n";

// `text` as a whole unsigned decimal number, if it is one.
template <typename TNumber>
std::optional<TNumber> ReadNumber(std::string_view text) {
  TNumber value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.starts_with('-'))
    return std::nullopt;
  return value;
}

}  // namespace

int main(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      std::cout << kUsage;
      return 0;
    }
    // No option is known: a name that starts with a dash is a mistyped option, not a file to fill.
    if (argument.starts_with('-')) {
      std::cerr << "velmorra-make-datastore: unknown option " << argument << '\n' << kUsage;
      return 2;
    }
  }
  if (argc < 2 || argc > 4) {
    std::cerr << kUsage;
    return 2;
  }
  velmorra::testing::TGeneratedMessages shape;
  shape.Count = 1000000;
  if (argc > 2) {
    const std::optional<int64_t> rows = ReadNumber<int64_t>(argv[2]);
    if (!rows || *rows <= 0) {
      std::cerr << "velmorra-make-datastore: ROWS must be a positive number\n" << kUsage;
      return 2;
    }
    shape.Count = *rows;
  }
  if (argc > 3) {
    const std::optional<uint32_t> seed = ReadNumber<uint32_t>(argv[3]);
    if (!seed) {
      std::cerr << "velmorra-make-datastore: SEED must be a number\n" << kUsage;
      return 2;
    }
    shape.Seed = *seed;
  }
  try {
    const int64_t sms = velmorra::testing::WriteGeneratedDatastore(argv[1], shape);
    std::cout << argv[1] << ": " << shape.Count << " rows, " << sms << " of them SMS\n";
  } catch (const std::exception& error) {
    std::cerr << "velmorra-make-datastore: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
