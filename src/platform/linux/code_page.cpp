#include "platform/code_page.h"

#include <errno.h>
#include <iconv.h>

#include <string>

namespace velmorra {

uint16_t DefaultAnsiCodePage() {
  return 65001;
}

namespace {

constexpr uint16_t kShiftJis = 932;
constexpr uint16_t kIso2022Jp = 50220;
constexpr uint16_t kEucJp = 51932;
constexpr uint16_t kHebrew = 1255;
constexpr uint16_t kVietnamese = 1258;

bool IsSingleByteCodePage(uint16_t code_page) {
  return (code_page >= 1250 && code_page <= 1258) || (code_page >= 28591 && code_page <= 28599) ||
         code_page == 28603 || code_page == 28605 || code_page == 20127 || code_page == 20866 ||
         code_page == 21866;
}

// The iconv name of a Windows code page number; "CP<number>" for those without a name of their
// own, which iconv knows for most of the Windows and DOS code pages.
std::string IconvName(uint16_t code_page) {
  switch (code_page) {
    case kShiftJis:
      return "CP932";
    case kIso2022Jp:
      return "ISO-2022-JP";
    case kEucJp:
      return "EUC-JP";
    case 20127:
      return "ASCII";
    case 20866:
      return "KOI8-R";
    case 21866:
      return "KOI8-U";
    case 28603:
      return "ISO-8859-13";
    case 28605:
      return "ISO-8859-15";
  }
  if (code_page >= 28591 && code_page <= 28599) {
    return "ISO-8859-" + std::to_string(code_page - 28590);
  }
  return "CP" + std::to_string(code_page);
}

// The converter of the last code page used, kept because opening one costs far more than
// converting a short fragment. One thread converts at a time, so one per thread.
class TCachedConverter {
 public:
  ~TCachedConverter() { Close(); }

  // The converter for `code_page`, or (iconv_t)-1 with errno set when iconv does not know it.
  iconv_t For(uint16_t code_page) {
    if (descriptor_ != kNone && code_page_ == code_page)
      return descriptor_;
    Close();
    descriptor_ = iconv_open(IconvName(code_page).c_str(), "UTF-16LE");
    code_page_ = code_page;
    return descriptor_;
  }

 private:
  inline static const iconv_t kNone = reinterpret_cast<iconv_t>(-1);

  void Close() {
    if (descriptor_ != kNone)
      iconv_close(descriptor_);
    descriptor_ = kNone;
  }

  iconv_t descriptor_ = kNone;
  uint16_t code_page_ = 0;
};

thread_local TCachedConverter cached_converter;

constexpr size_t kFailed = static_cast<size_t>(-1);

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

// How many code units the character at `units[0]` takes: a surrogate pair is one character.
size_t CharacterLength(const char16_t* units, size_t available) {
  return available >= 2 && IsHighSurrogate(units[0]) && IsLowSurrogate(units[1]) ? 2 : 1;
}

}  // namespace

size_t CodePageOutputRoom(uint16_t code_page, size_t unit_count) {
  switch (code_page) {
    // Hebrew and Vietnamese characters that the code page holds only in parts (a letter with its
    // points, a vowel with its tone mark) become the base letter and up to two combining marks.
    case kHebrew:
      return 3 * unit_count;
    case kVietnamese:
      return 2 * unit_count;
    case kShiftJis:
      return 2 * unit_count;
    case kEucJp:
      return 3 * unit_count;  // JIS X 0212 characters take three bytes
    case kIso2022Jp:
      // A switch of character set (three bytes) before each character of two bytes, and the
      // switch back to ASCII at the end.
      return 5 * unit_count + 3;
  }
  return IsSingleByteCodePage(code_page) ? unit_count : 4 * unit_count;
}

std::optional<size_t> Utf16ToCodePage(uint16_t code_page, std::u16string_view text, char* out,
                                      size_t room, int& error_code) {
  iconv_t converter = cached_converter.For(code_page);
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    error_code = errno;
    return std::nullopt;
  }
  iconv(converter, nullptr, nullptr, nullptr, nullptr);

  const char16_t* units = text.data();
  size_t units_left = text.size();
  char* output = out;
  size_t output_left = room;
  const auto fail = [&](int error) -> std::optional<size_t> {
    error_code = error;
    return std::nullopt;
  };
  while (units_left > 0) {
    char* input = const_cast<char*>(reinterpret_cast<const char*>(units));
    size_t input_left = 2 * units_left;
    const size_t result = iconv(converter, &input, &input_left, &output, &output_left);
    units = reinterpret_cast<const char16_t*>(input);
    units_left = input_left / 2;
    if (result != kFailed)
      break;
    // EILSEQ: a character the code page lacks, or a lone surrogate; EINVAL: a high surrogate at
    // the very end.
    if (errno != EILSEQ && errno != EINVAL)
      return fail(errno);
    // The default character is ASCII: a stateful code page must shift back to ASCII first.
    if (iconv(converter, nullptr, nullptr, &output, &output_left) == kFailed)
      return fail(errno);
    if (output_left == 0)
      return fail(E2BIG);
    *output++ = '?';
    --output_left;
    const size_t skipped = CharacterLength(units, units_left);
    units += skipped;
    units_left -= skipped;
  }
  if (iconv(converter, nullptr, nullptr, &output, &output_left) == kFailed)
    return fail(errno);
  return static_cast<size_t>(output - out);
}

}  // namespace velmorra
