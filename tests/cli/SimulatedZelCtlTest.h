#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/ZelCtl.h"
#include "sim/Simulator.h"

namespace zel::cli {

// zelctl in-process against a simulated ZEL on a pseudo-terminal, as a script would use it. A
// fixture fills in the simulator's options (modules, bit rate) by overriding Configure.
class SimulatedZelCtlTest : public ::testing::Test {
 protected:
  virtual void Configure(sim::SimulatorOptions&) {}

  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("zelctl-test-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    sim::SimulatorOptions options;
    options.linkPath = (dir_ / "ttyZEL").string();
    Configure(options);
    sim_ = std::make_unique<sim::Simulator>(options);
    std::string error;
    ASSERT_TRUE(sim_->Start(&error)) << error;
  }
  void TearDown() override {
    sim_->Stop();
    std::filesystem::remove_all(dir_);
  }

  // Runs zelctl with the device option and extra options prepended; out and err hold what it
  // printed.
  int Run(std::vector<std::string> args, const std::vector<std::string>& extra = {}) {
    args.insert(args.begin(), extra.begin(), extra.end());
    args.insert(args.begin(), {"--device", sim_->LinkPath()});
    out_.str("");
    err_.str("");
    return RunZelCtl(args, out_, err_);
  }

  std::filesystem::path dir_;
  std::unique_ptr<sim::Simulator> sim_;
  std::ostringstream out_, err_;
};

}  // namespace zel::cli
