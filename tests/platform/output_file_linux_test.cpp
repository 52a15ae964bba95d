// What the output file promises about permissions, owners and killed runs, where files have a
// mode, an owner and a group and a process can be killed.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/output_file.h"
#include "platform/output_file_helpers.h"
#include "support/temp_directory.h"

namespace velmorra {
namespace {

using testing::FileNamesIn;
using testing::ReadFileBytes;
using testing::TNamedTemporaryFiles;
using testing::TTempDirectory;
using testing::WriteFileBytes;

constexpr uid_t kNobody = 65534;

// Runs `scenario` in a child process and returns its exit status (-1 when it did not exit). When
// this process is the superuser, whom permissions do not stop, the child runs as the user nobody,
// to whom `directory` is given first.
int ExitStatusOf(const std::string& directory, bool unprivileged,
                 const std::function<int()>& scenario) {
  const pid_t child = fork();
  if (child == 0) {
    if (unprivileged && geteuid() == 0 &&
        (chown(directory.c_str(), kNobody, kNobody) != 0 || setgid(kNobody) != 0 ||
         setuid(kNobody) != 0)) {
      _exit(100);
    }
    _exit(scenario());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Writes "new" in place of the file at `path`; 0 on success, else the error number.
int Replace(const std::string& path) {
  TOutputFile file;
  if (!file.Create(path) || !file.Write("new", 3) || !file.Commit())
    return file.ErrorNumber();
  return 0;
}

struct TKeptAttributesCase {
  mode_t Mode;
  uid_t Owner;  // kSelf: the tester's own
  gid_t Group;
  bool Unprivileged;  // replaced by the user nobody
  mode_t ExpectedMode;
  uid_t ExpectedOwner;
  gid_t ExpectedGroup;
};

constexpr uid_t kSelf = static_cast<uid_t>(-2);

TEST(OutputFileLinuxTest, ReplacementKeepsThePermissionsOwnerAndGroup) {
  const bool superuser = geteuid() == 0;
  const uid_t me = geteuid();
  const gid_t my_group = getegid();
  const std::vector<TKeptAttributesCase> cases = {
      {0600, kSelf, kSelf, false, 0600, kSelf, kSelf},
      {0640, kSelf, kSelf, false, 0640, kSelf, kSelf},
      {0604, kSelf, kSelf, false, 0604, kSelf, kSelf},
      {0755, kSelf, kSelf, false, 0755, kSelf, kSelf},
      {0666, kSelf, kSelf, false, 0666, kSelf, kSelf},
      // Only the superuser may give a file away; it keeps the owner and group of the old file.
      {0640, kNobody, kNobody, false, 0640, kNobody, kNobody},
      // Anyone else keeps the permissions, but a group that is not theirs gets no access.
      {0666, kSelf, kSelf, true, 0606, kNobody, kNobody},
  };
  const auto self = [](uid_t id, uid_t mine) { return id == kSelf ? mine : id; };
  const mode_t saved_mask = umask(022);
  for (const bool named : {false, true}) {
    const TNamedTemporaryFiles named_files(named);
    for (size_t i = 0; i < cases.size(); ++i) {
      const TKeptAttributesCase& row = cases[i];
      if (!superuser && (row.Unprivileged || row.Owner != kSelf))
        continue;
      SCOPED_TRACE(std::to_string(i) + (named ? " named" : " nameless"));
      TTempDirectory directory;
      const std::string path = directory.File("sms_All Phones.xml");
      WriteFileBytes(path, "old");
      ASSERT_EQ(chown(path.c_str(), self(row.Owner, me), self(row.Group, my_group)), 0);
      ASSERT_EQ(chmod(path.c_str(), row.Mode), 0);
      EXPECT_EQ(ExitStatusOf(directory.Path(), row.Unprivileged, [&] { return Replace(path); }), 0);
      struct stat status;
      ASSERT_EQ(stat(path.c_str(), &status), 0);
      EXPECT_EQ(status.st_mode & 07777, row.ExpectedMode);
      EXPECT_EQ(status.st_uid, self(row.ExpectedOwner, me));
      EXPECT_EQ(status.st_gid, self(row.ExpectedGroup, my_group));
      EXPECT_EQ(ReadFileBytes(path), "new");
    }
  }
  umask(saved_mask);
}

// A run killed while writing leaves no file without a name, and its named temporary file is
// removed by the next run in that folder; files of a run still writing, and files that only
// look alike, stay.
TEST(OutputFileLinuxTest, TemporaryFilesOfKilledRunsAreRemovedByTheNext) {
  for (const bool named : {false, true}) {
    SCOPED_TRACE(named ? "named" : "nameless");
    const TNamedTemporaryFiles named_files(named);
    TTempDirectory directory;
    const std::string path = directory.File("sms.xml");
    WriteFileBytes(path, "old");
    const int status = ExitStatusOf(directory.Path(), false, [&] {
      TOutputFile file;
      const std::string bytes(1 << 20, 'x');
      if (file.Create(path) && file.Write(bytes.data(), bytes.size()) && file.Size() > 0)
        kill(getpid(), SIGKILL);
      return 1;
    });
    EXPECT_EQ(status, -1) << "the writer was not killed";
    EXPECT_EQ(FileNamesIn(directory.Path()).size(), named ? 2u : 1u);

    TOutputFile still_writing;
    std::set<std::string> expected = testing::NamesKeptByTheNextRun(directory.Path(), still_writing);
    expected.insert("sms.xml");
    const std::vector<std::string> names = FileNamesIn(directory.Path());
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
    EXPECT_EQ(ReadFileBytes(path), "old");
  }
}

// A FIFO named like a leftover (another user's, read-only: opening it waits for a writer) is
// neither waited for nor removed.
TEST(OutputFileLinuxTest, FifoNamedLikeALeftoverIsLeftAloneWithoutWaiting) {
  TTempDirectory directory;
  const std::string fifo = directory.File(".velmorra-ABCDEFGH.tmp");
  const int status = ExitStatusOf(directory.Path(), true, [&] {
    alarm(10);  // a wait for ever ends the child by its signal
    if (mkfifo(fifo.c_str(), 0444) != 0)
      return 101;
    return Replace(directory.File("sms.xml"));
  });
  EXPECT_EQ(status, 0);
  struct stat info;
  ASSERT_EQ(lstat(fifo.c_str(), &info), 0);
  EXPECT_TRUE(S_ISFIFO(info.st_mode));
  EXPECT_EQ(ReadFileBytes(directory.File("sms.xml")), "new");
}

struct TInPlaceCase {
  const char* Bytes;  // of the file at the path; nullptr: none
  mode_t Mode;
  int ExpectedError;  // 0: written in place
  const char* ExpectedBytes;
};

// In a folder that takes no new file, a file that may be written is written in place; a new
// file or a read-only one still cannot be made.
TEST(OutputFileLinuxTest, WritableFileInAFolderWithoutRoomForNewFilesIsWrittenInPlace) {
  const std::vector<TInPlaceCase> cases = {
      {"old bytes that are longer", 0640, 0, "new"},
      {nullptr, 0, EACCES, nullptr},
      {"old", 0440, EACCES, "old"},
  };
  for (const bool named : {false, true}) {
    const TNamedTemporaryFiles named_files(named);
    for (size_t i = 0; i < cases.size(); ++i) {
      const TInPlaceCase& row = cases[i];
      SCOPED_TRACE(std::to_string(i) + (named ? " named" : " nameless"));
      TTempDirectory directory;
      const std::string folder = directory.File("folder");
      const std::string path = folder + "/sms.xml";
      const int status = ExitStatusOf(directory.Path(), true, [&] {
        if (mkdir(folder.c_str(), 0755) != 0)
          return 101;
        if (row.Bytes) {
          WriteFileBytes(path, row.Bytes);
          chmod(path.c_str(), row.Mode);
        }
        chmod(folder.c_str(), 0555);
        TOutputFile file;
        if (!file.Create(path) || !file.Write("new", 3) || !file.Commit())
          return file.ErrorNumber();
        return file.WritesInPlace() ? 0 : 102;
      });
      chmod(folder.c_str(), 0755);
      EXPECT_EQ(status, row.ExpectedError);
      if (row.ExpectedBytes) {
        EXPECT_EQ(ReadFileBytes(path), row.ExpectedBytes);
        EXPECT_EQ(FileNamesIn(folder), std::vector<std::string>{"sms.xml"});
      } else {
        EXPECT_TRUE(FileNamesIn(folder).empty());
      }
    }
  }
}

}  // namespace
}  // namespace velmorra
