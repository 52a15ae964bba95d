#include "platform/file_system.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_directory.h"

namespace velmorra {
namespace {

struct TPathCase {
  std::string path;
  std::string full_path;
};

class FullPathExpansion : public ::testing::TestWithParam<TPathCase> {};

TEST_P(FullPathExpansion, ResolvesDotsAsText) {
  EXPECT_EQ(FullPathName(GetParam().path), GetParam().full_path)
      << "path \"" << GetParam().path << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    AbsolutePaths, FullPathExpansion,
    ::testing::Values(TPathCase{"/a/b/c.xml", "/a/b/c.xml"}, TPathCase{"/a/./b/../c", "/a/c"},
                      TPathCase{"/a/b/..", "/a"}, TPathCase{"/a/b/../..", "/"},
                      TPathCase{"/..", "/"}, TPathCase{"/../a", "/a"}, TPathCase{"/", "/"},
                      TPathCase{"/a//b", "/a/b"}, TPathCase{"/a/b/", "/a/b/"},
                      TPathCase{"/a/b/./", "/a/b/"}, TPathCase{"/a/b/../", "/a/"},
                      TPathCase{"/a/.b/..c", "/a/.b/..c"}, TPathCase{"", ""}));

TEST(FullPathExpansionOfRelativePaths, IsTakenAgainstTheCurrentDirectory) {
  char current[4096];
  ASSERT_NE(getcwd(current, sizeof current), nullptr);
  const std::string base = current == std::string("/") ? "" : current;
  EXPECT_EQ(FullPathName("sms_All.xml"), base + "/sms_All.xml");
  EXPECT_EQ(FullPathName("./x/../sms.xml"), base + "/sms.xml");
  EXPECT_EQ(FullPathName("."), base.empty() ? "/" : base);
}

// "sub/.." leads where the kernel goes: to the parent of the folder that sub really is.
TEST(FullPathExpansionAfterALink, GoesUpFromWhereTheLinkLeads) {
  testing::TTempDirectory directory;
  const std::string base = FullPathName(directory.Path());  // without links of its own
  std::filesystem::create_directories(base + "real/deeper");
  testing::WriteFileBytes(base + "file", "x");
  ASSERT_EQ(symlink((base + "real/deeper").c_str(), (base + "sub").c_str()), 0);
  const std::vector<TPathCase> cases = {
      {base + "sub/../MDataStore.db3", base + "real/MDataStore.db3"},
      {base + "sub/..", base + "real"},
      {base + "sub/../", base + "real/"},
      {base + "sub/./x/../y", base + "sub/y"},  // x is not there: as text
      {base + "sub/../../sub", base + "sub"},
      {base + "missing/../sub", base + "sub"},
      {base + "file/../x", base + "file/../x"},  // the system refuses it: so does the path
  };
  for (const TPathCase& path_case : cases)
    EXPECT_EQ(FullPathName(path_case.path), path_case.full_path) << path_case.path;
}

TEST(RealPathAndSameFile, FollowEveryLink) {
  testing::TTempDirectory directory;
  const std::string base = FullPathName(directory.Path());
  std::filesystem::create_directory(base + "real");
  testing::WriteFileBytes(base + "real/MDataStore.db3", "x");
  testing::WriteFileBytes(base + "other.db3", "x");
  ASSERT_EQ(symlink((base + "real").c_str(), (base + "folder").c_str()), 0);
  ASSERT_EQ(symlink((base + "folder/MDataStore.db3").c_str(), (base + "link").c_str()), 0);
  ASSERT_EQ(link((base + "other.db3").c_str(), (base + "hard.db3").c_str()), 0);

  EXPECT_EQ(RealPath(base + "link"), base + "real/MDataStore.db3");
  EXPECT_EQ(RealPath(base + "missing"), std::nullopt);
  EXPECT_TRUE(SameFile(base + "link", base + "real/MDataStore.db3"));
  EXPECT_TRUE(SameFile(base + "hard.db3", base + "./other.db3"));
  EXPECT_FALSE(SameFile(base + "link", base + "other.db3"));
  EXPECT_FALSE(SameFile(base + "missing", base + "missing"));
}

TEST(RegularFileExists, OnlyForRegularFiles) {
  testing::TTempDirectory directory;
  testing::WriteFileBytes(directory.File("MDataStore.db3"), "x");
  ASSERT_EQ(symlink(directory.File("MDataStore.db3").c_str(), directory.File("link").c_str()), 0);
  EXPECT_TRUE(RegularFileExists(directory.File("MDataStore.db3")));
  EXPECT_TRUE(RegularFileExists(directory.File("link")));
  EXPECT_FALSE(RegularFileExists(directory.Path()));
  EXPECT_FALSE(RegularFileExists(directory.File("missing.db3")));
  EXPECT_FALSE(RegularFileExists(""));
}

TEST(SystemErrorText, IsTheSystemsTextWithoutLineBreak) {
  EXPECT_EQ(SystemErrorText(ENOENT), "No such file or directory");
}

}  // namespace
}  // namespace velmorra
