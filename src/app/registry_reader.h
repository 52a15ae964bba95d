#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace velmorra {

// Raised when a registry value cannot be read as text: "Invalid data type for '%s'" or "Failed
// to get data for '%s'" with the value's name.
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A read-only cursor over a registry hive that holds at most one key open at a time; the key is
// closed when another is opened, on CloseKey, and when the reader goes. `registry` must outlive it.
class TRegistryReader {
 public:
  explicit TRegistryReader(IRegistry& registry) : registry_(registry) {}
  ~TRegistryReader() { CloseKey(); }
  TRegistryReader(const TRegistryReader&) = delete;
  TRegistryReader& operator=(const TRegistryReader&) = delete;

  // Opens `path` (from the hive's root) for reading, asking for less access each time it is
  // refused: standard read, then read-control with query-value and enumerate-subkeys, then
  // query-value alone. On failure the key open before stays open and false is returned.
  bool OpenKeyReadOnly(const std::string& path);
  void CloseKey();

  // The names of the open key's direct subkeys in the hive's order; none when no key is open. A
  // name that cannot be read comes back empty, so positions still count.
  std::vector<std::string> GetKeyNames();

  // The text of the string or expandable-string value `name` of the open key, up to its first NUL;
  // the environment references of an expandable string are expanded (IRegistry::ExpandReferences).
  // A missing value, or one of zero size, reads as the empty string. Throws ERegistryException for
  // any other type and when the data cannot be read.
  std::string ReadString(const std::string& name);

 private:
  IRegistry& registry_;
  TRegistryKey key_ = nullptr;
};

}  // namespace velmorra
