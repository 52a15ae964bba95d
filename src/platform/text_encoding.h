#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmorra {

// Conversions between the program's three kinds of text: UTF-8 (the SQLite library's text),
// UTF-16 (every XML name and value) and 8-bit text in the system's ANSI code page (paths,
// control texts, list items). On Linux the ANSI code page is UTF-8.

// The length (1 to 4) of the well-formed UTF-8 sequence that starts at `text[pos]`, with its code
// point in `code_point`; 0 when the bytes there do not form one (see DecodeUtf8).
size_t ReadUtf8Sequence(std::string_view text, size_t pos, char32_t& code_point);

// Decodes well-formed UTF-8 (one- to four-byte sequences; a four-byte sequence becomes a surrogate
// pair). Returns nothing when `text` is not well-formed: overlong forms, encoded surrogates,
// values above U+10FFFF, stray or missing continuation bytes.
std::optional<std::u16string> DecodeUtf8(std::string_view text);

// DecodeUtf8, with the empty text for input that is not well-formed UTF-8.
std::u16string Utf8ToUtf16(std::string_view text);

// Encodes UTF-16 as standard UTF-8; a surrogate that is not part of a pair becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-8 of any UTF-16 text, also one that is not well-formed: a surrogate that is not part of a
// pair keeps its own code point in three bytes (the generalized UTF-8 known as WTF-8), so that
// DecodeGeneralizedUtf8 gives back exactly the same code units.
std::string Utf16ToGeneralizedUtf8(std::u16string_view text);

// The code units whose Utf16ToGeneralizedUtf8 is `text`; nothing when `text` is no such form.
std::optional<std::u16string> DecodeGeneralizedUtf8(std::string_view text);

// Widens 8-bit text of the ANSI code page. On Linux: UTF-8, each byte that is not part of a
// well-formed sequence becoming U+FFFD.
std::u16string AnsiToUtf16(std::string_view text);

// Narrows UTF-16 to the ANSI code page; characters the code page lacks become its default
// character. On Linux: Utf16ToUtf8.
std::string Utf16ToAnsi(std::u16string_view text);

}  // namespace velmorra
