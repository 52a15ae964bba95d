#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace velmorra {

// Read-only access to the current user's registry hive, shaped after the Win32 calls
// (RegOpenKeyEx, RegQueryInfoKey, RegEnumKeyEx, RegQueryValueEx, RegCloseKey) so that a Windows
// build can implement the same interface. On Linux the hive is the user.reg file of a Wine prefix.

// An open key; nullptr stands for "none". Valid until it is passed to CloseKey.
using TRegistryKey = void*;

// Access rights asked for when a key is opened (the Win32 values).
enum class TRegistryAccess : uint32_t {
  Read = 0x20019,  // KEY_READ
  ReadControlQueryEnumerate =
      0x20000 | 0x1 | 0x8,  // READ_CONTROL | QUERY_VALUE | ENUMERATE_SUB_KEYS
  QueryValue = 0x1,         // KEY_QUERY_VALUE
};

// Value types (the Win32 REG_* numbers); other numbers can occur and are kept as they are.
namespace registry_type {
constexpr uint32_t None = 0;
constexpr uint32_t String = 1;        // REG_SZ
constexpr uint32_t ExpandString = 2;  // REG_EXPAND_SZ
constexpr uint32_t Binary = 3;        // REG_BINARY
constexpr uint32_t DWord = 4;         // REG_DWORD
constexpr uint32_t MultiString = 7;   // REG_MULTI_SZ
}  // namespace registry_type

// The hive of the current user. Never throws; a failed call returns false and leaves its outputs
// unspecified. Key paths are relative to the hive's root, their parts separated by backslashes and
// matched without regard to letter case. Names and string data are 8-bit text of the ANSI code
// page (UTF-8 on Linux).
class IRegistry {
 public:
  virtual ~IRegistry() = default;

  // Opens the key at `path` with `access`. False when the key does not exist or the access is
  // refused.
  virtual bool OpenKey(const std::string& path, TRegistryAccess access, TRegistryKey& key) = 0;
  // The number of direct subkeys of `key` and the length, in bytes, of the longest of their names.
  virtual bool QueryInfoKey(TRegistryKey key, uint32_t& subkey_count,
                            uint32_t& max_subkey_name_length) = 0;
  // The name of the direct subkey at `index` in the hive's own order. False when `index` is out of
  // range or the name is longer than `max_name_length` bytes.
  virtual bool EnumKey(TRegistryKey key, uint32_t index, uint32_t max_name_length,
                       std::string& name) = 0;
  // The type of the value `name` ("" names the key's default value) and the size of its data in
  // bytes. String data is counted with its terminating NUL, as Win32 does. False when there is no
  // such value.
  virtual bool QueryValueInfo(TRegistryKey key, const std::string& name, uint32_t& type,
                              uint32_t& size) = 0;
  // The data of the value `name`: for the string types the text with its terminating NUL, for a
  // DWORD its four bytes in little-endian order, else the stored bytes. False when it cannot be
  // read.
  virtual bool QueryValueData(TRegistryKey key, const std::string& name, std::string& data) = 0;
  // Releases `key`. Does nothing for nullptr.
  virtual void CloseKey(TRegistryKey key) = 0;
  // `text` with its environment references ("%USERPROFILE%") expanded as the user's programs see
  // them (ExpandEnvironmentStrings on Windows; on Linux the variables the Wine prefix defines for
  // the user, in its keys "Environment" and "Volatile Environment"); a reference to a variable
  // that is not defined stays as it is.
  virtual std::string ExpandReferences(const std::string& text) = 0;
};

// The current user's hive. On Linux: the file user.reg in $WINEPREFIX, or in ~/.wine when
// WINEPREFIX is not set, read once now. A missing or unreadable file gives an empty hive in which
// every key fails to open. On Windows: HKEY_CURRENT_USER.
std::unique_ptr<IRegistry> OpenCurrentUserRegistry();

// Turns a path read from the registry into a path of this system. On Linux a drive path ("C:\…")
// leads through the prefix's dosdevices/<drive letter in lower case>: link; every backslash
// becomes a slash. Nothing is looked up on disk. On Windows the path is returned as it is.
std::string RegistryPathToNative(const std::string& path);

}  // namespace velmorra
