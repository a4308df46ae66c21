#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "app/CStartupWizardSheet.h"
#include "app/SettingsFile.h"
#include "can/CanModule.h"
#include "firmware/CDownloadWizardPages.h"
#include "firmware/CDownloadWizardSheet.h"
#include "firmware/FirmwarePackage.h"
#include "parameters/CParameterFile.h"
#include "parameters/CUploadWizardDownloadNetDlg.h"
#include "parameters/CUploadWizardSheet.h"
#include "recorder/CDisplayDataDlg.h"
#include "recorder/CSetupRecorderDlg.h"
#include "ui/FirmwareSamplePackage.h"
#include "ui/MainFrameDesk.h"

namespace zel::app {
namespace {

namespace fs = std::filesystem;
using ui::ScriptedHost;
using ui::Window;

// Modules 5 and 6 at the gateway's bit rate.
std::vector<sim::CanModuleConfig> TwoModules() {
  sim::CanModuleConfig first;
  first.moduleId = 5;
  sim::CanModuleConfig second;
  second.moduleId = 6;
  return {first, second};
}

// A technician's first day with a new ZEL and two modules on its CAN bus, all through the main
// window as the desktop runs it: the start-up wizard, the monitor online, a speed step recorded
// and saved, and the next morning the tool comes back with what was chosen the day before.
TEST(FirstDay, StartupWizardMonitorRecordingAndTheSettingsComeBackAtTheNextStart) {
  const fs::path folder =
      fs::temp_directory_path() / ("zel-first-day-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  test::SamplePackage package;
  const std::string rda = (folder / "speed-step.rda").string();
  {
    test::MainFrameDesk desk({}, TwoModules());
    CMainFrame& frame = *desk.frame;
    frame.SetSettingsDirectory(folder);
    frame.SetFirmwareCheckOnRefresh(true);  // as the desktop runs it
    frame.LoadSettings();                   // nothing there yet: the defaults, silently
    EXPECT_TRUE(desk.Host().Messages().empty());
    ASSERT_GT(frame.RegisterPackage(package.Path()), 0);

    // The start-up wizard opens at start: the cabling confirmed, every page taken with what
    // it proposes, Finish, and the ZEL enabled again.
    desk.Host().QueueModal([&](Window& window) {
      auto& sheet = static_cast<CStartupWizardSheet&>(window);
      for (int page : {CStartupWizardSheet::kHardware, CStartupWizardSheet::kCable}) {
        ASSERT_EQ(sheet.ActiveIndex(), page);
        ASSERT_TRUE(sheet.Page(page).Press(CStartupWizardConfirmPage::kIdConfirm));
        ASSERT_TRUE(sheet.Press(ui::kIdNext));
      }
      for (int step = 0; step < 12 && sheet.ActiveIndex() != CStartupWizardSheet::kSummary; ++step)
        ASSERT_TRUE(sheet.Press(ui::kIdNext));
      ASSERT_EQ(sheet.ActiveIndex(), CStartupWizardSheet::kSummary);
      desk.Host().QueueYesNo(true);
      ASSERT_TRUE(sheet.Press(ui::kIdFinish));
    });
    frame.RunWizardsAtStart();
    EXPECT_EQ(desk.Host().ModalTitles(),
              (std::vector<std::string>{"Startup Wizard", "ATTENTION!"}));
    EXPECT_EQ(desk.Host().Messages(), std::vector<std::string>{"The ZEL will be disabled!"});
    EXPECT_EQ(desk.Host().UnfinishedWindows(), 0) << "the wizard ended by Finish";
    // The refresh after the wizard meets a ZEL the tool is not adjusted to yet: the adjustment
    // to the registered package runs.
    desk.Host().Clear();
    desk.Host().QueueModal([](Window& w) { ScriptedHost::PumpUntil([&] { return w.IsEnded(); }); });
    ScriptedHost::PumpUntil([] { return false; }, std::chrono::milliseconds(1));
    frame.Refresh();
    EXPECT_EQ(desk.Host().ModalTitles(), std::vector<std::string>{"Application Adjustment"});
    EXPECT_NE(frame.Firmware().Current().softwareVersion, 0);
    EXPECT_EQ(frame.Identity().softwareVersion, 0x1040);

    // Monitor online: the status view and the speed view follow the ZEL.
    frame.OnCommand(CMainFrame::kCmdStartMonitor);
    ASSERT_TRUE(frame.MonitorRunning());
    ASSERT_TRUE(ScriptedHost::PumpUntil([&] {
      return frame.StatusView().IsOnline() && frame.SpeedView().ShowsOnline() &&
             frame.SpeedView().NewDataCount() > 0;
    }));

    // A speed step recorded (SpeedDetValue every 0.5 ms), a jump to 2000 rpm, saved.
    desk.Host().QueueModal([](Window& window) {
      window.UserSetText(recorder::CSetupRecorderDlg::kIdPeriod, "0.5");
      window.UserSetValue(recorder::CSetupRecorderDlg::kIdSelectVariable, 1);
      window.UserSelect(recorder::CSetupRecorderDlg::kIdVariable, 6);
      window.Press(ui::kIdOk);
    });
    frame.OnCommand(CMainFrame::kCmdRecordData);
    recorder::CDisplayDataDlg* display = frame.Recorder().Window();
    ASSERT_NE(display, nullptr);
    link::ZelCommunication& comm = frame.Communication();
    std::uint16_t config = 0;
    ASSERT_TRUE(comm.Parameter().ReadTempParam(1, config));
    config = static_cast<std::uint16_t>((config | 0x9000) & ~0x0025u);
    ASSERT_TRUE(comm.Parameter().SetTempParam(1, 0, config));
    ASSERT_TRUE(comm.Status().Enable(true));
    desk.Host().Clear();
    display->UserSetText(recorder::CDisplayDataDlg::kIdJumpValue, "2000");
    display->Press(recorder::CDisplayDataDlg::kIdJump);
    EXPECT_TRUE(desk.Host().Messages().empty());
    const auto& samples = display->Graph().Data().channels.at(0).samples;
    ASSERT_FALSE(samples.empty());
    EXPECT_GT(samples.back().value.number, 1500) << "the motor followed the step";
    desk.Host().QueueFile(rda, 1);
    display->Press(recorder::CDisplayDataDlg::kIdSave);
    EXPECT_TRUE(fs::exists(rda));
    frame.OnCommand(CMainFrame::kCmdRecordData);  // closes the display

    // Module 5's parameter 18 edited, then the whole network's parameters saved to files by the
    // up/download wizard; the modules are changed again behind the files' backs, and the files
    // downloaded take them back.
    using parameters::CUploadWizard_CAN;
    using NetDlg = parameters::CUploadWizardDownloadNetDlg;
    const std::string udf = (folder / "network.udf").string();
    can::CanModule modules(comm.Can(), comm.Parameter());
    ASSERT_TRUE(modules.WriteTempParam(5, 18, 0, 1234u));
    auto runToEnd = [](Window& w) {
      EXPECT_TRUE(ScriptedHost::PumpUntil([&] { return w.IsEnded(); }, std::chrono::seconds(120)));
    };
    std::string uploadReport, downloadReport;
    desk.Host().QueueModal([&](Window& w) {
      auto& sheet = dynamic_cast<parameters::CUploadWizardSheet&>(w);
      desk.Host().QueueModal([](Window& intro) { intro.Press(ui::kIdOk); });
      ASSERT_TRUE(sheet.SetActivePage(1));
      desk.Host().QueueModal(runToEnd);
      CUploadWizard_CAN& page = sheet.CanPage();
      ASSERT_TRUE(page.Press(CUploadWizard_CAN::kIdSearch));
      ASSERT_TRUE(page.UserSetValue(CUploadWizard_CAN::kIdNetworkMode, 1));
      EXPECT_EQ(page.FoundModules(), (std::vector<std::uint16_t>{2, 5, 6}));
      desk.Host().QueueFile(udf);
      desk.Host().QueueModal([](Window& info) { info.Press(ui::kIdOk); });
      desk.Host().QueueModal(runToEnd);
      ASSERT_TRUE(page.Press(CUploadWizard_CAN::kIdUpload));
      uploadReport = page.Report();
      for (std::uint16_t id : {5, 6}) ASSERT_TRUE(modules.WriteTempParam(id, 18, 0, 999u));
      desk.Host().QueueModal([&](Window& d) {
        auto& dlg = dynamic_cast<NetDlg&>(d);
        desk.Host().QueueFile(parameters::CParameterFile::ModuleFileName(udf, 5) + "\n" +
                              parameters::CParameterFile::ModuleFileName(udf, 6));
        ASSERT_TRUE(dlg.Press(NetDlg::kIdLoad));
        for (int row : {1, 2}) {
          dlg.UserSelect(NetDlg::kIdFiles, row - 1);
          dlg.UserSelect(NetDlg::kIdModules, row);
          ASSERT_TRUE(dlg.Press(NetDlg::kIdAssign));
        }
        desk.Host().QueueModal(runToEnd);
        ASSERT_TRUE(dlg.Press(NetDlg::kIdDownload));
      });
      ASSERT_TRUE(page.Press(CUploadWizard_CAN::kIdDownloadFile));
      downloadReport = page.Report();
      sheet.Press(ui::kIdOk);
    });
    frame.OnCommand(CMainFrame::kCmdUpDownloadWizard);
    EXPECT_EQ(uploadReport,
              "System Parameters from ZEL Modules \n\n     Module 002: Upload successful\n"
              "     Module 005: Upload successful\n     Module 006: Upload successful\n");
    EXPECT_EQ(downloadReport,
              "   Module 002: No download (old state)\n"
              "   Module 005: Download successful\n   Module 006: Download successful\n");
    std::uint32_t value = 0;
    ASSERT_TRUE(modules.ReadTempParam(5, 18, 0, value));
    EXPECT_EQ(value, 1234u) << "the edited value came back from the file";

    // A firmware download from the sample package (its version 0x1030) by the download wizard,
    // with the monitor stopped; the main window then adjusts itself to the new version.
    using firmware::CDownloadWizardSheet;
    frame.OnCommand(CMainFrame::kCmdStopMonitor);
    firmware::FirmwarePackage::SetVersionChooser([](const std::string&, std::string& chosen) {
      chosen = "ZEL_1030";
      return true;
    });
    desk.Host().Clear();
    desk.Host().QueueFile(package.Path());
    std::string downloadStatus;
    desk.Host().QueueModal([&](Window& w) {
      auto& sheet = dynamic_cast<CDownloadWizardSheet&>(w);
      ASSERT_TRUE(sheet.Page(CDownloadWizardSheet::kIntro)
                      .Press(firmware::CDownloadWizardPageIntro::kIdConfirm));
      ASSERT_TRUE(sheet.Press(ui::kIdNext));
      ASSERT_EQ(sheet.Title(), "Step 2: Firmware File!");
      ASSERT_TRUE(sheet.Page(CDownloadWizardSheet::kSourceFile)
                      .Press(firmware::CDownloadWizardPageSourceFile::kIdBrowse));
      ASSERT_TRUE(sheet.Press(ui::kIdNext));
      ASSERT_EQ(sheet.Title(), "Step 3: Firmware Download!");
      Window& download = sheet.Page(CDownloadWizardSheet::kDownload);
      ASSERT_TRUE(download.Press(firmware::CDownloadWizardPageDownload::kIdStart));
      ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return sheet.DownloadPage().Finished(); },
                                          std::chrono::seconds(60)));
      downloadStatus = download.Text(firmware::CDownloadWizardPageDownload::kIdStatus);
      ASSERT_TRUE(sheet.Press(ui::kIdNext));
      ASSERT_TRUE(sheet.Press(ui::kIdNext));
      ASSERT_EQ(sheet.Title(), "Step 5: System Parameter!");
      ASSERT_TRUE(sheet.Press(ui::kIdFinish));
    });
    desk.Host().QueueModal([](Window& w) { ScriptedHost::PumpUntil([&] { return w.IsEnded(); }); });
    frame.OnCommand(CMainFrame::kCmdFirmwareDownloadWizard);
    firmware::FirmwarePackage::SetVersionChooser({});
    EXPECT_EQ(downloadStatus, "Download successful!");
    EXPECT_EQ(desk.zel.Device().Identity().softwareVersion, 0x1030);
    EXPECT_EQ(frame.Identity().softwareVersion, 0x1030) << "the main window read the new identity";
    EXPECT_EQ(frame.Firmware().Current().softwareVersion, 0x1030);

    // The day's remembered inputs, then the window closes and saves.
    comm.Settings().timeoutMs = 150;
    frame.OnCommand(CMainFrame::kCmdStopMonitor);
    ASSERT_TRUE(frame.SaveSettings());
  }

  // The next morning: a fresh main window in the same folder finds everything again.
  test::MainFrameDesk desk({}, TwoModules());
  CMainFrame& frame = *desk.frame;
  frame.SetSettingsDirectory(folder);
  frame.LoadSettings();
  EXPECT_TRUE(desk.Host().Messages().empty());
  const link::CommSettings& settings = frame.Communication().Settings();
  EXPECT_EQ(settings.portName, "Com1");
  EXPECT_EQ(settings.timeoutMs, 150);
  EXPECT_EQ(frame.Recorder().Settings().setup.samplePeriod, 5) << "0.5 ms in tenths";
  EXPECT_FALSE(frame.Firmware().Records().empty()) << "the package is still registered";
  EXPECT_EQ(frame.Wizards().StartupWizardAtStart(), 1);
  // The link came back with the stored record: the ZEL answers at once.
  EXPECT_TRUE(frame.ReadIdentity());
  fs::remove_all(folder);
}

}  // namespace
}  // namespace zel::app
