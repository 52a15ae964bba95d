// FormatSql and its quoting on any argument text: the statement SQLite prepares from the result
// has exactly the intended values, each text as one string literal that no text can close early.
// A zero byte cannot stand in SQL text at all: such a statement must fail to prepare rather than
// run cut short.
#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "db/sql_support.h"
#include "fuzz_check.h"
#include "platform/text_encoding.h"

namespace velmorra::fuzzing {
namespace {

// One placeholder with its argument and the value SQLite must give back for it.
struct TPlaceholder {
  std::string Format;
  TSqlArg Arg;
  bool IsText = true;
  std::string Text;      // in Ansi mode
  std::u16string TextW;  // in Wide mode
  int64_t Integer = 0;
};

// The placeholder of a text: %s or %z, and %x inside quotes for 8-bit texts, %w for those whose
// kind takes it; either case.
enum class TTextKind { Narrow, NarrowOrUtf8, Wide };
std::string TextFormat(TFuzzInput& input, TTextKind kind) {
  const bool lower = input.Bool();
  const uint8_t choice = input.Byte() % (kind == TTextKind::NarrowOrUtf8 ? 4 : 3);
  if (choice == 2 && kind == TTextKind::Wide)
    return lower ? "%w" : "%W";
  switch (choice) {
    case 0:
      return lower ? "%s" : "%S";
    case 1:
      return lower ? "%z" : "%Z";
    case 2:
      return lower ? "'%x'" : "'%X'";
    default:
      return lower ? "%w" : "%W";
  }
}

TPlaceholder NarrowText(std::string format, TSqlArg arg, const std::string& bytes) {
  return {std::move(format), std::move(arg), true, bytes, AnsiToUtf16(bytes)};
}

TPlaceholder WideText(std::string format, TSqlArg arg, const std::u16string& units) {
  return {std::move(format), std::move(arg), true, Utf16ToUtf8(units), units};
}

TPlaceholder NextPlaceholder(TFuzzInput& input) {
  switch (input.Byte() % 9) {
    case 0: {
      const std::string bytes = input.Bytes(64);
      return NarrowText(TextFormat(input, TTextKind::Narrow), TSqlArg(bytes), bytes);
    }
    case 1: {
      const std::string bytes = input.Bytes(255);
      const std::string format = TextFormat(input, TTextKind::NarrowOrUtf8);
      if (format == "%w" || format == "%W") {
        // %w reads the bytes as UTF-8; text that is not well-formed reads as the empty text.
        const std::u16string units = Utf8ToUtf16(bytes);
        return WideText(format, TSqlArg::ShortString(bytes), units);
      }
      return NarrowText(format, TSqlArg::ShortString(bytes), bytes);
    }
    case 2: {
      const std::u16string units = LittleEndianUnits(input.Bytes(64));
      return WideText(TextFormat(input, TTextKind::Wide), TSqlArg(units), units);
    }
    case 3: {
      const char c = static_cast<char>(input.Byte());
      return NarrowText(TextFormat(input, TTextKind::Narrow), TSqlArg::AnsiChar(c),
                        std::string(1, c));
    }
    case 4: {
      const auto unit = static_cast<char16_t>(input.Number(0xFFFF));
      return WideText(TextFormat(input, TTextKind::Wide), TSqlArg::WideChar(unit),
                      std::u16string(1, unit));
    }
    case 5: {
      const std::string bytes = input.Bytes(64);
      const std::string format = input.Bool() ? "%s" : "%Z";
      if (input.Bool())
        return NarrowText(format, TSqlArg::Variant(bytes), bytes);
      const std::u16string units = LittleEndianUnits(bytes);
      return WideText(format, TSqlArg::Variant(units), units);
    }
    case 6: {
      const auto value = static_cast<int32_t>(input.Number(UINT32_MAX));
      return {input.Bool() ? "%d" : "%A", TSqlArg::Integer(value), false, {}, {}, value};
    }
    case 7: {
      const auto value = static_cast<int64_t>(input.Word64());
      return {input.Bool() ? "%i" : "%D", TSqlArg::Int64(value), false, {}, {}, value};
    }
    default: {
      const bool value = input.Bool();
      return {input.Bool() ? "%b" : "%d", TSqlArg::Boolean(value), false, {}, {}, value};
    }
  }
}

sqlite3* Database() {
  static sqlite3* db = [] {
    sqlite3* opened = nullptr;
    sqlite3_open(":memory:", &opened);
    return opened;
  }();
  return db;
}

bool HoldsZero(const TPlaceholder& placeholder) {
  return placeholder.IsText && (placeholder.Text.find('\0') != std::string::npos ||
                                placeholder.TextW.find(u'\0') != std::u16string::npos);
}

void CheckValue(sqlite3_stmt* statement, int column, const TPlaceholder& placeholder, bool wide,
                const std::string& sql) {
  const std::string where = "column " + std::to_string(column) + " of " + Printable(sql);
  if (!placeholder.IsText) {
    FUZZ_CHECK(sqlite3_column_type(statement, column) == SQLITE_INTEGER, where);
    FUZZ_CHECK(sqlite3_column_int64(statement, column) == placeholder.Integer, where);
    return;
  }
  FUZZ_CHECK(sqlite3_column_type(statement, column) == SQLITE_TEXT, where);
  // Compared as the library keeps it, UTF-8: its UTF-16 form would be the library's conversion.
  // SQLite turns the UTF-16 of a statement into UTF-8 without regard to lone surrogates (it joins a
  // high one with whatever follows), so such a value cannot be expected back.
  if (wide && HoldsLoneSurrogate(placeholder.TextW))
    return;
  const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  const size_t count = static_cast<size_t>(sqlite3_column_bytes(statement, column));
  FUZZ_CHECK(
      std::string(bytes, count) == (wide ? Utf16ToUtf8(placeholder.TextW) : placeholder.Text),
      where);
}

}  // namespace
}  // namespace velmorra::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmorra;
  using namespace velmorra::fuzzing;
  TFuzzInput input(data, size);
  const bool wide = input.Bool();
  std::vector<TPlaceholder> placeholders;
  std::string format = "SELECT '100%%'";
  TSqlArgs args;
  const uint32_t count = 1 + input.Number(3);
  bool holds_zero = false;
  for (uint32_t i = 0; i < count; ++i) {
    placeholders.push_back(NextPlaceholder(input));
    format += ", " + placeholders.back().Format;
    args.push_back(placeholders.back().Arg);
    holds_zero = holds_zero || HoldsZero(placeholders.back());
  }
  const TFormattedSql sql =
      FormatSql(format, args, wide ? TSqlFormatMode::Wide : TSqlFormatMode::Ansi);
  FUZZ_CHECK(sql.Complete, format);
  const std::string shown = wide ? Utf16ToUtf8(sql.TextW) : sql.Text;

  sqlite3_stmt* statement = nullptr;
  int result;
  if (wide) {
    const void* tail = nullptr;
    result = sqlite3_prepare16_v2(Database(), sql.TextW.data(),
                                  static_cast<int>(sql.TextW.size() * 2), &statement, &tail);
    FUZZ_CHECK(result != SQLITE_OK || holds_zero ||
                   tail == static_cast<const void*>(sql.TextW.data() + sql.TextW.size()),
               Printable(shown));
  } else {
    const char* tail = nullptr;
    result = sqlite3_prepare_v2(Database(), sql.Text.data(), static_cast<int>(sql.Text.size()),
                                &statement, &tail);
    FUZZ_CHECK(result != SQLITE_OK || holds_zero || tail == sql.Text.data() + sql.Text.size(),
               Printable(shown));
  }
  if (holds_zero) {
    FUZZ_CHECK(result != SQLITE_OK, "a statement cut at a zero byte ran: " + Printable(shown));
    sqlite3_finalize(statement);
    return 0;
  }
  FUZZ_CHECK(result == SQLITE_OK, Printable(shown) + ": " + sqlite3_errmsg(Database()));
  FUZZ_CHECK(sqlite3_column_count(statement) == static_cast<int>(count) + 1, Printable(shown));
  FUZZ_CHECK(sqlite3_step(statement) == SQLITE_ROW, Printable(shown));
  const TPlaceholder percent{"", TSqlArg(""), true, "100%", u"100%"};
  CheckValue(statement, 0, percent, wide, shown);
  for (uint32_t i = 0; i < count; ++i)
    CheckValue(statement, static_cast<int>(i) + 1, placeholders[i], wide, shown);
  sqlite3_finalize(statement);
  return 0;
}
