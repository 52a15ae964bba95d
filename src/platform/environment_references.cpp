#include "platform/environment_references.h"

namespace velmorra {

std::string ExpandEnvironmentReferences(
    std::string_view text,
    const std::function<std::optional<std::string>(std::string_view name)>& lookup) {
  std::string expanded;
  size_t pos = 0;
  for (;;) {
    const size_t start = text.find('%', pos);
    const size_t end = start == std::string_view::npos ? start : text.find('%', start + 1);
    if (end == std::string_view::npos)
      break;
    const std::optional<std::string> value = lookup(text.substr(start + 1, end - start - 1));
    if (value) {
      expanded.append(text.substr(pos, start - pos)).append(*value);
      pos = end + 1;
    } else {
      expanded.append(text.substr(pos, end - pos));
      pos = end;
    }
  }
  return expanded.append(text.substr(pos));
}

}  // namespace velmorra
