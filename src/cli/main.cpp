#include <iostream>
#include <string>
#include <vector>

#include "cli/ZelCtl.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return zel::cli::RunZelCtl(args, std::cout, std::cerr);
}
