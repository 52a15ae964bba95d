#include "export/stored_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/text_encoding.h"
#include "xml/dictionary.h"

namespace velmorra {
namespace {

struct TStoredTextCase {
  std::string Bytes;
  std::u16string Text;
};

// Shows the stored bytes in hexadecimal, which names the case in test reports.
void PrintTo(const TStoredTextCase& stored, std::ostream* out) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (const char c : stored.Bytes) {
    const auto byte = static_cast<unsigned char>(c);
    *out << kDigits[byte >> 4] << kDigits[byte & 0xF];
  }
}

class DecodeStoredTextCases : public ::testing::TestWithParam<TStoredTextCase> {};

TEST_P(DecodeStoredTextCases, DecodesEveryByte) {
  EXPECT_EQ(DecodeStoredText(GetParam().Bytes), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(WellFormed, DecodeStoredTextCases,
                         ::testing::Values(TStoredTextCase{"", u""},
                                           TStoredTextCase{"Hello", u"Hello"},
                                           TStoredTextCase{"caf\xC3\xA9", u"café"},
                                           TStoredTextCase{"\xE2\x82\xAC", u"€"},
                                           TStoredTextCase{"\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
                                           TStoredTextCase{"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
                                           TStoredTextCase{"\xEF\xBF\xBF", u"\xFFFF"}));

INSTANTIATE_TEST_SUITE_P(
    NotWellFormed, DecodeStoredTextCases,
    ::testing::Values(
        // Latin-1 letters as Windows-1252 stored them.
        TStoredTextCase{"caf\xE9", u"café"},
        // The bytes 80 to 9F that Windows-1252 gives characters to.
        TStoredTextCase{"\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E", u"€‚ƒ„…†‡ˆ‰Š‹ŒŽ"},
        TStoredTextCase{"\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F",
                        u"‘’“”•–—˜™š›œžŸ"},
        // The five bytes it leaves undefined keep their number.
        TStoredTextCase{"\x81\x8D\x8F\x90\x9D", u"\x0081\x008D\x008F\x0090\x009D"},
        TStoredTextCase{"\xA0\xFF", u"\x00A0ÿ"},
        // A sequence cut short at the end, or by another character.
        TStoredTextCase{"ok \xC5", u"ok Å"}, TStoredTextCase{"\xE2\x82 x", u"â‚ x"},
        TStoredTextCase{"\xF0\x9F\x98", u"ðŸ˜"},
        // Overlong forms, encoded surrogates and values beyond U+10FFFF.
        TStoredTextCase{"\xC0\xAF", u"À¯"}, TStoredTextCase{"\xE0\x80\xAF", u"à€¯"},
        TStoredTextCase{"\xED\xA0\xBD", u"í\x00A0½"},
        TStoredTextCase{"\xF4\x90\x80\x80", u"ô\x0090€€"},
        TStoredTextCase{"\xF8\x88\x80\x80\x80", u"ø\x02C6€€€"},
        // Good sequences around a bad byte decode as usual.
        TStoredTextCase{"\xC5\xBD\xFF\xC5\xBD", u"ŽÿŽ"},
        TStoredTextCase{"\xE9\xF0\x9F\x98\x80", u"é\xD83D\xDE00"}));

// The stored form made from the bytes is the one the dictionary makes of the decoded text, and
// interning it gives the same text.
TEST_P(DecodeStoredTextCases, StoredFormIsTheDictionarysFormOfTheDecodedText) {
  TDictionary dictionary;
  const int32_t id = dictionary.Intern(DecodeStoredText(GetParam().Bytes));
  std::string stored = "kept";
  AppendStoredForm(GetParam().Bytes, stored);
  ASSERT_EQ(stored.substr(0, 4), "kept");
  stored.erase(0, 4);
  EXPECT_EQ(stored, dictionary.StoredForm(id));
  EXPECT_EQ(dictionary.InternStored(stored, TDictionary::HashStored(stored)), id);
  EXPECT_EQ(dictionary.Count(), id + 1);
}

// Zero bytes (kept, since values are read by their length) and runs longer than the sixteen bytes
// the plain ASCII is skipped by.
INSTANTIATE_TEST_SUITE_P(
    ZeroBytesAndLongRuns, DecodeStoredTextCases,
    ::testing::Values(TStoredTextCase{std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
                      TStoredTextCase{std::string("\0", 1), std::u16string(1, u'\0')},
                      TStoredTextCase{"0123456789abcdefg", u"0123456789abcdefg"},
                      TStoredTextCase{"01234567\xC3\xA9"
                                      "89abcdef\xE9",
                                      u"01234567é89abcdefé"},
                      TStoredTextCase{std::string("0123456\0"
                                                  "89abcdef",
                                                  16),
                                      std::u16string(u"0123456\0"
                                                     "89abcdef",
                                                     16)},
                      TStoredTextCase{"0123456789ab\xF0\x9F\x98\x80xyz01234567",
                                      u"0123456789ab\xD83D\xDE00xyz01234567"}));

// Each sequence that is not plain ASCII, well-formed or not, cut off at the end or not, at every
// position of a text longer than the sixteen bytes looked at together.
TEST(AppendStoredForm, EverySequenceAtEveryPositionGivesTheDictionarysForm) {
  const std::string sequences[] = {std::string(1, '\0'), "\xFF",         "\x80",
                                   "\xC3\xA9",           "\xE6\x98\x8E", "\xEF\xBF\xBF",
                                   "\xF0\x9F\x98\x80",   "\xED\xA0\xBD", "\xE0\x80\x80",
                                   "\xC0\xAF",           "\xC3",         "\xE6\x98",
                                   "\xF0\x9F\x98"};
  for (const std::string& sequence : sequences) {
    for (size_t position = 0; position <= 40; ++position) {
      std::string bytes = "0123456789abcdefghij0123456789abcdefghij";
      bytes.insert(position, sequence);
      TDictionary dictionary;
      const int32_t id = dictionary.Intern(DecodeStoredText(bytes));
      std::string stored;
      AppendStoredForm(bytes, stored);
      EXPECT_EQ(stored, dictionary.StoredForm(id)) << position;
    }
  }
}

TEST(DecodeStoredText, AgreesWithTheStrictDecoderOnWellFormedText) {
  const std::string text = "Привет 明日 😊 Grüße & <tags> \"quotes\" \n\r\t";
  EXPECT_EQ(DecodeStoredText(text), Utf8ToUtf16(text));
}

}  // namespace
}  // namespace velmorra
