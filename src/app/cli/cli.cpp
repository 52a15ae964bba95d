#include "app/cli/cli.h"

#include <exception>
#include <new>

#include "app/cli/convert_command.h"
#include "app/cli/phones_command.h"
#include "app/cli/stores_command.h"
#include "version.h"

namespace velmorra {

namespace {

constexpr char kNoMemoryAdvice[] =
    "Not enough memory to finish; nothing was written. Close other programs and try again.";

void WriteUsage(std::ostream& out) {
  out << "Usage: velmorra-cli COMMAND ARGUMENTS...\n"
         "       velmorra-cli --help | --version\n"
         "\n"
         "Moves the text messages of a Nokia Ovi datastore (MDataStore.db3) into an SMS backup\n"
         "file that an Android phone restores. The datastore is only read, never changed.\n"
         "\n"
         "Commands:\n";
  for (const TCliCommand& command : CliCommands()) {
    out << "  " << CommandLine(command) << '\n' << command.Description;
  }
  out << "\n"
         "Exit status: 0 done, 1 the datastore could not be read or holds no message of the\n"
         "phone, 2 wrong call, 3 the backup file could not be created or written, 4 not enough\n"
         "memory (nothing was written).\n";
}

int UsageError(std::string_view problem, TConsole& console) {
  console.Err << "velmorra-cli: " << problem << "\n";
  WriteUsage(console.Err);
  return ExitUsage;
}

}  // namespace

const std::vector<TCliCommand>& CliCommands() {
  static const std::vector<TCliCommand> commands = {PhonesCommand(), ConvertCommand(),
                                                    StoresCommand()};
  return commands;
}

int RunCli(const std::vector<std::string>& arguments, TConsole& console) {
  if (arguments.empty())
    return UsageError("no command given", console);
  const std::string& first = arguments[0];
  if (first == "--help" || first == "-h") {
    WriteUsage(console.Out);
    return ExitSuccess;
  }
  if (first == "--version") {
    console.Out << "velmorra-cli " << VELMORRA_VERSION << "\n";
    return ExitSuccess;
  }
  for (const TCliCommand& command : CliCommands()) {
    if (command.Name != first)
      continue;
    // The command-line counterpart of the window's general error report: whatever escapes a
    // command is shown, never swallowed.
    try {
      return command.Run(std::vector<std::string>(arguments.begin() + 1, arguments.end()), console);
    } catch (const std::bad_alloc&) {
      console.Err << "velmorra-cli " << command.Name << ": " << kNoMemoryAdvice << '\n';
      return ExitNoMemory;
    } catch (const std::exception& error) {
      console.Err << "velmorra-cli " << command.Name << ": " << error.what() << '\n';
      return ExitFailure;
    }
  }
  return UsageError("unknown command \"" + first + "\"", console);
}

}  // namespace velmorra
