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
  // What InstalledProgramFolders gives on Linux and on Windows.
  const std::vector<std::string> installed = {"/usr/", "/opt/",
                                              "C:\\Users\\Ann\\AppData\\Local\\Programs\\"};
  const std::vector<TCase> cases = {
      {"/usr/bin/", documents},
      {"/usr/local/bin/", documents},
      {"/opt/velmorra/bin/", documents},
      {"C:\\Users\\Ann\\AppData\\Local\\Programs\\Velmorra\\", documents},
      {"c:\\users\\ann\\appdata\\local\\PROGRAMS\\Velmorra\\", documents},
      {"/home/user/velmorra/build/bin/", "/home/user/velmorra/build/bin/"},
      {"/home/user/usr/bin/", "/home/user/usr/bin/"},
      {"/usrlocal/bin/", "/usrlocal/bin/"},
      {"C:\\Users\\Ann\\Documents\\velmorra-0.1.0-windows-x64\\",
       "C:\\Users\\Ann\\Documents\\velmorra-0.1.0-windows-x64\\"},
      {"C:\\Users\\Ann\\AppData\\Local\\ProgramsOld\\Velmorra\\",
       "C:\\Users\\Ann\\AppData\\Local\\ProgramsOld\\Velmorra\\"},
      {"", ""},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(WindowOutputDirectory(c.ProgramDirectory, documents, installed), c.Expected)
        << c.ProgramDirectory;
  }
  EXPECT_EQ(WindowOutputDirectory("/usr/bin/", "", installed), "/usr/bin/")
      << "without a documents folder the program's own folder is tried, and a failure reported";
  EXPECT_EQ(WindowOutputDirectory("/usr/bin/", documents, {}), "/usr/bin/")
      << "where the system names no folder of installed programs, nothing counts as installed";
}

}  // namespace
}  // namespace velmorra
