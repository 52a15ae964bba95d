#include "db/sql_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text_encoding.h"

namespace velmorra {
namespace {

struct TFormatCase {
  const char* name;
  std::string format;
  TSqlArgs args;
  std::string expected;  // UTF-8; the UTF-16 mode must give the same text decoded
  bool complete;
};

// Each case runs in both modes: the statement text must not depend on the mode.
void ExpectFormatsInBothModes(const TFormatCase& c) {
  SCOPED_TRACE(c.name);
  const TFormattedSql ansi = FormatSql(c.format, c.args, TSqlFormatMode::Ansi);
  EXPECT_EQ(ansi.Text, c.expected);
  EXPECT_TRUE(ansi.TextW.empty());
  EXPECT_EQ(ansi.Complete, c.complete);
  const TFormattedSql wide = FormatSql(c.format, c.args, TSqlFormatMode::Wide);
  EXPECT_EQ(wide.TextW, Utf8ToUtf16(c.expected));
  EXPECT_TRUE(wide.Text.empty());
  EXPECT_EQ(wide.Complete, c.complete);
}

TEST(FormatSqlTest, DatastoreStatementsQuoteTheirStringArguments) {
  const std::vector<TFormatCase> cases = {
      {"type",
       "SELECT * FROM MessageEx WHERE type = %s",
       {"SMS"},
       "SELECT * FROM MessageEx WHERE type = 'SMS'",
       true},
      {"group",
       "SELECT IMEI FROM MessageEx WHERE type = %s GROUP BY IMEI",
       {"SMS"},
       "SELECT IMEI FROM MessageEx WHERE type = 'SMS' GROUP BY IMEI",
       true},
      {"imei",
       "SELECT * FROM MessageEx WHERE type = %s AND IMEI = %s",
       {TSqlArg::String("SMS"), std::string("35'1")},
       "SELECT * FROM MessageEx WHERE type = 'SMS' AND IMEI = '35''1'",
       true},
      {"lower case letter", "type = %s", {"SMS"}, "type = 'SMS'", true},
      {"upper case letter", "type = %S", {"SMS"}, "type = 'SMS'", true},
  };
  for (const TFormatCase& c : cases)
    ExpectFormatsInBothModes(c);
}

TEST(FormatSqlTest, LetterDecidesHowAStringIsPlaced) {
  const std::vector<TFormatCase> cases = {
      {"S", "%s", {"O'Brien"}, "'O''Brien'", true},
      {"Z", "%z", {"O'Brien"}, "'O''Brien'", true},
      {"X", "%x", {"O'Brien"}, "O''Brien", true},
      {"Q", "%q", {"O'Brien"}, "'O'Brien'", true},
      {"A", "%a", {"O'Brien"}, "O'Brien", true},
      {"U", "%u", {"O'Brien"}, "O'Brien", true},
      {"empty S", "[%s]", {""}, "['']", true},
      {"empty X", "[%x]", {""}, "[]", true},
      {"wide S", "%s", {u"Ä'ö"}, "'Ä''ö'", true},
      {"wide W", "%w", {TSqlArg::WideString(u"\U0001F600'")}, "'\U0001F600'''", true},
      {"wide U", "%u", {u"it's"}, "it's", true},
      {"wide Q", "%q", {u"it's"}, "'it's'", true},
      // A lone surrogate would swallow the closing quote when the library reads UTF-16 text.
      {"lone surrogates",
       "%s %s",
       {std::u16string(u"\xD800"), std::u16string(u"a\xDC00")},
       "'\uFFFD' 'a\uFFFD'",
       true},
      {"value with percent", "%s %s", {"50%s", "%%"}, "'50%s' '%%'", true},
      {"non-ASCII format", "Ü = %s ✓", {"ß"}, "Ü = 'ß' ✓", true},
  };
  for (const TFormatCase& c : cases)
    ExpectFormatsInBothModes(c);
}

TEST(FormatSqlTest, ConvertsEachKindOfArgumentToText) {
  const std::vector<TFormatCase> cases = {
      {"integer D", "%d", {TSqlArg::Integer(5)}, "5", true},
      {"integer Q", "%q", {TSqlArg::Integer(5)}, "'5'", true},
      {"integer negative", "%a", {TSqlArg::Integer(-2147483647 - 1)}, "-2147483648", true},
      {"boolean true B", "%b", {TSqlArg::Boolean(true)}, "1", true},
      {"boolean false D", "%d", {TSqlArg::Boolean(false)}, "0", true},
      {"char S", "%s", {TSqlArg::AnsiChar('\'')}, "''''", true},
      {"char X", "%x", {TSqlArg::AnsiChar('\'')}, "''", true},
      {"char A", "%a", {TSqlArg::AnsiChar('k')}, "k", true},
      {"float", "%f", {TSqlArg::Float(1.5L)}, "1.5", true},
      {"float negative", "%f", {TSqlArg::Float(-2.25L)}, "-2.25", true},
      {"float zero", "%f", {TSqlArg::Float(0.0L)}, "0", true},
      {"float tenth", "%f", {TSqlArg::Float(0.1)}, "0.1", true},
      {"float third", "%f", {TSqlArg::Float(1.0L / 3)}, "0.333333333333333", true},
      {"float fifteen digits", "%f", {TSqlArg::Float(123456789012345.0L)}, "123456789012345", true},
      {"float 1E15", "%f", {TSqlArg::Float(1e15L)}, "1E15", true},
      {"float 1E20", "%f", {TSqlArg::Float(1e20L)}, "1E20", true},
      {"float small fixed", "%f", {TSqlArg::Float(0.00001L)}, "0.00001", true},
      {"float small scientific", "%f", {TSqlArg::Float(1.5e-7L)}, "1.5E-7", true},
      {"float Q", "%q", {TSqlArg::Float(2.5L)}, "'2.5'", true},
      {"short string X", "%x", {TSqlArg::ShortString("a'b")}, "a''b", true},
      {"short string W", "%w", {TSqlArg::ShortString("Grüße'")}, "'Grüße'''", true},
      {"short string W malformed", "%w", {TSqlArg::ShortString("\xC3(")}, "''", true},
      {"short string keeps 255 bytes",
       "%a",
       {TSqlArg::ShortString(std::string(300, 'x'))},
       std::string(255, 'x'),
       true},
      {"wide char S", "%s", {TSqlArg::WideChar(u'é')}, "'é'", true},
      {"wide char W quote", "%w", {TSqlArg::WideChar(u'\'')}, "''''", true},
      {"currency S", "%s", {TSqlArg::Currency(125000)}, "'12.5'", true},
      {"currency whole", "%q", {TSqlArg::Currency(30000)}, "'3'", true},
      {"currency negative", "%z", {TSqlArg::Currency(-5)}, "'-0.0005'", true},
      {"variant integer", "%a", {TSqlArg::Variant(int64_t{7})}, "7", true},
      {"variant real", "%a", {TSqlArg::Variant(0.5)}, "0.5", true},
      {"variant boolean", "%a", {TSqlArg::Variant(true)}, "True", true},
      {"variant empty", "%s", {TSqlArg::Variant({})}, "''", true},
      {"variant 8-bit", "%s", {TSqlArg::Variant(std::string("a'b"))}, "'a''b'", true},
      {"variant UTF-16", "%s", {TSqlArg::Variant(std::u16string(u"Σ'"))}, "'Σ'''", true},
      {"int64 I", "%i", {TSqlArg::Int64(9223372036854775807LL)}, "9223372036854775807", true},
      {"int64 Q", "%q", {TSqlArg::Int64(-1)}, "'-1'", true},
  };
  for (const TFormatCase& c : cases)
    ExpectFormatsInBothModes(c);
}

TEST(FormatSqlTest, PercentSignsAndPlaceholdersWithoutArguments) {
  const std::vector<TFormatCase> cases = {
      {"doubled before", "100%% of %s", {"a"}, "100% of 'a'", true},
      {"doubled right before", "%%%s", {"a"}, "%'a'", true},
      {"doubled after", "%s is 100%%", {"a"}, "'a' is 100%", true},
      {"no arguments", "a %% b %s %%%% c", {}, "a % b %s %% c", true},
      {"empty format", "", {}, "", true},
      {"placeholder left over", "%s and %s", {"a"}, "'a' and %s", true},
      {"lone percent at end without argument", "100%", {}, "100%", true},
  };
  for (const TFormatCase& c : cases)
    ExpectFormatsInBothModes(c);
}

TEST(FormatSqlTest, StopsEarlyAndKeepsTheTextBuiltSoFar) {
  const std::vector<TFormatCase> cases = {
      {"width", "x = %5d AND y", {TSqlArg::Integer(5)}, "x = ", false},
      {"percent at end", "x = %s, y = %", {"a", "b"}, "x = 'a', y = ", false},
      {"letter not accepted",
       "a = %s, b = %d, c = %s",
       {"1", TSqlArg::String("2"), "3"},
       "a = '1', b = ",
       false},
      {"integer as string", "%s", {TSqlArg::Integer(1)}, "", false},
      {"currency bare", "%a", {TSqlArg::Currency(1)}, "", false},
      {"unicode string X", "%x", {u"a"}, "", false},
      {"more arguments than placeholders",
       "SELECT 1 -- 100%%",
       {"extra"},
       "SELECT 1 -- 100%",
       false},
  };
  for (const TFormatCase& c : cases)
    ExpectFormatsInBothModes(c);
}

TEST(FormatSqlTest, UnsupportedKindsStopAtTheirPlaceholder) {
  for (TSqlArgTag tag : {TSqlArgTag::Pointer, TSqlArgTag::PChar, TSqlArgTag::PWideChar,
                         TSqlArgTag::Object, TSqlArgTag::Class, TSqlArgTag::Interface}) {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
      const std::string format = std::string("x %") + letter + " y";
      const TFormattedSql sql =
          FormatSql(format, {TSqlArg::Unsupported(tag)}, TSqlFormatMode::Ansi);
      EXPECT_FALSE(sql.Complete) << static_cast<int>(tag) << letter;
      EXPECT_EQ(sql.Text, "x ");
    }
  }
}

// The letters each kind of argument accepts; every other letter stops formatting.
TEST(FormatSqlTest, EachKindAcceptsExactlyItsLetters) {
  const std::vector<std::pair<TSqlArg, std::string>> kinds = {
      {TSqlArg::Integer(1), "ADQ"},
      {TSqlArg::Boolean(true), "ABDQ"},
      {TSqlArg::AnsiChar('c'), "AQSXZ"},
      {TSqlArg::Float(1.0L), "AFQ"},
      {TSqlArg::ShortString("s"), "AQSXZW"},
      {TSqlArg::WideChar(u'w'), "AQSWZ"},
      {TSqlArg::String("s"), "AQSUXZ"},
      {TSqlArg::Currency(10000), "QSZ"},
      {TSqlArg::Variant(int64_t{1}), "AQSZ"},
      {TSqlArg::WideString(u"w"), "AQSUWZ"},
      {TSqlArg::Int64(1), "ADIQ"},
  };
  for (const auto& [arg, accepted] : kinds) {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
      const bool expected = accepted.find(letter) != std::string::npos;
      for (char written : {letter, static_cast<char>(letter - 'A' + 'a')}) {
        const std::string format = std::string("%") + written;
        EXPECT_EQ(FormatSql(format, {arg}, TSqlFormatMode::Ansi).Complete, expected)
            << "tag " << static_cast<int>(arg.Tag) << " letter " << written;
        EXPECT_EQ(FormatSql(format, {arg}, TSqlFormatMode::Wide).Complete, expected)
            << "tag " << static_cast<int>(arg.Tag) << " letter " << written;
      }
    }
  }
}

TEST(SqlQuotingTest, EscapeQuoteAndQuotedStrInBothWidths) {
  EXPECT_EQ(SqlEscape(std::string_view("'a''b'")), "''a''''b''");
  EXPECT_EQ(SqlEscape(std::string_view("")), "");
  EXPECT_EQ(SqlEscape(std::u16string_view(u"'Ä'")), u"''Ä''");
  EXPECT_EQ(SqlQuote(std::string_view("a'b"), '"'), "\"a'b\"");
  EXPECT_EQ(SqlQuote(std::u16string_view(u"a"), u'\''), u"'a'");
  EXPECT_EQ(SqlQuotedStr(std::string_view("it's")), "'it''s'");
  EXPECT_EQ(SqlQuotedStr(std::string_view("")), "''");
  EXPECT_EQ(SqlQuotedStr(std::u16string_view(u"'")), u"''''");
}

}  // namespace
}  // namespace velmorra
