#include <gtest/gtest.h>

#include <memory>

#include "app/CMainFrame.h"
#include "firmware/CBrowseFirmwareDlg.h"
#include "firmware/CSelectFirmwareDlg.h"
#include "firmware/CSetupFirmwareFilesDlg.h"
#include "link/PosixSerialChannel.h"
#include "ui/FirmwareSamplePackage.h"
#include "ui/SimulatedZel.h"

namespace zel::app {
namespace {

using firmware::CSelectFirmwareDlg;
using ui::Window;

// Picks a version in the "Select Firmware " dialog and confirms it.
void PickVersion(Window& w, const std::string& directory) {
  const auto& items = w.Find(CSelectFirmwareDlg::kIdVersions)->items;
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i] == directory) w.UserSelect(CSelectFirmwareDlg::kIdVersions, static_cast<int>(i));
  w.Press(ui::kIdOk);
}

// A main window on the simulated ZEL with the firmware check of the desktop program, and a copy
// of the sample package.
struct Desk {
  explicit Desk(sim::DeviceConfig config = {}) : zel(config, false) {
    frame =
        std::make_unique<CMainFrame>(link::PosixSerialChannel::OpenerForPath(zel.Sim().LinkPath()));
    frame->SetFirmwareCheckOnRefresh(true);
    frame->SetCloseHandler([this] { ++closed; });
  }
  ui::ScriptedHost& Host() { return zel.Host(); }
  // Lets the "Application Adjustment" window run until the worker reports.
  void ExpectAdjustment() {
    Host().QueueModal([](Window& w) { ui::ScriptedHost::PumpUntil([&] { return w.IsEnded(); }); });
  }

  test::SimulatedZel zel;
  test::SamplePackage sample;
  std::unique_ptr<CMainFrame> frame;
  int closed = 0;
};

TEST(MainFrameFirmware, RegisteredSampleAdjustsToTheZelOnceAndFillsDefinitionsAndErrorMaps) {
  Desk desk;
  CMainFrame& frame = *desk.frame;
  EXPECT_EQ(frame.RegisterPackage(desk.sample.Path()), 2) << "both versions";
  EXPECT_EQ(frame.RegisterPackage(desk.sample.Path()), 0) << "already registered";
  frame.Communication().Definitions().Clear();
  EXPECT_FALSE(frame.ErrorMaps().Lookup("StandardErrorMap", 0));

  desk.ExpectAdjustment();
  frame.Refresh();
  EXPECT_EQ(desk.Host().ModalTitles(), std::vector<std::string>{"Application Adjustment"});
  EXPECT_EQ(desk.closed, 0);
  EXPECT_TRUE(desk.Host().Messages().empty()) << desk.Host().LastMessage();
  const firmware::FirmwareInfo current = frame.Firmware().Current();
  EXPECT_EQ(current.packageDirectory, "ZEL_1040");
  EXPECT_EQ(current.softwareVersion, frame.Identity().softwareVersion);
  EXPECT_EQ(frame.Communication().Definitions().Name(1), "SysConfig");
  EXPECT_GT(frame.Communication().Definitions().StatusCount(), 0);
  auto overcurrent = frame.ErrorMaps().Lookup("StandardErrorMap", 0);
  ASSERT_TRUE(overcurrent);
  EXPECT_EQ(overcurrent->name, "Overcurrent");
  EXPECT_TRUE(frame.ErrorMaps().Lookup("CanErrorMap", 0));

  // The same ZEL again: no second adjustment.
  frame.Refresh();
  frame.OnCommand(CMainFrame::kCmdResetTempParam);
  EXPECT_EQ(desk.Host().ModalTitles().size(), 1u);
  EXPECT_EQ(desk.Host().UnfinishedWindows(), 0);
}

TEST(MainFrameFirmware, WithoutAMatchingPackageTheBrowseIsOfferedThenTheWindowCloses) {
  sim::DeviceConfig other;
  other.identity.softwareVersion = 0x1050;  // no version of the sample
  Desk desk(other);
  desk.frame->RegisterPackage(desk.sample.Path());
  desk.Host().QueueModal([&](Window& w) {
    EXPECT_EQ(w.Title(), "Browse Firmware File");
    w.Press(ui::kIdCancel);
  });
  desk.frame->Refresh();
  EXPECT_EQ(desk.Host().Messages(),
            std::vector<std::string>{firmware::FirmwareRegistry::kNoFirmwareText});
  EXPECT_EQ(desk.closed, 1);
  EXPECT_EQ(desk.frame->Firmware().Current().softwareVersion, 0)
      << "the user interface is not adjusted to a version it has no package for";
  EXPECT_EQ(desk.frame->Firmware().Records().size(), 2u);

  // The window is closing: what the start-up still had queued neither asks nor commands.
  EXPECT_TRUE(desk.frame->Closing());
  desk.frame->Refresh();
  EXPECT_EQ(desk.Host().ModalTitles().size(), 1u) << "no second browse";
  EXPECT_EQ(desk.Host().Messages().size(), 1u);
  EXPECT_EQ(desk.Host().UnfinishedWindows(), 0);
  EXPECT_EQ(desk.closed, 1);
}

TEST(MainFrameFirmware, BrowsingToTheSamplePackageRegistersAndAdjusts) {
  Desk desk;
  desk.Host().QueueModal([&](Window& w) {
    desk.Host().QueueFile(desk.sample.Path());
    desk.Host().QueueModal([](Window& choice) { PickVersion(choice, "ZEL_1040"); });
    w.Press(firmware::CBrowseFirmwareDlg::kIdBrowse);
    desk.ExpectAdjustment();
    w.Press(ui::kIdOk);
  });
  desk.frame->Refresh();
  EXPECT_EQ(desk.closed, 0);
  EXPECT_EQ(desk.Host().ModalTitles(),
            (std::vector<std::string>{"Browse Firmware File", "Select Firmware ",
                                      "Application Adjustment"}));
  const auto records = desk.frame->Firmware().Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].packageDirectory, "ZEL_1040");
  EXPECT_EQ(desk.frame->Firmware().Current().packagePath, desk.sample.Path());
}

TEST(MainFrameFirmware, FileAndHelpEntriesShowThePickedOrTheCurrentPackage) {
  Desk desk;
  CMainFrame& frame = *desk.frame;
  for (int id : {CMainFrame::kCmdFirmwareRegistration, CMainFrame::kCmdFileFirmwareSummary,
                 CMainFrame::kCmdFileFirmwareDefaults, CMainFrame::kCmdFileFirmwareReadMe,
                 CMainFrame::kCmdHelpFirmwareSummary, CMainFrame::kCmdHelpFirmwareDefaults,
                 CMainFrame::kCmdHelpFirmwareReadMe})
    EXPECT_TRUE(frame.IsCommandEnabled(id)) << id;

  // Nothing adjusted yet: the Help entries have no package.
  frame.OnCommand(CMainFrame::kCmdHelpFirmwareReadMe);
  EXPECT_EQ(desk.Host().Messages(), std::vector<std::string>{"Unable to open file!"});

  // File entries: a package of the user's choice, its version picked in "Select Firmware ".
  desk.Host().Clear();
  desk.Host().QueueFile(desk.sample.Path());
  desk.Host().QueueModal([](Window& w) { PickVersion(w, "ZEL_1030"); });
  frame.OnCommand(CMainFrame::kCmdFileFirmwareSummary);
  desk.Host().QueueFile(desk.sample.Path());
  desk.Host().QueueModal([](Window& w) { w.Press(ui::kIdCancel); });
  frame.OnCommand(CMainFrame::kCmdFileFirmwareReadMe);  // version choice cancelled: nothing
  desk.Host().QueueFile((desk.sample.Dir() / "missing.bin").string());
  frame.OnCommand(CMainFrame::kCmdFileFirmwareDefaults);
  auto shown = desk.Host().ShownTexts();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].first, "Content of Header");
  EXPECT_NE(shown[0].second.find("SoftwareVersion=0x1030"), std::string::npos);
  EXPECT_EQ(desk.Host().Messages(), std::vector<std::string>{"Unable to open file!"});
  EXPECT_EQ(desk.Host().FileRequests()[0].filter, "ZEL Firmware Files (*.bin)|*.bin||");

  // Help entries: the package the user interface is adjusted to.
  frame.RegisterPackage(desk.sample.Path());
  desk.ExpectAdjustment();
  frame.Refresh();
  desk.Host().Clear();
  frame.OnCommand(CMainFrame::kCmdHelpFirmwareSummary);
  frame.OnCommand(CMainFrame::kCmdHelpFirmwareDefaults);
  frame.OnCommand(CMainFrame::kCmdHelpFirmwareReadMe);
  shown = desk.Host().ShownTexts();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_NE(shown[0].second.find("SoftwareVersion=0x1040"), std::string::npos);
  EXPECT_EQ(shown[1].first, "Content of SystemParameter");
  EXPECT_EQ(shown[2].first, "Content of ReadMe.txt");
  EXPECT_TRUE(desk.Host().Messages().empty());
  EXPECT_TRUE(desk.Host().ModalTitles().empty()) << "one version: no choice";
}

TEST(MainFrameFirmware, RegistrationThatLeavesNoMatchingPackageClosesTheWindow) {
  Desk desk;
  CMainFrame& frame = *desk.frame;
  frame.RegisterPackage(desk.sample.Path());
  desk.ExpectAdjustment();
  frame.Refresh();
  desk.Host().Clear();

  desk.Host().QueueModal([](Window& w) {
    w.Press(firmware::CSetupFirmwareFilesDlg::kIdDeleteAll);
    w.Press(ui::kIdOk);
  });
  // The forced adjustment finds nothing and asks for a file; the user cancels.
  desk.Host().QueueModal([](Window& w) { w.Press(ui::kIdCancel); });
  frame.OnCommand(CMainFrame::kCmdFirmwareRegistration);
  EXPECT_EQ(desk.Host().ModalTitles(),
            (std::vector<std::string>{"Setup Firmware Files", "Browse Firmware File"}));
  EXPECT_EQ(desk.Host().Messages(),
            std::vector<std::string>{firmware::FirmwareRegistry::kNoFirmwareText});
  EXPECT_EQ(desk.closed, 1);
  EXPECT_TRUE(frame.Firmware().Records().empty());
}

}  // namespace
}  // namespace zel::app
