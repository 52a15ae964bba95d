#include "app/output_location.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmorra {
namespace {

TEST(OutputLocation, OnlyAnInstalledProgramWritesIntoTheDocumentsFolder) {
  struct TCase {
    std::string ProgramDirectory;
    std::string Expected;
  };
  const std::string documents = "/home/user/Documents/";
  const std::vector<TCase> cases = {
      {"/usr/lib/velmorra/", documents},
      {"/usr/local/lib/velmorra/", documents},
      {"/opt/tools/lib/velmorra/", documents},
      {"/home/user/velmorra/build/bin/", "/home/user/velmorra/build/bin/"},
      {"/home/user/velmorra-0.1.0/", "/home/user/velmorra-0.1.0/"},
      {"/usr/lib/velmorra-old/", "/usr/lib/velmorra-old/"},
      {"/home/user/mylib/velmorra/", "/home/user/mylib/velmorra/"},
      {"", ""},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(WindowOutputDirectory(c.ProgramDirectory, documents), c.Expected)
        << c.ProgramDirectory;
  }
  EXPECT_EQ(WindowOutputDirectory("/usr/lib/velmorra/", ""), "/usr/lib/velmorra/")
      << "without a documents folder the program's own folder is tried, and a failure reported";
}

}  // namespace
}  // namespace velmorra
