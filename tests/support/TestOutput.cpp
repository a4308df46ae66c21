#include "support/TestOutput.h"

#include <cstdlib>

namespace zel::test {

std::filesystem::path TestOutputDir(const std::string& testName) {
  const char* base = std::getenv("ZEL_TEST_OUTPUT");
  std::filesystem::path dir = base ? std::filesystem::path(base)
                                   : std::filesystem::temp_directory_path() / "zel-test-output";
  dir /= testName;
  std::filesystem::create_directories(dir);
  return dir;
}

}  // namespace zel::test
