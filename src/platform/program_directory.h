#pragma once

#include <string>

namespace velmorra {

// The directory of the running executable, always ending in a path separator. The empty string
// when the platform cannot tell (it practically always can).
std::string ProgramDirectory();

}  // namespace velmorra
