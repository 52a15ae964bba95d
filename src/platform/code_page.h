#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace velmorra {

// Conversion of UTF-16 text to Windows code pages (by their numbers: 1252, 28591, 932 …), done on
// Linux by iconv.

// The code page that code page 0 stands for: the system's ANSI code page. On Linux the ANSI code
// page is UTF-8, so this is 65001.
uint16_t DefaultAnsiCodePage();

// The most bytes that `unit_count` UTF-16 code units can become in `code_page` through
// Utf16ToCodePage: one per unit for most single-byte code pages, more for those that spell a
// character as a letter with combining marks (1255, 1258), for the multi-byte ones (932, 50220,
// 51932) and for numbers this function does not know.
size_t CodePageOutputRoom(uint16_t code_page, size_t unit_count);

// Converts `text` to `code_page` into `out`, which has room for `room` bytes; each character the
// code page lacks (and each lone surrogate) becomes the code page's default character "?". A
// stateful code page (50220) ends in its initial shift state, so every result stands alone.
// Returns the number of bytes written, or nothing with the system's error number in `error_code`
// when the code page is unknown to the platform (EINVAL) or `room` is too small (E2BIG).
std::optional<size_t> Utf16ToCodePage(uint16_t code_page, std::u16string_view text, char* out,
                                      size_t room, int& error_code);

}  // namespace velmorra
