#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/environment_references.h"
#include "platform/registry.h"

namespace velmorra::testing {

// An in-memory hive whose subkeys enumerate in the order they were added (unlike Wine's sorted
// order) and whose keys can refuse access or hold unreadable data. It counts open keys.
class TFakeRegistry : public IRegistry {
 public:
  struct TValue {
    uint32_t Type = registry_type::String;
    std::string Data;
    bool Unreadable = false;  // the size can be queried, the data cannot
  };
  struct TKey {
    std::string Name;
    std::vector<std::unique_ptr<TKey>> SubKeys;
    std::map<std::string, TValue> Values;
    int RefusedAccesses = 0;  // 1: standard read refused, 2: also the middle one, 3: all
  };

  // The key at `path`, made along the way when missing.
  TKey& Key(const std::string& path) {
    TKey* key = &root_;
    for (const std::string& part : Parts(path)) {
      TKey* child = Find(*key, part);
      if (child == nullptr) {
        key->SubKeys.push_back(std::make_unique<TKey>());
        child = key->SubKeys.back().get();
        child->Name = part;
      }
      key = child;
    }
    return *key;
  }
  // A string value as Win32 hands it over: the text and a terminating NUL.
  void SetString(const std::string& path, const std::string& name, const std::string& text,
                 uint32_t type = registry_type::String) {
    Key(path).Values[name] = TValue{type, text + std::string(1, '\0'), false};
  }

  bool OpenKey(const std::string& path, TRegistryAccess access, TRegistryKey& key) override {
    OpenAttempts.push_back(access);
    TKey* found = &root_;
    for (const std::string& part : Parts(path)) {
      found = Find(*found, part);
      if (found == nullptr)
        return false;
    }
    const int level = access == TRegistryAccess::Read                        ? 1
                      : access == TRegistryAccess::ReadControlQueryEnumerate ? 2
                                                                             : 3;
    if (found->RefusedAccesses >= level)
      return false;
    key = found;
    ++OpenKeys;
    if (OpenKeys > MostKeysOpen)
      MostKeysOpen = OpenKeys;
    return true;
  }
  bool QueryInfoKey(TRegistryKey key, uint32_t& count, uint32_t& longest) override {
    const TKey& node = *static_cast<TKey*>(key);
    count = static_cast<uint32_t>(node.SubKeys.size());
    longest = 0;
    for (const auto& child : node.SubKeys) {
      if (child->Name.size() > longest)
        longest = static_cast<uint32_t>(child->Name.size());
    }
    return true;
  }
  bool EnumKey(TRegistryKey key, uint32_t index, uint32_t max_length, std::string& name) override {
    const TKey& node = *static_cast<TKey*>(key);
    if (index >= node.SubKeys.size() || node.SubKeys[index]->Name.size() > max_length) {
      return false;
    }
    name = node.SubKeys[index]->Name;
    return true;
  }
  bool QueryValueInfo(TRegistryKey key, const std::string& name, uint32_t& type,
                      uint32_t& size) override {
    const TValue* value = FindValue(key, name);
    if (value == nullptr)
      return false;
    type = value->Type;
    size = static_cast<uint32_t>(value->Data.size());
    return true;
  }
  bool QueryValueData(TRegistryKey key, const std::string& name, std::string& data) override {
    const TValue* value = FindValue(key, name);
    if (value == nullptr || value->Unreadable)
      return false;
    data = value->Data;
    return true;
  }
  void CloseKey(TRegistryKey key) override {
    if (key != nullptr)
      --OpenKeys;
  }
  std::string ExpandReferences(const std::string& text) override {
    return ExpandEnvironmentReferences(text, [this](std::string_view name) {
      const auto found = Environment.find(std::string(name));
      return found == Environment.end() ? std::nullopt : std::optional(found->second);
    });
  }

  // The variables that ExpandReferences knows.
  std::map<std::string, std::string> Environment;
  std::vector<TRegistryAccess> OpenAttempts;
  int OpenKeys = 0;
  int MostKeysOpen = 0;

 private:
  static std::vector<std::string> Parts(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
      size_t end = path.find('\\', start);
      if (end == std::string::npos)
        end = path.size();
      if (end > start)
        parts.push_back(path.substr(start, end - start));
      start = end + 1;
    }
    return parts;
  }
  static TKey* Find(TKey& key, const std::string& name) {
    for (auto& child : key.SubKeys) {
      if (child->Name == name)
        return child.get();
    }
    return nullptr;
  }
  static const TValue* FindValue(TRegistryKey key, const std::string& name) {
    const TKey& node = *static_cast<TKey*>(key);
    auto found = node.Values.find(name);
    return found == node.Values.end() ? nullptr : &found->second;
  }

  TKey root_;
};

}  // namespace velmorra::testing
