// The user.reg reader (Wine's registry text) on any bytes: it never crashes or hangs, and every key
// it offers is well-formed. The same bytes also describe a hive that is written the way Wine
// writes one; read back, it holds exactly those keys and values wherever the format can say them.
#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "platform/lower_case.h"
#include "platform/linux/wine_registry.h"
#include "platform/text_encoding.h"
#include "support/temp_directory.h"
#include "xml_text_model.h"

namespace velmorra::fuzzing {
namespace {

constexpr size_t kMaxKeyNameUnits = 255;
constexpr size_t kMaxKeyDepth = 512;

std::u16string Folded(const std::string& name) {
  return LowerCaseUtf16(AnsiToUtf16(name));
}

std::string JoinedKeyPath(const std::vector<std::string>& names, size_t count) {
  std::string path;
  for (size_t i = 0; i < count; ++i)
    path += (i == 0 ? "" : "\\") + names[i];
  return path;
}

// Walks every key below the root, opening each by its path: names are UTF-8, not empty, hold no
// backslash, fit 255 UTF-16 units, are enumerated in Wine's order (which makes them distinct)
// and lie at most 512 levels deep. Returns the folded path of every key.
std::set<std::u16string> CheckEveryKey(IRegistry& hive) {
  std::set<std::u16string> paths;
  std::vector<std::vector<std::string>> pending = {{}};
  while (!pending.empty()) {
    const std::vector<std::string> names = std::move(pending.back());
    pending.pop_back();
    const std::string path = JoinedKeyPath(names, names.size());
    TRegistryKey key = nullptr;
    FUZZ_CHECK(hive.OpenKey(path, TRegistryAccess::Read, key), Printable(path));
    uint32_t count = 0, longest = 0;
    const bool info = hive.QueryInfoKey(key, count, longest);
    FUZZ_CHECK(info || names.empty(), Printable(path));
    std::u16string previous;
    for (uint32_t index = 0; index < count; ++index) {
      std::string name;
      FUZZ_CHECK(hive.EnumKey(key, index, longest, name), Printable(path));
      FUZZ_CHECK(!name.empty() && name.find('\\') == std::string::npos, Printable(name));
      FUZZ_CHECK(IsWellFormedUtf8(name), Printable(name));
      FUZZ_CHECK(Utf8ToUtf16(name).size() <= kMaxKeyNameUnits, Printable(name));
      FUZZ_CHECK(name.size() <= longest, Printable(name));
      FUZZ_CHECK(index == 0 || previous < Folded(name), Printable(name));
      previous = Folded(name);
      std::vector<std::string> child = names;
      child.push_back(name);
      FUZZ_CHECK(child.size() <= kMaxKeyDepth, Printable(path));
      paths.insert(Folded(JoinedKeyPath(child, child.size())));
      pending.push_back(std::move(child));
    }
    std::string beyond;
    FUZZ_CHECK(!hive.EnumKey(key, count, UINT32_MAX, beyond), Printable(path));
    hive.CloseKey(key);
  }
  return paths;
}

// A hive as Wine would hold it, with the text Wine's writer makes of it.
struct TModelValue {
  uint32_t Type = 0;
  std::string Data;  // what QueryValueData gives
};
struct TModelKey {
  std::string Path;  // UTF-8 names joined by backslashes, as OpenKey takes it
  std::map<std::u16string, std::pair<std::string, TModelValue>> Values;  // by folded name
};

// UTF-16 text drawn from the input: ASCII, controls, Latin-1, anything in the plane, pairs and lone
// surrogates, and zero, each by a class byte.
std::u16string ModelText(TFuzzInput& input, size_t max_units, bool key_name) {
  const size_t units = input.Number(static_cast<uint32_t>(max_units));
  std::u16string text;
  while (text.size() < units && !input.Empty()) {
    const uint8_t kind = input.Byte();
    const uint8_t byte = input.Byte();
    char16_t unit;
    switch (kind % 8) {
      case 0:
      case 1:
        unit = static_cast<char16_t>(0x20 + byte % 0x5F);
        break;
      case 2:
        unit = static_cast<char16_t>(byte % 0x20);
        break;
      case 3:
        unit = static_cast<char16_t>(0x7F + byte % 0x81);
        break;
      case 4:
        unit = static_cast<char16_t>(byte << 8 | input.Byte());
        break;
      case 5:
        text += static_cast<char16_t>(0xD800 + byte % 0x400);
        unit = static_cast<char16_t>(0xDC00 + input.Number(0x3FF));
        break;
      case 6:
        unit = static_cast<char16_t>((byte & 1 ? 0xD800 : 0xDC00) + input.Number(0x3FF));
        break;
      default:
        unit = u"\\\"[]@=;#"[byte % 8];
    }
    if (key_name && unit == u'\\')
      unit = u'_';
    text += unit;
  }
  if (key_name && text.empty())
    text.push_back(u'k');
  return text.substr(0, max_units);
}

bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Wine's escaping of a name or string (dump_strW): named escapes and octal for controls, a
// backslash before itself and the delimiters, \x with four digits before a hex digit, else as
// few as needed. With `raw_utf8` well-formed characters beyond ASCII are written as UTF-8.
std::string WineEscaped(const std::u16string& text, const char* delimiters, bool raw_utf8) {
  static const char kNamed[] = ".......abtnvfr.............e....";
  std::string out;
  char buffer[16];
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool next_octal = i + 1 < text.size() && text[i + 1] >= u'0' && text[i + 1] <= u'7';
    const bool next_hex = i + 1 < text.size() && IsHexDigit(text[i + 1]);
    if (c < 0x20) {
      if (kNamed[c] != '.')
        std::snprintf(buffer, sizeof buffer, "\\%c", kNamed[c]);
      else
        std::snprintf(buffer, sizeof buffer, next_octal ? "\\%03o" : "\\%o", unsigned{c});
      out += buffer;
    } else if (c < 0x7F) {
      if (c == u'\\' || c == delimiters[0] || c == delimiters[1])
        out += '\\';
      out += static_cast<char>(c);
    } else if (raw_utf8 && c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() &&
               text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out += Utf16ToUtf8(text.substr(i, 2));
      ++i;
    } else if (raw_utf8 && (c < 0xD800 || c > 0xDFFF)) {
      out += Utf16ToUtf8(std::u16string(1, c));
    } else {
      std::snprintf(buffer, sizeof buffer, next_hex ? "\\x%04x" : "\\x%x", unsigned{c});
      out += buffer;
    }
  }
  return out;
}

std::string HexBytes(const std::string& bytes, bool wrap) {
  std::string out;
  char buffer[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, "%02x", static_cast<unsigned char>(bytes[i]));
    out += buffer;
    if (i + 1 < bytes.size())
      out += wrap && i % 20 == 19 ? ",\\\n  " : ",";
  }
  return out;
}

// One value line after "name=", with the value it must read back as.
std::string ModelValueLine(TFuzzInput& input, TModelValue& value, bool raw_utf8) {
  char buffer[32];
  switch (input.Byte() % 5) {
    case 0: {
      const std::u16string text = ModelText(input, 40, false);
      value = {1, Utf16ToUtf8(text) + '\0'};
      return "\"" + WineEscaped(text, "\"\"", raw_utf8) + "\"";
    }
    case 1: {
      const uint32_t type = input.Byte() % 3 == 0 ? input.Number(UINT32_MAX) : 2 + input.Byte() % 6;
      const std::u16string text = ModelText(input, 40, false);
      value = {type, Utf16ToUtf8(text) + '\0'};
      std::snprintf(buffer, sizeof buffer, "str(%x):\"", type);
      return buffer + WineEscaped(text, "\"\"", raw_utf8) + "\"";
    }
    case 2: {
      const uint32_t number = input.Number(UINT32_MAX);
      value = {
          4, std::string{char(number), char(number >> 8), char(number >> 16), char(number >> 24)}};
      std::snprintf(buffer, sizeof buffer, "dword:%08x", number);
      return buffer;
    }
    case 3: {
      const std::string bytes = input.Bytes(60);
      value = {3, bytes};
      return "hex:" + HexBytes(bytes, input.Bool());
    }
    default: {
      const uint32_t type = input.Byte() % 2 == 0 ? input.Number(UINT32_MAX) : input.Byte() % 12;
      const bool string_type = type == 1 || type == 2 || type == 7;
      std::string bytes = input.Bytes(60);
      value = {type, bytes};
      if (string_type)
        value.Data = Utf16ToUtf8(LittleEndianUnits(bytes));
      std::snprintf(buffer, sizeof buffer, "hex(%x):", type);
      return buffer + HexBytes(bytes, input.Bool());
    }
  }
}

// Writes the hive the input describes into `file` and returns its keys by folded path.
std::map<std::u16string, TModelKey> ModelHive(TFuzzInput& input, std::string& file) {
  std::map<std::u16string, TModelKey> keys;
  const bool windows_line_ends = input.Bool();
  file = "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0\n\n#arch=win64\n";
  const uint32_t key_count = input.Number(6);
  for (uint32_t k = 0; k < key_count && !input.Empty(); ++k) {
    const bool raw_utf8 = input.Bool();
    const uint32_t depth = 1 + input.Number(3);
    std::string section;
    std::vector<std::string> names;
    for (uint32_t level = 0; level < depth; ++level) {
      const std::u16string name = ModelText(input, 12, true);
      section += (level == 0 ? "" : "\\\\") + WineEscaped(name, "[]", raw_utf8);
      names.push_back(Utf16ToUtf8(name));
      // Every part of the path is a key, also without a section of its own.
      TModelKey& key = keys[Folded(JoinedKeyPath(names, names.size()))];
      if (key.Path.empty())
        key.Path = JoinedKeyPath(names, names.size());
    }
    TModelKey& key = keys[Folded(JoinedKeyPath(names, names.size()))];
    file += "\n[" + section + "] 1700000000\n#time=1d9e2b8c0a4f3e2\n";
    const uint32_t value_count = input.Number(4);
    for (uint32_t v = 0; v < value_count; ++v) {
      const std::u16string name = ModelText(input, 16, false);
      TModelValue value;
      const std::string data = ModelValueLine(input, value, raw_utf8);
      file += (name.empty() ? "@" : "\"" + WineEscaped(name, "\"\"", raw_utf8) + "\"") + "=" +
              data + "\n";
      key.Values[Folded(Utf16ToUtf8(name))] = {Utf16ToUtf8(name), value};
    }
  }
  if (windows_line_ends) {
    std::string crlf;
    for (const char c : file)
      crlf += c == '\n' ? "\r\n" : std::string(1, c);
    file = crlf;
  }
  return keys;
}

void CheckModelHive(IRegistry& hive, const std::map<std::u16string, TModelKey>& keys,
                    const std::string& file) {
  std::set<std::u16string> expected_paths;
  for (const auto& [folded, key] : keys)
    expected_paths.insert(folded);
  FUZZ_CHECK(CheckEveryKey(hive) == expected_paths, Printable(file));
  for (const auto& [folded, key] : keys) {
    TRegistryKey handle = nullptr;
    FUZZ_CHECK(hive.OpenKey(key.Path, TRegistryAccess::Read, handle), Printable(key.Path));
    for (const auto& [folded_name, named] : key.Values) {
      const auto& [name, value] = named;
      uint32_t type = 0, size = 0;
      std::string data;
      FUZZ_CHECK(hive.QueryValueInfo(handle, name, type, size), Printable(name));
      FUZZ_CHECK(hive.QueryValueData(handle, name, data), Printable(name));
      FUZZ_CHECK(type == value.Type && size == data.size(),
                 Printable(name) + " in " + Printable(file));
      FUZZ_CHECK(data == value.Data, Printable(name) + ": " + Printable(data) + " instead of " +
                                         Printable(value.Data) + " in " + Printable(file));
    }
    hive.CloseKey(handle);
  }
}

std::unique_ptr<IRegistry> HiveOf(const std::string& text) {
  static const testing::TTempDirectory folder;
  testing::WriteFileBytes(folder.File("user.reg"), text);
  return LoadWineRegistryFile(folder.File("user.reg"));
}

}  // namespace
}  // namespace velmorra::fuzzing

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velmorra::fuzzing;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CheckEveryKey(*HiveOf(bytes));

  TFuzzInput input(data, size);
  std::string file;
  const auto keys = ModelHive(input, file);
  CheckModelHive(*HiveOf(file), keys, file);
  return 0;
}
