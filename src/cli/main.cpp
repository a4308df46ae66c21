#include <iostream>
#include <string>
#include <vector>

#include "cli/ZelCtl.h"
#include "files/PendingTemporaries.h"

int main(int argc, char** argv) {
  // A parameter file or text export interrupted by Ctrl-C leaves no temporary file behind.
  zel::files::PendingTemporaries::InstallSignalHandlers();
  std::vector<std::string> args(argv + 1, argv + argc);
  return zel::cli::RunZelCtl(args, std::cout, std::cerr);
}
