#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/PosixSerialChannel.h"
#include "link/ZelCommunication.h"
#include "sim/Simulator.h"
#include "ui/ScriptedHost.h"

namespace zel::test {

// A simulated ZEL on a pseudo-terminal and a communication stack whose every port name reaches
// it. Records each open (device name and baud rate) so a test can see how the link was re-opened.
// Without a stack of its own the line stays free for a program under test (the port is opened
// exclusively).
class SimulatedZel {
 public:
  struct Opened {
    std::string deviceName;
    int32_t baud;
  };

  // With modules, they sit on the CAN bus behind it and its own bit rate is 500 kBit/s.
  explicit SimulatedZel(sim::DeviceConfig device = {}, bool withStack = true,
                        std::vector<sim::CanModuleConfig> modules = {})
      : dir_(std::filesystem::temp_directory_path() /
             ("zel-ui-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++))) {
    std::filesystem::create_directories(dir_);
    sim::SimulatorOptions options;
    options.linkPath = (dir_ / "ttyZEL").string();
    options.device = device;
    options.realTimeModel = false;
    if (!modules.empty()) options.canBitRateIndex = 2;
    options.modules = std::move(modules);
    simulator_ = std::make_unique<sim::Simulator>(options);
    std::string error;
    EXPECT_TRUE(simulator_->Start(&error)) << error;
    if (!withStack) return;
    auto inner = link::PosixSerialChannel::OpenerForPath(options.linkPath);
    communication_ = std::make_unique<link::ZelCommunication>(
        [this, inner](const std::string& deviceName, int32_t rate, uint8_t& code) {
          {
            std::lock_guard lock(mutex_);
            opened_.push_back({deviceName, rate});
          }
          return inner(deviceName, rate, code);
        });
    communication_->SetShowFlags(true);
    EXPECT_TRUE(communication_->ReopenLink());
  }

  ~SimulatedZel() {
    communication_.reset();
    simulator_->Stop();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  link::ZelCommunication& Comm() { return *communication_; }
  std::string LinkPath() const { return simulator_->LinkPath(); }
  sim::Simulator& Sim() { return *simulator_; }
  sim::DeviceModel& Device() { return simulator_->Device(); }
  ui::ScriptedHost& Host() { return host_; }

  std::vector<Opened> Opens() const {
    std::lock_guard lock(mutex_);
    return opened_;
  }
  uint64_t FramesSeen() const {
    auto stats = simulator_->Stats();
    return stats.framesAccepted + stats.framesRejected;
  }

 private:
  static inline int counter_ = 0;
  ui::ScriptedHost host_;
  std::filesystem::path dir_;
  std::unique_ptr<sim::Simulator> simulator_;
  std::unique_ptr<link::ZelCommunication> communication_;
  mutable std::mutex mutex_;
  std::vector<Opened> opened_;
};

}  // namespace zel::test
