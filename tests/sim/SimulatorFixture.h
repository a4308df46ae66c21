#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "sim/DeviceLine.h"
#include "sim/Simulator.h"

namespace zel::sim::test {

// Runs a simulator on its own pseudo-terminal with the device clock under the test's control
// and short protocol time-outs, and opens the tool's end of the line.
class SimulatorFixture : public ::testing::Test {
 protected:
  static std::string FreshLinkPath() {
    static std::atomic<int> counter{0};
    return (std::filesystem::temp_directory_path() /
            ("zelsim-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++)))
        .string();
  }

  static SimulatorOptions TestOptions() {
    SimulatorOptions options;
    options.linkPath = FreshLinkPath();
    options.realTimeModel = false;
    options.interByteTimeout = std::chrono::milliseconds(50);
    options.ackTimeout = std::chrono::milliseconds(300);
    return options;
  }

  void StartSimulator(SimulatorOptions options = TestOptions(), uint32_t lineBaud = 38400) {
    simulator_ = std::make_unique<Simulator>(options);
    std::string error;
    ASSERT_TRUE(simulator_->Start(&error)) << error;
    line_ = std::make_unique<DeviceLine>(options.linkPath, lineBaud);
    ASSERT_TRUE(line_->IsOpen());
  }

  // The serving thread counts an answer after the test has already seen it go out.
  SimulatorStats SettledStats(bool (*done)(const SimulatorStats&)) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    SimulatorStats stats = simulator_->Stats();
    while (!done(stats) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      stats = simulator_->Stats();
    }
    return stats;
  }

  void TearDown() override {
    line_.reset();
    if (simulator_) simulator_->Stop();
  }

  std::unique_ptr<Simulator> simulator_;
  std::unique_ptr<DeviceLine> line_;
};

}  // namespace zel::sim::test
