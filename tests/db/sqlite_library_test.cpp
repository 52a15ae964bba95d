#include "db/sqlite_library.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/file_system.h"
#include "platform/program_directory.h"
#include "support/sqlite_fixture.h"
#include "support/temp_directory.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/text_encoding.h"
#else
#include <dlfcn.h>
#endif

// Each test case runs in its own process, so every case starts from an unbound library.

namespace velmorra {
namespace {

#ifdef _WIN32
bool LibraryStillLoaded(const std::string& path) {
  const std::u16string wide = Utf8ToUtf16(path);
  return GetModuleHandleW(std::wstring(wide.begin(), wide.end()).c_str()) != nullptr;
}
#else
bool LibraryStillLoaded(const std::string& path) {
  void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  if (handle != nullptr)
    dlclose(handle);
  return handle != nullptr;
}
#endif

TEST(SqliteLibraryTest, EntryPointListHasSixtyNineDistinctNames) {
  const std::set<std::string> names(kSqliteEntryPointNames.begin(), kSqliteEntryPointNames.end());
  EXPECT_EQ(names.size(), 69u);
  EXPECT_STREQ(kSqliteEntryPointNames.front(), "sqlite3_bind_parameter_count");
  EXPECT_STREQ(kSqliteEntryPointNames.back(), "sqlite3_value_type");
}

TEST(SqliteLibraryTest, ProductLibraryLiesNextToTheProgram) {
  EXPECT_TRUE(RegularFileExists(ProgramDirectory() + kSqliteLibraryFileName));
}

TEST(SqliteLibraryTest, BindsTheLibraryNextToTheProgram) {
  std::string path = testing::ProductSqliteLibraryPath();
  EXPECT_FALSE(SqliteLibraryBound());
  ASSERT_TRUE(BindSqliteLibrary(path));
  EXPECT_TRUE(SqliteLibraryBound());
  EXPECT_NE(SqliteLibraryHandle(), nullptr);
  for (std::size_t i = 0; i < kSqliteEntryPointCount; ++i) {
    EXPECT_NE(SqliteEntryPoint(i), nullptr) << kSqliteEntryPointNames[i];
  }
  EXPECT_NE(Sqlite().open, nullptr);
  EXPECT_NE(Sqlite().value_type, nullptr);
}

TEST(SqliteLibraryTest, EmptyPathBindsTheDefaultNameThroughTheLibrarySearch) {
  std::string path;
  EXPECT_TRUE(BindSqliteLibrary(path));
  EXPECT_EQ(path, kSqliteLibraryFileName);
  EXPECT_TRUE(SqliteLibraryBound());
}

TEST(SqliteLibraryTest, MissingFileFailsAndAGoodPathThenSucceeds) {
  testing::TTempDirectory directory;
  std::string missing = directory.File("no-such-library.so");
  EXPECT_FALSE(BindSqliteLibrary(missing));
  EXPECT_FALSE(SqliteLibraryBound());
  EXPECT_EQ(SqliteLibraryHandle(), nullptr);
  EXPECT_EQ(missing, directory.File("no-such-library.so"));

  std::string good = testing::ProductSqliteLibraryPath();
  EXPECT_TRUE(BindSqliteLibrary(good));
  EXPECT_TRUE(SqliteLibraryBound());
}

TEST(SqliteLibraryTest, AfterOneSuccessAMissingPathStillAnswersTrue) {
  std::string good = testing::ProductSqliteLibraryPath();
  ASSERT_TRUE(BindSqliteLibrary(good));
  const TLibraryHandle handle = SqliteLibraryHandle();
  std::string missing = "/nonexistent/libsqlite3.so.0";
  EXPECT_TRUE(BindSqliteLibrary(missing));
  EXPECT_EQ(SqliteLibraryHandle(), handle);
  std::string empty;
  EXPECT_TRUE(BindSqliteLibrary(empty));
  EXPECT_EQ(empty, kSqliteLibraryFileName);
}

TEST(SqliteLibraryTest, LibraryLackingOneEntryPointIsNotBoundAndIsReleased) {
  std::string partial = VELMORRA_MISSING_ENTRY_LIBRARY;
  ASSERT_FALSE(LibraryStillLoaded(partial));
  EXPECT_FALSE(BindSqliteLibrary(partial));
  EXPECT_FALSE(SqliteLibraryBound());
  EXPECT_EQ(SqliteLibraryHandle(), nullptr);
  EXPECT_FALSE(LibraryStillLoaded(partial));
  for (std::size_t i = 0; i < kSqliteEntryPointCount; ++i) {
    EXPECT_EQ(SqliteEntryPoint(i), nullptr) << kSqliteEntryPointNames[i];
  }
  EXPECT_EQ(Sqlite().open, nullptr);

  // A failed binding leaves the way open for another file.
  std::string good = testing::ProductSqliteLibraryPath();
  EXPECT_TRUE(BindSqliteLibrary(good));
}

TEST(SqliteLibraryTest, FileThatIsNoLibraryIsNotBound) {
  testing::TTempDirectory directory;
  testing::WriteFileBytes(directory.File("fake.so"), "not a shared library");
  std::string path = directory.File("fake.so");
  EXPECT_FALSE(BindSqliteLibrary(path));
  EXPECT_FALSE(SqliteLibraryBound());
}

}  // namespace
}  // namespace velmorra
