// Discovery through real keys of the current user's registry, which the tests create and remove.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/datastore_discovery.h"
#include "app/registry_reader.h"
#include "platform/registry.h"
#include "platform/text_encoding.h"

namespace velmorra {
namespace {

using ::testing::ElementsAre;

std::wstring Wide(const std::string& text) {
  const std::u16string wide = Utf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

// The key of the datastores, made for one test and removed with everything in it afterwards.
// A machine with registrations of its own is left alone.
class Win32Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    HKEY existing;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(kDatastoresKey).c_str(), 0, KEY_READ, &existing) ==
        ERROR_SUCCESS) {
      RegCloseKey(existing);
      GTEST_SKIP() << "this user has datastores registered";
    }
    created_ = true;
  }
  void TearDown() override {
    if (created_)
      RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Nokia");
  }

  static void SetValue(const std::string& subkey, DWORD type, const std::wstring& text) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER,
                              Wide(std::string(kDatastoresKey) + "\\" + subkey).c_str(), 0, nullptr,
                              0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    if (type == REG_DWORD) {
      const DWORD one = 1;
      RegSetValueExW(key, L"DatastorePath", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                     sizeof one);
    } else if (type != REG_NONE) {
      RegSetValueExW(key, L"DatastorePath", 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
  }

  struct TDiscovery {
    bool Opened = false;
    std::vector<std::string> Found;  // "caption|path"
    std::vector<std::string> Skipped;
  };

  static TDiscovery Discover() {
    TDiscovery result;
    result.Opened = DiscoverDatastores(
        *OpenCurrentUserRegistry(),
        [&](const auto& store) { result.Found.push_back(store.Caption + "|" + store.Path); },
        [&](const std::string& warning) { result.Skipped.push_back(warning); });
    return result;
  }

  bool created_ = false;
};

TEST_F(Win32Registry, MissingKeyIsNotOpened) {
  const TDiscovery discovery = Discover();
  EXPECT_FALSE(discovery.Opened);
  EXPECT_TRUE(discovery.Found.empty());
}

TEST_F(Win32Registry, TheRegistryExampleWithUnicodeFoldersAndSubkeys) {
  SetValue("A", REG_NONE, L"");
  SetValue("B", REG_SZ, L"C:\\Data\\One");
  SetValue("C", REG_EXPAND_SZ, L"C:\\Data\\Two\\");
  SetValue("\u0414", REG_SZ, L"C:\\\u0414\u0430\u043D\u043D\u044B\u0435 \u6570\u636E \U0001F600");
  const TDiscovery discovery = Discover();
  EXPECT_TRUE(discovery.Opened);
  EXPECT_THAT(discovery.Found,
              ElementsAre("Datastore 2|C:\\Data\\One\\DataBase\\MDataStore.db3",
                          "Datastore 3|C:\\Data\\Two\\DataBase\\MDataStore.db3",
                          "Datastore 4|C:\\\u0414\u0430\u043D\u043D\u044B\u0435 "
                          "\xE6\x95\xB0\xE6\x8D\xAE \xF0\x9F\x98\x80\\DataBase\\MDataStore.db3"));
}

// A value of the wrong type is named with its key and skipped; the keys after it are read.
TEST_F(Win32Registry, ValueOfTheWrongTypeIsSkippedAndNamed) {
  SetValue("A", REG_SZ, L"C:\\One");
  SetValue("B", REG_DWORD, L"");
  SetValue("C", REG_SZ, L"C:\\Three");
  const TDiscovery discovery = Discover();
  EXPECT_THAT(discovery.Skipped,
              ElementsAre("Invalid data type for 'DatastorePath' in HKEY_CURRENT_USER\\Software\\"
                          "Nokia\\MPlatform\\DataStores\\B; that datastore is left out."));
  EXPECT_THAT(discovery.Found, ElementsAre("Datastore 1|C:\\One\\DataBase\\MDataStore.db3",
                                           "Datastore 3|C:\\Three\\DataBase\\MDataStore.db3"));
}

TEST_F(Win32Registry, ExpandableValueIsExpanded) {
  SetEnvironmentVariableW(L"VELMORRA_TEST_PROFILE", L"C:\\users\\\u0416");
  SetValue("A", REG_EXPAND_SZ, L"%VELMORRA_TEST_PROFILE%\\ovi\\%VELMORRA_UNDEFINED%");
  const TDiscovery discovery = Discover();
  SetEnvironmentVariableW(L"VELMORRA_TEST_PROFILE", nullptr);
  EXPECT_THAT(discovery.Found, ElementsAre("Datastore 1|C:\\users\\\u0416\\ovi\\"
                                           "%VELMORRA_UNDEFINED%\\DataBase\\MDataStore.db3"));
}

}  // namespace
}  // namespace velmorra
