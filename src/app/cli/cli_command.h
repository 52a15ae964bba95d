#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace velmorra {

// The two output streams of a command: results go to Out, everything the window would show in a
// message box (and usage errors) to Err.
struct TConsole {
  std::ostream& Out;
  std::ostream& Err;
};

// The exit status of velmorra-cli.
enum TExitStatus : int {
  ExitSuccess = 0,
  ExitFailure = 1,    // a message was shown: the datastore could not be read, or the phone has none
  ExitUsage = 2,      // a wrong call
  ExitFileError = 3,  // the output file could not be created or written
  ExitNoMemory = 4,   // there was not enough memory to finish; nothing was written
};

// One command of velmorra-cli. `Run` gets the arguments after the command name and returns the
// exit status; it never throws.
struct TCliCommand {
  std::string_view Name;
  std::string_view Synopsis;     // the arguments, as shown in the usage text
  std::string_view Description;  // what the command does, lines indented by the usage text
  int (*Run)(const std::vector<std::string>& arguments, TConsole& console);
};

// "NAME SYNOPSIS", or the name alone for a command without arguments.
std::string CommandLine(const TCliCommand& command);

// Writes the usage of `command` to `out`: "Usage: velmorra-cli NAME SYNOPSIS" and its description.
void WriteCommandUsage(const TCliCommand& command, std::ostream& out);

// Reports a wrong call of `command`: `problem` and the command's usage go to Err. Returns
// ExitUsage.
int CommandUsageError(const TCliCommand& command, std::string_view problem, TConsole& console);

// The arguments of one command, sorted out: options that take a value ("--name VALUE" or
// "--name=VALUE"), flags ("--help") and the remaining positional arguments in order. After "--"
// every argument is positional.
struct TParsedArguments {
  std::vector<std::string> Positional;
  std::map<std::string, std::string> Options;  // by name without the dashes
  bool Help = false;
  std::string Error;  // empty when the arguments were well-formed

  std::optional<std::string> Option(const std::string& name) const;
};

// Sorts `arguments` against the option names in `value_options` (without dashes). "--help" and
// "-h" set Help. An unknown option, a missing value or an option given twice sets Error.
TParsedArguments ParseArguments(const std::vector<std::string>& arguments,
                                const std::vector<std::string>& value_options);

// The exit status of a command whose datastore could not be opened or read, once the message
// has been shown. When the SQLite library cannot be loaded, a second line on Err names its file and
// says what to do: keep the program's folder together, or install SQLite.
int DatastoreFailure(TConsole& console);

// A path from the command line in the form the export and the phone list take: absolute, resolved
// against the current directory (a bare file name names a file there, not in the program's
// directory). The empty path stays empty.
std::string CommandLinePath(const std::string& argument);

// A directory from the command line as an absolute path ending in a separator; the current
// directory for the empty text.
std::string CommandLineDirectory(const std::string& argument);

}  // namespace velmorra
