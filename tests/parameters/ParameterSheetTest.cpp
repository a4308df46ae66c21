#include <gtest/gtest.h>

#include "parameters/CParameterTable.h"
#include "parameters/CZelParameterDlg.h"
#include "support/FakeParameterDevice.h"
#include "ui/ScriptedHost.h"

namespace zel::parameters {
namespace {

using Page = CZelParameterPage;
using SysPage = CZelPar_SystemConfigurationDlg;
constexpr int kSystemConfiguration = 0, kCommunication = 1, kRegulation = 2, kSystem = 3,
              kMiscellaneous = 4, kCan = 5;

// The sheet as "Edit All Temp Systemparameter" shows it, over a device whose parameters are
// the built-in defaults with the SysConfig word given.
class ParameterSheetTest : public ::testing::Test {
 protected:
  void Start(std::uint16_t sysConfig, std::uint16_t module = 0) {
    device_ = std::make_unique<test::FakeParameterDevice>(module);
    SystemParameterBlock defaults;
    table_.DefaultsBlock(defaults);
    for (int i = 0; i < 42; ++i) device_->values[i] = defaults.words[static_cast<size_t>(i)];
    device_->values[1] = sysConfig;
    device_->values[30] = 5;
    device_->identity.softwareVersion = 0x1040;
  }
  // Runs the command with script playing the user on the sheet.
  ui::CommandOutcome Edit(std::function<void(CZelParameterDlg&)> script) {
    host_.QueueModal(
        [script](ui::Window& window) { script(dynamic_cast<CZelParameterDlg&>(window)); });
    const ParameterSheetSetup setup(
        "EditAllTempParam", [this] { return password_; }, ParameterSheetSetup::Defaults::kAllowed);
    return CZelParameterDlg::EditAllTempParam(table_, *device_, setup);
  }
  static void Show(CZelParameterDlg& sheet, int page) { sheet.UserSelect(ui::kIdPageTabs, page); }
  static bool Enabled(CZelParameterDlg& sheet, int page, int id) {
    return sheet.ParameterPage(page).IsEnabled(id);
  }

  ui::ScriptedHost host_;
  CParameterTable table_;
  std::unique_ptr<test::FakeParameterDevice> device_;
  bool password_ = false;
};

TEST_F(ParameterSheetTest, SysConfigChoicesEnableFieldsOnOtherPagesWithoutAskingTheZel) {
  Start(0x8000);  // gain by potentiometer, speed regulator from the list, no service mode
  int readsBefore = 0;
  Edit([&](CZelParameterDlg& sheet) {
    Show(sheet, kRegulation);
    EXPECT_FALSE(Enabled(sheet, kRegulation, Page::EditId(5)));
    EXPECT_FALSE(Enabled(sheet, kRegulation, Page::EditId(6)));
    EXPECT_TRUE(Enabled(sheet, kRegulation, Page::EditId(2)));
    // A service parameter waits for "Service Mode".
    EXPECT_FALSE(Enabled(sheet, kRegulation, Page::EditId(4)));
    Show(sheet, kSystemConfiguration);
    readsBefore = device_->suspends;
    auto& config = sheet.ParameterPage(kSystemConfiguration);
    ASSERT_TRUE(config.UserSetValue(SysPage::kIdGainPotentiometer + 1, 1));
    Show(sheet, kRegulation);
    EXPECT_TRUE(Enabled(sheet, kRegulation, Page::EditId(5)));
    EXPECT_TRUE(Enabled(sheet, kRegulation, Page::EditId(6)));
    // The current regulator has no use for the speed gains.
    Show(sheet, kSystemConfiguration);
    ASSERT_TRUE(config.UserSelect(SysPage::kIdRegulationMode, 0));
    Show(sheet, kRegulation);
    EXPECT_FALSE(Enabled(sheet, kRegulation, Page::EditId(5)));

    // A refused password leaves the box clear; an accepted one opens the service fields.
    Show(sheet, kCommunication);
    auto& communication = sheet.ParameterPage(kCommunication);
    communication.UserSetValue(CZelPar_CommunicationDlg::kIdServiceMode, 1);
    EXPECT_EQ(communication.Value(CZelPar_CommunicationDlg::kIdServiceMode), 0);
    password_ = true;
    communication.UserSetValue(CZelPar_CommunicationDlg::kIdServiceMode, 1);
    EXPECT_EQ(communication.Value(CZelPar_CommunicationDlg::kIdServiceMode), 1);
    Show(sheet, kRegulation);
    EXPECT_TRUE(Enabled(sheet, kRegulation, Page::EditId(4)));
    sheet.Press(ui::kIdCancel);
  });
  EXPECT_EQ(device_->blockWrites, 0);
  EXPECT_EQ(device_->suspends, 1);
  EXPECT_EQ(device_->resumes, 1);
  EXPECT_EQ(device_->resumedSoftwareEnabling, std::nullopt);
}

TEST_F(ParameterSheetTest, OneBlockIsWrittenWithSoftwareEnablingAndBadValuesKeepThePage) {
  Start(0x0900);  // gain and max. speed by software, enable by input
  const auto outcome = Edit([&](CZelParameterDlg& sheet) {
    Show(sheet, kMiscellaneous);
    auto& misc = sheet.ParameterPage(kMiscellaneous);
    ASSERT_TRUE(misc.UserSetText(Page::EditId(17), "25001"));
    EXPECT_FALSE(sheet.SetActivePage(kRegulation));
    EXPECT_EQ(sheet.ActiveIndex(), kMiscellaneous);
    EXPECT_EQ(misc.FocusId(), Page::EditId(17));
    EXPECT_EQ(host_.LastMessage(),
              "The parameter 'MaxSpeed' is larger than 25000 !\nPlease enter a smaller value!");
    misc.UserSetText(Page::EditId(17), "12000");
    Show(sheet, kRegulation);
    sheet.ParameterPage(kRegulation).UserSetText(Page::EditId(5), "0x10");  // dec field
    EXPECT_FALSE(sheet.Apply());
    EXPECT_EQ(host_.LastMessage(), "Value is not a decimal number!");
    sheet.ParameterPage(kRegulation).UserSetText(Page::EditId(5), "3000");
    // A failed write keeps the sheet open with its values.
    device_->failBlockWrites = true;
    sheet.Press(ui::kIdOk);
    EXPECT_FALSE(sheet.IsEnded());
    EXPECT_EQ(host_.LastMessage(), "Failed writing system parameter!");
    device_->failBlockWrites = false;
    sheet.Press(ui::kIdOk);
    EXPECT_TRUE(sheet.IsEnded());
  });
  EXPECT_EQ(outcome, ui::CommandOutcome::kDone);
  EXPECT_EQ(device_->blockWrites, 1);
  EXPECT_EQ(device_->lastBlock.words[17], 12000);
  EXPECT_EQ(device_->lastBlock.words[5], 3000);
  EXPECT_EQ(device_->lastBlock.words[1], 0x0900 | 0x1000);
  // The Enable source shown on the page (by input) is the one the guard goes back to.
  EXPECT_EQ(device_->resumedSoftwareEnabling, std::optional<bool>(false));
}

TEST_F(ParameterSheetTest, SetDefaultRefillsEveryPageButKeepsTheModuleIdentity) {
  Start(0x0F00);
  device_->values[26] = 1234;    // System page
  device_->values[32] = 0x0300;  // CAN page
  device_->values[31] = 0x0050;  // service ID, kept
  Edit([&](CZelParameterDlg& sheet) {
    Show(sheet, kRegulation);
    sheet.ParameterPage(kRegulation).UserSetText(Page::EditId(5), "1");
    sheet.ParameterPage(kRegulation).Press(Page::kIdSetDefault);
    EXPECT_EQ(sheet.ParameterPage(kRegulation).Text(Page::EditId(5)), "3379");
    EXPECT_EQ(sheet.ParameterPage(kSystem).Text(Page::EditId(26)), "7373");
    EXPECT_EQ(sheet.ParameterPage(kCan).Text(Page::EditId(32)), "0x0201");
    EXPECT_EQ(sheet.ParameterPage(kCan).Text(Page::EditId(31)), "0x0050");
    EXPECT_EQ(sheet.ParameterPage(kCan).Text(Page::EditId(30)), "0x0005");
    EXPECT_EQ(device_->blockWrites, 0);  // only applying writes
    sheet.Press(ui::kIdOk);
  });
  EXPECT_EQ(device_->blockWrites, 1);
  EXPECT_EQ(device_->lastBlock.words[26], 7373);
  EXPECT_EQ(device_->lastBlock.words[31], 0x0050);
  EXPECT_NE(device_->lastBlock.words[1] & 0x1000, 0);
}

TEST_F(ParameterSheetTest, ModuleSheetNamesTheModuleAndClearsBitsOneAndSix) {
  Start(0x0942, 5);  // bits 1 and 6 set
  Edit([&](CZelParameterDlg& sheet) {
    EXPECT_EQ(sheet.Title(), "EditAllTempParam of CAN Module 5");
    // The profile switch stays checked-off as the module reported it (bit 1 set).
    EXPECT_EQ(
        sheet.ParameterPage(kMiscellaneous).Value(CZelPar_MiscellaneousDlg::kIdAccelerationProfile),
        0);
    Show(sheet, kMiscellaneous);
    EXPECT_FALSE(Enabled(sheet, kMiscellaneous, Page::EditId(18)));
    sheet.ParameterPage(kMiscellaneous)
        .UserSetValue(CZelPar_MiscellaneousDlg::kIdAccelerationProfile, 1);
    EXPECT_TRUE(Enabled(sheet, kMiscellaneous, Page::EditId(18)));
    sheet.Press(ui::kIdOk);
  });
  EXPECT_EQ(device_->lastBlock.words[1], (0x0942 | 0x1000) & ~0x0042);
}

}  // namespace
}  // namespace zel::parameters
