#include "db/sql_support.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <type_traits>

#include "platform/text_encoding.h"

namespace velmorra {

TSqlArg TSqlArg::Integer(int32_t value) {
  TSqlArg arg(TSqlArgTag::Integer);
  arg.Number = value;
  return arg;
}

TSqlArg TSqlArg::Boolean(bool value) {
  TSqlArg arg(TSqlArgTag::Boolean);
  arg.Number = value ? 1 : 0;
  return arg;
}

TSqlArg TSqlArg::AnsiChar(char value) {
  TSqlArg arg(TSqlArgTag::AnsiChar);
  arg.Number = static_cast<unsigned char>(value);
  return arg;
}

TSqlArg TSqlArg::Float(long double value) {
  TSqlArg arg(TSqlArgTag::Float);
  arg.Real = value;
  return arg;
}

TSqlArg TSqlArg::ShortString(std::string_view value) {
  TSqlArg arg(TSqlArgTag::ShortString);
  arg.Text = std::string(value.substr(0, 255));
  return arg;
}

TSqlArg TSqlArg::WideChar(char16_t value) {
  TSqlArg arg(TSqlArgTag::WideChar);
  arg.Number = value;
  return arg;
}

TSqlArg TSqlArg::String(std::string value) {
  TSqlArg arg(TSqlArgTag::AnsiString);
  arg.Text = std::move(value);
  return arg;
}

TSqlArg TSqlArg::Currency(int64_t ten_thousandths) {
  TSqlArg arg(TSqlArgTag::Currency);
  arg.Number = ten_thousandths;
  return arg;
}

TSqlArg TSqlArg::Variant(TSqlVariant value) {
  TSqlArg arg(TSqlArgTag::Variant);
  arg.VariantValue = std::move(value);
  return arg;
}

TSqlArg TSqlArg::WideString(std::u16string value) {
  TSqlArg arg(TSqlArgTag::UnicodeString);
  arg.TextW = std::move(value);
  return arg;
}

TSqlArg TSqlArg::Int64(int64_t value) {
  TSqlArg arg(TSqlArgTag::Int64);
  arg.Number = value;
  return arg;
}

TSqlArg TSqlArg::Unsupported(TSqlArgTag tag) {
  return TSqlArg(tag);
}

namespace {

// Strips trailing zeros of a decimal fraction, and the separator when nothing follows it.
void TrimFraction(std::string& digits) {
  if (digits.find('.') == std::string::npos)
    return;
  while (!digits.empty() && digits.back() == '0')
    digits.pop_back();
  if (!digits.empty() && digits.back() == '.')
    digits.pop_back();
}

// A real in the general format with up to 15 significant digits and "." as separator: fixed
// notation for magnitudes from 0.00001 below 1E15, else a mantissa and an exponent ("1.5E-7",
// "1E20").
std::string FormatGeneral(long double value) {
  if (std::isnan(value))
    return "NAN";
  if (std::isinf(value))
    return value < 0 ? "-INF" : "INF";
  if (value == 0)
    return "0";
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "%.14Le", value);
  std::string scientific = buffer;
  const std::size_t e = scientific.find('e');
  const int exponent = std::atoi(scientific.c_str() + e + 1);
  if (exponent >= -5 && exponent < 15) {
    std::snprintf(buffer, sizeof buffer, "%.*Lf", 14 - exponent, value);
    std::string fixed = buffer;
    TrimFraction(fixed);
    return fixed;
  }
  std::string mantissa = scientific.substr(0, e);
  TrimFraction(mantissa);
  return mantissa + "E" + std::to_string(exponent);
}

std::string FormatCurrency(int64_t ten_thousandths) {
  const bool negative = ten_thousandths < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(ten_thousandths)
                                : static_cast<uint64_t>(ten_thousandths);
  std::string fraction = std::to_string(magnitude % 10000);
  fraction.insert(0, 4 - fraction.size(), '0');
  std::string text = std::to_string(magnitude / 10000) + "." + fraction;
  TrimFraction(text);
  return negative ? "-" + text : text;
}

// A converted argument: 8-bit text, or UTF-16 text when `wide`.
struct TConverted {
  bool wide = false;
  std::string text;
  std::u16string text_w;
};

TConverted Narrow(std::string text) {
  return TConverted{false, std::move(text), {}};
}
TConverted Wide(std::u16string text) {
  return TConverted{true, {}, std::move(text)};
}

TConverted ConvertVariant(const TSqlVariant& value, TSqlFormatMode mode) {
  std::string narrow;
  std::u16string wide;
  bool is_wide_text = false;
  std::visit(
      [&](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, int64_t>) {
          narrow = std::to_string(v);
        } else if constexpr (std::is_same_v<T, double>) {
          narrow = FormatGeneral(v);
        } else if constexpr (std::is_same_v<T, bool>) {
          narrow = v ? "True" : "False";
        } else if constexpr (std::is_same_v<T, std::string>) {
          narrow = v;
        } else if constexpr (std::is_same_v<T, std::u16string>) {
          wide = v;
          is_wide_text = true;
        }
      },
      value);
  if (mode == TSqlFormatMode::Wide)
    return Wide(is_wide_text ? wide : AnsiToUtf16(narrow));
  return Narrow(is_wide_text ? Utf16ToAnsi(wide) : narrow);
}

// The letters a tag accepts after "%" (upper case).
std::string_view AcceptedLetters(TSqlArgTag tag) {
  switch (tag) {
    case TSqlArgTag::Integer:
      return "ADQ";
    case TSqlArgTag::Boolean:
      return "ABDQ";
    case TSqlArgTag::AnsiChar:
      return "AQSXZ";
    case TSqlArgTag::Float:
      return "AFQ";
    case TSqlArgTag::ShortString:
      return "AQSXZW";
    case TSqlArgTag::WideChar:
      return "AQSWZ";
    case TSqlArgTag::AnsiString:
      return "AQSUXZ";
    case TSqlArgTag::Currency:
      return "QSZ";
    case TSqlArgTag::Variant:
      return "AQSZ";
    case TSqlArgTag::UnicodeString:
      return "AQSUWZ";
    case TSqlArgTag::Int64:
      return "ADIQ";
    default:
      return "";
  }
}

TConverted Convert(const TSqlArg& arg, char letter, TSqlFormatMode mode) {
  switch (arg.Tag) {
    case TSqlArgTag::Integer:
    case TSqlArgTag::Boolean:
    case TSqlArgTag::Int64:
      return Narrow(std::to_string(arg.Number));
    case TSqlArgTag::AnsiChar:
      return Narrow(std::string(1, static_cast<char>(arg.Number)));
    case TSqlArgTag::Float:
      return Narrow(FormatGeneral(arg.Real));
    case TSqlArgTag::ShortString:
      return letter == 'W' ? Wide(Utf8ToUtf16(arg.Text)) : Narrow(arg.Text);
    case TSqlArgTag::WideChar:
      return Wide(std::u16string(1, static_cast<char16_t>(arg.Number)));
    case TSqlArgTag::AnsiString:
      return Narrow(arg.Text);
    case TSqlArgTag::Currency:
      return Narrow(FormatCurrency(arg.Number));
    case TSqlArgTag::Variant:
      return ConvertVariant(arg.VariantValue, mode);
    case TSqlArgTag::UnicodeString:
      return Wide(arg.TextW);
    default:
      return Narrow({});
  }
}

template <typename TString>
TString Treat(const TString& text, char letter) {
  using TChar = typename TString::value_type;
  using TView = std::basic_string_view<TChar>;
  switch (letter) {
    case 'X':
      return SqlEscape(TView(text));
    case 'S':
    case 'Z':
    case 'W':
      return SqlQuotedStr(TView(text));
    case 'Q':
      return SqlQuote(TView(text), TChar('\''));
    default:
      return text;
  }
}

// Collects the result in the mode's kind of text.
class TBuilder {
 public:
  explicit TBuilder(TSqlFormatMode mode) : mode_(mode) {}

  void AppendFormatText(std::string_view piece) {
    if (mode_ == TSqlFormatMode::Ansi) {
      result_.Text.append(piece);
    } else {
      result_.TextW.append(Utf8ToUtf16(piece));
    }
  }

  void AppendValue(const TConverted& value) {
    if (mode_ == TSqlFormatMode::Ansi) {
      result_.Text.append(value.wide ? Utf16ToUtf8(value.text_w) : value.text);
    } else if (value.wide) {
      // A lone surrogate becomes U+FFFD, as it does in UTF-8: the library would read it together
      // with the unit after it, which may be the quote that closes the value.
      result_.TextW.append(Utf8ToUtf16(Utf16ToUtf8(value.text_w)));
    } else {
      result_.TextW.append(AnsiToUtf16(value.text));
    }
  }

  // The rest of the format after the last argument: "%%" becomes "%".
  void AppendTail(std::string_view rest) {
    std::string tail;
    tail.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
      tail.push_back(rest[i]);
      if (rest[i] == '%' && i + 1 < rest.size() && rest[i + 1] == '%')
        ++i;
    }
    AppendFormatText(tail);
  }

  TFormattedSql Finish(bool complete) {
    result_.Complete = complete;
    return std::move(result_);
  }

 private:
  TSqlFormatMode mode_;
  TFormattedSql result_;
};

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

TFormattedSql FormatSql(std::string_view Format, const TSqlArgs& Args, TSqlFormatMode Mode) {
  TBuilder builder(Mode);
  std::string_view rest = Format;
  for (const TSqlArg& arg : Args) {
    std::size_t percent = rest.find('%');
    while (percent != std::string_view::npos && percent + 1 < rest.size() &&
           rest[percent + 1] == '%') {
      builder.AppendFormatText(rest.substr(0, percent + 1));
      rest.remove_prefix(percent + 2);
      percent = rest.find('%');
    }
    if (percent == std::string_view::npos) {
      // More arguments than placeholders.
      builder.AppendTail(rest);
      return builder.Finish(false);
    }
    const bool has_letter = percent + 1 < rest.size();
    const char letter = has_letter ? UpperAscii(rest[percent + 1]) : '\0';
    builder.AppendFormatText(rest.substr(0, percent));
    rest.remove_prefix(has_letter ? percent + 2 : percent + 1);

    if (!has_letter || AcceptedLetters(arg.Tag).find(letter) == std::string_view::npos) {
      return builder.Finish(false);
    }
    TConverted value = Convert(arg, letter, Mode);
    if (value.wide) {
      value.text_w = Treat(value.text_w, letter);
    } else {
      value.text = Treat(value.text, letter);
    }
    builder.AppendValue(value);
  }
  builder.AppendTail(rest);
  return builder.Finish(true);
}

namespace {

template <typename TChar>
std::basic_string<TChar> EscapeQuotes(std::basic_string_view<TChar> text) {
  std::basic_string<TChar> result;
  result.reserve(text.size() + 2);
  for (TChar c : text) {
    if (c == TChar('\''))
      result.push_back(c);
    result.push_back(c);
  }
  return result;
}

template <typename TChar>
std::basic_string<TChar> Enclose(std::basic_string_view<TChar> text, TChar quote) {
  std::basic_string<TChar> result;
  result.reserve(text.size() + 2);
  result.push_back(quote);
  result.append(text);
  result.push_back(quote);
  return result;
}

}  // namespace

std::string SqlEscape(std::string_view Text) {
  return EscapeQuotes(Text);
}
std::u16string SqlEscape(std::u16string_view Text) {
  return EscapeQuotes(Text);
}

std::string SqlQuote(std::string_view Text, char Quote) {
  return Enclose(Text, Quote);
}
std::u16string SqlQuote(std::u16string_view Text, char16_t Quote) {
  return Enclose(Text, Quote);
}

std::string SqlQuotedStr(std::string_view Text) {
  return SqlQuote(SqlEscape(Text), '\'');
}
std::u16string SqlQuotedStr(std::u16string_view Text) {
  return SqlQuote(SqlEscape(Text), u'\'');
}

}  // namespace velmorra
