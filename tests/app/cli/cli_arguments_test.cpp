#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/cli/cli_command.h"
#include "app/cli/escaped_text.h"

namespace velmorra {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(ParseArguments, SortsOptionsFlagsAndPositionalArguments) {
  const TParsedArguments parsed = ParseArguments(
      {"a.db3", "--phone", "-1", "--output-dir=out", "-", "--", "--help"}, {"phone", "output-dir"});

  EXPECT_EQ(parsed.Error, "");
  EXPECT_FALSE(parsed.Help);
  EXPECT_THAT(parsed.Positional, ElementsAre("a.db3", "-", "--help"));
  EXPECT_EQ(parsed.Option("phone"), "-1");
  EXPECT_EQ(parsed.Option("output-dir"), "out");
  EXPECT_EQ(parsed.Option("other"), std::nullopt);
}

TEST(ParseArguments, EmptyValuesAreValues) {
  const TParsedArguments parsed =
      ParseArguments({"--phone", "", "--output-dir="}, {"phone", "output-dir"});

  EXPECT_EQ(parsed.Error, "");
  EXPECT_EQ(parsed.Option("phone"), "");
  EXPECT_EQ(parsed.Option("output-dir"), "");
  EXPECT_THAT(parsed.Positional, IsEmpty());
}

TEST(ParseArguments, NamesWhatIsWrong) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--colour", "red"}, "unknown option \"--colour\""},
      {{"-p"}, "unknown option \"-p\""},
      {{"--phone"}, "option --phone needs a value"},
      {{"--phone", "1", "--phone=2"}, "option --phone given twice"},
  };
  for (const auto& [arguments, error] : cases) {
    EXPECT_EQ(ParseArguments(arguments, {"phone"}).Error, error);
  }
}

TEST(EscapedText, KeepsOnePhoneALineAndReadsBackWhatItWrote) {
  const std::vector<std::pair<std::string, std::string>> round_trips = {
      {"356938035643809", "356938035643809"},
      {"", ""},
      {"All Phones", "All Phones"},
      {"two\nlines", "two\\nlines"},
      {"line\nbreak\r\ttab", "line\\nbreak\\r\\ttab"},
      {"back\\slash\\n", "back\\\\slash\\\\n"},
      {std::string("nul\0\x01\x1f\x7f", 7), "nul\\x00\\x01\\x1f\\x7f"},
      {"\x33\x35\xff\x31 caf\xc3\xa9", "35\\xff1 caf\xc3\xa9"},
      {"\xed\xa0\xbd \xc3", "\\xed\\xa0\\xbd \\xc3"},
  };
  for (const auto& [text, escaped] : round_trips) {
    EXPECT_EQ(EscapedText(text), escaped);
    EXPECT_EQ(UnescapedText(escaped), text) << escaped;
  }
  EXPECT_EQ(UnescapedText("\\x4A\\x4a"), "JJ") << "either case of hexadecimal digit";

  for (const char* wrong : {"\\", "end\\", "\\q", "\\x4", "\\xg0", "\\N"}) {
    EXPECT_EQ(UnescapedText(wrong), std::nullopt) << wrong;
  }
}

}  // namespace
}  // namespace velmorra
