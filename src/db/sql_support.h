#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velmorra {

// The kinds of value an SQL format argument can carry. The last six exist so that callers can
// pass them, but FormatSql does not support them and stops at their placeholder.
enum class TSqlArgTag {
  Integer,        // 32-bit signed
  Boolean,        // false/true, written 0/1
  AnsiChar,       // one byte
  Float,          // long double, general format with up to 15 significant digits
  ShortString,    // up to 255 bytes; with %w they are UTF-8 decoded to UTF-16
  WideChar,       // one UTF-16 code unit
  AnsiString,     // counted bytes
  Currency,       // 64-bit fixed point with four decimals
  Variant,        // see TSqlVariant
  UnicodeString,  // counted UTF-16 code units
  Int64,          // 64-bit signed
  Pointer,        // unsupported
  PChar,          // unsupported
  PWideChar,      // unsupported
  Object,         // unsupported
  Class,          // unsupported
  Interface,      // unsupported
};

// A variant argument's value: empty (written as the empty text), an integer, a real (general
// format), a Boolean ("False"/"True"), 8-bit text or UTF-16 text.
using TSqlVariant =
    std::variant<std::monostate, int64_t, double, bool, std::string, std::u16string>;

// One tagged format argument. std::string, const char*, std::u16string and const char16_t*
// convert implicitly to an 8-bit or a UTF-16 string argument; every other kind is made with its
// factory, for example TSqlArg::Integer(5).
class TSqlArg {
 public:
  TSqlArg(const std::string& value) : Tag(TSqlArgTag::AnsiString), Text(value) {}
  TSqlArg(const char* value) : Tag(TSqlArgTag::AnsiString), Text(value) {}
  TSqlArg(const std::u16string& value) : Tag(TSqlArgTag::UnicodeString), TextW(value) {}
  TSqlArg(const char16_t* value) : Tag(TSqlArgTag::UnicodeString), TextW(value) {}

  static TSqlArg Integer(int32_t value);
  static TSqlArg Boolean(bool value);
  static TSqlArg AnsiChar(char value);
  static TSqlArg Float(long double value);
  // Keeps at most the first 255 bytes, as a short string holds no more.
  static TSqlArg ShortString(std::string_view value);
  static TSqlArg WideChar(char16_t value);
  static TSqlArg String(std::string value);
  // `ten_thousandths` is the value times 10000 (12.5 is 125000).
  static TSqlArg Currency(int64_t ten_thousandths);
  static TSqlArg Variant(TSqlVariant value);
  static TSqlArg WideString(std::u16string value);
  static TSqlArg Int64(int64_t value);
  // An argument of one of the unsupported kinds (Pointer, PChar, PWideChar, Object, Class,
  // Interface); it carries no value.
  static TSqlArg Unsupported(TSqlArgTag tag);

  TSqlArgTag Tag;
  int64_t Number = 0;        // Integer, Boolean, AnsiChar, WideChar, Currency, Int64
  long double Real = 0;      // Float
  std::string Text;          // ShortString, AnsiString
  std::u16string TextW;      // UnicodeString
  TSqlVariant VariantValue;  // Variant

 private:
  explicit TSqlArg(TSqlArgTag tag) : Tag(tag) {}
};

// The argument array: its highest index is size() - 1.
using TSqlArgs = std::vector<TSqlArg>;

// Whether FormatSql builds 8-bit (UTF-8) or UTF-16 statement text.
enum class TSqlFormatMode { Ansi, Wide };

// What FormatSql built. `Text` holds the result in Ansi mode, `TextW` in Wide mode (the other
// stays empty). `Complete` is false when formatting stopped early: at a placeholder that has no
// letter or a letter its argument does not accept, at an unsupported argument, or because
// arguments were left over with no placeholder for them. The text is then what was built up to
// that point (for left-over arguments: the whole format with "%%" turned into "%").
struct TFormattedSql {
  std::string Text;
  std::u16string TextW;
  bool Complete = true;
};

// Builds statement text from the UTF-8 format `Format` by placing each argument at the next
// %-placeholder; the letter after "%" (either case) decides how: A B D F I U bare, X with single
// quotes doubled, S Z W as an SQL string literal, Q in single quotes as it is. "%%" gives "%".
// Placeholders left without an argument stay in the text. Never throws for any input.
TFormattedSql FormatSql(std::string_view Format, const TSqlArgs& Args, TSqlFormatMode Mode);

// The text with every single quote doubled.
std::string SqlEscape(std::string_view Text);
std::u16string SqlEscape(std::u16string_view Text);

// `Quote`, the text, `Quote`.
std::string SqlQuote(std::string_view Text, char Quote);
std::u16string SqlQuote(std::u16string_view Text, char16_t Quote);

// An SQL string literal: SqlQuote(SqlEscape(Text), '\'').
std::string SqlQuotedStr(std::string_view Text);
std::u16string SqlQuotedStr(std::u16string_view Text);

}  // namespace velmorra
