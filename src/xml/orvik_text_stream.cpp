#include "xml/orvik_text_stream.h"

#include <algorithm>
#include <bit>
#include <cerrno>

#include "platform/code_page.h"
#include "platform/file_system.h"

namespace velmorra {

// Code units are handed to the byte stream as they lie in memory, which is UTF-16 LE only on a
// little-endian machine.
static_assert(std::endian::native == std::endian::little);

namespace {

const char kStreamName[] = "TOrvikTextStream";

// No code page spells one UTF-16 code unit as more bytes than this.
constexpr size_t kMostBytesPerUnit = 16;

bool IsUnicodeCodePage(uint16_t code_page) {
  return code_page == kCodePageUtf8 || code_page == kCodePageUtf16 || code_page == kCodePageUtf32;
}

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

bool StartsSurrogatePair(const char16_t* units, size_t index, size_t count) {
  return IsHighSurrogate(units[index]) && index + 1 < count && IsLowSurrogate(units[index + 1]);
}

// UTF-8 as the text files of this program have always been written: every code unit on its own
// (U+0000 and lone surrogates included, as three bytes), except a surrogate pair, which is one
// four-byte character. Returns the end of the bytes written to `out`.
char* EncodeUtf8(const char16_t* units, size_t count, char* out) {
  for (size_t i = 0; i < count; ++i) {
    const char16_t unit = units[i];
    if (unit >= 0x0001 && unit <= 0x007F) {
      *out++ = static_cast<char>(unit);
    } else if (unit >= 0x0080 && unit <= 0x07FF) {
      *out++ = static_cast<char>(0xC0 | (unit >> 6 & 0x1F));
      *out++ = static_cast<char>(0x80 | (unit & 0x3F));
    } else if (StartsSurrogatePair(units, i, count)) {
      const char32_t c = 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      *out++ = static_cast<char>(0xF0 | (c >> 18));
      *out++ = static_cast<char>(0x80 | (c >> 12 & 0x3F));
      *out++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
      *out++ = static_cast<char>(0x80 | (c & 0x3F));
      ++i;
    } else {
      *out++ = static_cast<char>(0xE0 | (unit >> 12 & 0x0F));
      *out++ = static_cast<char>(0x80 | (unit >> 6 & 0x3F));
      *out++ = static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  return out;
}

// How many code units (times two, as input bytes) of `units` were written completely when only
// the first `written` of their UTF-8 bytes reached the stream.
int64_t Utf8InputBytesWritten(const char16_t* units, size_t count, int64_t written) {
  size_t i = 0;
  int64_t encoded = 0;
  while (i < count) {
    const size_t length = StartsSurrogatePair(units, i, count) ? 2 : 1;
    char scratch[4];
    encoded += EncodeUtf8(units + i, length, scratch) - scratch;
    if (encoded > written)
      break;
    i += length;
  }
  return static_cast<int64_t>(2 * i);
}

}  // namespace

TOrvikTextStream::TOrvikTextStream(TByteStream& stream, uint8_t access_mode, uint8_t options,
                                   uint16_t code_page)
    : TOrvikStreamWrapper(stream), access_mode_(access_mode), options_(options) {
  if ((options_ & kOrvikUnicode) && code_page != kCodePageUtf8 && code_page != kCodePageUtf32) {
    code_page = kCodePageUtf16;
  }
  SetCodePage(code_page);
  buffer_.resize(kBufferSize);
  if (access_mode_ == kOrvikWrite)
    PrepareForWriting();
}

void TOrvikTextStream::SetCodePage(uint16_t code_page) {
  // On Linux the ANSI code page is UTF-8, so code page 0 becomes 65001 and a Unicode stream.
  if (code_page == 0)
    code_page = DefaultAnsiCodePage();
  code_page_ = code_page;
  if (IsUnicodeCodePage(code_page)) {
    options_ |= kOrvikUnicode;
  } else {
    options_ &= ~kOrvikUnicode;
  }
}

void TOrvikTextStream::PrepareForWriting() {
  if (IsUnicodeCodePage(code_page_))
    options_ |= kOrvikUnicode;
  if ((options_ & kOrvikUnicode) && (options_ & kOrvikReversedByteOrder)) {
    throw EOrvikTextStream(std::string(kStreamName) + ":Cannot write to reversed Unicode stream.",
                           EOrvikTextStream::kReversedUnicodeWrite);
  }
  SetSize(0);
  // Truncating does not move the position of every stream (a file's stays where it was); the
  // text must start at the first byte.
  Seek(0, TSeekOrigin::Beginning);
  if (!(options_ & kOrvikUnicode))
    return;
  if (code_page_ == kCodePageUtf32) {
    Stream().Write("\xFF\xFE\x00\x00", 4);
  } else if (code_page_ == kCodePageUtf8) {
    if (options_ & kOrvikWriteUtf8Bom)
      Stream().Write("\xEF\xBB\xBF", 3);
  } else {
    Stream().Write("\xFF\xFE", 2);
  }
}

bool TOrvikTextStream::WriteText(std::u16string_view text) {
  if (text.empty())
    return true;
  const int64_t count = static_cast<int64_t>(2 * text.size());
  return Write(text.data(), count) == count;
}

bool TOrvikTextStream::WriteUtf8Bytes(std::string_view bytes) {
  if (bytes.empty())
    return true;
  const auto count = static_cast<int64_t>(bytes.size());
  return Stream().Write(bytes.data(), count) == count;
}

int64_t TOrvikTextStream::Write(const void* buffer, int64_t count) {
  if (count <= 0)
    return 0;
  const auto* units = static_cast<const char16_t*>(buffer);
  const size_t unit_count = static_cast<size_t>(count / 2);
  if (!(options_ & kOrvikUnicode))
    return WriteCodePage(units, unit_count, count);
  if (code_page_ == kCodePageUtf8)
    return WriteUtf8(units, unit_count, count);
  if (code_page_ == kCodePageUtf32)
    return WriteUtf32(units, unit_count);
  return Stream().Write(buffer, count);
}

int64_t TOrvikTextStream::WriteUtf8(const char16_t* units, size_t unit_count, int64_t count) {
  std::unique_ptr<char[]> block;
  char* room = ConversionRoom(3 * unit_count, block);
  const int64_t length = EncodeUtf8(units, unit_count, room) - room;
  const int64_t written = Stream().Write(room, length);
  if (written == length)
    return count;
  return Utf8InputBytesWritten(units, unit_count, written);
}

int64_t TOrvikTextStream::WriteUtf32(const char16_t* units, size_t unit_count) {
  std::unique_ptr<char[]> block;
  char* room = ConversionRoom(4 * unit_count, block);
  char* out = room;
  for (size_t i = 0; i < unit_count; ++i) {
    *out++ = static_cast<char>(units[i] & 0xFF);
    *out++ = static_cast<char>(units[i] >> 8);
    *out++ = 0;
    *out++ = 0;
  }
  return Stream().Write(room, out - room) / 2;
}

int64_t TOrvikTextStream::WriteCodePage(const char16_t* units, size_t unit_count, int64_t count) {
  if (count % 2 != 0) {
    throw EOrvikTextStream(
        std::string(kStreamName) + ":Cannot convert odd number of bytes: " + std::to_string(count),
        EOrvikTextStream::kOddByteCount);
  }
  std::unique_ptr<char[]> block;
  const std::u16string_view text(units, unit_count);
  size_t room_size = CodePageOutputRoom(code_page_, unit_count);
  char* room = ConversionRoom(room_size, block);
  int error_code = 0;
  std::optional<size_t> length = Utf16ToCodePage(code_page_, text, room, room_size, error_code);
  // A conversion that spells characters out further than foreseen gets more room.
  while (!length && error_code == E2BIG && room_size < kMostBytesPerUnit * unit_count) {
    room_size *= 2;
    room = ConversionRoom(room_size, block);
    length = Utf16ToCodePage(code_page_, text, room, room_size, error_code);
  }
  if (!length || *length == 0)
    RaiseSystemError("Write", length ? 0 : error_code);
  const int64_t written = Stream().Write(room, static_cast<int64_t>(*length));
  if (written == static_cast<int64_t>(*length))
    return count;
  // A single-byte code page gives one byte per code unit, so twice the bytes written are the
  // input bytes written; a multi-byte one may have written more bytes than units.
  return std::min(2 * written, count - 2);
}

char* TOrvikTextStream::ConversionRoom(size_t size, std::unique_ptr<char[]>& block) {
  if (size <= kBufferSize)
    return buffer_.data();
  block = std::make_unique_for_overwrite<char[]>(size);
  return block.get();
}

void TOrvikTextStream::RaiseSystemError(const std::string& operation, int error_code) {
  last_error_ = static_cast<uint32_t>(error_code);
  const std::string prefix = std::string(kStreamName) + "." + operation + " failed. ";
  if (error_code == 0) {
    throw EOrvikTextStream(prefix + "A call to an OS function failed",
                           EOrvikTextStream::kOsCallFailed);
  }
  throw EOrvikTextStream(prefix + "System Error.  Code: " + std::to_string(error_code) + ".\r\n" +
                             SystemErrorText(error_code),
                         EOrvikTextStream::kSystemError);
}

}  // namespace velmorra
