#pragma once

#include <string>
#include <string_view>

namespace velmorra {

// Decodes a text value of the datastore (meant to be UTF-8) without ever losing a character:
// every well-formed UTF-8 sequence is decoded as usual (four-byte ones into surrogate pairs), and
// each byte that is not part of one is read as Windows-1252, whose five undefined bytes 81, 8D,
// 8F, 90 and 9D become U+0081, U+008D, U+008F, U+0090 and U+009D. Well-formed UTF-8 gives exactly
// what a strict decoder gives.
std::u16string DecodeStoredText(std::string_view bytes);

// Appends to `out` the form in which a document's dictionary stores DecodeStoredText(bytes) (each
// UTF-16 code unit UTF-8 encoded on its own, U+0000 as E0 80 80; see PutStoredUnit),
// made from the bytes directly: well-formed UTF-8 other than four-byte sequences and zero bytes is
// copied as it is.
void AppendStoredForm(std::string_view bytes, std::string& out);

}  // namespace velmorra
