#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <filesystem>

#include "app/CMainFrame.h"
#include "app/ParameterMenuCommands.h"
#include "app/WizardCommands.h"
#include "firmware/CDownloadWizardSheet.h"
#include "firmware/DownloadController.h"
#include "firmware/FirmwareRegistry.h"
#include "link/SerialParameterDevice.h"
#include "parameters/CParameterFile.h"
#include "parameters/CUploadWizardSheet.h"
#include "parameters/CZelParameterDlg.h"
#include "parameters/ParameterTransfer.h"
#include "ui/MainFrameDesk.h"

namespace zel::app {
namespace {

using parameters::CZelParameterDlg;
using parameters::CZelParameterPage;
using test::MainFrameDesk;

sim::CanModuleConfig Module(uint16_t id) {
  sim::CanModuleConfig module;
  module.moduleId = id;
  module.bitRateIndex = 2;
  return module;
}

// Every source "by software" and the regulation mode from the list; with service mode, entered
// on the sheet, every field of the table is open.
constexpr uint16_t kAllOpen = 0x0F80 | 0x8000;

// New values for every field of the sheet the definitions let the user change, each inside its
// limits.
struct FieldValue {
  int page;
  int16_t number;
  const char* text;
  uint16_t word;
};
constexpr FieldValue kEdits[] = {
    {2, 5, "3000", 3000},      {2, 6, "1000", 1000},      {2, 2, "2000", 2000},
    {2, 3, "900", 900},        {2, 14, "14000", 14000},   {2, 15, "4000", 4000},
    {2, 4, "0x7000", 0x7000},  {2, 16, "20000", 20000},   {3, 26, "7000", 7000},
    {3, 24, "-12", 0xFFF4},    {3, 29, "0x8010", 0x8010}, {3, 27, "0x7E00", 0x7E00},
    {3, 28, "0x7E01", 0x7E01}, {3, 11, "20000", 20000},   {3, 12, "-5", 0xFFFB},
    {4, 10, "0x7000", 0x7000}, {4, 17, "12000", 12000},   {4, 18, "5000", 5000},
    {4, 19, "12", 12},         {4, 20, "1024", 1024},     {4, 21, "2", 2},
    {4, 22, "900", 900},       {4, 23, "2000", 2000},     {5, 32, "0x0202", 0x0202},
    {5, 36, "0x0001", 1},
};

void EditEveryField(ui::ScriptedHost& host, CZelParameterDlg& sheet, int& blockWrites) {
  sheet.UserSelect(ui::kIdPageTabs, 1);
  host.QueueModal([](ui::Window& password) {
    password.UserSetText(1020, "ZELS");
    password.Press(ui::kIdOk);
  });
  sheet.ParameterPage(1).UserSetValue(parameters::CZelPar_CommunicationDlg::kIdServiceMode, 1);
  ASSERT_EQ(sheet.ParameterPage(1).Value(parameters::CZelPar_CommunicationDlg::kIdServiceMode), 1);
  for (const FieldValue& edit : kEdits) {
    sheet.UserSelect(ui::kIdPageTabs, edit.page);
    ASSERT_EQ(sheet.ActiveIndex(), edit.page) << edit.number;
    ASSERT_TRUE(sheet.ParameterPage(edit.page).UserSetText(CZelParameterPage::EditId(edit.number),
                                                           edit.text))
        << "parameter " << edit.number << " is not editable";
  }
  // What the definitions make read-only stays closed, service mode or not.
  for (int16_t number : {25, 30, 31, 33, 34, 35, 37, 38, 39, 40}) {
    const int page = number == 25 ? 3 : 5;
    sheet.UserSelect(ui::kIdPageTabs, page);
    EXPECT_FALSE(sheet.ParameterPage(page).IsEnabled(CZelParameterPage::EditId(number))) << number;
  }
  // Baud rate stays: the link would be lost with the next block.
  sheet.UserSelect(ui::kIdPageTabs, 0);
  ++blockWrites;
  sheet.Press(ui::kIdOk);
  EXPECT_TRUE(sheet.IsEnded());
}

TEST(ParameterSheetMainFrame, EveryFieldIsWrittenInOneBlockAndReadsBackFromTheZel) {
  MainFrameDesk desk({}, {Module(5)});
  ASSERT_TRUE(desk.frame->ReadIdentity());
  desk.frame->SetMonitorRunningSource([] { return true; });
  auto& zel = desk.zel.Sim().Device();
  const uint16_t open[] = {1, 0, kAllOpen};
  zel.Execute(21, open);

  int sheets = 0;
  desk.Host().QueueModal([&](ui::Window& window) {
    auto& sheet = dynamic_cast<CZelParameterDlg&>(window);
    EXPECT_EQ(sheet.Title(), "EditAllTempParam");
    EditEveryField(desk.Host(), sheet, sheets);
  });
  desk.frame->OnCommand(32774);
  ASSERT_EQ(sheets, 1);
  for (const FieldValue& edit : kEdits)
    EXPECT_EQ(zel.TempParameter(edit.number), edit.word) << "parameter " << edit.number;
  EXPECT_EQ(zel.TempParameter(13), 0);  // never editable

  // The same on module 5, through the gateway.
  auto& five = *desk.zel.Sim().Bus().Find(5);
  five.Execute(21, open);
  desk.Host().QueueModal([](ui::Window& w) {
    w.UserSetText(1200, "5");
    w.Press(ui::kIdOk);
  });
  desk.Host().QueueModal([&](ui::Window& window) {
    auto& sheet = dynamic_cast<CZelParameterDlg&>(window);
    EXPECT_EQ(sheet.Title(), "EditAllTempParam of CAN Module 5");
    EditEveryField(desk.Host(), sheet, sheets);
  });
  desk.frame->OnCommand(32886);
  ASSERT_EQ(sheets, 2);
  for (const FieldValue& edit : kEdits) {
    // The gateway leaves parameters 22 and 36 of a module alone.
    if (edit.number == 22 || edit.number == 36) continue;
    EXPECT_EQ(five.TempParameter(edit.number), edit.word) << "module parameter " << edit.number;
  }
  EXPECT_EQ(five.TempParameter(1) & 0x0042, 0);
  for (const auto& message : desk.Host().Messages())
    EXPECT_NE(message, "Failed writing system parameter!");
}

// The sheet as one way of opening it shows it: its caption, "Service Mode" asking for the
// password (cancelled here), and "Set &Default" on every page as that way wants it.
void CheckSheet(ui::ScriptedHost& host, ui::Window& window, const std::string& caption,
                bool defaults) {
  auto& sheet = dynamic_cast<CZelParameterDlg&>(window);
  EXPECT_EQ(sheet.Title(), caption);
  sheet.UserSelect(ui::kIdPageTabs, 1);
  std::string asked;
  host.QueueModal([&](ui::Window& password) {
    asked = password.Title();
    password.Press(ui::kIdCancel);
  });
  EXPECT_TRUE(
      sheet.ParameterPage(1).UserSetValue(parameters::CZelPar_CommunicationDlg::kIdServiceMode, 1));
  EXPECT_EQ(asked, "Service") << caption << ": \"Service Mode\" asks for the password";
  for (int page = 0; page < 6; ++page) {
    sheet.UserSelect(ui::kIdPageTabs, page);
    EXPECT_EQ(sheet.ParameterPage(page).IsEnabled(CZelParameterPage::kIdSetDefault), defaults)
        << caption << ", page " << page;
  }
  sheet.Press(ui::kIdCancel);
}

TEST(ParameterSheetMainFrame, EveryWayOfOpeningTheSheetHasServiceModeAndItsSetDefault) {
  test::SimulatedZel zel({}, true, {Module(5)});
  link::ZelCommunication& comm = zel.Comm();
  ui::ScriptedHost& host = zel.Host();
  const uint16_t open[] = {1, 0, kAllOpen};
  zel.Sim().Device().Execute(21, open);
  zel.Sim().Bus().Find(5)->Execute(21, open);
  int checked = 0;
  auto check = [&](const std::string& caption, bool defaults) {
    host.QueueModal([&host, &checked, caption, defaults](ui::Window& w) {
      CheckSheet(host, w, caption, defaults);
      ++checked;
    });
  };

  // The menu, for the ZEL and for module 5.
  ParameterMenuCommands menu(comm);
  check("EditAllTempParam", true);
  menu.Run(32774);
  host.QueueModal([](ui::Window& w) {
    w.UserSetText(1200, "5");
    w.Press(ui::kIdOk);
  });
  check("EditAllTempParam of CAN Module 5", true);
  menu.Run(32886);

  // "&Edit Parameter File" of the up/download wizard, on a file of this ZEL.
  firmware::DownloadController controller(comm.Boot());
  firmware::FirmwareRegistry registry;
  app::WizardCommands wizards(comm, controller, registry);
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("zel-sheet-" + std::to_string(::getpid()) + ".udf");
  link::SerialParameterDevice serial(comm.Parameter(), comm.Status());
  parameters::CParameterFile written;
  ASSERT_TRUE(parameters::ParameterTransfer(comm.Definitions(), serial)
                  .Upload(file.string(), "-", "-", written)
                  .ok);
  host.QueueModal([&](ui::Window& w) {
    auto& wizard = dynamic_cast<parameters::CUploadWizardSheet&>(w);
    host.QueueFile(file.string());
    check("EditAllTempParam from " + file.filename().string(), true);
    wizard.Rs232Page().Press(parameters::CUploadWizardPage::kIdEdit);
    wizard.Press(ui::kIdCancel);
  });
  wizards.RunUpDownloadWizard();
  std::filesystem::remove(file);

  // "&Edit Actual Parameter" after a download: the new defaults are the page's own button.
  host.QueueModal([&](ui::Window& w) {
    auto& wizard = dynamic_cast<firmware::CDownloadWizardSheet&>(w);
    ASSERT_TRUE(wizard.SetActivePage(firmware::CDownloadWizardSheet::kSystemParameter));
    check("Edit actual Parameter", false);
    wizard.Page(firmware::CDownloadWizardSheet::kSystemParameter)
        .Press(firmware::CDownloadWizardPageSystemParameter::kIdEdit);
    wizard.Press(ui::kIdCancel);
  });
  wizards.RunDownloadWizard();
  EXPECT_EQ(host.UnfinishedWindows(), 0);
  EXPECT_EQ(checked, 4) << "every way opened the sheet";
}

TEST(ParameterSheetMainFrame, OfflineSheetSendsNothing) {
  MainFrameDesk desk;
  desk.frame->SetMonitorRunningSource([] { return false; });
  desk.frame->OnCommand(32774);
  desk.frame->OnCommand(32775);
  EXPECT_EQ(desk.Host().Messages(),
            (std::vector<std::string>(2, "The ZEL is not online!\nSwitch on the monitor!")));
  EXPECT_TRUE(desk.Host().ModalTitles().empty());
}

}  // namespace
}  // namespace zel::app
