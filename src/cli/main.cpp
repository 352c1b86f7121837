#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/terminal.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  vrkt::cli::CliIo io{std::cout, std::cerr, vrkt::cli::StderrIsTerminal()};
  return vrkt::cli::RunCli(args, io);
}
