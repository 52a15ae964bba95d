#include "xml/charset_table.h"

namespace velmorra {

const std::array<TCodePage, 23> CharsetTable = {{
    {932, "shift-jis"},     {1200, "utf-16"},       {1250, "windows-1250"}, {1251, "windows-1251"},
    {1252, "windows-1252"}, {1253, "windows-1253"}, {1254, "windows-1254"}, {1255, "windows-1255"},
    {1256, "windows-1256"}, {1257, "windows-1257"}, {1258, "windows-1258"}, {28591, "iso-8859-1"},
    {28592, "iso-8859-2"},  {28593, "iso-8859-3"},  {28594, "iso-8859-4"},  {28595, "iso-8859-5"},
    {28596, "iso-8859-6"},  {28597, "iso-8859-7"},  {28598, "iso-8859-8"},  {28599, "iso-8859-9"},
    {50220, "iso-2022-jp"}, {51932, "euc-jp"},      {65001, "utf-8"},
}};

namespace {

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i]))
      return false;
  }
  return true;
}

std::optional<uint16_t> CodePageOfCharset(std::string_view name) {
  for (const TCodePage& row : CharsetTable) {
    if (EqualIgnoringAsciiCase(name, row.Name))
      return row.CodePage;
  }
  return std::nullopt;
}

}  // namespace velmorra
