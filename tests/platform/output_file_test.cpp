#include "platform/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/output_file_helpers.h"
#include "support/temp_directory.h"
#include "xml/file_size_limit.h"

namespace velmorra {
namespace {

using testing::FileNamesIn;
using testing::ReadFileBytes;
using testing::TNamedTemporaryFiles;
using testing::TTempDirectory;
using testing::WriteFileBytes;

// Bytes that differ from block to block, so that a lost or repeated block shows.
std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>('a' + (i * 7 + i / 4096) % 26);
  return bytes;
}

TEST(OutputFileTest, TargetChangesOnlyOnCommit) {
  TTempDirectory directory;
  const std::string path = directory.File("sms.xml");
  WriteFileBytes(path, "earlier");
  TOutputFile file;
  ASSERT_TRUE(file.Create(path));
  ASSERT_TRUE(file.Write("new bytes", 9));
  EXPECT_EQ(ReadFileBytes(path), "earlier");
  // The temporary file, where it has a name at all, lies beside the target.
  for (const std::string& name : FileNamesIn(directory.Path())) {
    if (name != "sms.xml") {
      EXPECT_EQ(directory.File(name), file.TemporaryPath());
    }
  }

  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(ReadFileBytes(path), "new bytes");
  EXPECT_EQ(FileNamesIn(directory.Path()), std::vector<std::string>{"sms.xml"});
  EXPECT_EQ(file.TemporaryPath(), "");
}

TEST(OutputFileTest, GoingWithoutCommitRemovesTheTemporaryFile) {
  TTempDirectory directory;
  const std::string path = directory.File("sms.xml");
  WriteFileBytes(path, "earlier");
  {
    TOutputFile file;
    ASSERT_TRUE(file.Create(path));
    ASSERT_TRUE(file.Write(Pattern(200000).data(), 200000));
  }
  EXPECT_EQ(ReadFileBytes(path), "earlier");
  EXPECT_EQ(FileNamesIn(directory.Path()), std::vector<std::string>{"sms.xml"});

  TOutputFile discarded;
  ASSERT_TRUE(discarded.Create(directory.File("new.xml")));
  discarded.Discard();
  EXPECT_EQ(FileNamesIn(directory.Path()), std::vector<std::string>{"sms.xml"});
}

// Small pieces gather in the buffer, large ones pass it; either way the bytes arrive in order.
TEST(OutputFileTest, WritesOfEverySizeArriveInOrder) {
  TTempDirectory directory;
  const std::string expected = Pattern(3 * TOutputFile::kBlockSize + 12345);
  const std::vector<size_t> piece_sizes = {1,
                                           7,
                                           TOutputFile::kBlockSize - 3,
                                           2,
                                           TOutputFile::kBlockSize,
                                           100,
                                           2 * TOutputFile::kBlockSize};
  TOutputFile file;
  ASSERT_TRUE(file.Create(directory.File("out")));
  size_t written = 0;
  for (size_t i = 0; written < expected.size(); ++i) {
    const size_t size = std::min(piece_sizes[i % piece_sizes.size()], expected.size() - written);
    ASSERT_TRUE(file.Write(expected.data() + written, size));
    written += size;
    EXPECT_EQ(file.Position(), static_cast<int64_t>(written));
  }
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(ReadFileBytes(directory.File("out")), expected);
}

TEST(OutputFileTest, SeekTruncateAndReadSeeBufferedBytes) {
  TTempDirectory directory;
  TOutputFile file;
  ASSERT_TRUE(file.Create(directory.File("out")));
  ASSERT_TRUE(file.Write("0123456789", 10));
  EXPECT_EQ(file.Size(), 10);
  ASSERT_TRUE(file.SeekTo(2));
  char read[4] = {};
  EXPECT_EQ(file.Read(read, 3), 3);
  EXPECT_EQ(std::string(read, 3), "234");
  ASSERT_TRUE(file.Write("ab", 2));
  ASSERT_TRUE(file.Truncate(8));
  EXPECT_EQ(file.Position(), 7);
  EXPECT_EQ(file.Size(), 8);
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(ReadFileBytes(directory.File("out")), "01234ab7");
}

// A backup of a phone with a long IMEI has a long name; the temporary file's name must not be
// longer still, with a name or without one.
TEST(OutputFileTest, TargetNamesOfEveryLengthUpToTheLimitAreWritten) {
  for (const bool named : {false, true}) {
    const TNamedTemporaryFiles named_files(named);
    for (const size_t length : {1, 248, 255}) {
      SCOPED_TRACE(std::to_string(length) + (named ? " named" : " nameless"));
      TTempDirectory directory;
      const std::string name(length, 'n');
      TOutputFile file;
      ASSERT_TRUE(file.Create(directory.File(name))) << file.ErrorNumber();
      ASSERT_TRUE(file.Write("bytes", 5));
      ASSERT_TRUE(file.Commit()) << file.ErrorNumber();
      EXPECT_EQ(ReadFileBytes(directory.File(name)), "bytes");
      EXPECT_EQ(FileNamesIn(directory.Path()), std::vector<std::string>{name});
    }
  }
}

TEST(OutputFileTest, NewFileHasTheUsualPermissions) {
  TTempDirectory directory;
  for (const mode_t mask : {022, 077, 002}) {
    const std::string path = directory.File("mode" + std::to_string(mask));
    const mode_t saved_mask = umask(mask);
    TOutputFile file;
    const bool created = file.Create(path);
    umask(saved_mask);
    ASSERT_TRUE(created);
    ASSERT_TRUE(file.Commit());
    struct stat status;
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0666u & ~mask) << mask;
  }
}

TEST(OutputFileTest, CreateFailsWithTheSystemsReason) {
  TTempDirectory directory;
  std::filesystem::create_directory(directory.File("folder"));
  WriteFileBytes(directory.File("plain"), "");
  const std::vector<std::pair<std::string, int>> cases = {
      {directory.File("missing/out.xml"), ENOENT},
      {directory.File("folder"), EISDIR},
      {directory.File("folder/"), EISDIR},
      {directory.File("plain/out.xml"), ENOTDIR},
      {"", ENOENT},
  };
  for (const auto& [path, error_number] : cases) {
    TOutputFile file;
    EXPECT_FALSE(file.Create(path)) << path;
    EXPECT_EQ(file.ErrorNumber(), error_number) << path;
  }
  EXPECT_EQ(FileNamesIn(directory.Path()), (std::vector<std::string>{"folder", "plain"}));
}

TEST(OutputFileTest, ReadOnlyTargetIsRefused) {
  if (geteuid() == 0)
    GTEST_SKIP() << "permissions do not stop the superuser";
  TTempDirectory directory;
  const std::string path = directory.File("sms.xml");
  WriteFileBytes(path, "kept");
  chmod(path.c_str(), 0444);
  TOutputFile file;
  EXPECT_FALSE(file.Create(path));
  EXPECT_EQ(file.ErrorNumber(), EACCES);
  EXPECT_EQ(ReadFileBytes(path), "kept");
}

TEST(OutputFileTest, FailedWriteFailsEveryLaterStepAndCommitCleansUp) {
  TTempDirectory directory;
  const std::string path = directory.File("sms.xml");
  WriteFileBytes(path, "earlier");
  const std::string bytes = Pattern(4 * TOutputFile::kBlockSize);
  TOutputFile file;
  ASSERT_TRUE(file.Create(path));
  {
    testing::TFileSizeLimit limit(TOutputFile::kBlockSize + 10);
    bool all_taken = true;
    for (size_t at = 0; at < bytes.size(); at += 1000) {
      all_taken = file.Write(bytes.data() + at, std::min<size_t>(1000, bytes.size() - at));
      if (!all_taken)
        break;
    }
    EXPECT_FALSE(all_taken);
    EXPECT_EQ(file.ErrorNumber(), EFBIG);
    EXPECT_FALSE(file.Write("x", 1));
    EXPECT_FALSE(file.Commit());
  }
  EXPECT_EQ(file.ErrorNumber(), EFBIG);
  EXPECT_EQ(ReadFileBytes(path), "earlier");
  EXPECT_EQ(FileNamesIn(directory.Path()), std::vector<std::string>{"sms.xml"});
}

// The buffered tail fails only when Commit writes it.
TEST(OutputFileTest, FailureOfTheLastBlockIsReportedByCommit) {
  TTempDirectory directory;
  const std::string path = directory.File("sms.xml");
  TOutputFile file;
  ASSERT_TRUE(file.Create(path));
  testing::TFileSizeLimit limit(100);
  ASSERT_TRUE(file.Write(Pattern(1000).data(), 1000));
  EXPECT_FALSE(file.Commit());
  EXPECT_EQ(file.ErrorNumber(), EFBIG);
  EXPECT_TRUE(FileNamesIn(directory.Path()).empty());
}

TEST(OutputFileTest, FailedRenameRemovesTheTemporaryFile) {
  TTempDirectory directory;
  const std::string path = directory.File("sms.xml");
  TOutputFile file;
  ASSERT_TRUE(file.Create(path));
  ASSERT_TRUE(file.Write("bytes", 5));
  std::filesystem::create_directory(path);
  WriteFileBytes(path + "/inside", "kept");
  EXPECT_FALSE(file.Commit());
  EXPECT_EQ(file.ErrorNumber(), EISDIR);
  EXPECT_EQ(FileNamesIn(directory.Path()), std::vector<std::string>{"sms.xml"});
  EXPECT_EQ(ReadFileBytes(path + "/inside"), "kept");
}

}  // namespace
}  // namespace velmorra
