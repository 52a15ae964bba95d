#include <string>
#include <vector>

#include "app/cli/cli.h"
#include "platform/standard_streams.h"
#include "platform/text_encoding.h"

namespace {

int Run(const std::vector<std::string>& arguments) {
  velmorra::TConsole console{velmorra::StandardOutput(), velmorra::StandardError()};
  const int status = velmorra::RunCli(arguments, console);
  console.Out.flush();
  return status;
}

}  // namespace

#ifdef _WIN32
// Windows hands the arguments over as UTF-16; the program's text is UTF-8.
int wmain(int argc, wchar_t* argv[]) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i)
    arguments.push_back(velmorra::Utf16ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
  return Run(arguments);
}
#else
int main(int argc, char* argv[]) {
  return Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
