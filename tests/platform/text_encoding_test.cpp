#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace velmorra {
namespace {

struct TMalformedCase {
  std::string bytes;
  const char* what;
};

class MalformedUtf8 : public ::testing::TestWithParam<TMalformedCase> {};

TEST_P(MalformedUtf8, DecodesToNothing) {
  EXPECT_FALSE(DecodeUtf8(GetParam().bytes).has_value()) << GetParam().what;
  EXPECT_EQ(Utf8ToUtf16(GetParam().bytes), u"") << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, MalformedUtf8,
    ::testing::Values(TMalformedCase{"\xC0\x80", "overlong U+0000"},
                      TMalformedCase{"\xC1\xBF", "overlong two bytes"},
                      TMalformedCase{"\xE0\x80\xAF", "overlong three bytes"},
                      TMalformedCase{"\xF0\x80\x80\xAF", "overlong four bytes"},
                      TMalformedCase{"\xED\xA0\xBD", "encoded high surrogate"},
                      TMalformedCase{"\xED\xBF\xBF", "encoded low surrogate"},
                      TMalformedCase{"\xF4\x90\x80\x80", "above U+10FFFF"},
                      TMalformedCase{"\xF5\x80\x80\x80", "lead byte F5"},
                      TMalformedCase{"\xFF", "byte FF"},
                      TMalformedCase{"ok\x80", "stray continuation"},
                      TMalformedCase{"\xC3", "missing continuation at the end"},
                      TMalformedCase{"\xE2\x82", "truncated three-byte sequence"},
                      TMalformedCase{"\xC3(", "continuation replaced by ASCII"},
                      TMalformedCase{"abc\xF0\x9F\x98", "truncated four-byte sequence"}));

TEST(Utf8Decoding, WellFormedTextDecodes) {
  EXPECT_EQ(DecodeUtf8(""), u"");
  EXPECT_EQ(DecodeUtf8(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
  EXPECT_EQ(DecodeUtf8("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF\xEF\xBF\xBF"),
            u"\u00E9\u20AC\U0001F600\U0010FFFF\uFFFF");
}

TEST(Utf8Encoding, LoneSurrogatesBecomeReplacementCharacters) {
  EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD83D, u'a', 0xDE00}),
            "\xEF\xBF\xBD"
            "a\xEF\xBF\xBD");
}

TEST(AnsiText, EachBadByteBecomesAReplacementCharacter) {
  EXPECT_EQ(AnsiToUtf16("a\xE9\xFF"
                        "b\xC3\xA9"),
            u"a\uFFFD\uFFFDb\u00E9");
}

}  // namespace
}  // namespace velmorra
