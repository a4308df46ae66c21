#include "can/CanModule.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "can/CanBusZel.h"
#include "can/ModuleParameterDevice.h"
#include "link/CAttentionDlg.h"
#include "parameters/CParameterFile.h"
#include "parameters/CParameterTable.h"
#include "parameters/NetworkUpload.h"
#include "parameters/NumberText.h"

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

TEST_F(CanBusZelTest, OnlyValuesReadFromAModuleReachAFileOrAWriteBack) {
  ASSERT_GE(comm_->Definitions().SystemCount(), 38);
  for (const uint16_t number : {22, 36}) {
    const uint16_t words[] = {number, 0, 960};
    OnBus(5).Execute(CanModule::kWriteTempParam, words);
    ASSERT_EQ(OnBus(5).TempParameter(number), 960) << number;
  }
  // Shown values keep the fallback: parameter 22 as 0 unasked, an absent module's value as 0.
  uint32_t value = 1;
  ASSERT_TRUE(module_->ReadTempParam(5, 22, 0, value));
  EXPECT_EQ(value, 0u);
  value = 1;
  ASSERT_TRUE(module_->ReadTempParam(9, 17, 0, value));
  EXPECT_EQ(value, 0u);

  // The device that files, uploads and the sheet's write-back read through asks for real.
  ModuleParameterDevice five(*module_, 5);
  ASSERT_TRUE(five.ReadTempParam(36, 0, value));
  EXPECT_EQ(value, 960u);
  parameters::SystemParameterBlock block;
  ASSERT_TRUE(five.ReadAllTempParam(block));
  EXPECT_EQ(std::count(block.words.begin(), block.words.end(), 960), 2);
  ModuleParameterDevice absent(*module_, 9);
  EXPECT_FALSE(absent.ReadTempParam(17, 0, value));
  EXPECT_FALSE(absent.ReadAllTempParam(block));

  // A network upload over 5 and the absent 9: 5's file holds 960 and its own enabling bit (not
  // the one its suspension set), 9 is a failure and leaves no file.
  module_->SetHardwareEnablingConfirmation([](uint16_t) { return true; });
  const uint16_t sysConfig = OnBus(5).TempParameter(1);
  const auto dir = std::filesystem::path(simulator_->LinkPath() + "-files");
  std::filesystem::create_directories(dir);
  const std::string chosen = (dir / "net.udf").string();
  parameters::NetworkUpload upload(
      comm_->Definitions(),
      [this](uint16_t id) { return std::make_unique<ModuleParameterDevice>(*module_, id); }, {5, 9},
      chosen, "KM", "-");
  while (upload.Step()) {
  }
  EXPECT_EQ(upload.Report(),
            "System Parameters from ZEL Modules \n\n     Module 005: Upload successful\n     "
            "Module 9: Upload failed\n");
  ASSERT_EQ(upload.Files().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(parameters::CParameterFile::ModuleFileName(chosen, 9)));
  parameters::CParameterFile file;
  std::string error;
  ASSERT_EQ(file.Read(upload.Files()[0], error), parameters::CParameterFile::ReadResult::kOk)
      << error;
  EXPECT_EQ(file.entries.at(22).value, "0x03C0");
  EXPECT_EQ(file.entries.at(36).value, "0x03C0");
  EXPECT_EQ(file.entries.at(1).value, parameters::NumberText::FormatHex16(sysConfig));
  EXPECT_EQ(OnBus(5).TempParameter(1), sysConfig);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zel::can
