#include "platform/user_folders.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_directory.h"

namespace velmorra {
namespace {

using testing::TTempDirectory;
using testing::WriteFileBytes;

// Sets or unsets an environment variable for the object's life.
class TScopedVariable {
 public:
  TScopedVariable(const char* name, const std::string* value) : name_(name) {
    if (const char* old = getenv(name))
      old_ = old;
    if (value != nullptr)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  ~TScopedVariable() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(UserFolders, DocumentsFolderIsReadAsXdgUserDirReadsIt) {
  struct TCase {
    std::string UserDirs;  // content of user-dirs.dirs; "-" for no file
    std::string Variable;  // XDG_DOCUMENTS_DIR in the environment; empty for none
    bool InConfigHome;     // the file lies in $XDG_CONFIG_HOME (the other folder)
    std::string Expected;
  };
  const std::vector<TCase> cases = {
      {"-", "", false, "~/"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n", "", false, "~/Docs/"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/Missing\"\n", "", false, "~/"},
      {"XDG_DOCUMENTS_DIR=\"$HOME\"\n", "", false, "~/"},
      {"XDG_DOCUMENTS_DIR=\"@/\"\n", "", false, "@/"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Files\\\"\"\n", "", false, "~/My \"Files\"/"},
      {"# XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\nXDG_MUSIC_DIR=\"$HOME/Docs\"\n", "", false, "~/"},
      {"XDG_DOCUMENTS_DIR=\"Docs\"\n", "", false, "~/"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\nXDG_DOCUMENTS_DIR=\"$HOME/Other\"\n", "", false,
       "~/Other/"},
      {"-", "@/", false, "@/"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n", "@/", false, "~/Docs/"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/Other\"\n", "", true, "~/Other/"},
  };
  for (const TCase& c : cases) {
    TTempDirectory home, other;
    for (const char* folder : {"Docs", "Other", "My \"Files\"", ".config"})
      std::filesystem::create_directory(home.File(folder));
    // "~/" stands for the home folder, "@/" for the other one.
    const auto resolve = [&](std::string text) {
      for (auto [mark, path] : {std::pair{"~/", home.Path()}, std::pair{"@/", other.Path()}}) {
        for (size_t at = text.find(mark); at != std::string::npos;
             at = text.find(mark, at + path.size()))
          text.replace(at, 2, path);
      }
      return text;
    };
    const std::string config = c.InConfigHome ? other.Path() : home.File(".config/");
    if (c.UserDirs != "-")
      WriteFileBytes(config + "user-dirs.dirs", resolve(c.UserDirs));
    const std::string home_value = home.Path();
    const std::string config_value = other.Path();
    const std::string variable = resolve(c.Variable);
    TScopedVariable home_variable("HOME", &home_value);
    TScopedVariable config_variable("XDG_CONFIG_HOME", c.InConfigHome ? &config_value : nullptr);
    TScopedVariable documents_variable("XDG_DOCUMENTS_DIR",
                                       c.Variable.empty() ? nullptr : &variable);
    EXPECT_EQ(DocumentsDirectory(), resolve(c.Expected)) << c.UserDirs << " / " << c.Variable;
  }
}

}  // namespace
}  // namespace velmorra
