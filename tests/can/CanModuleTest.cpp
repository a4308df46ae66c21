#include "can/CanModule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "can/CanBusZel.h"
#include "link/CAttentionDlg.h"

namespace zel::can {
namespace {

using Strings = std::vector<std::string>;

TEST_F(CanBusZelTest, ParametersReachOnlyTheAddressedModuleAtTheGatewaysRate) {
  ASSERT_TRUE(module_->WriteTempParam(5, 17, 0, 12000));
  uint32_t value = 0;
  ASSERT_TRUE(module_->ReadTempParam(5, 17, 0, value));
  EXPECT_EQ(value, 12000u);
  EXPECT_EQ(OnBus(5).TempParameter(17), 12000);
  EXPECT_EQ(OnBus(7).TempParameter(17), sim::DeviceModel::DefaultParameter(17));
  ASSERT_TRUE(module_->SaveTempParam(5));
  EXPECT_EQ(OnBus(5).EepromParameter(17), 12000);
  // A 32-bit status value comes high word first.
  ASSERT_TRUE(module_->ReadTempParam(5, 135, 1, value));

  // Module 6 listens at 125 kBit/s: like an absent module its version read fails, and a
  // parameter read gives 0 after five tries and still counts as done.
  uint16_t software = 0, hardware = 0;
  EXPECT_FALSE(module_->ReadVersion(6, software, hardware));
  uint64_t before = Frames();
  value = 0xFFFF;
  EXPECT_TRUE(module_->ReadTempParam(6, 17, 0, value));
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(Frames() - before, 5u);

  // Nothing goes out for a 32-bit write, nor for parameter 36 with 38 or more definitions.
  before = Frames();
  EXPECT_FALSE(module_->WriteTempParam(5, 17, 1, 70000));
  ASSERT_GE(comm_->Definitions().SystemCount(), 38);
  value = 0xFFFF;
  EXPECT_TRUE(module_->ReadTempParam(5, 36, 0, value));
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(Frames(), before);

  // Once the gateway moves to 125 kBit/s module 6 answers and 5 does not.
  ASSERT_TRUE(comm_->Can().SetBCR1BCR2(0x0673, 7));
  EXPECT_TRUE(module_->ReadVersion(6, software, hardware));
  EXPECT_FALSE(module_->ReadVersion(5, software, hardware));
}

TEST_F(CanBusZelTest, VersionChecksNameTheDifference) {
  EXPECT_TRUE(module_->SimpleVersionCheck(5));
  EXPECT_TRUE(module_->CompatibilityCheck(5));
  EXPECT_FALSE(module_->SimpleVersionCheck(7));
  EXPECT_FALSE(module_->CompatibilityCheck(7));
  // An unreachable module fails both without a message.
  EXPECT_FALSE(module_->CompatibilityCheck(6));
  EXPECT_EQ(host_.Messages(),
            (Strings{CanModule::kVersionMismatch, CanModule::kVersionAndQuartzMismatch}));

  using V = CanModule::Versions;
  EXPECT_EQ(CanModule::CompatibilityMessage(V{0x1040, 0x0200, 0x1041, 0x4200}),
            CanModule::kQuartzMismatch);
  EXPECT_EQ(CanModule::CompatibilityMessage(V{0x1040, 0x4200, 0x103F, 0x4000}),
            CanModule::kSoftwareMismatch);
  EXPECT_EQ(CanModule::CompatibilityMessage(V{0x1000, 0x0200, 0x103F, 0x0300}), nullptr);
}

TEST_F(CanBusZelTest, WritingARunningModuleDisablesItAndRestoresItsEnabling) {
  // Module 5 follows its input 'Enable', which is on: it runs.
  CanModule::Enabling before;
  ASSERT_TRUE(module_->PrepareForWriting(5, true, before));
  EXPECT_FALSE(before.byCommand);
  EXPECT_TRUE(before.enabled);
  EXPECT_NE(OnBus(5).TempParameter(1) & sim::DeviceModel::kConfigSoftwareEnable, 0);
  EXPECT_EQ(OnBus(5).StatusWord() & sim::DeviceModel::kStatusEnabled, 0);

  // Cancel in the confirmation leaves the module enabled by command (and so disabled).
  host_.QueueModal([](ui::Window& w) { w.Press(ui::kIdCancel); });
  ASSERT_TRUE(module_->RestoreAfterWriting(5, true, before));
  EXPECT_NE(OnBus(5).TempParameter(1) & sim::DeviceModel::kConfigSoftwareEnable, 0);
  host_.QueueModal([](ui::Window& w) {
    w.UserSetValue(link::CAttentionDlg::kIdConfirm, 1);
    w.Press(ui::kIdOk);
  });
  ASSERT_TRUE(module_->RestoreAfterWriting(5, true, before));
  EXPECT_EQ(OnBus(5).TempParameter(1) & sim::DeviceModel::kConfigSoftwareEnable, 0);
  EXPECT_NE(OnBus(5).StatusWord() & sim::DeviceModel::kStatusEnabled, 0);
  EXPECT_EQ(host_.Messages(), Strings{"The CAN Module 5 will be disabled!"});
  EXPECT_EQ(host_.ModalTitles(), (Strings{"Enable CAN Module 5", "Enable CAN Module 5"}));

  // A module that cannot be read is not written: SysConfig never becomes 0.
  EXPECT_FALSE(module_->QuitServiceMode(6));
  EXPECT_EQ(OnBus(6).TempParameter(1), sim::DeviceModel::DefaultParameter(1));
}

}  // namespace
}  // namespace zel::can
