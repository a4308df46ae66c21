#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "can/CanModule.h"
#include "link/PosixSerialChannel.h"
#include "link/ZelCommunication.h"
#include "sim/Simulator.h"
#include "ui/ScriptedHost.h"

namespace zel::can {

// The simulated ZEL at 500 kBit/s (module ID 2, 0x1040 / 0x0200) with three modules behind it:
// 5 like it at 500 kBit/s, 6 at 125 kBit/s, 7 at 500 kBit/s with 0x1030 / 0x4200.
class CanBusZelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    sim::SimulatorOptions options;
    options.linkPath = (std::filesystem::temp_directory_path() /
                        ("zel-can-" + std::to_string(getpid()) + "-" + std::to_string(counter++)))
                           .string();
    options.realTimeModel = false;
    options.canBitRateIndex = 2;
    options.modules = {Module(5, 2, 0x1040, 0x0200), Module(6, 4, 0x1040, 0x0200),
                       Module(7, 2, 0x1030, 0x4200)};
    simulator_ = std::make_unique<sim::Simulator>(options);
    std::string error;
    ASSERT_TRUE(simulator_->Start(&error)) << error;
    comm_ = std::make_unique<link::ZelCommunication>(
        link::PosixSerialChannel::OpenerForPath(options.linkPath));
    link::CommSettings settings;
    // An absent module costs a time-out per try; keep it short.
    settings.timeoutMs = 30;
    ASSERT_TRUE(comm_->OpenLink(settings));
    module_ = std::make_unique<CanModule>(comm_->Can(), comm_->Parameter());
  }

  void TearDown() override {
    module_.reset();
    comm_.reset();
    if (simulator_) simulator_->Stop();
  }

  static sim::CanModuleConfig Module(uint16_t id, int rate, uint16_t software, uint16_t hardware) {
    sim::CanModuleConfig module;
    module.moduleId = id;
    module.bitRateIndex = rate;
    module.device.identity.softwareVersion = software;
    module.device.identity.hardwareVersion = hardware;
    return module;
  }

  sim::DeviceModel& OnBus(uint16_t id) { return *simulator_->Bus().Find(id); }
  uint64_t Frames() const { return simulator_->Stats().framesAccepted; }

  ui::ScriptedHost host_;
  std::unique_ptr<sim::Simulator> simulator_;
  std::unique_ptr<link::ZelCommunication> comm_;
  std::unique_ptr<CanModule> module_;
};

}  // namespace zel::can
