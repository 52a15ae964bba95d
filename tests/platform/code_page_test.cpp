#include "platform/code_page.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace velmorra {
namespace {

TEST(CodePage, AnsiCodePageIsUtf8) {
  EXPECT_EQ(DefaultAnsiCodePage(), 65001);
}

// The worst text for ISO-2022-JP: a change of character set before every character.
TEST(CodePage, AlternatingScriptsFitTheIsoJapaneseRoom) {
  std::u16string text;
  for (int i = 0; i < 50; ++i)
    text += u"a\u00A5\u00E9\u65E5";
  std::vector<char> out(CodePageOutputRoom(50220, text.size()));
  int error_code = 0;
  const std::optional<size_t> length =
      Utf16ToCodePage(50220, text, out.data(), out.size(), error_code);
  ASSERT_TRUE(length.has_value()) << error_code;
  EXPECT_EQ(std::string(out.data(), 9), "a\x1B(J\\\x1B(B?");
  EXPECT_EQ(std::string(out.data() + *length - 3, 3), "\x1B(B");
}

TEST(CodePage, TooLittleRoomFails) {
  char out[3];
  int error_code = 0;
  EXPECT_FALSE(Utf16ToCodePage(1252, u"abcd", out, sizeof out, error_code).has_value());
  EXPECT_EQ(error_code, E2BIG);
  EXPECT_FALSE(Utf16ToCodePage(1252, u"ab\u0416", out, 2, error_code).has_value());
  EXPECT_EQ(error_code, E2BIG);
}

TEST(CodePage, UnknownCodePageFails) {
  char out[8];
  int error_code = 0;
  EXPECT_FALSE(Utf16ToCodePage(1, u"a", out, sizeof out, error_code).has_value());
  EXPECT_EQ(error_code, EINVAL);
}

// The converter is kept between calls; switching code pages must not mix them up.
TEST(CodePage, AlternatingCodePagesConvertEachCorrectly) {
  char out[8];
  int error_code = 0;
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(Utf16ToCodePage(1251, u"\u0416", out, sizeof out, error_code), 1u);
    EXPECT_EQ(out[0], '\xC6');
    ASSERT_EQ(Utf16ToCodePage(28595, u"\u0416", out, sizeof out, error_code), 1u);
    EXPECT_EQ(out[0], '\xB6');
  }
}

TEST(CodePage, IsoJapaneseStartsEveryTextInAscii) {
  char out[32];
  int error_code = 0;
  ASSERT_EQ(Utf16ToCodePage(50220, u"\u65E5", out, sizeof out, error_code), 8u);
  // A text left unfinished by an earlier failure must not leak its shift state.
  Utf16ToCodePage(50220, u"\u65E5\u65E5\u65E5", out, 4, error_code);
  ASSERT_EQ(Utf16ToCodePage(50220, u"a", out, sizeof out, error_code), 1u);
  EXPECT_EQ(out[0], 'a');
}

}  // namespace
}  // namespace velmorra
