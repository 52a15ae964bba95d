#include "export/timestamp.h"

#include <gtest/gtest.h>
#include <time.h>

#include <chrono>
#include <cstdint>
#include <string>

namespace velmorra {
namespace {

struct TConversionCase {
  std::string text;
  int64_t millis;
};

class TimestampConversion : public ::testing::TestWithParam<TConversionCase> {};

TEST_P(TimestampConversion, GivesWholeSecondsSince1970) {
  EXPECT_EQ(TimestampToUnixMillis(GetParam().text), GetParam().millis)
      << "text \"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    WorkedValues, TimestampConversion,
    ::testing::Values(
        TConversionCase{"40179.5", 1262347200000}, TConversionCase{"40179,5", 1262347200000},
        TConversionCase{"40179", 1262304000000}, TConversionCase{"25569", 0},
        TConversionCase{"0", -2209161600000},
        // Products exactly halfway go to the even second: 1012.5 and 337.5.
        TConversionCase{"25569.01171875", 1012000}, TConversionCase{"25569.00390625", 338000},
        TConversionCase{"25568.98828125", -1012000}, TConversionCase{"25568.99609375", -338000}));

INSTANTIATE_TEST_SUITE_P(
    NumberSyntax, TimestampConversion,
    ::testing::Values(
        TConversionCase{"  40179.5  ", 1262347200000}, TConversionCase{"+40179,5", 1262347200000},
        TConversionCase{"+40179.5", 1262347200000}, TConversionCase{"-1", -2209248000000},
        TConversionCase{"4.01795E4", 1262347200000}, TConversionCase{"4,01795e4", 1262347200000},
        TConversionCase{"401795e-1", 1262347200000}, TConversionCase{"0.401795e+5", 1262347200000},
        TConversionCase{".", -2209161600000}, TConversionCase{",", -2209161600000},
        TConversionCase{"-.", -2209161600000}, TConversionCase{"40179.", 1262304000000},
        TConversionCase{".5e5", 2110838400000},
        // An exponent without digits is exponent 0.
        TConversionCase{"40179e", 1262304000000}, TConversionCase{"40179,5E-", 1262347200000},
        TConversionCase{"00040179.50000", 1262347200000},
        // Too small for a double: zero, not a failed reading.
        TConversionCase{"1e-400", -2209161600000},
        TConversionCase{"0.0000001e-99999999999999999999", -2209161600000},
        TConversionCase{"1e-99999999999999999999999", -2209161600000},
        TConversionCase{"0e99999999999999999999", -2209161600000}));

// Day counts whose product lies within a ten-millionth of a second of a half second, where
// rounding the product in double precision would give the neighbouring second.
INSTANTIATE_TEST_SUITE_P(ExtendedPrecision, TimestampConversion,
                         ::testing::Values(TConversionCase{"40179.000052083335", 1262304005000},
                                           TConversionCase{"40179.000144675927", 1262304013000},
                                           TConversionCase{"40179.000295138889", 1262304025000},
                                           TConversionCase{"40179.000387731481", 1262304033000}));

// Beyond the 64-bit range the result stops at the largest whole second that fits.
INSTANTIATE_TEST_SUITE_P(
    OutOfRange, TimestampConversion,
    ::testing::Values(TConversionCase{"1e12", 9223372036854775000},
                      TConversionCase{"-1e12", -9223372036854775000},
                      TConversionCase{"1.7976931348623157e308", 9223372036854775000},
                      TConversionCase{"-1.7976931348623157e308", -9223372036854775000},
                      // The last whole day whose milliseconds fit, and the day after it.
                      TConversionCase{"106752016736", 9223372036828800000},
                      TConversionCase{"106752016737", 9223372036854775000},
                      TConversionCase{"-106751965598", -9223372036828800000},
                      TConversionCase{"-106751965599", -9223372036854775000}));

// Midnight of today's local date as milliseconds, the date taken as if it were in UTC.
int64_t LocalMidnightMillis() {
  const time_t now = time(nullptr);
  const struct tm local = *localtime(&now);  // one thread: the shared result is safe here
  const std::chrono::year_month_day date{std::chrono::year{local.tm_year + 1900},
                                         std::chrono::month{unsigned(local.tm_mon + 1)},
                                         std::chrono::day{unsigned(local.tm_mday)}};
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::sys_days{date}.time_since_epoch())
      .count();
}

class TimestampFallback : public ::testing::TestWithParam<std::string> {};

TEST_P(TimestampFallback, GivesLocalMidnightOfToday) {
  const int64_t before = LocalMidnightMillis();
  const int64_t result = TimestampToUnixMillis(GetParam());
  const int64_t after = LocalMidnightMillis();
  // The date may change between the readings, just after midnight.
  EXPECT_TRUE(result == before || result == after)
      << "text \"" << GetParam() << "\" gave " << result << ", expected " << before;
}

INSTANTIATE_TEST_SUITE_P(UnreadableTexts, TimestampFallback,
                         ::testing::Values("", " ", "   ", "4,0179.5", "40,179,5", "40.179.5",
                                           "\t40179.5", "40179.5\t", "40 179", "+", "-", "e5", "E",
                                           "+e1", "--1", "+-1", "1e5e", "1e+-5", "40179.5x", "abc",
                                           "0x10", "1e400", "-1e400", "9e99999999999999",
                                           "0.001e99999999999999999999999", "inf", "nan",
                                           "infinity", "1,5.", "1.5,", ",.", "40179,5 e3",
                                           std::string("40179\0", 6)));

}  // namespace
}  // namespace velmorra
