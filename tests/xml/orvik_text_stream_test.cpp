#include "xml/orvik_text_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "xml/memory_byte_stream.h"

namespace velmorra {
namespace {

// The bytes of `text` written alone through a fresh stream in `code_page`, byte-order mark
// excluded.
std::string Encoded(uint16_t code_page, std::u16string_view text) {
  TMemoryByteStream memory;
  TOrvikTextStream stream(memory, kOrvikWrite, 0, code_page);
  const size_t mark_length = memory.Bytes().size();
  EXPECT_TRUE(stream.WriteText(text));
  return memory.Bytes().substr(mark_length);
}

struct TEncodingCase {
  uint16_t code_page;
  std::u16string text;
  std::string bytes;
};

class Encoding : public ::testing::TestWithParam<TEncodingCase> {};

TEST_P(Encoding, GivesTheCodePagesBytes) {
  EXPECT_EQ(Encoded(GetParam().code_page, GetParam().text), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Utf8, Encoding,
    ::testing::Values(
        TEncodingCase{65001, u"A~", "A~"}, TEncodingCase{65001, u"\u00E9", "\xC3\xA9"},
        TEncodingCase{65001, u"\u20AC", "\xE2\x82\xAC"},
        TEncodingCase{65001, u"\U0001F600", "\xF0\x9F\x98\x80"},
        TEncodingCase{65001, u"\U00010000\U0010FFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
        TEncodingCase{65001, u"\u007F\u0080\u07FF\u0800\uFFFF",
                      "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
        // U+0000 and surrogates outside a pair are written as three bytes each.
        TEncodingCase{65001, std::u16string(1, u'\0'), std::string("\xE0\x80\x80")},
        TEncodingCase{65001, std::u16string{0xD83D}, "\xED\xA0\xBD"},
        TEncodingCase{65001, std::u16string{0xDE00}, "\xED\xB8\x80"},
        TEncodingCase{65001, std::u16string{0xD83D, u'A'},
                      "\xED\xA0\xBD"
                      "A"},
        TEncodingCase{65001, std::u16string{0xDE00, 0xD83D}, "\xED\xB8\x80\xED\xA0\xBD"},
        TEncodingCase{65001, std::u16string{0xD83D, 0xD83D, 0xDE00},
                      "\xED\xA0\xBD\xF0\x9F\x98\x80"},
        TEncodingCase{65001, u"Tom & \"Jerry\"\n\u00E9", "Tom & \"Jerry\"\n\xC3\xA9"}));

INSTANTIATE_TEST_SUITE_P(
    Utf16AndUtf32, Encoding,
    ::testing::Values(
        TEncodingCase{1200, u"A\u00E9\U0001F600", std::string("A\0\xE9\0\x3D\xD8\x00\xDE", 8)},
        TEncodingCase{1200, std::u16string(1, u'\0'), std::string(2, '\0')},
        // UTF-32 takes every code unit on its own, surrogates included.
        TEncodingCase{12000, u"A\U0001F600", std::string("A\0\0\0\x3D\xD8\0\0\x00\xDE\0\0", 12)},
        TEncodingCase{12000, u"\u20AC", std::string("\xAC\x20\0\0", 4)}));

INSTANTIATE_TEST_SUITE_P(
    SingleByteCodePages, Encoding,
    ::testing::Values(
        TEncodingCase{1250, u"\u0142", "\xB3"}, TEncodingCase{1251, u"\u0416", "\xC6"},
        TEncodingCase{1252, u"A\u00E9\u20AC", "A\xE9\x80"}, TEncodingCase{1253, u"\u03A9", "\xD9"},
        TEncodingCase{1254, u"\u011F", "\xF0"}, TEncodingCase{1255, u"\u05D0", "\xE0"},
        TEncodingCase{1256, u"\u0639", "\xDA"}, TEncodingCase{1257, u"\u0105", "\xE0"},
        TEncodingCase{1258, u"\u20AB", "\xFE"}, TEncodingCase{28591, u"\u00E9", "\xE9"},
        TEncodingCase{28592, u"\u0142", "\xB3"}, TEncodingCase{28593, u"\u0127", "\xB1"},
        TEncodingCase{28594, u"\u0138", "\xA2"}, TEncodingCase{28595, u"\u0416", "\xB6"},
        TEncodingCase{28596, u"\u0639", "\xD9"}, TEncodingCase{28597, u"\u03A9", "\xD9"},
        TEncodingCase{28598, u"\u05D0", "\xE0"}, TEncodingCase{28599, u"\u011F", "\xF0"},
        TEncodingCase{1252, std::u16string(1, u'\0'), std::string(1, '\0')}));

// A character the code page lacks becomes its default character, a question mark; a surrogate
// pair is one character.
INSTANTIATE_TEST_SUITE_P(
    MissingCharacters, Encoding,
    ::testing::Values(TEncodingCase{1252, u"a\u0416b", "a?b"}, TEncodingCase{28591, u"\u20AC", "?"},
                      TEncodingCase{1251, u"\U0001F600!", "?!"},
                      TEncodingCase{1252, std::u16string{u'x', 0xD83D, u'y'}, "x?y"},
                      TEncodingCase{1252, std::u16string{0xDE00}, "?"},
                      TEncodingCase{1252, std::u16string{u'x', 0xD83D}, "x?"},
                      TEncodingCase{1252, u"\uFEFF", "?"}));

std::string Repeated(const std::string& bytes, size_t times) {
  std::string repeated;
  for (size_t i = 0; i < times; ++i)
    repeated += bytes;
  return repeated;
}

// The Hebrew and Vietnamese code pages hold some characters only as a letter followed by its
// combining marks, so text there can take more bytes than it has code units; a long such text
// outgrows the stream's own buffer.
INSTANTIATE_TEST_SUITE_P(
    CombiningMarkCodePages, Encoding,
    ::testing::Values(
        TEncodingCase{1258, u"Ti\u1EBFng Vi\u1EC7t \u1EEF \u1ED7 \u1EB6",
                      "Ti\xEA\xECng Vi\xEA\xF2t \xFD\xDE \xF4\xDE \xC3\xF2"},
        TEncodingCase{1258, std::u16string(1500, u'\u1EC7'), Repeated("\xEA\xF2", 1500)},
        TEncodingCase{1255, u"\u05E9\u05C1\u05B8\u05DC\u05D5\u05B9\u05DD \uFB2C",
                      "\xF9\xD1\xC8\xEC\xE5\xC9\xED \xF9\xCC\xD1"},
        TEncodingCase{1255, std::u16string(1000, u'\uFB2C'), Repeated("\xF9\xCC\xD1", 1000)}));

INSTANTIATE_TEST_SUITE_P(
    JapaneseCodePages, Encoding,
    ::testing::Values(TEncodingCase{932, u"\u65E5\u672C", "\x93\xFA\x96\x7B"},
                      TEncodingCase{932, u"a\uFF71", "a\xB1"},
                      TEncodingCase{51932, u"\u65E5\u672C", "\xC6\xFC\xCB\xDC"},
                      TEncodingCase{50220, u"\u65E5\u672C", "\x1B$BF|K\\\x1B(B"},
                      TEncodingCase{50220, u"a\u65E5b", "a\x1B$BF|\x1B(Bb"},
                      // The default character is written in ASCII, after shifting back.
                      TEncodingCase{50220, u"\u65E5\u00E9", "\x1B$BF|\x1B(B?"},
                      TEncodingCase{932, u"\u0416\U0001F600", "\x84\x47?"}));

TEST(OrvikTextStream, EveryIsoJapaneseFragmentEndsInAscii) {
  TMemoryByteStream memory;
  TOrvikTextStream stream(memory, kOrvikWrite, 0, 50220);
  EXPECT_TRUE(stream.WriteText(u"\u65E5"));
  EXPECT_TRUE(stream.WriteText(u"\u672C"));
  EXPECT_EQ(memory.Bytes(), "\x1B$BF|\x1B(B\x1B$BK\\\x1B(B");
}

struct TByteOrderMarkCase {
  uint16_t code_page;
  uint8_t options;
  std::string mark;
  uint16_t resulting_code_page;
};

class ByteOrderMark : public ::testing::TestWithParam<TByteOrderMarkCase> {};

// The mark is written when the stream is created, even if no text ever follows.
TEST_P(ByteOrderMark, IsWrittenOnCreation) {
  TMemoryByteStream memory;
  TOrvikTextStream stream(memory, kOrvikWrite, GetParam().options, GetParam().code_page);
  EXPECT_EQ(memory.Bytes(), GetParam().mark);
  EXPECT_EQ(stream.CodePage(), GetParam().resulting_code_page);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, ByteOrderMark,
    ::testing::Values(TByteOrderMarkCase{65001, 0, "", 65001},
                      TByteOrderMarkCase{65001, kOrvikWriteUtf8Bom, "\xEF\xBB\xBF", 65001},
                      TByteOrderMarkCase{1200, 0, "\xFF\xFE", 1200},
                      TByteOrderMarkCase{12000, 0, std::string("\xFF\xFE\0\0", 4), 12000},
                      TByteOrderMarkCase{1252, 0, "", 1252},
                      TByteOrderMarkCase{28591, kOrvikWriteUtf8Bom, "", 28591},
                      // The Unicode option turns every code page but UTF-8 and UTF-32 to UTF-16.
                      TByteOrderMarkCase{1252, kOrvikUnicode, "\xFF\xFE", 1200},
                      TByteOrderMarkCase{0, kOrvikUnicode, "\xFF\xFE", 1200},
                      TByteOrderMarkCase{65001, kOrvikUnicode, "", 65001},
                      TByteOrderMarkCase{12000, kOrvikUnicode, std::string("\xFF\xFE\0\0", 4),
                                         12000},
                      // Code page 0 is the ANSI code page, UTF-8 on Linux.
                      TByteOrderMarkCase{0, 0, "", 65001}));

TEST(OrvikTextStream, CreationReplacesTheStreamsContentFromItsFirstByte) {
  TMemoryByteStream memory("an older and longer content");
  memory.Seek(0, TSeekOrigin::End);
  TOrvikTextStream stream(memory, kOrvikWrite, 0, 1200);
  EXPECT_TRUE(stream.WriteText(u"A"));
  EXPECT_EQ(memory.Bytes(), std::string("\xFF\xFE"
                                        "A\0",
                                        4));
}

TEST(OrvikTextStream, EmptyTextWritesNothingAndSucceeds) {
  for (uint16_t code_page : {65001, 1200, 12000, 1252, 50220}) {
    TMemoryByteStream memory;
    TOrvikTextStream stream(memory, kOrvikWrite, 0, code_page);
    const std::string mark = memory.Bytes();
    EXPECT_TRUE(stream.WriteText(u"")) << code_page;
    EXPECT_EQ(stream.Write(u"", 0), 0) << code_page;
    EXPECT_EQ(memory.Bytes(), mark) << code_page;
  }
}

TEST(OrvikTextStream, WriteCountsTheInputBytes) {
  const std::u16string text = u"a\u00E9\U0001F600";
  for (uint16_t code_page : {65001, 1200, 12000, 1252, 932}) {
    TMemoryByteStream memory;
    TOrvikTextStream stream(memory, kOrvikWrite, 0, code_page);
    EXPECT_EQ(stream.Write(text.data(), 8), 8) << code_page;
  }
}

TEST(OrvikTextStream, UnicodeBitFollowsTheCodePage) {
  TMemoryByteStream memory;
  TOrvikTextStream stream(memory, kOrvikWrite, 0, 65001);
  EXPECT_TRUE(stream.Options() & kOrvikUnicode);
  stream.SetCodePage(1252);
  EXPECT_FALSE(stream.Options() & kOrvikUnicode);
  EXPECT_TRUE(stream.WriteText(u"\u00E9"));
  stream.SetCodePage(12000);
  EXPECT_TRUE(stream.Options() & kOrvikUnicode);
  EXPECT_TRUE(stream.WriteText(u"\u00E9"));
  stream.SetCodePage(0);
  EXPECT_EQ(stream.CodePage(), 65001);
  EXPECT_TRUE(stream.WriteText(u"\u00E9"));
  // Changing the code page writes no byte-order mark.
  EXPECT_EQ(memory.Bytes(), std::string("\xE9\xE9\0\0\0\xC3\xA9", 7));
}

TEST(OrvikTextStream, ReversedUnicodeStreamCannotBeWritten) {
  for (uint16_t code_page : {65001, 1200, 12000, 1252}) {
    TMemoryByteStream memory("kept");
    const uint8_t options =
        kOrvikReversedByteOrder | (code_page == 1252 ? kOrvikUnicode : uint8_t{0});
    try {
      TOrvikTextStream stream(memory, kOrvikWrite, options, code_page);
      ADD_FAILURE() << "no error for code page " << code_page;
    } catch (const EOrvikTextStream& error) {
      EXPECT_STREQ(error.what(), "TOrvikTextStream:Cannot write to reversed Unicode stream.");
      EXPECT_EQ(error.HelpContext(), 3004);
    }
    EXPECT_EQ(memory.Bytes(), "kept");
  }
}

TEST(OrvikTextStream, ReversedByteOrderIsIgnoredForSingleByteCodePages) {
  TMemoryByteStream memory;
  TOrvikTextStream stream(memory, kOrvikWrite, kOrvikReversedByteOrder, 1252);
  EXPECT_TRUE(stream.WriteText(u"\u00E9"));
  EXPECT_EQ(memory.Bytes(), "\xE9");
}

TEST(OrvikTextStream, OddByteCountIsRefusedForCodePages) {
  TMemoryByteStream memory;
  TOrvikTextStream stream(memory, kOrvikWrite, 0, 1252);
  const char16_t units[] = u"ab";
  try {
    stream.Write(units, 3);
    ADD_FAILURE() << "no error";
  } catch (const EOrvikTextStream& error) {
    EXPECT_STREQ(error.what(), "TOrvikTextStream:Cannot convert odd number of bytes: 3");
    EXPECT_EQ(error.HelpContext(), 3005);
  }
  EXPECT_EQ(memory.Bytes(), "");
}

TEST(OrvikTextStream, UnknownCodePageRaisesTheSystemError) {
  TMemoryByteStream memory;
  TOrvikTextStream stream(memory, kOrvikWrite, 0, 1);
  EXPECT_EQ(stream.LastError(), 0u);
  try {
    stream.WriteText(u"text");
    ADD_FAILURE() << "no error";
  } catch (const EOrvikTextStream& error) {
    EXPECT_STREQ(error.what(),
                 "TOrvikTextStream.Write failed. System Error.  Code: 22.\r\nInvalid argument");
    EXPECT_EQ(error.HelpContext(), 3001);
  }
  EXPECT_EQ(stream.LastError(), 22u);
  EXPECT_EQ(memory.Bytes(), "");
}

struct TShortWriteCase {
  uint16_t code_page;
  int64_t capacity;   // bytes the stream takes, byte-order mark included
  int64_t accepted;   // what Write reports for u"h\u00E9llo" (10 input bytes)
  std::string bytes;  // what reached the stream after the mark
};

class ShortWrite : public ::testing::TestWithParam<TShortWriteCase> {};

TEST_P(ShortWrite, IsReportedAndNotRaised) {
  const std::u16string text = u"h\u00E9llo";
  TMemoryByteStream memory;
  TOrvikTextStream stream(memory, kOrvikWrite, 0, GetParam().code_page);
  const size_t mark_length = memory.Bytes().size();
  memory.SetCapacity(GetParam().capacity);
  EXPECT_EQ(stream.Write(text.data(), 10), GetParam().accepted);
  EXPECT_EQ(memory.Bytes().substr(mark_length), GetParam().bytes);
  EXPECT_FALSE(stream.WriteText(text));
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, ShortWrite,
    ::testing::Values(
        // UTF-8: "h" and the first byte of "é" were taken; only "h" counts as written.
        TShortWriteCase{65001, 2, 2, "h\xC3"}, TShortWriteCase{65001, 3, 4, "h\xC3\xA9"},
        TShortWriteCase{65001, 0, 0, ""}, TShortWriteCase{1200, 5, 3, std::string("h\0\xE9", 3)},
        TShortWriteCase{12000, 10, 3, std::string("h\0\0\0\xE9\0", 6)},
        TShortWriteCase{1252, 2, 4, "h\xE9"}, TShortWriteCase{932, 1, 2, "h"}));

// Fragments too long for the stream's own buffer go through a block of their own; the bytes must
// not change.
class LongFragment : public ::testing::TestWithParam<uint16_t> {};

TEST_P(LongFragment, GivesTheBytesOfItsPieces) {
  const std::u16string piece = u"a\u00E9\u20AC\U0001F600\u0416 <x/>";
  std::u16string whole;
  TMemoryByteStream pieces_memory;
  {
    TOrvikTextStream pieces(pieces_memory, kOrvikWrite, 0, GetParam());
    // More code units than the buffer has bytes: too long for it in every code page.
    while (whole.size() <= 2048) {
      whole += piece;
      ASSERT_TRUE(pieces.WriteText(piece));
    }
  }
  TMemoryByteStream whole_memory;
  TOrvikTextStream stream(whole_memory, kOrvikWrite, 0, GetParam());
  ASSERT_TRUE(stream.WriteText(whole));
  EXPECT_EQ(whole_memory.Bytes(), pieces_memory.Bytes());
}

INSTANTIATE_TEST_SUITE_P(CodePages, LongFragment,
                         ::testing::Values(65001, 1200, 12000, 1251, 932, 51932));

// The largest fragments that still fit the stream's own buffer, and the smallest that do not.
TEST(OrvikTextStream, FragmentsAroundTheBufferSizeConvertAlike) {
  struct TBoundary {
    uint16_t code_page;
    char16_t unit;
    size_t largest_in_buffer;
    std::string unit_bytes;
  };
  const std::vector<TBoundary> boundaries = {
      {65001, u'\u20AC', 682, "\xE2\x82\xAC"},
      {12000, u'\u20AC', 512, std::string("\xAC\x20\0\0", 4)},
      {1252, u'\u20AC', 2048, "\x80"}};
  for (const TBoundary& boundary : boundaries) {
    for (size_t count : {boundary.largest_in_buffer, boundary.largest_in_buffer + 1}) {
      std::string expected;
      for (size_t i = 0; i < count; ++i)
        expected += boundary.unit_bytes;
      EXPECT_EQ(Encoded(boundary.code_page, std::u16string(count, boundary.unit)), expected)
          << boundary.code_page << " " << count;
    }
  }
}

}  // namespace
}  // namespace velmorra
