#pragma once

#include <string>
#include <vector>

namespace velmorra {

// What the window program was asked for on its command line.
struct TWindowCommandLine {
  enum class TAction { Open, Help, Version, Error };
  TAction Action = TAction::Open;
  // For Open: the datastore to open at start, empty for none.
  std::string Datastore;
  // For Error: what is wrong with the call.
  std::string Error;
};

// Reads the arguments that follow the program's name: "--help" (or "-h") and "--version" ask
// for those texts; otherwise the first argument, if any, names a datastore ("--" before it lets
// it start with "-"). Any other argument that starts with "-" is an error.
TWindowCommandLine ParseWindowCommandLine(const std::vector<std::string>& arguments);

// What --help shows, lines ended by "\n"; the manual page velmorra(1) says the same.
std::string WindowUsage();
// What --version shows: "velmorra <version>\n".
std::string WindowVersion();

}  // namespace velmorra
