#include "without_library.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

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
  const std::string copy = directory.File("test-without-library");
  fs::copy_file(fs::read_symlink("/proc/self/exe"), copy);
  fs::permissions(copy, fs::perms::owner_all);

  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string command = std::string(kMarker) + "=1 '" + copy + "' --gtest_filter='" +
                              test->test_suite_name() + "." + test->name() + "'";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace velmorra::testing
