#include "app/win32/win32_drop_target.h"

#include <cstring>
#include <vector>

#include "platform/win32/wide_text.h"

namespace velmorra {

unsigned TWin32DroppedFiles::Count() {
  return DragQueryFileW(drop_, 0xFFFFFFFF, nullptr, 0);
}

std::string TWin32DroppedFiles::Name(unsigned index) {
  const UINT length = DragQueryFileW(drop_, index, nullptr, 0);
  std::vector<wchar_t> name(static_cast<size_t>(length) + 1, L'\0');
  DragQueryFileW(drop_, index, name.data(), length + 1);
  return Narrow(std::wstring_view(name.data(), length));
}

size_t TWin32DroppedFiles::ReadName(unsigned index, char* buffer, size_t buffer_size) {
  if (buffer_size == 0)
    return 0;
  const std::string name = Name(index);
  const size_t count = name.size() < buffer_size ? name.size() : buffer_size - 1;
  std::memcpy(buffer, name.data(), count);
  buffer[count] = '\0';
  return count;
}

TPoint TWin32DroppedFiles::Point() {
  POINT point{};
  DragQueryPoint(drop_, &point);
  return TPoint{static_cast<int>(point.x), static_cast<int>(point.y)};
}

}  // namespace velmorra
