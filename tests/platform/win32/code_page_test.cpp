// The code pages as Windows itself converts them. Wine converts neither 50220 nor 51932, so
// those two are left to a real Windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/code_page.h"

namespace velmorra {
namespace {

std::string Converted(uint16_t code_page, const std::u16string& text) {
  std::vector<char> out(CodePageOutputRoom(code_page, text.size()));
  int error = 0;
  const std::optional<size_t> length =
      Utf16ToCodePage(code_page, text, out.data(), out.size(), error);
  EXPECT_TRUE(length.has_value()) << "code page " << code_page << ", error " << error;
  return length ? std::string(out.data(), *length) : std::string();
}

TEST(Win32CodePage, ConvertsAsWindowsWithQuestionMarkForWhatIsMissing) {
  struct TCase {
    uint16_t CodePage;
    std::u16string Text;
    std::string Bytes;
  };
  const std::vector<TCase> cases = {
      {1252, u"A\u20AC\u00E9\u0416", "A\x80\xE9?"},
      {1251, u"\u0416\u00E9\u4E00",
       "\xC6"
       "e?"},  // Windows' best fit: "e" for U+00E9
      {28591, u"\u00FF\u20AC", "\xFF?"},
      {932, u"\u65E5\u672C\u0416\u0E01", "\x93\xFA\x96\x7B\x84\x47?"},
      {1252, u"x\xD800y", "x?y"},  // a lone surrogate
  };
  for (const TCase& c : cases)
    EXPECT_EQ(Converted(c.CodePage, c.Text), c.Bytes) << "code page " << c.CodePage;
}

TEST(Win32CodePage, CodePageZeroIsTheSystemsAnsiCodePageAndUnknownOnesFail) {
  EXPECT_EQ(DefaultAnsiCodePage(), 1252) << "Wine's ANSI code page";
  char out[8];
  int error = 0;
  EXPECT_FALSE(Utf16ToCodePage(12345, u"a", out, sizeof out, error).has_value());
  EXPECT_NE(error, 0);
  EXPECT_FALSE(Utf16ToCodePage(1252, u"abc", out, 2, error).has_value()) << "room too small";
}

}  // namespace
}  // namespace velmorra
