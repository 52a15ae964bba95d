#include <iostream>
#include <string>
#include <vector>

#include "app/cli/cli.h"

int main(int argc, char* argv[]) {
  velmorra::TConsole console{std::cout, std::cerr};
  return velmorra::RunCli(std::vector<std::string>(argv + 1, argv + argc), console);
}
