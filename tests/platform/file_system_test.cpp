#include "platform/file_system.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

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
