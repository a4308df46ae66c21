#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "app/WizardCommands.h"
#include "can/CanModule.h"
#include "can/GatewayLine.h"
#include "firmware/DownloadController.h"
#include "firmware/FirmwareRegistry.h"
#include "link/CAttentionDlg.h"
#include "parameters/CParameterFile.h"
#include "parameters/CUploadWizardDownloadNetDlg.h"
#include "parameters/CUploadWizardProgressDlg.h"
#include "parameters/CUploadWizardSheet.h"
#include "ui/SimulatedZel.h"

namespace zel::parameters {
namespace {

using test::SimulatedZel;
using ui::ScriptedHost;
using ui::Window;
using Can = CUploadWizard_CAN;
using NetDlg = CUploadWizardDownloadNetDlg;

std::vector<sim::CanModuleConfig> ThreeModules() {
  std::vector<sim::CanModuleConfig> modules;
  for (uint16_t id : {3, 5, 9}) {
    sim::CanModuleConfig module;
    module.moduleId = id;
    module.bitRateIndex = 2;
    modules.push_back(module);
  }
  return modules;
}

void RunToEnd(Window& w) {
  EXPECT_TRUE(ScriptedHost::PumpUntil([&] { return w.IsEnded(); }, std::chrono::seconds(120)));
}

struct Desk {
  SimulatedZel zel{sim::DeviceConfig{}, true, ThreeModules()};
  firmware::DownloadController controller{zel.Comm().Boot()};
  firmware::FirmwareRegistry registry;
  app::WizardCommands wizards{zel.Comm(), controller, registry};
  std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("zel-updown-" + std::to_string(::getpid()));
  Desk() { std::filesystem::create_directories(dir); }
  ~Desk() { std::filesystem::remove_all(dir); }
  std::string File(const std::string& name) const { return (dir / name).string(); }

  void Run(const std::function<void(CUploadWizardSheet&)>& script) {
    zel.Host().QueueModal([&](Window& w) { script(dynamic_cast<CUploadWizardSheet&>(w)); });
    CUploadWizardSheet sheet(wizards.UpDownloadDevices());
    sheet.DoModal();
  }
  // Shows the CAN page (its introduction confirmed) and searches the network.
  void Search(CUploadWizardSheet& sheet) {
    zel.Host().QueueModal([](Window& intro) { intro.Press(ui::kIdOk); });
    ASSERT_TRUE(sheet.SetActivePage(1));
    zel.Host().QueueModal(RunToEnd);
    ASSERT_TRUE(sheet.CanPage().Press(Can::kIdSearch));
    ASSERT_TRUE(sheet.CanPage().UserSetValue(Can::kIdNetworkMode, 1));
  }
};

sim::DeviceModel& Module(SimulatedZel& zel, uint16_t id) {
  return *zel.Sim().Bus().Find(id);
}

TEST(UpDownloadWizardTest, NetworkUploadAndDownloadOfThreeModules) {
  Desk desk;
  SimulatedZel& zel = desk.zel;
  can::CanModule modules(zel.Comm().Can(), zel.Comm().Parameter());
  std::map<uint16_t, uint16_t> uploaded;
  for (uint16_t id : {3, 5, 9}) uploaded[id] = Module(zel, id).TempParameter(18);
  const std::string chosen = desk.File("net.udf");
  desk.Run([&](CUploadWizardSheet& sheet) {
    desk.Search(sheet);
    Can& page = sheet.CanPage();
    // The gateway answers for itself (module ID 2) beside the three behind it.
    EXPECT_EQ(page.FoundModules(), (std::vector<uint16_t>{2, 3, 5, 9}));
    EXPECT_EQ(page.Text(Can::kIdCount), "4");

    zel.Host().QueueFile(chosen);
    zel.Host().QueueModal([](Window& info) {
      info.UserSetText(CAdditionalInformationDlg::kIdVisum, "AB");
      info.UserSetText(CAdditionalInformationDlg::kIdComment, "before service");
      info.Press(ui::kIdOk);
    });
    zel.Host().QueueModal(RunToEnd);
    ASSERT_TRUE(page.Press(Can::kIdUpload));
    EXPECT_EQ(page.Report(),
              "System Parameters from ZEL Modules \n\n     Module 002: Upload successful\n"
              "     Module 003: Upload successful\n"
              "     Module 005: Upload successful\n     Module 009: Upload successful\n");

    // The modules are changed behind the files' backs; the download takes them back.
    for (uint16_t id : {3, 5, 9}) ASSERT_TRUE(modules.WriteTempParam(id, 18, 0, 1000u + id));
    zel.Host().QueueModal([&](Window& w) {
      auto& dlg = dynamic_cast<NetDlg&>(w);
      zel.Host().QueueFile(CParameterFile::ModuleFileName(chosen, 3) + "\n" +
                           CParameterFile::ModuleFileName(chosen, 5) + "\n" +
                           CParameterFile::ModuleFileName(chosen, 9));
      ASSERT_TRUE(dlg.Press(NetDlg::kIdLoad));
      ASSERT_EQ(dlg.Assignment().Files().size(), 3u);
      // "<<", a double click and a drag each assign one file.
      dlg.UserSelect(NetDlg::kIdFiles, 0);
      dlg.UserSelect(NetDlg::kIdModules, 1);
      ASSERT_TRUE(dlg.Press(NetDlg::kIdAssign));
      dlg.UserSelect(NetDlg::kIdFiles, 1);
      dlg.UserSelect(NetDlg::kIdModules, 2);
      ASSERT_TRUE(dlg.UserEvent(NetDlg::kIdFiles, ui::EventKind::DoubleClick));
      ASSERT_FALSE(
          dlg.UserDrop(NetDlg::kIdModules, 3, "text/plain", dlg.DragData(NetDlg::kIdFiles, 2)));
      ASSERT_TRUE(dlg.UserDrop(NetDlg::kIdModules, 3, NetDlg::kClipboardFormat,
                               dlg.DragData(NetDlg::kIdFiles, 2)));
      EXPECT_EQ(dlg.Find(NetDlg::kIdModules)->rows[3][2], "net_ModuleId_9.udf");
      EXPECT_TRUE(zel.Host().Messages().empty()) << zel.Host().LastMessage();
      zel.Host().QueueModal(RunToEnd);
      ASSERT_TRUE(dlg.Press(NetDlg::kIdDownload));
    });
    ASSERT_TRUE(page.Press(Can::kIdDownloadFile));
    EXPECT_EQ(page.Report(),
              "   Module 002: No download (old state)\n"
              "   Module 003: Download successful\n   Module 005: Download successful\n"
              "   Module 009: Download successful\n");
    sheet.Press(ui::kIdOk);
  });
  for (uint16_t id : {3, 5, 9}) {
    sim::DeviceModel& module = Module(zel, id);
    EXPECT_EQ(module.EepromParameter(18), uploaded[id]) << id;
    EXPECT_EQ(module.TempParameter(18), uploaded[id]) << id;
    EXPECT_EQ(module.CanModuleId(), id);
    EXPECT_NE(module.EepromParameter(1) & 0x1000, 0) << "downloaded SysConfig enables by software";
    CParameterFile file;
    std::string error;
    ASSERT_EQ(file.Read(CParameterFile::ModuleFileName(chosen, id), error),
              CParameterFile::ReadResult::kOk);
    EXPECT_EQ(file.visum, "AB");
    EXPECT_EQ(file.moduleId, id);
  }
}

TEST(UpDownloadWizardTest, StopBetweenModulesAndAssignmentsTheModulesCannotTake) {
  Desk desk;
  SimulatedZel& zel = desk.zel;
  const std::string chosen = desk.File("stop.udf");
  desk.Run([&](CUploadWizardSheet& sheet) {
    desk.Search(sheet);
    Can& page = sheet.CanPage();
    zel.Host().QueueFile(chosen);
    zel.Host().QueueModal([](Window& info) { info.Press(ui::kIdCancel); });
    zel.Host().QueueModal([&](Window& w) {
      ASSERT_TRUE(ScriptedHost::PumpUntil(
          [&] { return std::filesystem::exists(CParameterFile::ModuleFileName(chosen, 3)); }));
      w.Press(CUploadWizardProgressDlg::kIdStop);
    });
    ASSERT_TRUE(page.Press(Can::kIdUpload));
    EXPECT_TRUE(std::filesystem::exists(CParameterFile::ModuleFileName(chosen, 2)));
    EXPECT_FALSE(std::filesystem::exists(CParameterFile::ModuleFileName(chosen, 5)));
    const std::string& report = page.Report();
    ASSERT_GE(report.size(), 17u);
    EXPECT_EQ(report.substr(report.size() - 17), "\n\nUpload breaked!");

    // One file of another software version, one of another hardware version.
    CParameterFile file;
    std::string error;
    ASSERT_EQ(file.Read(CParameterFile::ModuleFileName(chosen, 3), error),
              CParameterFile::ReadResult::kOk);
    file.version = "ZEL_1041h_0200h";
    ASSERT_TRUE(file.Write(desk.File("newer.udf"), error));
    file.version = "ZEL_1040h_0300h";
    ASSERT_TRUE(file.Write(desk.File("board.udf"), error));
    zel.Host().QueueModal([&](Window& w) {
      auto& dlg = dynamic_cast<NetDlg&>(w);
      zel.Host().QueueFile(desk.File("newer.udf") + "\n" + desk.File("board.udf"));
      ASSERT_TRUE(dlg.Press(NetDlg::kIdLoad));
      zel.Host().Clear();
      ASSERT_TRUE(dlg.Press(NetDlg::kIdAssign));
      EXPECT_EQ(zel.Host().LastMessage(), "No file selected");
      dlg.UserSelect(NetDlg::kIdFiles, 0);
      ASSERT_TRUE(dlg.Press(NetDlg::kIdAssign));
      EXPECT_EQ(zel.Host().LastMessage(), "No module selected");
      dlg.UserSelect(NetDlg::kIdModules, 1);
      ASSERT_TRUE(dlg.Press(NetDlg::kIdAssign));
      EXPECT_EQ(zel.Host().LastMessage(), "File and Module are not compatible!");
      zel.Host().Clear();
      dlg.UserSelect(NetDlg::kIdFiles, 1);
      ASSERT_TRUE(dlg.Press(NetDlg::kIdAssign));
      EXPECT_TRUE(zel.Host().Messages().empty()) << "the hardware is checked at the download";
      zel.Host().QueueModal(RunToEnd);
      ASSERT_TRUE(dlg.Press(NetDlg::kIdDownload));
    });
    ASSERT_TRUE(page.Press(Can::kIdDownloadFile));
    EXPECT_EQ(page.Report(),
              "   Module 002: No download (old state)\n   Module 003: Download failed\n"
              "   Module 005: No download (old state)\n"
              "   Module 009: No download (old state)\n");
    sheet.Press(ui::kIdCancel);
  });
}

TEST(UpDownloadWizardTest, ADeadLineEndsSearchAndUploadNamingTheLine) {
  Desk desk;
  SimulatedZel& zel = desk.zel;
  sim::FaultInjector& faults = zel.Sim().Faults();
  const std::string chosen = desk.File("dead.udf");
  std::map<uint16_t, uint16_t> before;
  for (uint16_t id : {5, 9}) before[id] = Module(zel, id).TempParameter(1);
  ASSERT_EQ(before[5] & 0x1000, 0) << "module 5 follows its input 'Enable'";
  desk.Run([&](CUploadWizardSheet& sheet) {
    zel.Host().QueueModal([](Window& intro) { intro.Press(ui::kIdOk); });
    ASSERT_TRUE(sheet.SetActivePage(1));
    Can& page = sheet.CanPage();
    // The line goes dead once IDs 1 to 4 were asked: the search stops at 5 and names the line;
    // no list of absent modules is left behind.
    faults.SetNeverAnswer(true);
    faults.HoldBack(sim::LineFault::kNeverAnswer, 4);
    zel.Host().QueueModal(RunToEnd);
    ASSERT_TRUE(page.Press(Can::kIdSearch));
    faults.ClearAll();
    EXPECT_EQ(zel.Host().LastMessage(),
              std::string(can::GatewayLine::kDead) +
                  "\nThe search stopped at module ID 5; search the modules again once the line "
                  "answers.");
    EXPECT_TRUE(page.FoundModules().empty());
    EXPECT_EQ(page.Text(Can::kIdCount), "0");

    // The line answers again and the search finds every module. It dies while module 5 is put
    // back: module 5 is named with what it is left with, the upload ends there naming the line,
    // and module 9 is neither reported done nor touched.
    zel.Host().QueueModal(RunToEnd);
    ASSERT_TRUE(page.Press(Can::kIdSearch));
    ASSERT_EQ(page.FoundModules(), (std::vector<uint16_t>{2, 3, 5, 9}));
    ASSERT_TRUE(page.UserSetValue(Can::kIdNetworkMode, 1));
    zel.Host().QueueFile(chosen);
    zel.Host().QueueModal([](Window& info) { info.Press(ui::kIdCancel); });
    zel.Host().QueueModal(RunToEnd);
    for (uint16_t id : {2, 3, 5}) {
      zel.Host().QueueModal([&faults, id](Window& confirm) {
        EXPECT_EQ(confirm.Title(), "Enable CAN Module " + std::to_string(id));
        if (id == 5) faults.SetNeverAnswer(true);
        confirm.UserSetValue(link::CAttentionDlg::kIdConfirm, 1);
        confirm.Press(ui::kIdOk);
      });
    }
    ASSERT_TRUE(page.Press(Can::kIdUpload));
    faults.ClearAll();
    EXPECT_EQ(page.Report(),
              std::string("System Parameters from ZEL Modules \n\n"
                          "     Module 002: Upload successful\n"
                          "     Module 003: Upload successful\n"
                          "     Module 005: Upload successful\n"
                          "     The CAN Module 5 may stay disabled with enabling by software "
                          "(SysConfig bit 12): the module did not answer while its enabling was "
                          "put back.\n"
                          "     Module 9: Upload failed\n\n\n") +
                  can::GatewayLine::kDead +
                  "\nUploaded 3 of 4 modules; the others were not reached.\n");
    EXPECT_FALSE(std::filesystem::exists(CParameterFile::ModuleFileName(chosen, 9)));
    sheet.Press(ui::kIdCancel);
  });
  EXPECT_EQ(Module(zel, 5).TempParameter(1), before[5] | 0x1000) << "as the report says";
  EXPECT_EQ(Module(zel, 9).TempParameter(1), before[9]) << "module 9 is untouched";
}

TEST(UpDownloadWizardTest, AFileThatCannotBeReadFailsTheDownload) {
  Desk desk;
  const std::string damaged = desk.File("damaged.udf");
  std::ofstream(damaged, std::ios::binary) << "ParameterFirmwareFile Version 1.01 ";
  const uint64_t frames = desk.zel.FramesSeen();
  desk.Run([&](CUploadWizardSheet& sheet) {
    auto& page = sheet.Rs232Page();
    for (const std::string& path : {damaged, desk.File("absent.udf")}) {
      desk.zel.Host().Clear();
      ASSERT_TRUE(page.UserSetText(CUploadWizardPage::kIdDirectory, path));
      ASSERT_TRUE(page.Press(CUploadWizardPage::kIdDownloadFile));
      const std::vector<std::string> said = desk.zel.Host().Messages();
      ASSERT_EQ(said.size(), 2u) << path;
      EXPECT_FALSE(said[0].empty()) << "the reason comes first";
      EXPECT_EQ(said[1], "Command failed!");
    }
    sheet.Press(ui::kIdCancel);
  });
  EXPECT_EQ(desk.zel.FramesSeen(), frames);
}

TEST(UpDownloadWizardTest, CanPageNeedsSoftwareVersion0x1040) {
  sim::DeviceConfig old;
  old.identity.softwareVersion = 0x103F;
  SimulatedZel zel(old);
  firmware::DownloadController controller(zel.Comm().Boot());
  firmware::FirmwareRegistry registry;
  app::WizardCommands wizards(zel.Comm(), controller, registry);
  zel.Host().QueueModal([&](Window& w) {
    auto& sheet = dynamic_cast<CUploadWizardSheet&>(w);
    ASSERT_TRUE(sheet.SetActivePage(1));
    Can& page = sheet.CanPage();
    EXPECT_TRUE(page.IsVisible(Can::kIdGate));
    EXPECT_EQ(page.Text(Can::kIdGate),
              "Parameter Upload Wizard for CAN only available \nfor Software Version 0x1040 and "
              "higher!");
    for (int id : {Can::kIdSearch, Can::kIdUpload, Can::kIdDownloadFile, Can::kIdModuleId})
      EXPECT_FALSE(page.IsEnabled(id)) << id;
    sheet.Press(ui::kIdCancel);
  });
  parameters::CUploadWizardSheet sheet(wizards.UpDownloadDevices());
  sheet.DoModal();
  EXPECT_EQ(zel.Host().UnfinishedWindows(), 0) << "no introduction below 0x1040";
}

}  // namespace
}  // namespace zel::parameters
