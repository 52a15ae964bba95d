#pragma once

#include <stdexcept>
#include <string>

namespace velmorra {

// Raised when a file cannot be created: "Cannot create file "%s". %s" with the full path and the
// system's reason. Nothing was written.
class EFileCreateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raised when the bytes of a file cannot all be written (a full disk, a short write, a failed
// flush or rename): "Cannot write file "%s". %s" with the full path and the system's reason.
// A file that was there before is left as it was, unless it was being written in place.
class EFileWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace velmorra
