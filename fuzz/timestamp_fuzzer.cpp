// The timestamp conversion, from any text and from any stored number: the result is what the C
// library reads the text as, or the documented fallback (today's local midnight) for a text that
// is no day count; a number converts as the text SQLite makes of it. UBSan watches the arithmetic.
#include <sqlite3.h>

#include <cerrno>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
// g++ 12 under ASan warns falsely about libstdc++'s own std::function inside std::regex.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <regex>
#include <string>

#include "export/timestamp.h"
#include "fuzz_check.h"

namespace velmorra::fuzzing {
namespace {

constexpr int64_t kLargestSeconds = INT64_MAX / 1000;

// The day-count grammar with `separator`, read by the C library: blanks (spaces), a sign, digits
// with the separator somewhere (or the separator alone), an exponent whose digits may be missing.
// Nothing when the text does not follow it or the value is too large for a double.
std::optional<double> LibraryReading(const std::string& text, char separator) {
  static const std::regex comma(" *([+-]?)([0-9]*)(,([0-9]*))?([eE]([+-]?[0-9]*))? *");
  static const std::regex full_stop(" *([+-]?)([0-9]*)(\\.([0-9]*))?([eE]([+-]?[0-9]*))? *");
  const std::regex& grammar = separator == ',' ? comma : full_stop;
  std::smatch parts;
  if (!std::regex_match(text, parts, grammar) || (parts[2].length() == 0 && !parts[3].matched))
    return std::nullopt;
  std::string plain = parts[1].str() + "0" + parts[2].str() + "." + parts[4].str();
  const std::string exponent = parts[6].str();
  if (exponent.find_first_of("0123456789") != std::string::npos)
    plain += "e" + exponent;
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(plain.c_str(), &end);
  FUZZ_CHECK(end == plain.c_str() + plain.size(), plain);
  if (errno == ERANGE && std::isinf(value))
    return std::nullopt;
  return value;
}

int64_t MillisOf(double day_count) {
  const long double seconds =
      std::nearbyintl((static_cast<long double>(day_count) - 25569) * 86400);
  if (seconds >= kLargestSeconds)
    return kLargestSeconds * 1000;
  if (seconds <= -kLargestSeconds)
    return -kLargestSeconds * 1000;
  return static_cast<int64_t>(seconds) * 1000;
}

// Texts longer than this are only converted: the oracle's regular expression recurses per byte.
constexpr size_t kLongestCheckedText = 300;

void CheckText(const std::string& text) {
  const int64_t millis = TimestampToUnixMillis(text);
  FUZZ_CHECK(millis % 1000 == 0, Printable(text));
  if (text.size() > kLongestCheckedText)
    return;
  std::optional<double> day_count = LibraryReading(text, ',');
  if (!day_count)
    day_count = LibraryReading(text, '.');
  if (day_count) {
    FUZZ_CHECK(millis == MillisOf(*day_count), Printable(text) + " gave " + std::to_string(millis) +
                                                   " instead of " +
                                                   std::to_string(MillisOf(*day_count)));
    return;
  }
  // Today's local midnight, counted as if it were UTC: a whole day, within a day of now.
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  FUZZ_CHECK(millis == TimestampToUnixMillis("") && millis % 86400000 == 0, Printable(text));
  FUZZ_CHECK(std::llabs(millis / 1000 - now) < 2 * 86400, Printable(text));
}

// The text SQLite gives for a stored REAL, by the library itself.
std::string LibraryTextOf(double value) {
  static sqlite3* db = [] {
    sqlite3* opened = nullptr;
    sqlite3_open(":memory:", &opened);
    return opened;
  }();
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, "SELECT CAST(?1 AS TEXT)", -1, &statement, nullptr);
  sqlite3_bind_double(statement, 1, value);
  std::string text;
  if (sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0) != nullptr)
    text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
  sqlite3_finalize(statement);
  return text;
}

void CheckNumbers(uint64_t bits) {
  const auto integer = static_cast<int64_t>(bits);
  FUZZ_CHECK(
      IntegerTimestampToUnixMillis(integer) == TimestampToUnixMillis(std::to_string(integer)),
      std::to_string(integer));
  double real;
  std::memcpy(&real, &bits, sizeof real);
  const std::optional<int64_t> millis = RealTimestampToUnixMillis(real);
  if (millis) {
    const std::string text = LibraryTextOf(real);
    FUZZ_CHECK(*millis == TimestampToUnixMillis(text), text + " gave " + std::to_string(*millis));
  }
}

}  // namespace
}  // namespace velmorra::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmorra::fuzzing;
  const std::string text(reinterpret_cast<const char*>(data), size);
  CheckText(text);
  TFuzzInput input(data, size);
  CheckNumbers(input.Word64());
  return 0;
}
