#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "firmware/CDownloadWizardRunPages.h"
#include "firmware/CDownloadWizardSheet.h"
#include "firmware/DownloadVerdict.h"
#include "firmware/FirmwarePackage.h"
#include "firmware/FirmwareRegistry.h"
#include "firmware/NewDefaultParameters.h"
#include "ui/FirmwareSamplePackage.h"
#include "ui/SimulatedZel.h"

namespace zel::firmware {
namespace {

using Sheet = CDownloadWizardSheet;
using test::SamplePackage;
using test::SimulatedZel;
using ui::Window;

sim::DeviceConfig Disabled() {
  sim::DeviceConfig device;
  device.enableInput = false;
  return device;
}

// The sample package holds two versions; the wizard's package choice takes the one named.
class ChosenVersion {
 public:
  explicit ChosenVersion(std::string directory) {
    FirmwarePackage::SetVersionChooser([directory](const std::string&, std::string& chosen) {
      chosen = directory;
      return true;
    });
  }
  ~ChosenVersion() { FirmwarePackage::SetVersionChooser({}); }
};

struct Wizard {
  SimulatedZel zel;
  SamplePackage package;
  DownloadController controller{zel.Comm().Boot()};
  FirmwareRegistry registry;

  explicit Wizard(sim::DeviceConfig device = Disabled()) : zel(device) {}

  // Runs the wizard with script playing the technician.
  void Run(const std::function<void(Sheet&)>& script) {
    zel.Host().QueueModal([&](Window& w) { script(dynamic_cast<Sheet&>(w)); });
    Sheet sheet(zel.Comm(), controller, registry);
    sheet.DoModal();
  }
};

// The version table's rows as the technician reads them: name, ZEL, "-->", file.
std::vector<std::vector<std::string>> Versions(Window& file) {
  const ui::Control* table = file.Find(CDownloadWizardPageSourceFile::kIdVersions);
  return table ? table->rows : std::vector<std::vector<std::string>>{};
}

std::string ZelCell(Window& file, int row) {
  return Versions(file)
      .at(static_cast<std::size_t>(row))
      .at(CDownloadWizardPageSourceFile::kZelColumn);
}

std::string FileCell(Window& file, int row) {
  return Versions(file)
      .at(static_cast<std::size_t>(row))
      .at(CDownloadWizardPageSourceFile::kFileColumn);
}

std::uint32_t HardwareRowColour(Window& file) {
  const ui::Control* table = file.Find(CDownloadWizardPageSourceFile::kIdVersions);
  const auto row = static_cast<std::size_t>(CDownloadWizardPageSourceFile::kHardwareRow);
  return table && row < table->rowColours.size() ? table->rowColours[row] : ui::kDefaultColour;
}

void Confirm(Sheet& sheet) {
  EXPECT_EQ(sheet.Title(), "Step 1: Download WARNING!");
  EXPECT_FALSE(sheet.IsEnabled(ui::kIdNext)) << "Next waits for the confirmation";
  ASSERT_TRUE(sheet.Page(Sheet::kIntro).Press(CDownloadWizardPageIntro::kIdConfirm));
  EXPECT_FALSE(sheet.Page(Sheet::kIntro).IsEnabled(CDownloadWizardPageIntro::kIdConfirm));
  ASSERT_TRUE(sheet.Press(ui::kIdNext));
}

TEST(DownloadWizardTest, DownloadsTheSamplePackageAndWritesTheNewDefaults) {
  Wizard wizard;
  SimulatedZel& zel = wizard.zel;
  link::ParameterGroup& parameters = zel.Comm().Parameter();
  // A ZEL that talks at 19200 baud (code 2) and has a value of its own the defaults replace.
  ASSERT_TRUE(parameters.SetTempParam(0, 0, 2));
  ASSERT_TRUE(parameters.SetTempParam(18, 0, 4321));
  ASSERT_TRUE(parameters.SaveTempParam());
  const uint16_t sysConfigBefore = zel.Device().TempParameter(1);
  ChosenVersion version("ZEL_1030");
  zel.Host().QueueFile(wizard.package.Path());
  wizard.Run([&](Sheet& sheet) {
    // Opening set the boot loader's rate and keeps the line for the wizard.
    EXPECT_EQ(zel.Device().EepromParameter(0), 3);
    EXPECT_EQ(zel.Opens().back().baud, 38400);
    Confirm(sheet);
    // Not in service mode: straight to the package with the Standard method.
    EXPECT_EQ(sheet.Title(), "Step 2: Firmware File!");
    Window& file = sheet.Page(Sheet::kSourceFile);
    EXPECT_EQ(ZelCell(file, 0), "0x1040");
    EXPECT_EQ(FileCell(file, 0), "???");
    EXPECT_FALSE(sheet.IsEnabled(ui::kIdNext));
    ASSERT_TRUE(file.Press(CDownloadWizardPageSourceFile::kIdBrowse));
    // What the ZEL runs and what the file holds, side by side under their own headers.
    EXPECT_EQ(file.Find(CDownloadWizardPageSourceFile::kIdVersions)->items,
              (std::vector<std::string>{"", "ZEL", "", "File"}));
    EXPECT_EQ(Versions(file), (std::vector<std::vector<std::string>>{
                                  {"Software Version", "0x1040", "-->", "0x1030"},
                                  {"Hardware Version", "0x0200", "-->", "0x0200"},
                                  {"Applicaton Number", "0x0001", "-->", "0x0001"},
                                  {"Application Version", "0x0100", "-->", "0x0100"}}));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));

    EXPECT_EQ(sheet.Title(), "Step 3: Firmware Download!");
    Window& download = sheet.Page(Sheet::kDownload);
    EXPECT_EQ(download.Text(CDownloadWizardPageDownload::kIdMethod), "Standard Download Method");
    EXPECT_FALSE(sheet.IsEnabled(ui::kIdNext)) << "nothing downloaded yet";
    ASSERT_TRUE(download.Press(CDownloadWizardPageDownload::kIdStart));
    auto& page = sheet.DownloadPage();
    ASSERT_TRUE(ui::ScriptedHost::PumpUntil([&] { return page.InCriticalPhase(); },
                                            std::chrono::seconds(30)));
    EXPECT_TRUE(download.IsVisible(CDownloadWizardPageDownload::kIdCritical));
    EXPECT_FALSE(sheet.Press(ui::kIdCancel)) << "no way out while the flash is written";
    ASSERT_TRUE(
        ui::ScriptedHost::PumpUntil([&] { return page.Finished(); }, std::chrono::seconds(30)));
    EXPECT_EQ(download.Text(CDownloadWizardPageDownload::kIdStatus), "Download successful!");
    ASSERT_TRUE(sheet.Press(ui::kIdNext));

    EXPECT_EQ(sheet.Title(), "Step 4: Summary!");
    Window& summary = sheet.Page(Sheet::kSummary);
    EXPECT_EQ(summary.Text(CDownloadWizardPageSummary::kIdVerdict),
              "The download has been executed correctly!");
    EXPECT_EQ(summary.Text(CDownloadWizardPageSummary::kIdVersion), "Software Version\t= 0x1030");
    ASSERT_TRUE(sheet.Press(ui::kIdNext));

    EXPECT_EQ(sheet.Title(), "Step 5: System Parameter!");
    zel.Host().Clear();
    ASSERT_TRUE(
        sheet.Page(Sheet::kSystemParameter).Press(CDownloadWizardPageSystemParameter::kIdWrite));
    EXPECT_EQ(zel.Host().Messages(), (std::vector<std::string>{NewDefaultParameters::kWritten,
                                                               NewDefaultParameters::kSaved}));
    ASSERT_TRUE(sheet.Press(ui::kIdFinish));
  });
  EXPECT_EQ(zel.Sim().Boot().State(), sim::BootState::kFirmware);
  EXPECT_EQ(zel.Device().Identity().softwareVersion, 0x1030);
  // The new version's defaults are saved, with the ZEL's own enable source kept.
  parameters::SystemParameterBlock defaults;
  ASSERT_TRUE(NewDefaultParameters::Read(wizard.package.Path(), "ZEL_1030", defaults));
  EXPECT_EQ(zel.Device().EepromParameter(18), defaults.words[18]);
  EXPECT_NE(zel.Device().EepromParameter(18), 4321);
  EXPECT_EQ(zel.Device().EepromParameter(1) & 0x1000, sysConfigBefore & 0x1000);
  // Parameter 0 is the ZEL's own again, and the link has the user's settings.
  EXPECT_EQ(zel.Device().EepromParameter(0), 2);
  EXPECT_EQ(zel.Comm().Settings().baudRate, 38400);
  EXPECT_FALSE(zel.Comm().InBootLoaderMode());
  // The downloaded package is registered.
  const auto records = wizard.registry.Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].softwareVersion, 0x1030);
  EXPECT_EQ(zel.Host().UnfinishedWindows(), 0);

  // A second run: the ZEL column is what the ZEL runs now, not the package chosen before.
  ChosenVersion other("ZEL_1040");
  zel.Host().QueueFile(wizard.package.Path());
  wizard.Run([&](Sheet& sheet) {
    Confirm(sheet);
    Window& file = sheet.Page(Sheet::kSourceFile);
    EXPECT_EQ(ZelCell(file, 0), "0x1030");
    EXPECT_EQ(FileCell(file, 0), "???");
    ASSERT_TRUE(file.Press(CDownloadWizardPageSourceFile::kIdBrowse));
    EXPECT_EQ(ZelCell(file, 0), "0x1030");
    EXPECT_EQ(FileCell(file, 0), "0x1040");
    EXPECT_EQ(Versions(file).at(0).at(0), "Software Version");
    ASSERT_TRUE(sheet.Press(ui::kIdCancel));
  });
}

TEST(DownloadWizardTest, ComPageLeadsOnByServiceModeAndCancelKeepsTheSettingsFound) {
  Wizard wizard;
  SimulatedZel& zel = wizard.zel;
  // The user's settings are wrong: nothing answers at 9600 baud.
  link::CommSettings wrong = zel.Comm().Settings();
  wrong.baudRate = 9600;
  ASSERT_TRUE(zel.Comm().OpenLink(wrong));
  wizard.Run([&](Sheet& sheet) {
    Confirm(sheet);
    EXPECT_EQ(sheet.Title(), "Step 2: Communication Settings!");
    Window& com = sheet.Page(Sheet::kCom);
    ASSERT_TRUE(com.UserSelect(CDownloadWizardPageCom::kIdBaud, 3));  // 38400
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    // Not in service mode: Standard only, no method page.
    EXPECT_EQ(sheet.Title(), "Step 3: Firmware File!");
    EXPECT_EQ(wizard.controller.Selected(), 0);
    EXPECT_EQ(ZelCell(sheet.Page(Sheet::kSourceFile), 0), "0x1040");
    ASSERT_TRUE(sheet.Press(ui::kIdBack));
    EXPECT_EQ(sheet.Title(), "Step 2: Communication Settings!");
    // In service mode the method page comes, offering all three.
    uint16_t answer = 0;
    ASSERT_TRUE(zel.Comm().Service().Service("ZELS", answer));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    EXPECT_EQ(sheet.Title(), "Step 3: Download Method!");
    EXPECT_EQ(
        sheet.Page(Sheet::kMethod).Find(CDownloadWizardPageMethod::kIdMethod)->items,
        (std::vector<std::string>{"Standard", "TI serial booting loader", "JTAG booting loader"}));
    ASSERT_TRUE(sheet.Press(ui::kIdBack));
    ASSERT_TRUE(sheet.Press(ui::kIdBack));
    EXPECT_EQ(sheet.Title(), "Step 1: Download WARNING!");
    ASSERT_TRUE(sheet.Press(ui::kIdCancel));
  });
  // The ZEL's rate was never changed: the settings that reach it, found on the serial settings
  // page, stay in force.
  EXPECT_EQ(zel.Comm().Settings().baudRate, 38400) << "Cancel keeps the settings that work";
  EXPECT_TRUE(zel.Comm().Link().IsOpen());
  EXPECT_EQ(zel.Device().EepromParameter(0), 3);
}

TEST(DownloadWizardTest, WithoutRunningFirmwareOnlyTheBootLoaderMethodsAreOffered) {
  Wizard wizard;
  SimulatedZel& zel = wizard.zel;
  zel.Sim().Boot().SetState(sim::BootState::kLoader);
  ChosenVersion version("ZEL_1040");
  zel.Host().QueueFile(wizard.package.Path());
  wizard.Run([&](Sheet& sheet) {
    Confirm(sheet);
    EXPECT_EQ(sheet.Title(), "Step 2: Communication Settings!");
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    EXPECT_EQ(sheet.Title(), "Step 3: Download Method!");
    EXPECT_TRUE(sheet.noRunningFirmware);
    Window& method = sheet.Page(Sheet::kMethod);
    EXPECT_EQ(method.Find(CDownloadWizardPageMethod::kIdMethod)->items,
              (std::vector<std::string>{"TI serial booting loader", "JTAG booting loader"}));
    ASSERT_TRUE(method.UserSelect(CDownloadWizardPageMethod::kIdMethod, 1));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    EXPECT_EQ(wizard.controller.Selected(), static_cast<int>(DownloadMethod::kJtag));
    Window& file = sheet.Page(Sheet::kSourceFile);
    EXPECT_EQ(ZelCell(file, 0), "???");
    ASSERT_TRUE(file.Press(CDownloadWizardPageSourceFile::kIdBrowse));
    // Nothing to compare with: accepted, the hardware versions in red.
    EXPECT_TRUE(sheet.IsEnabled(ui::kIdNext));
    EXPECT_EQ(HardwareRowColour(file), CDownloadWizardPageSourceFile::kMismatchColour);
    // The probe on the serial settings page let go of its handshake: the download makes its
    // own, and the loader that already answered once answers it again.
    EXPECT_FALSE(wizard.controller.Link().Connected());
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    Window& download = sheet.Page(Sheet::kDownload);
    zel.Host().Clear();
    ASSERT_TRUE(download.Press(CDownloadWizardPageDownload::kIdStart));
    auto& page = sheet.DownloadPage();
    ASSERT_TRUE(
        ui::ScriptedHost::PumpUntil([&] { return page.Finished(); }, std::chrono::seconds(60)));
    EXPECT_EQ(download.Text(CDownloadWizardPageDownload::kIdStatus), "Download successful!")
        << zel.Host().LastMessage();
    EXPECT_EQ(sheet.resultCodes.at(1), 301);
    EXPECT_EQ(sheet.outcome.zel, ZelState::kNewFirmware);
    EXPECT_FALSE(zel.Comm().InBootLoaderMode());
    EXPECT_FALSE(wizard.controller.Link().Connected());
    ASSERT_TRUE(sheet.Press(ui::kIdCancel));
  });
  EXPECT_FALSE(zel.Comm().InBootLoaderMode());
  EXPECT_EQ(zel.Sim().Boot().State(), sim::BootState::kFirmware);
  EXPECT_EQ(zel.Device().Identity().softwareVersion, 0x1040);
}

TEST(DownloadWizardTest, TheFilePageRefusesWhatItCannotCheck) {
  Wizard wizard;
  SimulatedZel& zel = wizard.zel;
  ChosenVersion version("ZEL_1030");
  // A copy of the package whose descriptions lack a mandatory key.
  std::ifstream in(wizard.package.Path(), std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(in), {}};
  int damaged = 0;
  for (std::size_t at = bytes.find("SampleNumber="); at != std::string::npos;
       at = bytes.find("SampleNumber=", at), ++damaged)
    bytes[at + 11] = 'X';
  ASSERT_GT(damaged, 0);
  const std::string undescribed = (wizard.package.Dir() / "Undescribed.bin").string();
  std::ofstream(undescribed, std::ios::binary) << bytes;
  zel.Host().QueueFile(undescribed);
  zel.Host().QueueFile(wizard.package.Path());
  zel.Host().QueueFile(wizard.package.Path());
  wizard.Run([&](Sheet& sheet) {
    Confirm(sheet);
    Window& file = sheet.Page(Sheet::kSourceFile);
    ASSERT_TRUE(file.Press(CDownloadWizardPageSourceFile::kIdBrowse));
    EXPECT_EQ(zel.Host().LastMessage(), CDownloadWizardPageSourceFile::kUnreadable);
    EXPECT_EQ(FileCell(file, 0), "???");
    EXPECT_FALSE(sheet.IsEnabled(ui::kIdNext));
    ASSERT_TRUE(file.Press(CDownloadWizardPageSourceFile::kIdBrowse));
    ASSERT_TRUE(sheet.Press(ui::kIdNext));
    // Back from the download page while the firmware no longer answers: its versions are
    // unknown, and a file cannot be checked against them.
    zel.Sim().Faults().SetNeverAnswer(true);
    ASSERT_TRUE(sheet.Press(ui::kIdBack));
    EXPECT_EQ(ZelCell(file, 1), "???");
    ASSERT_TRUE(file.Press(CDownloadWizardPageSourceFile::kIdBrowse));
    EXPECT_EQ(zel.Host().LastMessage(), CDownloadWizardPageSourceFile::kZelVersionUnread);
    EXPECT_FALSE(sheet.IsEnabled(ui::kIdNext)) << "no download without the hardware check";
    EXPECT_FALSE(sheet.Press(ui::kIdNext));
    zel.Sim().Faults().SetNeverAnswer(false);
    ASSERT_TRUE(sheet.Press(ui::kIdCancel));
  });
  EXPECT_EQ(zel.Device().Identity().softwareVersion, 0x1040);
}

TEST(DownloadWizardTest, RefusesAnotherHardwareAndSaysWhenTheFirmwareIsLost) {
  sim::DeviceConfig other = Disabled();
  other.identity.hardwareVersion = 0x0300;
  Wizard wizard(other);
  SimulatedZel& zel = wizard.zel;
  ChosenVersion version("ZEL_1030");
  zel.Host().QueueFile(wizard.package.Path());
  const std::size_t opensBefore = zel.Opens().size();
  const std::vector<uint16_t> flash = zel.Sim().Boot().Flash();
  wizard.Run([&](Sheet& sheet) {
    Confirm(sheet);
    Window& file = sheet.Page(Sheet::kSourceFile);
    ASSERT_TRUE(file.Press(CDownloadWizardPageSourceFile::kIdBrowse));
    EXPECT_EQ(zel.Host().LastMessage(),
              "The hardware versions are incompatible!\nYou have to select a firmware version "
              "file with hardware version 0x0300!");
    EXPECT_FALSE(sheet.IsEnabled(ui::kIdNext)) << "the package cannot be chosen";
    EXPECT_FALSE(sheet.Press(ui::kIdNext));
    // The verdict of a download whose flash was lost at its first failure, whatever came after.
    sheet.downloadSucceeded = false;
    sheet.outcome = {false, false, ZelState::kFirmwareLost};
    sheet.resultCodes = {101, 301, 401, 704, 1002, 902};
    ASSERT_TRUE(sheet.SetActivePage(Sheet::kSummary));
    Window& summary = sheet.Page(Sheet::kSummary);
    EXPECT_EQ(summary.Text(CDownloadWizardPageSummary::kIdVerdict),
              "The download has NOT been executed correctly!");
    EXPECT_EQ(summary.Text(CDownloadWizardPageSummary::kIdDetail), StepResultText(704));
    EXPECT_EQ(summary.Text(CDownloadWizardPageSummary::kIdDetail + 1),
              "The firmware is lost! You can't download the");
    EXPECT_EQ(summary.Text(CDownloadWizardPageSummary::kIdDetail + 2),
              "firmware again! Send the ZEL back to Orvane!");
    // A loader that did not answer: nothing of the flash was touched, and the ZEL may wait in
    // a loader.
    sheet.outcome = {false, false, ZelState::kMaybeInBootLoader};
    sheet.resultCodes = {101, 302, 704};
    ASSERT_TRUE(sheet.SetActivePage(Sheet::kSourceFile));
    ASSERT_TRUE(sheet.SetActivePage(Sheet::kSummary));
    EXPECT_EQ(summary.Text(CDownloadWizardPageSummary::kIdDetail), StepResultText(302));
    EXPECT_EQ(summary.Text(CDownloadWizardPageSummary::kIdDetail + 1),
              DownloadVerdict::StateAdvice(ZelState::kMaybeInBootLoader));
    EXPECT_EQ(summary.Text(CDownloadWizardPageSummary::kIdDetail + 2),
              "Try to download the firmware again!");
    // The history marks every result as a success or a failure in front of its text.
    const CDownloadHistoryDlg history(sheet.resultCodes);
    EXPECT_EQ(history.Find(CDownloadHistoryDlg::kIdList)->rowMarks,
              (std::vector<ui::RowMark>{ui::RowMark::kSuccess, ui::RowMark::kFailure,
                                        ui::RowMark::kFailure}));
    ASSERT_TRUE(sheet.Press(ui::kIdCancel));
  });
  // Parameter 0 was 3 already: the ZEL was not written to, the link not re-opened.
  EXPECT_FALSE(wizard.registry.Records().size());
  EXPECT_EQ(zel.Opens().size(), opensBefore);
  EXPECT_EQ(zel.Device().EepromParameter(0), 3);
  EXPECT_EQ(zel.Sim().Boot().Flash(), flash);
}

}  // namespace
}  // namespace zel::firmware
