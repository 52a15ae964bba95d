// Paths as Windows users write them.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/program_directory.h"
#include "platform/text_encoding.h"
#include "platform/user_folders.h"
#include "platform/win32/wide_text.h"
#include "support/temp_directory.h"

namespace velmorra {
namespace {

TEST(Win32FileSystem, FullPathsOfDrivesUncAndRelativePaths) {
  const std::string current = FullPathName(".");
  struct TCase {
    std::string Path;
    std::string Full;
  };
  const std::vector<TCase> cases = {
      {"C:\\Data\\.\\Two\\..\\One", "C:\\Data\\One"},
      {"C:/Data/One/", "C:\\Data\\One\\"},
      {"\\\\server\\share\\Ovi\\..\\x.db3", "\\\\server\\share\\x.db3"},
      {"Stores\\Mine", current + "\\Stores\\Mine"},
      {"C:\\\u0414\u0430\u043D\u043D\u044B\u0435\\\xE6\x95\xB0\xF0\x9F\x98\x80",
       "C:\\\u0414\u0430\u043D\u043D\u044B\u0435\\\xE6\x95\xB0\xF0\x9F\x98\x80"},
      {"", ""},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(FullPathName(c.Path), c.Full) << c.Path;
  EXPECT_EQ(FullPathName("..\\x"), current.substr(0, current.rfind('\\')) + "\\x");
}

// A full path as long as MAX_PATH, or one character shorter or longer, comes back whole.
TEST(Win32FileSystem, FullPathsAroundMaxPath) {
  for (const size_t length : {MAX_PATH - 1, MAX_PATH, MAX_PATH + 1}) {
    std::string path = "C:\\";
    while (path.size() < length)
      path += path.size() % 10 == 9 ? '\\' : 'a';
    path.back() = 'z';
    EXPECT_EQ(FullPathName(path), path) << length;
  }
}

TEST(Win32FileSystem, RealPathAndSameFileFollowLinks) {
  testing::TTempDirectory directory;
  const std::string file = directory.File("\u0444\u0430\u0439\u043B.db3");
  testing::WriteFileBytes(file, "x");
  testing::WriteFileBytes(directory.File("other.db3"), "x");
  ASSERT_TRUE(
      CreateHardLinkW(Widen(directory.File("hard.db3")).c_str(), Widen(file).c_str(), nullptr));
  const std::optional<std::string> real =
      RealPath(directory.Path() + ".\\x\\..\\" + "\u0444\u0430\u0439\u043B.db3");
  ASSERT_TRUE(real.has_value());
  EXPECT_TRUE(SameFile(*real, file)) << *real;
  EXPECT_EQ(RealPath(directory.File("missing.db3")), std::nullopt);
  EXPECT_TRUE(SameFile(directory.File("hard.db3"), file));
  EXPECT_FALSE(SameFile(directory.File("other.db3"), file));
  EXPECT_FALSE(SameFile(directory.File("missing.db3"), directory.File("missing.db3")));

  // A link made by CTest, as Wine cannot make one.
  const std::string folder = VELMORRA_LINK_FIXTURE;
  CreateDirectoryW(Widen(folder + "real").c_str(), nullptr);
  testing::WriteFileBytes(folder + "real\\MDataStore.db3", "x");
  const std::optional<std::string> linked = RealPath(folder + "link.db3");
  ASSERT_TRUE(linked.has_value());
  EXPECT_TRUE(linked->ends_with("\\real\\MDataStore.db3")) << *linked;
  EXPECT_TRUE(SameFile(folder + "link.db3", folder + "real\\MDataStore.db3"));
}

TEST(Win32FileSystem, ExistenceProgramDirectoryAndErrorTexts) {
  testing::TTempDirectory directory;
  const std::string file = directory.File("\u0444\u0430\u0439\u043B \xF0\x9F\x98\x80.db3");
  testing::WriteFileBytes(file, "x");
  EXPECT_TRUE(RegularFileExists(file));
  EXPECT_FALSE(RegularFileExists(directory.Path()));
  EXPECT_FALSE(RegularFileExists(directory.File("missing.db3")));
  EXPECT_EQ(ProgramDirectory().back(), '\\');
  EXPECT_TRUE(IsPathSeparator('/') && IsPathSeparator('\\'));
  for (const int error : {static_cast<int>(ERROR_FILE_NOT_FOUND), kDiskFullError}) {
    const std::string text = SystemErrorText(error);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n') << text;
  }
}

TEST(Win32FileSystem, InstalledProgramsLiveInTheUsersProgramsFolder) {
  // Where the per-user installer puts Velmorra's folder.
  std::vector<wchar_t> local(32768);
  const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", local.data(), local.size());
  ASSERT_GT(length, 0u);
  const std::string programs =
      Utf16ToUtf8(std::u16string(local.begin(), local.begin() + length)) + "\\Programs\\";
  EXPECT_EQ(InstalledProgramFolders(), std::vector<std::string>{programs});
}

}  // namespace
}  // namespace velmorra
