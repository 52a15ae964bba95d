#include "platform/standard_streams.h"

#include <windows.h>

#include <streambuf>
#include <string>
#include <string_view>

#include "platform/win32/wide_text.h"

namespace velmorra {

namespace {

// How many bytes at the end of `bytes` begin a UTF-8 sequence that is not complete yet.
size_t IncompleteUtf8Tail(const std::string& bytes) {
  const size_t size = bytes.size();
  for (size_t back = 1; back <= 3 && back <= size; ++back) {
    const unsigned char byte = static_cast<unsigned char>(bytes[size - back]);
    if ((byte & 0xC0) == 0x80)
      continue;  // a continuation byte: look further back for the lead byte
    const size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return length > back ? back : 0;
  }
  return 0;
}

// A stream buffer over a standard handle: to a console as UTF-16 text, to anything else as bytes.
// Lines end in CR LF, as Windows programs (Notepad, findstr, PowerShell) read them.
class TStandardStreamBuffer : public std::streambuf {
 public:
  explicit TStandardStreamBuffer(DWORD which) : which_(which) {}
  ~TStandardStreamBuffer() override { WritePending(true); }

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      const char character = traits_type::to_char_type(c);
      Append(std::string_view(&character, 1));
    }
    return traits_type::not_eof(c);
  }

  std::streamsize xsputn(const char* text, std::streamsize count) override {
    Append(std::string_view(text, static_cast<size_t>(count)));
    return count;
  }

  int sync() override { return WritePending(false) ? 0 : -1; }

 private:
  static constexpr size_t kBlockSize = 16 * 1024;

  // Takes `text` with each line break written as CR LF.
  void Append(std::string_view text) {
    for (size_t start = 0; start < text.size();) {
      const size_t line_end = text.find('\n', start);
      pending_.append(text.substr(start, line_end - start));
      if (line_end == std::string_view::npos)
        break;
      pending_.append("\r\n");
      start = line_end + 1;
    }
    if (pending_.size() >= kBlockSize)
      WritePending(false);
  }

  // Writes what is pending; to a console all but an incomplete last character unless `all`.
  bool WritePending(bool all) {
    const HANDLE handle = GetStdHandle(which_);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
      pending_.clear();
      return true;
    }
    DWORD mode;
    bool written = true;
    if (GetConsoleMode(handle, &mode)) {
      const size_t keep = all ? 0 : IncompleteUtf8Tail(pending_);
      const std::wstring text = Widen(std::string_view(pending_).substr(0, pending_.size() - keep));
      DWORD count = 0;
      for (size_t done = 0; done < text.size(); done += count) {
        if (!WriteConsoleW(handle, text.data() + done, static_cast<DWORD>(text.size() - done),
                           &count, nullptr) ||
            count == 0) {
          written = false;
          break;
        }
      }
      pending_.erase(0, pending_.size() - keep);
    } else {
      DWORD count = 0;
      for (size_t done = 0; done < pending_.size(); done += count) {
        if (!WriteFile(handle, pending_.data() + done, static_cast<DWORD>(pending_.size() - done),
                       &count, nullptr) ||
            count == 0) {
          written = false;
          break;
        }
      }
      pending_.clear();
    }
    return written;
  }

  DWORD which_;
  std::string pending_;
};

}  // namespace

std::ostream& StandardOutput() {
  static TStandardStreamBuffer buffer(STD_OUTPUT_HANDLE);
  static std::ostream stream(&buffer);
  return stream;
}

std::ostream& StandardError() {
  static TStandardStreamBuffer buffer(STD_ERROR_HANDLE);
  static std::ostream stream(&buffer);
  stream.setf(std::ios::unitbuf);
  return stream;
}

}  // namespace velmorra
