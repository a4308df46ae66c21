#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>

#include "app/WizardCommands.h"
#include "can/CanModule.h"
#include "firmware/DownloadController.h"
#include "firmware/FirmwareRegistry.h"
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
  firmware::DownloadController controller{zel.Comm().BootLoader()};
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

TEST(UpDownloadWizardTest, CanPageNeedsSoftwareVersion0x1040) {
  sim::DeviceConfig old;
  old.identity.softwareVersion = 0x103F;
  SimulatedZel zel(old);
  firmware::DownloadController controller(zel.Comm().BootLoader());
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
