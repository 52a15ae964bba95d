#include "app/datastore_discovery.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/datastore_listing.h"
#include "app/registry_reader.h"
#include "fake_registry.h"
#include "support/temp_directory.h"

// On Linux the registry is the user.reg file of a Wine prefix; on Windows discovery through real
// registry keys is tested beside the registry's realisation (tests/platform/win32).
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include "wine_prefix.h"
#endif

namespace velmorra {
namespace {

using ::testing::ElementsAre;
using testing::TFakeRegistry;
using testing::TTempDirectory;
#ifndef _WIN32
using testing::DatastorePathLine;
using testing::DatastoreSection;
using testing::TWinePrefix;
#endif

const std::string kStores = kDatastoresKey;

std::vector<std::string> Lines(const std::vector<TDiscoveredDatastore>& found) {
  std::vector<std::string> lines;
  for (const TDiscoveredDatastore& store : found)
    lines.push_back(store.Caption + "|" + store.Path);
  return lines;
}

struct TDiscovery {
  bool Opened = false;
  std::vector<TDiscoveredDatastore> Found;
  std::vector<std::string> Skipped;
};

TDiscovery Discover(IRegistry& registry) {
  TDiscovery result;
  result.Opened = DiscoverDatastores(
      registry, [&](const TDiscoveredDatastore& store) { result.Found.push_back(store); },
      [&](const std::string& warning) { result.Skipped.push_back(warning); });
  return result;
}

// The warning for the subkey `name` whose value could not be read for `reason`.
std::string SkippedWarning(const std::string& reason, const std::string& name) {
  return reason + " in HKEY_CURRENT_USER\\Software\\Nokia\\MPlatform\\DataStores\\" + name +
         "; that datastore is left out.";
}

// The current directory is changed for the test's life and put back afterwards.
class TCurrentDirectory {
 public:
  explicit TCurrentDirectory(const std::string& path) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(testing::Utf8Path(path));
  }
  ~TCurrentDirectory() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

#ifndef _WIN32
TEST(DatastoreDiscoveryTest, CaptionsCountSkippedSubkeysAsInTheRegistryExample) {
  TWinePrefix prefix;
  prefix.WriteUserReg(DatastoreSection("A", "\"Other\"=\"x\"") +
                      DatastoreSection("B", DatastorePathLine("C:\\Data\\One")) +
                      DatastoreSection("C", DatastorePathLine("C:\\Data\\Two\\")));
  const TDiscovery discovery = Discover(*OpenCurrentUserRegistry());
  EXPECT_TRUE(discovery.Opened);
  const std::string c = prefix.Path() + "/dosdevices/c:";
  EXPECT_THAT(Lines(discovery.Found),
              ElementsAre("Datastore 2|" + c + "/Data/One/DataBase/MDataStore.db3",
                          "Datastore 3|" + c + "/Data/Two/DataBase/MDataStore.db3"));
}

TEST(DatastoreDiscoveryTest, FolderFormsGiveTheExpectedFilePaths) {
  TWinePrefix prefix;
  TTempDirectory current;
  const std::string c = prefix.Path() + "/dosdevices/c:";
  const std::string cwd = current.Path();
  struct TCase {
    std::string Line;
    std::string Path;
  };
  const std::vector<TCase> cases = {
      {DatastorePathLine("C:\\Data\\One"), c + "/Data/One/DataBase/MDataStore.db3"},
      {DatastorePathLine("C:\\Data\\One\\"), c + "/Data/One/DataBase/MDataStore.db3"},
      {DatastorePathLine("c:\\Data\\.\\Two\\..\\One"), c + "/Data/One/DataBase/MDataStore.db3"},
      {DatastorePathLine("Stores\\Mine"), cwd + "Stores/Mine/DataBase/MDataStore.db3"},
      {"\"DatastorePath\"=str(2):\"%APPDATA%\\\\Nokia\"",
       cwd + "%APPDATA%/Nokia/DataBase/MDataStore.db3"},
      {DatastorePathLine("/home/user/store/"), "/home/user/store/DataBase/MDataStore.db3"},
  };
  std::string body;
  for (size_t i = 0; i < cases.size(); ++i) {
    body += DatastoreSection("S" + std::to_string(i), cases[i].Line);
  }
  prefix.WriteUserReg(body);
  TCurrentDirectory in_current(current.Path());

  const TDiscovery discovery = Discover(*OpenCurrentUserRegistry());
  ASSERT_EQ(discovery.Found.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(discovery.Found[i].Path, cases[i].Path) << cases[i].Line;
    EXPECT_EQ(discovery.Found[i].Caption, "Datastore " + std::to_string(i + 1));
  }
}

TEST(DatastoreDiscoveryTest, TwoSubkeysNamingOneFolderGiveTwoDatastores) {
  TWinePrefix prefix;
  prefix.WriteUserReg(DatastoreSection("{1}", DatastorePathLine("C:\\Same")) +
                      DatastoreSection("{2}", DatastorePathLine("C:\\Same\\")));
  const TDiscovery discovery = Discover(*OpenCurrentUserRegistry());
  const std::string path = prefix.Path() + "/dosdevices/c:/Same/DataBase/MDataStore.db3";
  EXPECT_THAT(Lines(discovery.Found), ElementsAre("Datastore 1|" + path, "Datastore 2|" + path));
}

TEST(DatastoreDiscoveryTest, MissingKeyIsReportedOnlyWhenTheKeyOfTheDatastoresIsMissing) {
  TWinePrefix prefix;
  EXPECT_FALSE(Discover(*OpenCurrentUserRegistry()).Opened) << "no user.reg at all";

  prefix.WriteUserReg("[Software\\\\Nokia\\\\MPlatform] 1\n\"Other\"=\"1\"\n");
  EXPECT_FALSE(Discover(*OpenCurrentUserRegistry()).Opened);

  prefix.WriteUserReg("[Software\\\\Nokia\\\\MPlatform\\\\DataStores] 1\n\"Other\"=\"1\"\n");
  TDiscovery empty = Discover(*OpenCurrentUserRegistry());
  EXPECT_TRUE(empty.Opened);
  EXPECT_TRUE(empty.Found.empty());

  prefix.WriteUserReg(DatastoreSection("A", "\"DatastorePath\"=\"\"") +
                      DatastoreSection("B", "\"Other\"=\"C:\\\\x\""));
  TDiscovery unusable = Discover(*OpenCurrentUserRegistry());
  EXPECT_TRUE(unusable.Opened);
  EXPECT_TRUE(unusable.Found.empty());
}

TEST(DatastoreDiscoveryTest, InvalidValueTypeIsSkippedAndTheDatastoresAfterItFound) {
  TWinePrefix prefix;
  prefix.WriteUserReg(DatastoreSection("A", DatastorePathLine("C:\\One")) +
                      DatastoreSection("B", "\"DatastorePath\"=dword:00000001") +
                      DatastoreSection("C", DatastorePathLine("C:\\Three")));
  const TDiscovery discovery = Discover(*OpenCurrentUserRegistry());
  EXPECT_THAT(discovery.Skipped,
              ElementsAre(SkippedWarning("Invalid data type for 'DatastorePath'", "B")));
  ASSERT_EQ(discovery.Found.size(), 2u);
  EXPECT_EQ(discovery.Found[1].Caption, "Datastore 3");
}

// A Wine prefix defines the user's variables in its keys "Environment" and "Volatile
// Environment"; an expandable value is expanded with them.
TEST(DatastoreDiscoveryTest, ExpandableValueIsExpandedWithTheVariablesOfThePrefix) {
  TWinePrefix prefix;
  prefix.WriteUserReg(
      "[Volatile Environment]\n\"USERPROFILE\"=\"C:\\\\users\\\\me\"\n\n"
      "[Environment]\n\"OVI\"=str(2):\"%USERPROFILE%\\\\Ovi\"\n\n" +
      DatastoreSection("A", "\"DatastorePath\"=str(2):\"%OVI%\\\\%UNDEFINED%\"") +
      DatastoreSection("B", "\"DatastorePath\"=str(2):\"%userprofile%\\\\Two\""));
  const TDiscovery discovery = Discover(*OpenCurrentUserRegistry());
  EXPECT_THAT(Lines(discovery.Found),
              ElementsAre("Datastore 1|" + prefix.Path() +
                              "/dosdevices/c:/users/me/Ovi/%UNDEFINED%/DataBase/MDataStore.db3",
                          "Datastore 2|" + prefix.Path() +
                              "/dosdevices/c:/users/me/Two/DataBase/MDataStore.db3"));
}

#endif

TEST(DatastoreDiscoveryTest, SubkeysComeInTheRegistrysOrderNotSorted) {
  TFakeRegistry registry;
  registry.SetString(kStores + "\\Zulu", "DatastorePath", "/z");
  registry.SetString(kStores + "\\Alpha", "DatastorePath", "/a");
  EXPECT_THAT(Lines(Discover(registry).Found),
              ElementsAre("Datastore 1|/z/DataBase/MDataStore.db3",
                          "Datastore 2|/a/DataBase/MDataStore.db3"));
}

TEST(DatastoreDiscoveryTest, ValuesReadAsTextOrAreSkipped) {
  struct TCase {
    const char* Name;
    TFakeRegistry::TValue Value;
    const char* Path;   // nullptr: skipped
    const char* Error;  // nullptr: no error
  };
  using V = TFakeRegistry::TValue;
  const std::vector<TCase> cases = {
      {"string", V{registry_type::String, std::string("/s\0", 3)}, "/s/DataBase/MDataStore.db3",
       nullptr},
      {"expandable", V{registry_type::ExpandString, std::string("/%X%/%Y%\0", 9)},
       "/x/%Y%/DataBase/MDataStore.db3", nullptr},
      {"text up to the first NUL", V{registry_type::String, std::string("/a\0/b\0", 6)},
       "/a/DataBase/MDataStore.db3", nullptr},
      {"empty string", V{registry_type::String, std::string("\0", 1)}, nullptr, nullptr},
      {"zero size of any type", V{registry_type::DWord, ""}, nullptr, nullptr},
      {"dword", V{registry_type::DWord, std::string("\1\0\0\0", 4)}, nullptr,
       "Invalid data type for 'DatastorePath'"},
      {"binary", V{registry_type::Binary, "/x"}, nullptr, "Invalid data type for 'DatastorePath'"},
      {"multi-string", V{registry_type::MultiString, std::string("/m\0\0", 4)}, nullptr,
       "Invalid data type for 'DatastorePath'"},
      {"unreadable", V{registry_type::String, std::string("/u\0", 3), true}, nullptr,
       "Failed to get data for 'DatastorePath'"},
      {"unreadable of another type", V{registry_type::DWord, std::string("\1\0\0\0", 4), true},
       nullptr, "Failed to get data for 'DatastorePath'"},
  };
  for (const TCase& value_case : cases) {
    SCOPED_TRACE(value_case.Name);
    TFakeRegistry registry;
    registry.Environment["X"] = "x";
    registry.Key(kStores + "\\S").Values["DatastorePath"] = value_case.Value;
    const TDiscovery discovery = Discover(registry);
    EXPECT_EQ(discovery.Skipped,
              value_case.Error ? std::vector<std::string>{SkippedWarning(value_case.Error, "S")}
                               : std::vector<std::string>{});
    if (value_case.Path != nullptr) {
      ASSERT_EQ(discovery.Found.size(), 1u);
      EXPECT_EQ(discovery.Found[0].Path, value_case.Path);
    } else {
      EXPECT_TRUE(discovery.Found.empty());
    }
    EXPECT_EQ(registry.OpenKeys, 0) << "every key is closed, also after an error";
    EXPECT_EQ(registry.MostKeysOpen, 1);
  }
}

TEST(DatastoreDiscoveryTest, KeysOpenWithLessAccessWhenRefused) {
  TFakeRegistry registry;
  registry.SetString(kStores + "\\Middle", "DatastorePath", "/m");
  registry.SetString(kStores + "\\Least", "DatastorePath", "/l");
  registry.SetString(kStores + "\\None", "DatastorePath", "/n");
  registry.Key(kStores).RefusedAccesses = 1;
  registry.Key(kStores + "\\Middle").RefusedAccesses = 1;
  registry.Key(kStores + "\\Least").RefusedAccesses = 2;
  registry.Key(kStores + "\\None").RefusedAccesses = 3;

  const TDiscovery discovery = Discover(registry);
  EXPECT_TRUE(discovery.Opened);
  EXPECT_THAT(Lines(discovery.Found), ElementsAre("Datastore 1|/m/DataBase/MDataStore.db3",
                                                  "Datastore 2|/l/DataBase/MDataStore.db3"));
  using A = TRegistryAccess;
  EXPECT_THAT(registry.OpenAttempts,
              ElementsAre(A::Read, A::ReadControlQueryEnumerate,                   // DataStores
                          A::Read, A::ReadControlQueryEnumerate,                   // Middle
                          A::Read, A::ReadControlQueryEnumerate, A::QueryValue,    // Least
                          A::Read, A::ReadControlQueryEnumerate, A::QueryValue));  // None

  TFakeRegistry refusing;
  refusing.SetString(kStores + "\\S", "DatastorePath", "/s");
  refusing.Key(kStores).RefusedAccesses = 3;
  EXPECT_FALSE(Discover(refusing).Opened);
}

TEST(DatastoreDiscoveryTest, PathTooLongForTheBufferIsSkippedButCounted) {
  TFakeRegistry registry;
  registry.SetString(kStores + "\\Long", "DatastorePath", "/" + std::string(4200, 'x'));
  registry.SetString(kStores + "\\Fits", "DatastorePath", "/" + std::string(4000, 'y'));
  registry.SetString(kStores + "\\Short", "DatastorePath", "/s");
  const TDiscovery discovery = Discover(registry);
  ASSERT_EQ(discovery.Found.size(), 2u);
  EXPECT_EQ(discovery.Found[0].Caption, "Datastore 2");
  EXPECT_EQ(discovery.Found[1].Caption, "Datastore 3");
}

TEST(DatastoreDiscoveryTest, ExpandFullPathKeepsWithinTheBuffer) {
  EXPECT_EQ(ExpandFullPath("/a/./b/../c/"), "/a/c/");
  EXPECT_EQ(ExpandFullPath("/" + std::string(4094, 'x')), "/" + std::string(4094, 'x'));
  EXPECT_EQ(ExpandFullPath("/" + std::string(4095, 'x')), std::nullopt);
  EXPECT_EQ(ExpandFullPath(""), "");
}

// Linux only: Windows cannot remove the current directory.
#ifndef _WIN32
TEST(DatastoreDiscoveryTest, FailedExpansionLeavesTheRelativeFileName) {
  TFakeRegistry registry;
  registry.SetString(kStores + "\\S", "DatastorePath", "Relative");
  std::string gone;
  {
    TTempDirectory current;
    gone = current.Path();
  }
  ASSERT_EQ(mkdir(gone.c_str(), 0700), 0);
  TCurrentDirectory in_gone(gone);
  ASSERT_EQ(rmdir(gone.c_str()), 0);  // no current directory any more

  const TDiscovery discovery = Discover(registry);
  ASSERT_EQ(discovery.Found.size(), 1u);
  EXPECT_EQ(discovery.Found[0].Path, "DataBase/MDataStore.db3");
}

#endif

TEST(DatastoreListingTest, ListsCaptionsAndPathsAndTheWarnings) {
  TFakeRegistry registry;
  registry.SetString(kStores + "\\A", "DatastorePath", "/one");
  registry.Key(kStores + "\\B");
  registry.SetString(kStores + "\\C", "DatastorePath", "/two\\");
  const TDatastoreListing listing = ListDiscoveredDatastores(registry);
  EXPECT_EQ(FormatDatastoreListing(listing),
            "Datastore 1\t/one/DataBase/MDataStore.db3\n"
            "Datastore 3\t/two/DataBase/MDataStore.db3\n");
  EXPECT_EQ(listing.Warning, "");
  EXPECT_TRUE(listing.Skipped.empty());

  TFakeRegistry empty;
  const TDatastoreListing missing = ListDiscoveredDatastores(empty);
  EXPECT_EQ(missing.Warning, kDatastoresNotFoundWarning);
  EXPECT_EQ(FormatDatastoreListing(missing), "");

  registry.Key(kStores + "\\D").Values["DatastorePath"] = {registry_type::DWord, "1234"};
  registry.SetString(kStores + "\\E", "DatastorePath", "/three");
  const TDatastoreListing failed = ListDiscoveredDatastores(registry);
  EXPECT_THAT(failed.Skipped,
              ElementsAre(SkippedWarning("Invalid data type for 'DatastorePath'", "D")));
  EXPECT_EQ(failed.Datastores.size(), 3u);
}

}  // namespace
}  // namespace velmorra
