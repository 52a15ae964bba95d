#include "platform/registry.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/win32/wide_text.h"

namespace velmorra {

namespace {

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The current user's hive through the registry's W calls; names and string data cross as UTF-8.
class TWindowsRegistry : public IRegistry {
 public:
  bool OpenKey(const std::string& path, TRegistryAccess access, TRegistryKey& key) override {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Widen(path).c_str(), 0, static_cast<REGSAM>(access),
                      &opened) != ERROR_SUCCESS)
      return false;
    key = opened;
    return true;
  }

  bool QueryInfoKey(TRegistryKey key, uint32_t& subkey_count,
                    uint32_t& max_subkey_name_length) override {
    std::vector<std::string> names;
    if (!SubkeyNames(key, names))
      return false;
    subkey_count = static_cast<uint32_t>(names.size());
    max_subkey_name_length = 0;
    for (const std::string& name : names)
      max_subkey_name_length = std::max(max_subkey_name_length, static_cast<uint32_t>(name.size()));
    return true;
  }

  bool EnumKey(TRegistryKey key, uint32_t index, uint32_t max_name_length,
               std::string& name) override {
    DWORD max_units = 0;
    if (RegQueryInfoKeyW(static_cast<HKEY>(key), nullptr, nullptr, nullptr, nullptr, &max_units,
                         nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      return false;
    std::wstring buffer(max_units + 1, L'\0');
    DWORD length = static_cast<DWORD>(buffer.size());
    if (RegEnumKeyExW(static_cast<HKEY>(key), index, buffer.data(), &length, nullptr, nullptr,
                      nullptr, nullptr) != ERROR_SUCCESS)
      return false;
    std::string found = Narrow(std::wstring_view(buffer.data(), length));
    if (found.size() > max_name_length)
      return false;
    name = std::move(found);
    return true;
  }

  bool QueryValueInfo(TRegistryKey key, const std::string& name, uint32_t& type,
                      uint32_t& size) override {
    std::string data;
    if (!ReadValue(key, name, type, data))
      return false;
    size = static_cast<uint32_t>(data.size());
    return true;
  }

  bool QueryValueData(TRegistryKey key, const std::string& name, std::string& data) override {
    uint32_t type;
    return ReadValue(key, name, type, data);
  }

  void CloseKey(TRegistryKey key) override {
    if (key != nullptr)
      RegCloseKey(static_cast<HKEY>(key));
  }

  std::string ExpandReferences(const std::string& text) override {
    const std::wstring wide = Widen(text);
    std::vector<wchar_t> expanded(wide.size() + 1);
    for (;;) {
      const DWORD length = ExpandEnvironmentStringsW(wide.c_str(), expanded.data(),
                                                     static_cast<DWORD>(expanded.size()));
      if (length == 0)
        return text;
      // The answer counts the terminator; more than the buffer holds: the size needed.
      if (length <= expanded.size())
        return Narrow(std::wstring_view(expanded.data(), length - 1));
      expanded.resize(length);
    }
  }

 private:
  static bool SubkeyNames(TRegistryKey key, std::vector<std::string>& names) {
    DWORD count = 0, max_units = 0;
    if (RegQueryInfoKeyW(static_cast<HKEY>(key), nullptr, nullptr, nullptr, &count, &max_units,
                         nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      return false;
    std::wstring buffer(max_units + 1, L'\0');
    for (DWORD index = 0; index < count; ++index) {
      DWORD length = static_cast<DWORD>(buffer.size());
      if (RegEnumKeyExW(static_cast<HKEY>(key), index, buffer.data(), &length, nullptr, nullptr,
                        nullptr, nullptr) != ERROR_SUCCESS)
        break;
      names.push_back(Narrow(std::wstring_view(buffer.data(), length)));
    }
    return true;
  }

  // The value's type and its data in the form the interface gives it: string data as UTF-8 with
  // one terminating NUL (added when the stored text lacks it), anything else as stored.
  static bool ReadValue(TRegistryKey key, const std::string& name, uint32_t& type,
                        std::string& data) {
    const std::wstring wide_name = Widen(name);
    std::vector<BYTE> bytes;
    DWORD value_type = REG_NONE;
    for (;;) {
      DWORD size = static_cast<DWORD>(bytes.size());
      const LONG result =
          RegQueryValueExW(static_cast<HKEY>(key), wide_name.c_str(), nullptr, &value_type,
                           bytes.empty() ? nullptr : bytes.data(), &size);
      if (result == ERROR_SUCCESS && (!bytes.empty() || size == 0)) {
        bytes.resize(size);
        break;
      }
      if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA)
        return false;
      // The value may grow between the two calls: ask again with the size just given.
      bytes.resize(size);
    }
    type = value_type;
    if (IsStringType(value_type) && !bytes.empty()) {
      std::wstring_view text(reinterpret_cast<const wchar_t*>(bytes.data()),
                             bytes.size() / sizeof(wchar_t));
      if (!text.empty() && text.back() == L'\0')
        text.remove_suffix(1);
      data = Narrow(text);
      data.push_back('\0');
    } else {
      data.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    return true;
  }
};

}  // namespace

std::unique_ptr<IRegistry> OpenCurrentUserRegistry() {
  return std::make_unique<TWindowsRegistry>();
}

std::string RegistryPathToNative(const std::string& path) {
  return path;
}

}  // namespace velmorra
