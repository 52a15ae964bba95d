#include "export/timestamp.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/clock.h"

namespace velmorra {

namespace {

constexpr long double kUnixEpochDayCount = 25569;
constexpr long double kSecondsPerDay = 86400;
constexpr int64_t kMillisecondsPerSecond = 1000;
// The whole seconds whose milliseconds still fit in 64 bits.
constexpr int64_t kLargestSeconds = INT64_MAX / kMillisecondsPerSecond;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

size_t SkipDigits(std::string_view text, size_t pos) {
  while (pos < text.size() && IsDigit(text[pos]))
    ++pos;
  return pos;
}

size_t SkipBlanks(std::string_view text, size_t pos) {
  while (pos < text.size() && text[pos] == ' ')
    ++pos;
  return pos;
}

// The pieces of a number read by the day-count grammar, as digit strings.
struct TNumberText {
  bool negative = false;
  std::string_view integer_digits;
  std::string_view fraction_digits;
  bool exponent_negative = false;
  std::string_view exponent_digits;
};

// Splits `text` by the grammar: blanks (spaces only), an optional sign, digits, optionally the
// separator and digits (at least one of the three), optionally "E" or "e" with an optional sign and
// digits, blanks. Nothing when anything else is there.
std::optional<TNumberText> SplitNumber(std::string_view text, char separator) {
  TNumberText number;
  size_t pos = SkipBlanks(text, 0);
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    number.negative = text[pos] == '-';
    ++pos;
  }
  size_t end = SkipDigits(text, pos);
  number.integer_digits = text.substr(pos, end - pos);
  pos = end;
  bool has_separator = false;
  if (pos < text.size() && text[pos] == separator) {
    has_separator = true;
    end = SkipDigits(text, ++pos);
    number.fraction_digits = text.substr(pos, end - pos);
    pos = end;
  }
  if (number.integer_digits.empty() && !has_separator)
    return std::nullopt;
  if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
    ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
      number.exponent_negative = text[pos] == '-';
      ++pos;
    }
    end = SkipDigits(text, pos);
    number.exponent_digits = text.substr(pos, end - pos);
    pos = end;
  }
  if (SkipBlanks(text, pos) != text.size())
    return std::nullopt;
  return number;
}

// The decimal exponent of the number's leading significant digit, plus one (1 for 1.5, 0 for
// 0.5, -1 for 0.05): positive for values of 1 and above, which cannot underflow, and not positive
// for values below 1, which cannot overflow. Saturates far outside any double's range.
int64_t MagnitudeExponent(const TNumberText& number) {
  constexpr int64_t kSaturation = int64_t{1} << 60;
  int64_t exponent = 0;
  for (char digit : number.exponent_digits) {
    exponent = exponent >= kSaturation / 10 ? kSaturation : exponent * 10 + (digit - '0');
  }
  if (number.exponent_negative)
    exponent = -exponent;
  const size_t first_significant = number.integer_digits.find_first_not_of('0');
  if (first_significant != std::string_view::npos) {
    return exponent + static_cast<int64_t>(number.integer_digits.size() - first_significant);
  }
  const size_t leading_zeros = number.fraction_digits.find_first_not_of('0');
  return exponent - static_cast<int64_t>(leading_zeros);
}

bool IsZero(const TNumberText& number) {
  return number.integer_digits.find_first_not_of('0') == std::string_view::npos &&
         number.fraction_digits.find_first_not_of('0') == std::string_view::npos;
}

// Reads `text` as a number with `separator` as its decimal separator. Nothing when the text does
// not follow the grammar or the value lies beyond the range of a double; a value too small for a
// double reads as zero.
std::optional<double> ReadNumber(std::string_view text, char separator) {
  const std::optional<TNumberText> number = SplitNumber(text, separator);
  if (!number)
    return std::nullopt;
  const double zero = number->negative ? -0.0 : 0.0;
  if (IsZero(*number))
    return zero;

  // The same number in the one form that from_chars reads, independent of the locale; on the
  // stack, as a stored moment is short.
  const std::string_view pieces[] = {
      number->negative ? "-" : "",
      number->integer_digits.empty() ? std::string_view("0") : number->integer_digits,
      ".",
      number->fraction_digits,
      number->exponent_digits.empty() ? "" : (number->exponent_negative ? "e-" : "e"),
      number->exponent_digits};
  size_t length = 0;
  for (const std::string_view piece : pieces)
    length += piece.size();
  char on_stack[64];
  std::string on_heap;
  char* plain = on_stack;
  if (length > sizeof on_stack) {
    on_heap.resize(length);
    plain = on_heap.data();
  }
  char* end = plain;
  for (const std::string_view piece : pieces)
    end = std::copy(piece.begin(), piece.end(), end);
  double value = 0;
  const std::from_chars_result result = std::from_chars(plain, end, value);
  if (result.ec == std::errc::result_out_of_range) {
    if (MagnitudeExponent(*number) > 0)
      return std::nullopt;
    return zero;
  }
  if (result.ec != std::errc() || result.ptr != end)
    return std::nullopt;
  return value;
}

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

// Today's local date at 00:00 as a day count since 1899-12-30.
double TodayDayCount() {
  const TCalendarDate today = LocalDateToday();
  return static_cast<double>(DaysFromCivil(today.Year, today.Month, today.Day) -
                             DaysFromCivil(1899, 12, 30));
}

// Rounds to the nearest integer, a value halfway between two going to the even one.
long double RoundHalfToEven(long double value) {
  const long double lower = std::floor(value);
  const long double above = value - lower;
  if (above < 0.5L)
    return lower;
  if (above > 0.5L)
    return lower + 1;
  return std::fmod(lower, 2.0L) == 0 ? lower : lower + 1;
}

// Whole milliseconds since 1970 of a finite day count, rounded to the second.
int64_t DayCountToUnixMillis(double day_count) {
  // In extended precision, so that a product a hair above or below a half second rounds by its
  // true value.
  const long double seconds =
      RoundHalfToEven((static_cast<long double>(day_count) - kUnixEpochDayCount) * kSecondsPerDay);
  if (seconds >= static_cast<long double>(kLargestSeconds)) {
    return kLargestSeconds * kMillisecondsPerSecond;
  }
  if (seconds <= -static_cast<long double>(kLargestSeconds)) {
    return -kLargestSeconds * kMillisecondsPerSecond;
  }
  return static_cast<int64_t>(seconds) * kMillisecondsPerSecond;
}

}  // namespace

// A text with a comma reads by the comma or not at all (a full stop would break the grammar);
// one without reads by the comma only where it has no separator at all, and then reads the same
// by the full stop. So one reading, by the separator the text may have, does.
int64_t TimestampToUnixMillis(std::string_view Text) {
  const char separator = Text.find(',') != std::string_view::npos ? ',' : '.';
  std::optional<double> day_count = ReadNumber(Text, separator);
  if (!day_count || !std::isfinite(*day_count))
    day_count = TodayDayCount();
  return DayCountToUnixMillis(*day_count);
}

// The decimal digits of an integer read back give the double nearest to it, as the conversion
// does.
int64_t IntegerTimestampToUnixMillis(int64_t Value) {
  return DayCountToUnixMillis(static_cast<double>(Value));
}

// Below a million days the 15 digits keep at least nine decimals of the day, so the text lies
// within 5e-10 days (43 microseconds) of the value: a second that is not within a millisecond of a
// half comes out the same from either.
std::optional<int64_t> RealTimestampToUnixMillis(double Value) {
  constexpr double kLargestDayCount = 1e6;
  constexpr long double kSafeDistanceSeconds = 1e-3L;
  if (!(std::fabs(Value) < kLargestDayCount))
    return std::nullopt;
  const long double seconds =
      (static_cast<long double>(Value) - kUnixEpochDayCount) * kSecondsPerDay;
  const long double above = seconds - std::floor(seconds);
  if (std::fabs(above - 0.5L) < kSafeDistanceSeconds)
    return std::nullopt;
  return DayCountToUnixMillis(Value);
}

}  // namespace velmorra
