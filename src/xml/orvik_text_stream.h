#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "xml/orvik_stream_wrapper.h"

namespace velmorra {

// Access modes of a text stream; writing is the only one this program uses. A stream made with
// kOrvikContinue leaves the byte stream as it is (no truncation, no byte-order mark) and writes
// where it stands: for text that goes on from another stream's.
inline constexpr uint8_t kOrvikContinue = 0;
inline constexpr uint8_t kOrvikWrite = 1;

// Creation option bits of a text stream. The Unicode bit also records that the current code page
// is a Unicode one (1200, 12000 or 65001).
inline constexpr uint8_t kOrvikUnicode = 1;
inline constexpr uint8_t kOrvikReversedByteOrder = 2;
inline constexpr uint8_t kOrvikWriteUtf8Bom = 16;

// The code pages the stream converts itself; every other number goes through the platform's
// code page conversion.
inline constexpr uint16_t kCodePageUtf16 = 1200;
inline constexpr uint16_t kCodePageUtf32 = 12000;
inline constexpr uint16_t kCodePageUtf8 = 65001;

// Raised by TOrvikTextStream. HelpContext() tells the kind: 3001 a system call failed with an
// error code, 3002 one failed without a code, 3004 a reversed Unicode stream opened for writing,
// 3005 an odd number of bytes for a non-Unicode code page.
class EOrvikTextStream : public std::runtime_error {
 public:
  static constexpr int kSystemError = 3001;
  static constexpr int kOsCallFailed = 3002;
  static constexpr int kReversedUnicodeWrite = 3004;
  static constexpr int kOddByteCount = 3005;

  EOrvikTextStream(const std::string& message, int help_context)
      : std::runtime_error(message), help_context_(help_context) {}
  int HelpContext() const { return help_context_; }

 private:
  int help_context_;
};

// Writes UTF-16 text to a byte stream in a chosen Windows code page: UTF-8 (65001), UTF-16 LE
// (1200), UTF-32 LE (12000), or a code page converted by the platform. Opened for writing, it
// truncates the stream to nothing and writes the byte-order mark of the code page (none for UTF-8
// unless kOrvikWriteUtf8Bom asks for one); every fragment is then converted and written at once.
// The byte stream is not owned and must outlive this object. Code page 0 is the system's ANSI code
// page. Throws EOrvikTextStream on a reversed Unicode stream opened for writing, on an odd byte
// count for a non-Unicode code page and on failed conversions; bytes already written stay written.
// Only the write mode prepares the stream; other access modes leave it as it is.
class TOrvikTextStream : public TOrvikStreamWrapper {
 public:
  TOrvikTextStream(TByteStream& stream, uint8_t access_mode, uint8_t options, uint16_t code_page);

  // Converts and writes `text`. True when the byte stream took every byte (an empty text writes
  // nothing and is true), false on a short write. A surrogate pair must not be split between
  // two calls.
  bool WriteText(std::u16string_view text);

  // Writes `bytes`, which are in the stream's code page already (converted by this or another
  // stream of the same code page), unchanged. True when the byte stream took every byte.
  bool WriteEncodedBytes(std::string_view bytes);

  // Converts and writes `count` bytes of UTF-16 code units. Returns `count` when every converted
  // byte was taken, a smaller number on a short write (for UTF-8, the input bytes whose converted
  // bytes were all taken).
  int64_t Write(const void* buffer, int64_t count) override;

  uint16_t CodePage() const { return code_page_; }
  // Takes a new code page for the following writes (0: the system's ANSI code page); sets or
  // clears the Unicode option bit to match. Writes no byte-order mark.
  void SetCodePage(uint16_t code_page);

  uint8_t Options() const { return options_; }
  // The operating system's error code of the last failed conversion (errno), 0 if none failed.
  uint32_t LastError() const { return last_error_; }

 private:
  static constexpr size_t kBufferSize = 2048;

  void PrepareForWriting();
  int64_t WriteUtf8(const char16_t* units, size_t unit_count, int64_t count);
  int64_t WriteUtf32(const char16_t* units, size_t unit_count);
  int64_t WriteCodePage(const char16_t* units, size_t unit_count, int64_t count);
  // The kBufferSize buffer when `size` bytes fit in it, else a new `block` of `size` bytes.
  char* ConversionRoom(size_t size, std::unique_ptr<char[]>& block);
  [[noreturn]] void RaiseSystemError(const std::string& operation, int error_code);

  uint8_t access_mode_;
  uint8_t options_;
  uint16_t code_page_ = 0;
  uint32_t last_error_ = 0;
  std::vector<char> buffer_;
};

}  // namespace velmorra
