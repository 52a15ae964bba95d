#include "platform/program_directory.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide_text.h"

namespace velmorra {

std::string ProgramDirectory() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0)
      return std::string();
    // A path that does not fit is cut to the buffer's size, terminator included.
    if (length < buffer.size() - 1) {
      const std::string path = Narrow(std::wstring_view(buffer.data(), length));
      return path.substr(0, path.find_last_of("\\/") + 1);
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace velmorra
