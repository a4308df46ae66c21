#pragma once

#include <filesystem>
#include <string>

namespace zel::test {

// Folder for files a test leaves behind for inspection (screenshots, exported text).
// CTest points ZEL_TEST_OUTPUT at <build>/test-output; a test run by hand uses the temp folder.
std::filesystem::path TestOutputDir(const std::string& testName);

}  // namespace zel::test
