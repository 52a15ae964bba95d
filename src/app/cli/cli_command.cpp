#include "app/cli/cli_command.h"

#include "db/sqlite_library.h"
#include "platform/file_system.h"

namespace velmorra {

std::string CommandLine(const TCliCommand& command) {
  std::string line(command.Name);
  if (!command.Synopsis.empty())
    line.append(" ").append(command.Synopsis);
  return line;
}

void WriteCommandUsage(const TCliCommand& command, std::ostream& out) {
  out << "Usage: velmorra-cli " << CommandLine(command) << "\n\n" << command.Description;
}

int CommandUsageError(const TCliCommand& command, std::string_view problem, TConsole& console) {
  console.Err << "velmorra-cli " << command.Name << ": " << problem << "\n";
  WriteCommandUsage(command, console.Err);
  return ExitUsage;
}

std::optional<std::string> TParsedArguments::Option(const std::string& name) const {
  const auto found = Options.find(name);
  if (found == Options.end())
    return std::nullopt;
  return found->second;
}

TParsedArguments ParseArguments(const std::vector<std::string>& arguments,
                                const std::vector<std::string>& value_options) {
  TParsedArguments parsed;
  const auto takes_value = [&](const std::string& name) {
    for (const std::string& option : value_options) {
      if (option == name)
        return true;
    }
    return false;
  };
  bool options_ended = false;
  for (size_t i = 0; i < arguments.size() && parsed.Error.empty(); ++i) {
    const std::string& argument = arguments[i];
    if (options_ended || argument.size() < 2 || argument[0] != '-') {
      parsed.Positional.push_back(argument);
    } else if (argument == "--") {
      options_ended = true;
    } else if (argument == "--help" || argument == "-h") {
      parsed.Help = true;
    } else {
      const size_t equals = argument.find('=');
      const std::string name =
          argument.substr(2, equals == std::string::npos ? equals : equals - 2);
      if (argument.rfind("--", 0) != 0 || !takes_value(name)) {
        parsed.Error = "unknown option \"" + argument + "\"";
      } else if (parsed.Options.count(name) != 0) {
        parsed.Error = "option --" + name + " given twice";
      } else if (equals != std::string::npos) {
        parsed.Options[name] = argument.substr(equals + 1);
      } else if (i + 1 < arguments.size()) {
        parsed.Options[name] = arguments[++i];
      } else {
        parsed.Error = "option --" + name + " needs a value";
      }
    }
  }
  return parsed;
}

int DatastoreFailure(TConsole& console) {
  std::string library = SqliteLibraryPath();
  if (BindSqliteLibrary(library))
    return ExitFailure;
  const size_t name_start = library.find_last_of(kPathSeparator) + 1;  // 0 for a bare name
  const std::string name = library.substr(name_start);
  if (name_start == 0) {
    console.Err << "The SQLite library " << name << " cannot be loaded: install SQLite 3 "
                << "(on Debian the package libsqlite3-0).\n";
  } else {
    console.Err << "The SQLite library " << name << " cannot be loaded from "
                << library.substr(0, name_start) << ". Keep the files of that folder together: "
                << "the program needs " << name << " beside it.\n";
  }
  return ExitFailure;
}

std::string CommandLinePath(const std::string& argument) {
  if (argument.empty())
    return argument;
  const std::string full = FullPathName(argument);
  return full.empty() ? argument : full;
}

std::string CommandLineDirectory(const std::string& argument) {
  std::string directory = FullPathName(argument.empty() ? "." : argument);
  if (directory.empty())
    directory = argument;
  if (!directory.empty() && !IsPathSeparator(directory.back()))
    directory += kPathSeparator;
  return directory;
}

}  // namespace velmorra
