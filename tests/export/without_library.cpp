#include "without_library.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/run_program.h"
#include "support/temp_directory.h"

namespace velmorra::testing {

namespace {

constexpr char kMarker[] = "VELMORRA_RUNNING_WITHOUT_LIBRARY";

}  // namespace

bool RunningWithoutLibrary() {
  return std::getenv(kMarker) != nullptr;
}

int RunCurrentTestWithoutLibrary() {
  namespace fs = std::filesystem;
  TTempDirectory directory;
  const std::string program = CurrentProgramPath();
  const std::string copy = directory.File(Utf8Path(program).filename().string());
  fs::copy_file(Utf8Path(program), Utf8Path(copy));
  fs::permissions(Utf8Path(copy), fs::perms::owner_all);

  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string filter =
      std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
  const TProgramRun run = RunProgram(copy, {filter}, "", {{kMarker, "1"}});
  if (run.Status != 0)
    std::fputs((run.Out + run.Err).c_str(), stderr);
  return run.Status;
}

}  // namespace velmorra::testing
