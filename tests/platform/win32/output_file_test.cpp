// The output file on Windows: the old file stays as it was until the new one takes its place.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/output_file.h"
#include "platform/output_file_helpers.h"
#include "platform/text_encoding.h"
#include "support/temp_directory.h"

namespace velmorra {
namespace {

using testing::FileNamesIn;
using testing::ReadFileBytes;
using testing::TTempDirectory;
using testing::Utf8Path;
using testing::WriteFileBytes;

std::wstring Wide(const std::string& text) {
  const std::u16string wide = Utf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}

// Another program's handle on a file, sharing it as `share` allows.
class TOpenElsewhere {
 public:
  TOpenElsewhere(const std::string& path, DWORD share)
      : handle_(CreateFileW(Wide(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~TOpenElsewhere() { CloseHandle(handle_); }
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  std::string ReadAll() const {
    char buffer[64];
    DWORD count = 0;
    SetFilePointer(handle_, 0, nullptr, FILE_BEGIN);
    ReadFile(handle_, buffer, sizeof buffer, &count, nullptr);
    return std::string(buffer, count);
  }

 private:
  HANDLE handle_;
};

bool Replace(const std::string& path, const std::string& bytes, TOutputFile& file) {
  return file.Create(path) && file.Write(bytes.data(), bytes.size()) && file.Commit();
}

TEST(Win32OutputFile, ReplacesATargetThatAnotherProgramReadsSharingDeletion) {
  TTempDirectory directory;
  const std::string path = directory.File("\u0421\u041C\u0421 \xE7\x9F\xAD\xF0\x9F\x93\xB1.xml");
  WriteFileBytes(path, "old");
  const TOpenElsewhere reader(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  ASSERT_TRUE(reader.IsOpen());

  TOutputFile file;
  ASSERT_TRUE(Replace(path, "new", file)) << file.ErrorNumber();
  EXPECT_EQ(ReadFileBytes(path), "new");
  EXPECT_EQ(reader.ReadAll(), "old") << "the reader keeps the file it opened";
}

TEST(Win32OutputFile, TargetHeldWithoutSharingDeletionStaysAsItWas) {
  TTempDirectory directory;
  const std::string path = directory.File("sms_All Phones.xml");
  WriteFileBytes(path, "old");
  {
    const TOpenElsewhere reader(path, FILE_SHARE_READ);
    ASSERT_TRUE(reader.IsOpen());
    TOutputFile file;
    EXPECT_FALSE(Replace(path, "new", file));
    EXPECT_NE(file.ErrorNumber(), 0);
    EXPECT_EQ(file.TemporaryPath(), "");
  }
  EXPECT_EQ(ReadFileBytes(path), "old");
  // Neither ours nor the empty "rf*.tmp" that Wine's ReplaceFileW leaves stays.
  EXPECT_EQ(FileNamesIn(directory.Path()), std::vector<std::string>{"sms_All Phones.xml"});
}

TEST(Win32OutputFile, ReadOnlyTargetAndDirectoryAreRefusedBeforeAnythingIsWritten) {
  TTempDirectory directory;
  const std::string path = directory.File("read-only.xml");
  WriteFileBytes(path, "old");
  ASSERT_TRUE(SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_READONLY));
  TOutputFile file;
  EXPECT_FALSE(file.Create(path));
  EXPECT_EQ(file.ErrorNumber(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(file.Create(directory.Path()));
  SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadFileBytes(path), "old");
  EXPECT_EQ(FileNamesIn(directory.Path()), std::vector<std::string>{"read-only.xml"});
}

TEST(Win32OutputFile, RelativeTargetIsReplacedAndANewOneCreated) {
  TTempDirectory directory;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(Utf8Path(directory.Path()));
  TOutputFile file;
  EXPECT_TRUE(Replace("new.xml", std::string(3 * TOutputFile::kBlockSize, 'x'), file));
  EXPECT_TRUE(Replace("new.xml", "second", file)) << "ReplaceFileW needs full paths";
  std::filesystem::current_path(previous);
  EXPECT_EQ(ReadFileBytes(directory.File("new.xml")), "second");
}

// A backup of a phone with a long IMEI has a long name; the temporary file's name must not be
// longer still.
TEST(Win32OutputFile, TargetNamesOfEveryLengthUpToTheLimitAreWritten) {
  for (const size_t length : {1, 248, 255}) {
    TTempDirectory directory;
    const std::string name(length, 'n');
    TOutputFile file;
    EXPECT_TRUE(Replace(directory.File(name), "bytes", file))
        << length << ": " << file.ErrorNumber();
    EXPECT_EQ(FileNamesIn(directory.Path()), std::vector<std::string>{name}) << length;
  }
}

// A run killed while writing leaves its temporary file, which the next run in that folder
// removes; the file of a run still writing and files that only look alike stay.
TEST(Win32OutputFile, TemporaryFilesOfKilledRunsAreRemovedByTheNext) {
  TTempDirectory directory;
  WriteFileBytes(directory.File(".velmorra-AbCd1234.tmp"), "left by a killed run");
  TOutputFile still_writing;
  const std::set<std::string> expected =
      testing::NamesKeptByTheNextRun(directory.Path(), still_writing);
  const std::vector<std::string> names = FileNamesIn(directory.Path());
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
}

// A link named like a leftover (made by CTest, as Wine cannot) is neither followed nor removed:
// the file it leads to stays.
TEST(Win32OutputFile, LinkNamedLikeALeftoverIsLeftAlone) {
  const std::string folder = VELMORRA_LINK_FIXTURE;
  WriteFileBytes(folder + "target.txt", "the user's file");
  TOutputFile file;
  ASSERT_TRUE(Replace(folder + "sms.xml", "new", file)) << file.ErrorNumber();
  EXPECT_EQ(ReadFileBytes(folder + ".velmorra-ABCDEFGH.tmp"), "the user's file");
  EXPECT_EQ(ReadFileBytes(folder + "target.txt"), "the user's file");
}

}  // namespace
}  // namespace velmorra
