#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace zel::test {

// The sample package the build makes (target sample_firmware), copied into a folder of the test's
// own so that a test may delete or damage its copy. ZEL_SAMPLE_PACKAGE names another one.
class SamplePackage {
 public:
  SamplePackage()
      : dir_(std::filesystem::temp_directory_path() /
             ("zel-fwui-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++))) {
    std::filesystem::create_directories(dir_);
    std::filesystem::path source;
    if (const char* named = std::getenv("ZEL_SAMPLE_PACKAGE")) {
      source = named;
    } else {
      std::error_code error;
      const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
      source = exe.parent_path().parent_path() / "examples" / "firmware" / "ZelFirmware.bin";
    }
    path_ = (dir_ / "ZelFirmware.bin").string();
    std::error_code error;
    std::filesystem::copy_file(source, path_, error);
    EXPECT_FALSE(error) << "build the sample_firmware target first: " << source;
  }
  ~SamplePackage() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  const std::string& Path() const { return path_; }
  std::filesystem::path Dir() const { return dir_; }

 private:
  static inline int counter_ = 0;
  std::filesystem::path dir_;
  std::string path_;
};

}  // namespace zel::test
