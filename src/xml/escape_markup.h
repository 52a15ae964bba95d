#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmorra {

// Makes `text` safe inside a double-quoted XML attribute value that a parser gives back exactly:
// " & ' < > become "&quot;", "&amp;", "&apos;", "&lt;", "&gt;"; CR, LF and TAB become "&#13;",
// "&#10;", "&#9;" (raw, a parser would turn them into spaces); a character XML does not allow at
// all (other controls below U+0020, U+FFFE, U+FFFF, a surrogate that is not part of a pair)
// becomes U+FFFD. Every other code unit, surrogate pairs included, is copied unchanged.
std::u16string EscapeMarkup(std::u16string_view text);
// EscapeMarkup, appending the result to `out`.
void AppendEscapedMarkup(std::u16string_view text, std::u16string& out);

// The same two operations on the stored form of a dictionary text (each UTF-16 code unit UTF-8
// encoded on its own, U+0000 as E0 80 80), appending to `out` exactly the bytes that the UTF-8
// text stream writes for the text: AppendStoredAsUtf8 for the text as it is, AppendEscapedAsUtf8
// for EscapeMarkup of it. They spare decoding the text to UTF-16 and encoding it again.
void AppendStoredAsUtf8(std::string_view stored, std::string& out);
void AppendEscapedAsUtf8(std::string_view stored, std::string& out);
// AppendEscapedAsUtf8 into the kMaxEscapedGrowth × stored.size() bytes at `out`; returns the end
// of what it wrote.
char* WriteEscapedAsUtf8(std::string_view stored, char* out);
// No byte of a stored form gives more than this many bytes of escaped UTF-8 ("&quot;").
inline constexpr size_t kMaxEscapedGrowth = 6;

// The room EscapeMarkup starts with for `length` code units: length × 1.1, rounded to the nearest
// integer with ties to even. Text that needs no escaping fits without growing.
size_t EscapeStartSize(size_t length);
// The room after a result of `size` code units lacks space for `needed` more: size × 1.1 (rounded
// the same way) plus `needed`.
size_t EscapeGrownSize(size_t size, size_t needed);

}  // namespace velmorra
