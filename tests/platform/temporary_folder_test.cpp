// The private folder of a run (where the datastore's private copy goes): removed when its object
// goes, when the program is interrupted, and by a later run when its own run was killed.
#include "platform/temporary_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "support/temp_directory.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace velmorra {
namespace {

using testing::TTempDirectory;
using testing::WriteFileBytes;

// Makes a folder of the test the system's temporary folder while it lives.
class TTemporaryFolderHere {
 public:
  TTemporaryFolderHere() {
#ifdef _WIN32
    for (const wchar_t* name : {L"TMP", L"TEMP"})
      SetEnvironmentVariableW(name, testing::Utf8Path(directory_.Path()).c_str());
#else
    setenv("TMPDIR", directory_.Path().c_str(), 1);
#endif
  }
  ~TTemporaryFolderHere() {
#ifdef _WIN32
    for (const wchar_t* name : {L"TMP", L"TEMP"})
      SetEnvironmentVariableW(name, nullptr);
#else
    unsetenv("TMPDIR");
#endif
  }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory_.Path()))
      names.insert(entry.path().filename().string());
    return names;
  }
  const TTempDirectory& Directory() const {
    return directory_;
  }

 private:
  TTempDirectory directory_;
};

std::string NameOf(const TTemporaryFolder& folder) {
  return testing::Utf8Path(folder.Path()).parent_path().filename().string();
}

TEST(TemporaryFolder, FoldersThatNobodyHoldsAreRemovedByTheNextRun) {
  TTemporaryFolderHere here;
  TTemporaryFolder alive;
  ASSERT_TRUE(alive.Create());
  WriteFileBytes(alive.Path() + "MDataStore.db3", "a running copy");
  // What a killed run leaves, and folders that only look alike.
  for (const char* name : {"velmorra-copy-left01", "velmorra-copy-toolong", "velmorra-left01"}) {
    std::filesystem::create_directory(here.Directory().File(name));
    WriteFileBytes(here.Directory().File(name) + "/MDataStore.db3", "copy");
  }

  TTemporaryFolder next;
  ASSERT_TRUE(next.Create());

  EXPECT_EQ(here.Names(), (std::set<std::string>{NameOf(alive), NameOf(next),
                                                 "velmorra-copy-toolong", "velmorra-left01"}));
  EXPECT_EQ(testing::ReadFileBytes(alive.Path() + "MDataStore.db3"), "a running copy");
}

#ifndef _WIN32
// Runs a child that makes a folder with a file in it and then gets `signal_number`; the child's
// wait status.
int StatusOfChildInterruptedBy(int signal_number) {
  const pid_t child = fork();
  if (child == 0) {
    TTemporaryFolder folder;
    if (!folder.Create())
      _exit(1);
    WriteFileBytes(folder.Path() + "MDataStore.db3", "the user's messages");
    raise(signal_number);
    _exit(2);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

TEST(TemporaryFolder, InterruptionRemovesTheFolderAndEndsTheProgramAsTheSignalDoes) {
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal_number);
    TTemporaryFolderHere here;
    const int status = StatusOfChildInterruptedBy(signal_number);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal_number) << status;
    EXPECT_TRUE(here.Names().empty());
  }
  // A signal that cannot be handled leaves the folder; the next run removes it.
  TTemporaryFolderHere here;
  EXPECT_TRUE(WIFSIGNALED(StatusOfChildInterruptedBy(SIGKILL)));
  EXPECT_EQ(here.Names().size(), 1u);
  TTemporaryFolder next;
  ASSERT_TRUE(next.Create());
  EXPECT_EQ(here.Names(), std::set<std::string>{NameOf(next)});
}
#endif

}  // namespace
}  // namespace velmorra
