#include "sim/CanBus.h"

#include <gtest/gtest.h>

#include <vector>

#include "sim/ControlCommands.h"
#include "sim/DeviceModel.h"
#include "sim/Simulator.h"

namespace zel::sim {
namespace {

using Words = std::vector<uint16_t>;

constexpr uint8_t kSendCanMsg = 61, kSetBcr = 63, kGetRemoteData = 68, kConfigRtr = 71,
                  kAddRtr = 74, kGetRtr = 75;

// A gateway at 500 kBit/s with module 5 at 500 kBit/s and module 6 at 125 kBit/s.
class CanBusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gateway_.SetCanAddress(1, 0x066C, 1);
    gateway_.AttachBus(&bus_);
    CanModuleConfig five;
    five.moduleId = 5;
    five.bitRateIndex = 2;
    five.device.identity.softwareVersion = 0x1041;
    five.device.identity.hardwareVersion = 0x4200;
    bus_.AddModule(five);
    CanModuleConfig six;
    six.moduleId = 6;
    six.bitRateIndex = 4;
    bus_.AddModule(six);
  }
  CommandResult Remote(uint16_t module, uint8_t opcode, Words params) {
    Words words = {module, static_cast<uint16_t>(opcode << 8)};
    words.insert(words.end(), params.begin(), params.end());
    return gateway_.Execute(kGetRemoteData, words);
  }
  void Send(uint16_t module, uint8_t opcode, Words data) {
    Words words = {module, static_cast<uint16_t>(opcode << 8)};
    words.insert(words.end(), data.begin(), data.end());
    words.resize(5, 0);
    gateway_.Execute(kSendCanMsg, words);
  }

  DeviceModel gateway_;
  CanBus bus_;
};

TEST_F(CanBusTest, OnlyAModuleAtTheGatewaysBitRateAnswers) {
  CommandResult version = Remote(5, 26, {0});
  ASSERT_TRUE(version.hasReply);
  EXPECT_EQ(version.words, (Words{0x1041, 0x4200, 0x0001}));
  EXPECT_EQ(Remote(5, 26, {1}).words, (Words{0x0001, 0x0100}));
  // Module 6 listens at 125 kBit/s, module 9 does not exist: both leave the gateway silent.
  EXPECT_FALSE(Remote(6, 26, {0}).hasReply);
  EXPECT_FALSE(Remote(9, 26, {0}).hasReply);

  // A carried write reaches module 5 only; module 6 hears nothing at this rate.
  Send(5, 21, {17, 0, 12000});
  Send(6, 21, {17, 0, 12000});
  EXPECT_EQ(bus_.Find(5)->TempParameter(17), 12000);
  EXPECT_EQ(bus_.Find(6)->TempParameter(17), DeviceModel::DefaultParameter(17));

  // The gateway moves to 125 kBit/s: now 6 answers and 5 is deaf.
  gateway_.Execute(kSetBcr, Words{0x0673, 7});
  EXPECT_EQ(Remote(6, 20, {30, 0}).words, (Words{6}));
  EXPECT_FALSE(Remote(5, 20, {30, 0}).hasReply);
}

TEST_F(CanBusTest, RtrListsKeepTheirBudgetAndAnswerOnlyOverTheBus) {
  // Over the serial line AddRTRParameter has no reply, but the gateway keeps the entry.
  EXPECT_FALSE(gateway_.Execute(kAddRtr, Words{0x0100, 135}).hasReply);
  EXPECT_EQ(gateway_.RtrEntryCount(0), 1);

  // A module: an LWord and two Words fill three entries and four words; a further Word fails.
  EXPECT_EQ(Remote(5, kAddRtr, {0x0100, 135}).words, (Words{79}));
  EXPECT_EQ(Remote(5, kAddRtr, {0x0010, 0x0300}).words, (Words{79}));
  EXPECT_EQ(Remote(5, kAddRtr, {0x0000, 129}).words, (Words{79}));
  EXPECT_EQ(Remote(5, kAddRtr, {0x0000, 130}).words, (Words{70}));
  EXPECT_EQ(Remote(5, kAddRtr, {0x0001, 130}).words, (Words{79}));
  EXPECT_EQ(Remote(5, kGetRtr, {0, 1}).words, (Words{79, 0x0010, 0x0300}));
  EXPECT_EQ(Remote(5, kGetRtr, {0, 3}).words[0], 70);
  // Action 2 empties channel 0 only; action 1 switches channel 1 on in CAN_Config.
  Send(5, kConfigRtr, {0, 2});
  Send(5, kConfigRtr, {1, 1});
  EXPECT_EQ(bus_.Find(5)->RtrEntryCount(0), 0);
  EXPECT_EQ(bus_.Find(5)->RtrEntryCount(1), 1);
  EXPECT_EQ(bus_.Find(5)->TempParameter(41), DeviceModel::kCanConfigRtr1);
}

}  // namespace
}  // namespace zel::sim

namespace zel::sim {
namespace {

TEST(CanBusControl, ModuleCommandsReachOnlyThatModule) {
  SimulatorOptions options;
  options.modules = {CanModuleConfig{5, 2, {}}};
  Simulator simulator(options);
  ControlCommands control(simulator);
  EXPECT_EQ(control.Execute("module 5 error raise over-voltage"), "ok error=0x8002");
  EXPECT_EQ(simulator.Bus().Find(5)->ErrorWord(), 0x8002);
  EXPECT_EQ(simulator.Device().ErrorWord(), 0);
  EXPECT_EQ(control.Execute("module 5 state").rfind("ok id=5 error=0x8002", 0), 0u);
  EXPECT_EQ(control.Execute("module 9 error raise 1").rfind("error: no module 9", 0), 0u);
}

}  // namespace
}  // namespace zel::sim
