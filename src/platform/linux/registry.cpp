#include "platform/linux/wine_registry.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/environment_references.h"
#include "platform/hex_digit.h"
#include "platform/lower_case.h"
#include "platform/text_encoding.h"
#include "platform/user_folders.h"

namespace velmorra {

namespace {

struct TRegistryValue {
  uint32_t Type = registry_type::None;
  std::string Data;
};

// Names are compared as Wine compares them: lower-cased UTF-16, code unit by code unit, a prefix
// before the longer name. Keying the maps by that form gives Wine's enumeration order.
std::u16string FoldedName(std::string_view name) {
  return LowerCaseUtf16(AnsiToUtf16(name));
}

// The limits Windows documents for registry keys: a key name holds at most 255 UTF-16 code units,
// and keys nest at most 512 levels deep.
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxKeyDepth = 512;

struct TRegistryNode {
  std::string Name;
  std::map<std::u16string, std::unique_ptr<TRegistryNode>> SubKeys;
  std::map<std::u16string, TRegistryValue> Values;

  TRegistryNode() = default;
  TRegistryNode(const TRegistryNode&) = delete;
  TRegistryNode& operator=(const TRegistryNode&) = delete;

  // The subtree is taken apart from a list of pending nodes, not by recursion, so that however
  // deep it is, freeing it needs no more stack than one node.
  ~TRegistryNode() {
    std::vector<std::unique_ptr<TRegistryNode>> pending;
    MoveSubKeysTo(pending);
    while (!pending.empty()) {
      std::unique_ptr<TRegistryNode> node = std::move(pending.back());
      pending.pop_back();
      node->MoveSubKeysTo(pending);
    }
  }

  void MoveSubKeysTo(std::vector<std::unique_ptr<TRegistryNode>>& nodes) {
    for (auto& [folded, child] : SubKeys)
      nodes.push_back(std::move(child));
    SubKeys.clear();
  }

  TRegistryNode* Child(std::string_view name) const {
    auto found = SubKeys.find(FoldedName(name));
    return found == SubKeys.end() ? nullptr : found->second.get();
  }

  TRegistryNode& ChildOrNew(std::string_view name) {
    std::unique_ptr<TRegistryNode>& child = SubKeys[FoldedName(name)];
    if (!child) {
      child = std::make_unique<TRegistryNode>();
      child->Name = std::string(name);
    }
    return *child;
  }
};

std::vector<std::string_view> KeyPathParts(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos)
      end = path.size();
    if (end > start)
      parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// The control character that a one-letter escape such as \n stands for, if `letter` is one.
std::optional<char16_t> ControlEscape(char letter) {
  switch (letter) {
    case 'a':
      return u'\a';
    case 'b':
      return u'\b';
    case 'e':
      return u'\x1b';
    case 'f':
      return u'\f';
    case 'n':
      return u'\n';
    case 'r':
      return u'\r';
    case 't':
      return u'\t';
    case 'v':
      return u'\v';
    default:
      return std::nullopt;
  }
}

// The code unit of a \x escape whose digits start at `pos`, leaving `pos` after them. Wine writes
// up to four hex digits; a braced form is read as well.
char16_t ReadHexEscape(std::string_view line, size_t& pos) {
  const bool braced = pos < line.size() && line[pos] == '{';
  if (braced)
    ++pos;
  unsigned value = 0;
  for (int digits = 0; pos < line.size() && (braced || digits < 4); ++digits, ++pos) {
    const int digit = HexDigitValue(line[pos]);
    if (digit < 0)
      break;
    value = (value << 4) | static_cast<unsigned>(digit);
  }
  if (braced && pos < line.size() && line[pos] == '}')
    ++pos;
  return static_cast<char16_t>(value);
}

// The code unit of an octal escape of up to three digits whose first, `first`, was read; `pos` is
// left after the others.
char16_t ReadOctalEscape(std::string_view line, size_t& pos, char first) {
  unsigned value = static_cast<unsigned>(first - '0');
  for (int digits = 1; digits < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7';
       ++digits, ++pos) {
    value = value * 8 + static_cast<unsigned>(line[pos] - '0');
  }
  return static_cast<char16_t>(value);
}

// The code unit that the escape `escape` stands for, reading what follows it from `pos`; nothing
// for an escape that stands for the character itself (\\, \", \[ and \]).
std::optional<char16_t> EscapedUnit(std::string_view line, size_t& pos, char escape) {
  if (escape == 'x')
    return ReadHexEscape(line, pos);
  if (escape >= '0' && escape <= '7')
    return ReadOctalEscape(line, pos, escape);
  return ControlEscape(escape);
}

// Reads Wine's escaped text from `line` at `pos` up to the unescaped `end` character and leaves
// `pos` just after it. Plain bytes are UTF-8; escapes stand for UTF-16 code units. False when the
// end character is missing.
bool ParseEscapedText(std::string_view line, size_t& pos, char end, std::u16string& text) {
  std::string plain;  // the bytes since the last escape, decoded together
  while (pos < line.size() && line[pos] != end) {
    if (line[pos] != '\\') {
      plain.push_back(line[pos++]);
      continue;
    }
    text += AnsiToUtf16(plain);
    plain.clear();
    if (++pos >= line.size())
      return false;
    const char escape = line[pos++];
    if (const std::optional<char16_t> unit = EscapedUnit(line, pos, escape))
      text.push_back(*unit);
    else
      plain.push_back(escape);
  }
  text += AnsiToUtf16(plain);
  if (pos >= line.size())
    return false;
  ++pos;
  return true;
}

bool StartsWith(std::string_view text, size_t pos, std::string_view prefix) {
  return text.substr(pos, prefix.size()) == prefix;
}

// Reads "(N):" after "str" or "hex"; Wine writes the type number in hexadecimal.
bool ParseTypeNumber(std::string_view line, size_t& pos, uint32_t& type) {
  if (!StartsWith(line, pos, "("))
    return false;
  ++pos;
  uint32_t value = 0;
  size_t digits = 0;
  for (; pos < line.size() && HexDigitValue(line[pos]) >= 0; ++pos, ++digits) {
    value = (value << 4) | static_cast<uint32_t>(HexDigitValue(line[pos]));
  }
  if (digits == 0 || !StartsWith(line, pos, "):"))
    return false;
  pos += 2;
  type = value;
  return true;
}

bool ParseHexBytes(std::string_view line, size_t pos, std::string& bytes) {
  while (pos < line.size()) {
    const char c = line[pos];
    if (c == ',' || c == ' ' || c == '\t') {
      ++pos;
      continue;
    }
    if (pos + 1 >= line.size())
      return false;
    const int high = HexDigitValue(line[pos]);
    const int low = HexDigitValue(line[pos + 1]);
    if (high < 0 || low < 0)
      return false;
    bytes.push_back(static_cast<char>((high << 4) | low));
    pos += 2;
  }
  return true;
}

bool IsStringType(uint32_t type) {
  return type == registry_type::String || type == registry_type::ExpandString ||
         type == registry_type::MultiString;
}

// String data given as bytes is UTF-16 in little-endian order; the 8-bit form is what an ANSI
// caller receives.
std::string NarrowUtf16Bytes(const std::string& bytes) {
  std::u16string units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return Utf16ToAnsi(units);
}

// Parses the data after "name=" into `value`; false for deleted values and forms not understood.
bool ParseValueData(std::string_view line, size_t pos, TRegistryValue& value) {
  if (StartsWith(line, pos, "\"") || StartsWith(line, pos, "str(")) {
    value.Type = registry_type::String;
    if (StartsWith(line, pos, "str")) {
      pos += 3;
      if (!ParseTypeNumber(line, pos, value.Type) || !StartsWith(line, pos, "\""))
        return false;
    }
    std::u16string text;
    ++pos;
    if (!ParseEscapedText(line, pos, '"', text))
      return false;
    value.Data = Utf16ToAnsi(text);
    value.Data.push_back('\0');
    return true;
  }
  if (StartsWith(line, pos, "dword:")) {
    pos += 6;
    uint32_t number = 0;
    size_t digits = 0;
    for (; pos < line.size() && HexDigitValue(line[pos]) >= 0 && digits < 8; ++pos, ++digits) {
      number = (number << 4) | static_cast<uint32_t>(HexDigitValue(line[pos]));
    }
    if (digits == 0)
      return false;
    value.Type = registry_type::DWord;
    value.Data.clear();
    for (int shift = 0; shift < 32; shift += 8)
      value.Data.push_back(char((number >> shift) & 0xFF));
    return true;
  }
  if (StartsWith(line, pos, "hex")) {
    pos += 3;
    value.Type = registry_type::Binary;
    if (StartsWith(line, pos, "(")) {
      if (!ParseTypeNumber(line, pos, value.Type))
        return false;
    } else if (StartsWith(line, pos, ":")) {
      ++pos;
    } else {
      return false;
    }
    std::string bytes;
    if (!ParseHexBytes(line, pos, bytes))
      return false;
    value.Data = IsStringType(value.Type) ? NarrowUtf16Bytes(bytes) : bytes;
    return true;
  }
  return false;
}

void ParseValueLine(std::string_view line, TRegistryNode& key) {
  size_t pos = 0;
  std::u16string name;
  if (line[0] == '@') {
    pos = 1;
  } else {
    pos = 1;
    if (!ParseEscapedText(line, pos, '"', name))
      return;
  }
  if (!StartsWith(line, pos, "="))
    return;
  TRegistryValue value;
  if (!ParseValueData(line, pos + 1, value))
    return;
  const std::string name_text = Utf16ToAnsi(name);
  key.Values[FoldedName(name_text)] = std::move(value);
}

// Splits the file into logical lines: CR LF or LF ends a line, and a line ending in a backslash
// goes on in the next one, whose leading blanks are dropped.
std::vector<std::string> LogicalLines(const std::string& content) {
  std::vector<std::string> lines;
  std::string current;
  bool continued = false;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos)
      end = content.size();
    std::string_view line(content.data() + start, end - start);
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    if (continued) {
      while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    }
    current += line;
    continued = !current.empty() && current.back() == '\\' && current.front() != '[' &&
                current.front() != ';' && current.front() != '#';
    if (continued) {
      current.pop_back();
    } else {
      lines.push_back(std::move(current));
      current.clear();
    }
    start = end + 1;
  }
  if (!current.empty())
    lines.push_back(std::move(current));
  return lines;
}

class TWineRegistry : public IRegistry {
 public:
  explicit TWineRegistry(const std::string& content) { Parse(content); }

  bool OpenKey(const std::string& path, TRegistryAccess, TRegistryKey& key) override {
    const TRegistryNode* node = &root_;
    for (std::string_view part : KeyPathParts(path)) {
      node = node->Child(part);
      if (node == nullptr)
        return false;
    }
    key = const_cast<TRegistryNode*>(node);
    return true;
  }

  bool QueryInfoKey(TRegistryKey key, uint32_t& subkey_count,
                    uint32_t& max_subkey_name_length) override {
    if (key == nullptr)
      return false;
    const TRegistryNode& node = *static_cast<TRegistryNode*>(key);
    subkey_count = static_cast<uint32_t>(node.SubKeys.size());
    max_subkey_name_length = 0;
    for (const auto& [folded, child] : node.SubKeys) {
      max_subkey_name_length =
          std::max(max_subkey_name_length, static_cast<uint32_t>(child->Name.size()));
    }
    return true;
  }

  bool EnumKey(TRegistryKey key, uint32_t index, uint32_t max_name_length,
               std::string& name) override {
    if (key == nullptr)
      return false;
    const TRegistryNode& node = *static_cast<TRegistryNode*>(key);
    if (index >= node.SubKeys.size())
      return false;
    const std::string& child_name = std::next(node.SubKeys.begin(), index)->second->Name;
    if (child_name.size() > max_name_length)
      return false;
    name = child_name;
    return true;
  }

  bool QueryValueInfo(TRegistryKey key, const std::string& name, uint32_t& type,
                      uint32_t& size) override {
    const TRegistryValue* value = FindValue(key, name);
    if (value == nullptr)
      return false;
    type = value->Type;
    size = static_cast<uint32_t>(value->Data.size());
    return true;
  }

  bool QueryValueData(TRegistryKey key, const std::string& name, std::string& data) override {
    const TRegistryValue* value = FindValue(key, name);
    if (value == nullptr)
      return false;
    data = value->Data;
    return true;
  }

  void CloseKey(TRegistryKey) override {}

  std::string ExpandReferences(const std::string& text) override {
    return ExpandEnvironmentReferences(
        text, [this](std::string_view name) { return EnvironmentValue(name, true); });
  }

 private:
  // The user's variable `name` as a program in the prefix sees it: from the key "Environment",
  // else "Volatile Environment" (where Wine keeps USERPROFILE, APPDATA and their kin). An
  // expandable value is expanded once more when `expand` is set, as at the user's logon.
  std::optional<std::string> EnvironmentValue(std::string_view name, bool expand) {
    for (const char* key_path : {"Environment", "Volatile Environment"}) {
      TRegistryKey key = nullptr;
      if (!OpenKey(key_path, TRegistryAccess::QueryValue, key))
        continue;
      const TRegistryValue* value = FindValue(key, std::string(name));
      if (value == nullptr ||
          (value->Type != registry_type::String && value->Type != registry_type::ExpandString)) {
        continue;
      }
      const std::string text = value->Data.substr(0, value->Data.find('\0'));
      if (!expand || value->Type != registry_type::ExpandString)
        return text;
      return ExpandEnvironmentReferences(
          text, [this](std::string_view inner) { return EnvironmentValue(inner, false); });
    }
    return std::nullopt;
  }

  static const TRegistryValue* FindValue(TRegistryKey key, const std::string& name) {
    if (key == nullptr)
      return nullptr;
    const TRegistryNode& node = *static_cast<TRegistryNode*>(key);
    auto found = node.Values.find(FoldedName(name));
    return found == node.Values.end() ? nullptr : &found->second;
  }

  void Parse(const std::string& content) {
    TRegistryNode* current = nullptr;
    for (const std::string& line : LogicalLines(content)) {
      if (line.empty())
        continue;
      if (line[0] == '[') {
        current = OpenSection(line);
      } else if ((line[0] == '"' || line[0] == '@') && current != nullptr) {
        ParseValueLine(line, *current);
      }
      // Header, ";;" comments and "#time=", "#arch=", "#class=" lines carry nothing we read.
    }
  }

  // Every part of a section's path exists as a key, also when Wine wrote no section for it. A
  // section past the limits of a key is skipped with its values.
  TRegistryNode* OpenSection(std::string_view line) {
    size_t pos = 1;
    std::u16string path;
    if (!ParseEscapedText(line, pos, ']', path))
      return nullptr;
    const std::string key_path = Utf16ToAnsi(path);
    const std::vector<std::string_view> parts = KeyPathParts(key_path);
    if (parts.size() > kMaxKeyDepth)
      return nullptr;
    for (std::string_view part : parts) {
      if (AnsiToUtf16(part).size() > kMaxKeyNameLength)
        return nullptr;
    }
    TRegistryNode* node = &root_;
    for (std::string_view part : parts)
      node = &node->ChildOrNew(part);
    return node;
  }

  TRegistryNode root_;
};

std::string ReadWholeFile(const std::string& file_name, bool& read) {
  std::ifstream in(file_name, std::ios::binary);
  read = static_cast<bool>(in);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::unique_ptr<IRegistry> LoadWineRegistryFile(const std::string& file_name) {
  bool read = false;
  std::string content = ReadWholeFile(file_name, read);
  return std::make_unique<TWineRegistry>(read ? content : std::string());
}

std::unique_ptr<IRegistry> OpenCurrentUserRegistry() {
  return LoadWineRegistryFile(WinePrefixDirectory() + "/user.reg");
}

std::string WinePrefixDirectory() {
  const char* prefix = std::getenv("WINEPREFIX");
  std::string directory;
  if (prefix != nullptr && prefix[0] != '\0') {
    directory = prefix;
  } else {
    const std::string home = HomeDirectory();
    directory = (home.empty() ? std::string("/") : home) + ".wine";
  }
  while (directory.size() > 1 && directory.back() == '/')
    directory.pop_back();
  return directory;
}

std::string WinePathToNative(const std::string& path, const std::string& wine_prefix) {
  std::string native;
  std::string_view rest = path;
  const bool drive_path =
      path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  if (drive_path) {
    const char drive = static_cast<char>(path[0] | 0x20);
    native = wine_prefix + "/dosdevices/" + drive + ":";
    rest.remove_prefix(2);
    if (!rest.empty() && rest.front() != '\\')
      native += '/';
  }
  for (char c : rest)
    native.push_back(c == '\\' ? '/' : c);
  return native;
}

std::string RegistryPathToNative(const std::string& path) {
  return WinePathToNative(path, WinePrefixDirectory());
}

}  // namespace velmorra
