#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/SimulatedZelCtlTest.h"
#include "cli/ZelCtl.h"
#include "sim/Simulator.h"

namespace zel::cli {
namespace {

// zelctl against a simulated ZEL at 500 kBit/s (module ID 2) with three modules behind it:
// 5 like it, 6 at 125 kBit/s, 7 at 500 kBit/s with other firmware and quartz.
class CanCommandsTest : public SimulatedZelCtlTest {
 protected:
  void Configure(sim::SimulatorOptions& options) override {
    options.canBitRateIndex = 2;
    options.modules = {Module(5, 2, 0x1040, 0x0200), Module(6, 4, 0x1040, 0x0200),
                       Module(7, 2, 0x1030, 0x4200)};
  }

  static sim::CanModuleConfig Module(uint16_t id, int rate, uint16_t sw, uint16_t hw) {
    sim::CanModuleConfig module;
    module.moduleId = id;
    module.bitRateIndex = rate;
    module.device.identity.softwareVersion = sw;
    module.device.identity.hardwareVersion = hw;
    return module;
  }

  // An absent module costs a time-out per try.
  int Run(std::vector<std::string> args) {
    return SimulatedZelCtlTest::Run(args, {"--timeout", "30"});
  }
  bool InErr(const std::string& text) const { return err_.str().find(text) != std::string::npos; }
  bool InOut(const std::string& text) const { return out_.str().find(text) != std::string::npos; }
  sim::DeviceModel& OnBus(uint16_t id) { return *sim_->Bus().Find(id); }
};

TEST_F(CanCommandsTest, ModuleOptionReachesOnlyThatModuleAndOthersFailWithTheirReason) {
  // The module runs by its input 'Enable': it is disabled for the write, and going back to
  // the input needs the confirmation.
  ASSERT_EQ(Run({"--module", "5", "param", "set", "Acceleration", "1234"}), 0) << err_.str();
  EXPECT_TRUE(InOut("= 1234")) << out_.str();
  EXPECT_TRUE(InErr("The CAN Module 5 will be disabled!")) << err_.str();
  EXPECT_TRUE(InOut("stays under enabling by command")) << out_.str();
  EXPECT_EQ(OnBus(5).TempParameter(18), 1234);
  EXPECT_EQ(sim_->Device().TempParameter(18), sim::DeviceModel::DefaultParameter(18));
  EXPECT_NE(OnBus(5).TempParameter(1) & sim::DeviceModel::kConfigSoftwareEnable, 0);
  // SysConfig's own bit 12 chooses, confirmed: the module follows its input again.
  ASSERT_EQ(Run({"--yes", "--module", "5", "param", "set", "SysConfig", "1"}), 0) << err_.str();
  EXPECT_EQ(OnBus(5).TempParameter(1), 1);
  ASSERT_EQ(Run({"--yes", "--module", "5", "param", "set", "Acceleration", "1234"}), 0)
      << err_.str();
  EXPECT_EQ(OnBus(5).TempParameter(1) & sim::DeviceModel::kConfigSoftwareEnable, 0);
  EXPECT_NE(OnBus(5).StatusWord() & sim::DeviceModel::kStatusEnabled, 0);
  ASSERT_EQ(Run({"--module", "5", "save"}), 0) << err_.str();
  EXPECT_EQ(OnBus(5).EepromParameter(18), 1234);

  // At another bit rate module 6 fails exactly like the absent module 9.
  EXPECT_EQ(Run({"--module", "6", "version"}), 1);
  EXPECT_TRUE(InErr("No answer through the gateway")) << err_.str();
  EXPECT_EQ(Run({"--json", "--module", "9", "status"}), 1);
  EXPECT_TRUE(InOut("\"cause\":\"noAnswer\"")) << out_.str();

  // Other firmware and quartz: the parameter commands are refused with the check's message.
  EXPECT_EQ(Run({"--module", "7", "param", "get", "5"}), 1);
  EXPECT_TRUE(InErr("Update your ZEL or connected the ZEL to the RS232 port!")) << err_.str();
  // A command without a module form is a wrong command line.
  EXPECT_EQ(Run({"--module", "5", "velocity", "100"}), 2);
}

TEST_F(CanCommandsTest, GatewaySettingsAndRtrListsChangeTheSimulatedState) {
  ASSERT_EQ(Run({"can", "set", "bitrate", "125kBit/s"}), 0) << err_.str();
  EXPECT_EQ(sim_->Device().TempParameter(34), 0x0673);
  EXPECT_EQ(sim_->Device().TempParameter(35), 7);
  ASSERT_EQ(Run({"--json", "can", "scan", "--to", "8"}), 0) << err_.str();
  EXPECT_TRUE(InOut("\"bitRate\":\"125kBit/s\",\"modules\":[{\"module\":2,")) << out_.str();
  EXPECT_TRUE(InOut("{\"module\":6,")) << out_.str();
  EXPECT_FALSE(InOut("{\"module\":5,")) << out_.str();
  ASSERT_EQ(Run({"can", "set", "bitrate", "2"}), 0) << err_.str();
  // From 0x1040 the service identifier is not the tool's to set; nothing is sent.
  EXPECT_EQ(Run({"can", "set", "service-id", "100"}), 1);
  ASSERT_EQ(Run({"can", "set", "module-id", "9"}), 0) << err_.str();
  EXPECT_EQ(sim_->Device().TempParameter(30), 9);

  ASSERT_EQ(Run({"can", "rtr", "add", "5", "0", "addr", "0x0300", "lword"}), 0) << err_.str();
  ASSERT_EQ(Run({"can", "rtr", "add", "5", "0", "addr", "0x0302", "word"}), 0) << err_.str();
  // An LWord into a channel using 3 words is refused before anything is stored.
  EXPECT_EQ(Run({"can", "rtr", "add", "5", "0", "param", "135"}), 1);
  EXPECT_TRUE(InErr("You can only add 4 Words!\nzelctl: Please delete a parameter!")) << err_.str();
  EXPECT_EQ(OnBus(5).RtrEntryCount(0), 2);
  ASSERT_EQ(Run({"can", "rtr", "store", "5", "--active0", "on", "--id0", "0x190"}), 0)
      << err_.str();
  EXPECT_TRUE(InOut("Channel 0 active, RTR ID 0x0190, 3 of 4 words")) << out_.str();
  EXPECT_EQ(OnBus(5).TempParameter(41) & sim::DeviceModel::kCanConfigRtr0,
            sim::DeviceModel::kCanConfigRtr0);
  EXPECT_EQ(OnBus(5).TempParameter(39), 0x0190);
  ASSERT_EQ(Run({"can", "rtr", "clear", "5", "0"}), 0) << err_.str();
  EXPECT_EQ(OnBus(5).RtrEntryCount(0), 0);
}

}  // namespace
}  // namespace zel::cli

namespace zel::cli {
namespace {

TEST_F(CanCommandsTest, SearchAndSetIdDoWhatTheCanWizardDoes) {
  // A module that answers late on a loaded machine must not count as absent.
  auto Search = [this](std::vector<std::string> args) {
    args.insert(args.begin(), {"can", "search"});
    return SimulatedZelCtlTest::Run(args, {"--timeout", "150"});
  };
  // The gateway takes ID 4 and keeps its rate; the search then reports it under that ID.
  ASSERT_EQ(Run({"can", "set-id", "4"}), 0) << err_.str();
  EXPECT_TRUE(InOut("Modul ID setted.")) << out_.str();
  EXPECT_EQ(sim_->Device().EepromParameter(30), 4);
  EXPECT_EQ(sim_->Device().EepromParameter(34), 0x066C);
  EXPECT_EQ(Run({"can", "set-id", "128"}), 2);

  // Three asked: the gateway, 5 at 500 and 6 at 125 kBit/s, which differ. Every drive keeps
  // its stored configuration, its enabling (SysConfig bit 12) with it.
  auto storedConfigs = [this] {
    return std::vector<uint16_t>{sim_->Device().EepromParameter(1), OnBus(5).EepromParameter(1),
                                 OnBus(6).EepromParameter(1)};
  };
  const std::vector<uint16_t> configs = storedConfigs();
  ASSERT_EQ(Search({"--count", "3"}), 1) << err_.str();
  EXPECT_EQ(storedConfigs(), configs);
  EXPECT_TRUE(InOut("Module   4  500kBit/s")) << out_.str();
  EXPECT_TRUE(InOut("Module   6  125kBit/s")) << out_.str();
  EXPECT_TRUE(InErr("Set all Bitrate in the same state!")) << err_.str();

  // The bit-rate run brings all four to 250 kBit/s, module 7 too, as it reads back.
  ASSERT_EQ(Search({"--json", "--count", "4", "--bitrate", "250kBit/s"}), 0)
      << err_.str() << out_.str();
  EXPECT_TRUE(InOut("\"allFound\":true")) << out_.str();
  EXPECT_TRUE(InOut("\"bitRate\":\"250kBit/s\"")) << out_.str();
  for (uint16_t id : {5, 6, 7}) {
    EXPECT_EQ(OnBus(id).EepromParameter(34), 0x066C) << id;
    EXPECT_EQ(OnBus(id).EepromParameter(35), 3) << id;
  }
  ASSERT_EQ(Run({"can", "show"}), 0) << err_.str();
  EXPECT_TRUE(InOut("250kBit/s")) << out_.str();
  EXPECT_EQ(Run({"can", "search", "--bitrate", "300kBit/s"}), 2);

  // The line goes dead while the gateway probes: the search ends, names the line and the rate
  // the gateway is left at, and fails; nothing is claimed for the modules.
  const uint64_t start = sim_->Stats().framesAccepted;
  std::atomic<bool> running{true};
  std::thread killer([&] {
    while (running && sim_->Stats().framesAccepted < start + 30) std::this_thread::yield();
    sim_->Faults().SetNeverAnswer(true);
  });
  EXPECT_EQ(Search({"--count", "4"}), 1);
  running = false;
  killer.join();
  sim_->Faults().ClearAll();
  EXPECT_TRUE(InErr("The serial line stopped answering")) << err_.str();
  EXPECT_TRUE(InErr("The CAN gateway is left at ")) << err_.str();
  EXPECT_FALSE(InOut("All ")) << out_.str();
}

}  // namespace
}  // namespace zel::cli
