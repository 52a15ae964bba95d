#include "platform/standard_streams.h"

#include <iostream>

namespace velmorra {

std::ostream& StandardOutput() {
  return std::cout;
}

std::ostream& StandardError() {
  return std::cerr;
}

}  // namespace velmorra
