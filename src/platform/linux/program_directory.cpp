#include "platform/program_directory.h"

#include <unistd.h>

#include <vector>

namespace velmorra {

std::string ProgramDirectory() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0)
      return std::string();
    if (static_cast<size_t>(length) < buffer.size()) {
      std::string path(buffer.data(), static_cast<size_t>(length));
      return path.substr(0, path.rfind('/') + 1);
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace velmorra
