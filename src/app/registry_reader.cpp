#include "app/registry_reader.h"

namespace velmorra {

bool TRegistryReader::OpenKeyReadOnly(const std::string& path) {
  for (TRegistryAccess access : {TRegistryAccess::Read, TRegistryAccess::ReadControlQueryEnumerate,
                                 TRegistryAccess::QueryValue}) {
    TRegistryKey key = nullptr;
    if (registry_.OpenKey(path, access, key)) {
      CloseKey();
      key_ = key;
      return true;
    }
  }
  return false;
}

void TRegistryReader::CloseKey() {
  if (key_ == nullptr)
    return;
  registry_.CloseKey(key_);
  key_ = nullptr;
}

std::vector<std::string> TRegistryReader::GetKeyNames() {
  std::vector<std::string> names;
  uint32_t count = 0, longest = 0;
  if (key_ == nullptr || !registry_.QueryInfoKey(key_, count, longest))
    return names;
  for (uint32_t index = 0; index < count; ++index) {
    std::string name;
    if (!registry_.EnumKey(key_, index, longest, name))
      name.clear();
    names.push_back(name);
  }
  return names;
}

std::string TRegistryReader::ReadString(const std::string& name) {
  uint32_t type = registry_type::None, size = 0;
  if (key_ == nullptr || !registry_.QueryValueInfo(key_, name, type, size) || size == 0) {
    return std::string();
  }
  std::string data;
  if (!registry_.QueryValueData(key_, name, data)) {
    throw ERegistryException("Failed to get data for '" + name + "'");
  }
  if (type != registry_type::String && type != registry_type::ExpandString) {
    throw ERegistryException("Invalid data type for '" + name + "'");
  }
  const std::string text = data.substr(0, data.find('\0'));
  return type == registry_type::ExpandString ? registry_.ExpandReferences(text) : text;
}

}  // namespace velmorra
