#include "platform/linux/wine_registry.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "support/temp_directory.h"

namespace velmorra {
namespace {

using testing::TTempDirectory;
using testing::WriteFileBytes;

const char kHeader[] =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21\n\n"
    "#arch=win64\n\n";

std::unique_ptr<IRegistry> HiveFrom(const TTempDirectory& folder, const std::string& body) {
  WriteFileBytes(folder.File("user.reg"), kHeader + body);
  return LoadWineRegistryFile(folder.File("user.reg"));
}

struct TOpenedKey {
  IRegistry& Registry;
  TRegistryKey Key = nullptr;
  bool Opened = false;
  TOpenedKey(IRegistry& registry, const std::string& path) : Registry(registry) {
    Opened = registry.OpenKey(path, TRegistryAccess::Read, Key);
  }
  ~TOpenedKey() {
    if (Opened)
      Registry.CloseKey(Key);
  }
};

struct TValueCase {
  const char* Line;  // as Wine writes it under the key
  const char* Name;  // the name asked for
  uint32_t Type;
  std::string Data;  // the bytes returned
};

TEST(WineRegistryTest, ReadsEveryValueFormWineWrites) {
  using std::string_literals::operator""s;
  const std::vector<TValueCase> cases = {
      {R"("Plain"="C:\\Data\\One")", "Plain", registry_type::String, "C:\\Data\\One\0"s},
      {R"("Empty"="")", "Empty", registry_type::String, "\0"s},
      {R"("Expand"=str(2):"%APPDATA%\\Nokia")", "Expand", registry_type::ExpandString,
       "%APPDATA%\\Nokia\0"s},
      {R"("Multi"=str(7):"a\0b\0")", "Multi", registry_type::MultiString, "a\0b\0\0"s},
      {R"("Number"=dword:0000000a)", "Number", registry_type::DWord, "\x0a\0\0\0"s},
      {R"("Bytes"=hex:01,02,ff)", "Bytes", registry_type::Binary, "\x01\x02\xff"s},
      {"\"Long\"=hex:01,02,\\\n  03,04", "Long", registry_type::Binary, "\x01\x02\x03\x04"s},
      {R"("Wide"=hex(2):43,00,3a,00,5c,00,e9,00,00,00)", "Wide", registry_type::ExpandString,
       "C:\\\xc3\xa9\0"s},
      {R"("Qword"=hex(b):01,00,00,00,00,00,00,00)", "Qword", 11, "\x01\0\0\0\0\0\0\0"s},
      {R"(@="default")", "", registry_type::String, "default\0"s},
      {R"("Quote"="say \"hi\"")", "Quote", registry_type::String, "say \"hi\"\0"s},
      {R"("Controls"="a\nb\tc\r")", "Controls", registry_type::String, "a\nb\tc\r\0"s},
      {R"("Accent"="caf\x00e9")", "Accent", registry_type::String, "caf\xc3\xa9\0"s},
      {R"("Short"="\xe9t\xe9")", "Short", registry_type::String, "\xc3\xa9t\xc3\xa9\0"s},
      {R"("Braced"="caf\x{e9}")", "Braced", registry_type::String, "caf\xc3\xa9\0"s},
      {R"("Pair"="\xd83d\xde00")", "Pair", registry_type::String, "\xf0\x9f\x98\x80\0"s},
      {"\"Raw\"=\"Stra\xc3\x9f"
       "e\"",
       "Raw", registry_type::String,
       "Stra\xc3\x9f"
       "e\0"s},
      {R"("Octal"="a\0b\101")", "Octal", registry_type::String, "a\0bA\0"s},
      {R"("Dir\\Name"="x")", "Dir\\Name", registry_type::String, "x\0"s},
      {R"("MixedCase"="y")", "mixedcase", registry_type::String, "y\0"s},
  };
  std::string body = "[Software\\\\Test] 1700000000\n#time=1d9e2b8c0a4f3e2\n";
  for (const TValueCase& value_case : cases)
    body += std::string(value_case.Line) + "\n";
  TTempDirectory folder;
  auto hive = HiveFrom(folder, body);
  TOpenedKey key(*hive, "Software\\Test");
  ASSERT_TRUE(key.Opened);

  for (const TValueCase& value_case : cases) {
    SCOPED_TRACE(value_case.Line);
    uint32_t type = 99, size = 0;
    ASSERT_TRUE(hive->QueryValueInfo(key.Key, value_case.Name, type, size));
    EXPECT_EQ(type, value_case.Type);
    EXPECT_EQ(size, value_case.Data.size());
    std::string data;
    ASSERT_TRUE(hive->QueryValueData(key.Key, value_case.Name, data));
    EXPECT_EQ(data, value_case.Data);
  }
}

TEST(WineRegistryTest, MissingValuesAndDeletedValuesAreNotFound) {
  TTempDirectory folder;
  auto hive = HiveFrom(folder, "[Software\\\\Test] 1\n\"Gone\"=-\n\"Here\"=\"1\"\n");
  TOpenedKey key(*hive, "Software\\Test");
  ASSERT_TRUE(key.Opened);
  uint32_t type = 0, size = 0;
  std::string data;
  EXPECT_FALSE(hive->QueryValueInfo(key.Key, "Gone", type, size));
  EXPECT_FALSE(hive->QueryValueInfo(key.Key, "DatastorePath", type, size));
  EXPECT_FALSE(hive->QueryValueData(key.Key, "DatastorePath", data));
  EXPECT_TRUE(hive->QueryValueInfo(key.Key, "Here", type, size));
}

TEST(WineRegistryTest, KeysOpenWithoutRegardToCaseAndParentsExistWithoutSections) {
  TTempDirectory folder;
  auto hive = HiveFrom(folder,
                       "[Software\\\\Nokia\\\\MPlatform\\\\DataStores\\\\{A1}] 1700000000\n"
                       "\"DatastorePath\"=\"C:\\\\Data\"\n");
  for (const char* path : {"Software", "software\\nokia", "Software\\Nokia\\MPlatform\\DataStores",
                           "SOFTWARE\\NOKIA\\MPLATFORM\\DATASTORES\\{a1}", "\\Software\\Nokia\\"}) {
    SCOPED_TRACE(path);
    TOpenedKey key(*hive, path);
    EXPECT_TRUE(key.Opened);
  }
  for (const char* path : {"Software\\Nokia\\MPlatform\\DataStore", "Software\\Microsoft",
                           "Software\\Nokia\\MPlatform\\DataStores\\{A1}\\Deeper"}) {
    SCOPED_TRACE(path);
    TOpenedKey key(*hive, path);
    EXPECT_FALSE(key.Opened);
  }
}

TEST(WineRegistryTest, SubkeysAreEnumeratedInWinesCaseInsensitiveOrder) {
  TTempDirectory folder;
  auto hive = HiveFrom(folder,
                       "[Root\\\\b] 1\n\"v\"=\"1\"\n"
                       "[Root\\\\C2] 1\n\"v\"=\"1\"\n"
                       "[Root\\\\A] 1\n\"v\"=\"1\"\n"
                       "[Root\\\\c10\\\\Inner] 1\n\"v\"=\"1\"\n"
                       "[Root\\\\_x] 1\n\"v\"=\"1\"\n");
  TOpenedKey key(*hive, "Root");
  ASSERT_TRUE(key.Opened);
  uint32_t count = 0, longest = 0;
  ASSERT_TRUE(hive->QueryInfoKey(key.Key, count, longest));
  EXPECT_EQ(count, 5u);
  EXPECT_EQ(longest, 3u);

  std::vector<std::string> names;
  for (uint32_t i = 0; i < count; ++i) {
    std::string name;
    ASSERT_TRUE(hive->EnumKey(key.Key, i, longest, name));
    names.push_back(name);
  }
  // Wine compares lower-cased names, so "_" (0x5F) sorts before the letters.
  EXPECT_EQ(names, (std::vector<std::string>{"_x", "A", "b", "c10", "C2"}));

  std::string name;
  EXPECT_FALSE(hive->EnumKey(key.Key, count, longest, name));
  EXPECT_FALSE(hive->EnumKey(key.Key, 3, 2, name)) << "c10 does not fit two bytes";
}

// `root` followed by `depth` - 1 parts `name`, joined by `separator`.
std::string JoinedPath(const std::string& root, size_t depth, const std::string& name,
                       const std::string& separator) {
  std::string path = root;
  for (size_t level = 1; level < depth; ++level)
    path += separator + name;
  return path;
}

struct TKeyLimitCase {
  size_t Depth;      // parts of the section path, the root included
  std::string Name;  // every part after the root
  bool Kept;
};

// Windows holds no key nested deeper than 512 levels or named longer than 255 characters; such
// a section is left out with its values, however long, and the sections after it are read.
TEST(WineRegistryTest, KeysPastTheDepthOrNameLimitAreLeftOut) {
  const std::string e_acute = "\xC3\xA9";
  std::string e_acutes;
  for (int i = 0; i < 255; ++i)
    e_acutes += e_acute;
  const std::vector<TKeyLimitCase> cases = {
      {512, "k", true},
      {513, "k", false},
      {2000000, "k", false},
      {2, std::string(255, 'n'), true},
      {2, std::string(256, 'n'), false},
      {2, e_acutes, true},
      {2, e_acutes + e_acute, false},
  };
  std::string body;
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string section = JoinedPath("R" + std::to_string(i), cases[i].Depth, cases[i].Name,
                                           "\\\\");  // an escaped backslash
    body += "[" + section + "] 1\n\"V\"=\"" + std::to_string(i) + "\"\n";
  }
  body += "[After] 1\n\"V\"=\"after\"\n";
  TTempDirectory folder;
  auto hive = HiveFrom(folder, body);

  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const std::string root = "R" + std::to_string(i);
    if (!cases[i].Kept) {
      TOpenedKey key(*hive, root);
      EXPECT_FALSE(key.Opened);
      continue;
    }
    TOpenedKey key(*hive, JoinedPath(root, cases[i].Depth, cases[i].Name, "\\"));
    std::string data;
    ASSERT_TRUE(key.Opened);
    ASSERT_TRUE(hive->QueryValueData(key.Key, "V", data));
    EXPECT_EQ(data, std::to_string(i) + std::string(1, '\0'));
  }
  TOpenedKey after(*hive, "After");
  std::string data;
  ASSERT_TRUE(after.Opened);
  ASSERT_TRUE(hive->QueryValueData(after.Key, "V", data));
  EXPECT_EQ(data, std::string("after", 6));
}

TEST(WineRegistryTest, AFileThatCannotBeReadGivesAnEmptyHive) {
  TTempDirectory folder;
  auto hive = LoadWineRegistryFile(folder.File("user.reg"));
  TRegistryKey key = nullptr;
  EXPECT_FALSE(hive->OpenKey("Software", TRegistryAccess::Read, key));
  EXPECT_FALSE(hive->OpenKey("Software", TRegistryAccess::QueryValue, key));
}

TEST(WineRegistryTest, ReadsFilesWithWindowsLineEnds) {
  TTempDirectory folder;
  auto hive =
      HiveFrom(folder, "[Software\\\\Test] 1\r\n\"Long\"=hex:01,\\\r\n  02\r\n\"S\"=\"x\"\r\n");
  TOpenedKey key(*hive, "Software\\Test");
  ASSERT_TRUE(key.Opened);
  std::string data;
  ASSERT_TRUE(hive->QueryValueData(key.Key, "Long", data));
  EXPECT_EQ(data, std::string("\x01\x02"));
  ASSERT_TRUE(hive->QueryValueData(key.Key, "S", data));
  EXPECT_EQ(data, std::string("x", 2));
}

class WinePrefixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    unsetenv("WINEPREFIX");
    setenv("HOME", home_.Path().c_str(), 1);
  }
  TTempDirectory home_;
};

TEST_F(WinePrefixTest, PrefixComesFromWineprefixElseFromTheHomeFolder) {
  EXPECT_EQ(WinePrefixDirectory(), home_.Path() + ".wine");
  setenv("WINEPREFIX", "/opt/prefix/", 1);
  EXPECT_EQ(WinePrefixDirectory(), "/opt/prefix");
  setenv("WINEPREFIX", "", 1);
  EXPECT_EQ(WinePrefixDirectory(), home_.Path() + ".wine");
}

TEST_F(WinePrefixTest, CurrentUserHiveIsUserRegOfThePrefix) {
  TTempDirectory prefix;
  WriteFileBytes(prefix.File("user.reg"), std::string(kHeader) + "[Software\\\\Mine] 1\n");
  setenv("WINEPREFIX", prefix.Path().c_str(), 1);
  auto hive = OpenCurrentUserRegistry();
  TRegistryKey key = nullptr;
  EXPECT_TRUE(hive->OpenKey("Software\\Mine", TRegistryAccess::Read, key));
  hive->CloseKey(key);

  unsetenv("WINEPREFIX");
  auto home_hive = OpenCurrentUserRegistry();
  EXPECT_FALSE(home_hive->OpenKey("Software\\Mine", TRegistryAccess::Read, key));
}

TEST(WinePathTest, DrivePathsLeadThroughDosdevicesAndBackslashesBecomeSlashes) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"C:\\Data\\One\\", "/p/dosdevices/c:/Data/One/"},
      {"d:\\x", "/p/dosdevices/d:/x"},
      {"Z:\\", "/p/dosdevices/z:/"},
      {"C:", "/p/dosdevices/c:"},
      {"C:rel\\x", "/p/dosdevices/c:/rel/x"},
      {"Data\\One\\", "Data/One/"},
      {"%APPDATA%\\Nokia\\", "%APPDATA%/Nokia/"},
      {"\\\\server\\share\\", "//server/share/"},
      {"/already/native", "/already/native"},
      {"1:\\x", "1:/x"},
      {"", ""},
  };
  for (const auto& [windows, native] : cases) {
    EXPECT_EQ(WinePathToNative(windows, "/p"), native) << windows;
  }
}

}  // namespace
}  // namespace velmorra
