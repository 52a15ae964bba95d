#include "xml/escape_markup.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "xml/dictionary.h"
#include "xml/memory_byte_stream.h"
#include "xml/orvik_text_stream.h"

namespace velmorra {
namespace {

struct TEscapeCase {
  const char* what;
  std::u16string text;
  std::u16string escaped;
};

TEST(EscapeMarkupTest, ReplacesWhatAParserWouldNotGiveBack) {
  const std::vector<TEscapeCase> cases = {
      {"empty", u"", u""},
      {"plain", u"Hello world", u"Hello world"},
      {"the five markup characters", u"\"&'<>", u"&quot;&amp;&apos;&lt;&gt;"},
      {"markup inside text", u"Tom & \"Jerry\"", u"Tom &amp; &quot;Jerry&quot;"},
      {"an entity is escaped again", u"&amp;", u"&amp;amp;"},
      {"line breaks and tab", u"a\r\nb\tc\nd", u"a&#13;&#10;b&#9;c&#10;d"},
      {"controls XML forbids", std::u16string(u"\0\x01\x08\x0B\x0C\x0E\x1F", 7),
       u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"controls XML allows", u"\u007F\u0080\u009F", u"\u007F\u0080\u009F"},
      {"noncharacters U+FFFE and U+FFFF", u"a\uFFFEb\uFFFFc", u"a\uFFFDb\uFFFDc"},
      {"replacement character and BMP text", u"\uFFFD caf\u00E9 \u4E2D\uFFFC",
       u"\uFFFD caf\u00E9 \u4E2D\uFFFC"},
      {"surrogate pair", u"\U0001F600<", u"\U0001F600&lt;"},
      {"lone high surrogate",
       std::u16string(u"a\xD83D"
                      u"b",
                      3),
       u"a\uFFFDb"},
      {"lone high surrogate at the end", std::u16string(u"a\xD83D", 2), u"a\uFFFD"},
      {"lone low surrogate", std::u16string(u"\xDE00x", 2), u"\uFFFDx"},
      {"pair in the wrong order", std::u16string(u"\xDE00\xD83D", 2), u"\uFFFD\uFFFD"},
      {"high surrogate before a pair", std::u16string(u"\xD83D\xD83D\xDE00", 3),
       u"\uFFFD\U0001F600"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EscapeMarkup(c.text), c.escaped) << c.what;
}

// The bytes the UTF-8 text stream writes for `text`.
std::string Utf8Written(std::u16string_view text) {
  TMemoryByteStream memory;
  TOrvikTextStream(memory, kOrvikWrite, 0, kCodePageUtf8).WriteText(text);
  return memory.Bytes();
}

// Made from the dictionary's stored form, the bytes are those of the text, or of its escaped form,
// written as UTF-8: for each character that needs work at every position around the runs of
// plain text that are looked at sixteen bytes at a time.
TEST(EscapeMarkupTest, StoredFormsGiveTheBytesOfTheTextWrittenAsUtf8) {
  const std::u16string specials[] = {u"\"",
                                     u"&",
                                     u"'",
                                     u"<",
                                     u">",
                                     u"\r",
                                     u"\t",
                                     std::u16string(1, u'\0'),
                                     u"\x1F",
                                     u"\uFFFE",
                                     u"\uFFFF",
                                     u"\U0001F600",
                                     std::u16string(1, u'\xD83D'),
                                     u"\u00E9",
                                     u"\u4E2D",
                                     u"\u00E9<",
                                     u"\u044F\u044F&\u044F"};
  TDictionary dictionary;
  for (const std::u16string& special : specials) {
    for (size_t position = 0; position < 40; ++position) {
      std::u16string text = u"0123456789abcdefghij0123456789abcdefghij";
      text.insert(position, special);
      const std::string_view stored = dictionary.StoredForm(dictionary.Intern(text));
      std::string escaped = "x";
      AppendEscapedAsUtf8(stored, escaped);
      EXPECT_EQ(escaped, "x" + Utf8Written(EscapeMarkup(text))) << position;
      std::string plain = "x";
      AppendStoredAsUtf8(stored, plain);
      EXPECT_EQ(plain, "x" + Utf8Written(text)) << position;
    }
  }
}

TEST(EscapeMarkupTest, LongTextThatGrowsManyTimesIsComplete) {
  std::u16string text, expected;
  for (int i = 0; i < 2000; ++i) {
    text += u"x<\n\xD83D\xDE00\x01";
    expected += u"x&lt;&#10;\U0001F600\uFFFD";
  }
  EXPECT_EQ(EscapeMarkup(text), expected);
}

// Ties (lengths ending in 5) round to the even neighbour; the arithmetic is exact, so 15 × 1.1 is
// a tie and gives 16, not 17.
TEST(EscapeMarkupTest, StartSizeIsLengthTimesOnePointOneRoundedHalfToEven) {
  const std::vector<std::pair<size_t, size_t>> cases = {
      {0, 0},   {1, 1},   {4, 4},   {5, 6},   {6, 7},     {10, 11},
      {15, 16}, {25, 28}, {35, 38}, {45, 50}, {100, 110}, {1005, 1106},
  };
  for (const auto& [length, size] : cases)
    EXPECT_EQ(EscapeStartSize(length), size) << length;
}

TEST(EscapeMarkupTest, GrownSizeAddsTheRoomNeeded) {
  EXPECT_EQ(EscapeGrownSize(11, 6), 12u + 6u);
  EXPECT_EQ(EscapeGrownSize(15, 5), 16u + 5u);
  EXPECT_EQ(EscapeGrownSize(0, 4), 4u);
}

}  // namespace
}  // namespace velmorra
