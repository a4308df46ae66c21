#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "firmware/CApplicationAdjustmentDlg.h"
#include "firmware/CBrowseFirmwareDlg.h"
#include "firmware/CSelectFirmwareDlg.h"
#include "firmware/CSetupFirmwareFilesDlg.h"
#include "firmware/FirmwarePackage.h"
#include "firmware/FirmwareRegistry.h"
#include "ui/FirmwareSamplePackage.h"
#include "ui/ScriptedHost.h"

namespace zel::firmware {
namespace {

namespace fs = std::filesystem;
using test::SamplePackage;
using ui::Window;

FirmwareInfo Version(std::uint16_t software, const std::string& path = {}) {
  FirmwareInfo info;
  info.softwareVersion = software;
  info.hardwareVersion = 0x0200;
  info.applicationNumber = 0x0001;
  info.applicationVersion = 0x0100;
  info.packagePath = path;
  return info;
}

// The drop-down position of a package directory (the package decides the order).
int IndexOf(const Window& w, const std::string& directory) {
  const auto& items = w.Find(CSelectFirmwareDlg::kIdVersions)->items;
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i] == directory) return static_cast<int>(i);
  return -1;
}

// Picks a version in the "Select Firmware " dialog and confirms it.
ui::ScriptedHost::ModalScript PickVersion(const std::string& directory) {
  return [directory](Window& w) {
    w.UserSelect(CSelectFirmwareDlg::kIdVersions, IndexOf(w, directory));
    w.Press(ui::kIdOk);
  };
}

std::string Field(const Window& w, int index) {
  return w.Text(CSelectFirmwareDlg::kIdFirstField + index);
}

TEST(SelectFirmwareDialog, ShowsTheSelectedVersionAndCancelLeavesThePackageClosed) {
  SamplePackage sample;
  ui::ScriptedHost host;
  CSelectFirmwareDlg::Install();
  FirmwarePackage package;
  ASSERT_TRUE(package.Open(sample.Path()));

  std::vector<std::string> entries;
  std::vector<std::string> first;
  std::vector<std::string> second;
  host.QueueModal([&](Window& w) {
    EXPECT_EQ(w.Title(), "Select Firmware ");
    EXPECT_EQ(w.Text(CSelectFirmwareDlg::kIdHeading), "Select one of the following ZEL Firmware!");
    entries = w.Find(CSelectFirmwareDlg::kIdVersions)->items;
    EXPECT_EQ(w.Selection(CSelectFirmwareDlg::kIdVersions), 0);
    for (int i = 0; i < 4; ++i) first.push_back(Field(w, i));
    w.UserSelect(CSelectFirmwareDlg::kIdVersions, IndexOf(w, "ZEL_1030"));
    for (int i = 0; i < 4; ++i) second.push_back(Field(w, i));
    EXPECT_EQ(Field(w, 4), "Previous firmware for comparison");
    EXPECT_FALSE(Field(w, 5).empty()) << "the date";
    w.Press(CSelectFirmwareDlg::kIdReadMe);
    w.Press(ui::kIdCancel);
  });
  std::string directory = "untouched";
  EXPECT_FALSE(package.ChooseVersion(directory, true));
  EXPECT_FALSE(package.IsOpen()) << "Cancel leaves the package closed";
  EXPECT_EQ(directory, "untouched");

  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(std::set<std::string>(entries.begin(), entries.end()),
            (std::set<std::string>{"ZEL_1040", "ZEL_1030"}));
  // The first entry is selected at the start: its software version is in its name.
  EXPECT_EQ(first,
            (std::vector<std::string>{"0x" + entries[0].substr(4), "0x0200", "0x0001", "0x0100"}));
  EXPECT_EQ(second, (std::vector<std::string>{"0x1030", "0x0200", "0x0001", "0x0100"}));
  const auto shown = host.ShownTexts();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].first, "Content of ReadMe.txt");
  EXPECT_TRUE(host.Messages().empty());

  ASSERT_TRUE(package.Open(sample.Path()));
  host.QueueModal(PickVersion("ZEL_1030"));
  ASSERT_TRUE(package.ChooseVersion(directory, true));
  EXPECT_EQ(directory, "ZEL_1030");
  EXPECT_TRUE(package.IsOpen()) << "OK reopens the package";
  FirmwareInfo info;
  EXPECT_TRUE(package.ReadInfo(directory, info));
  EXPECT_EQ(info.softwareVersion, 0x1030);
  FirmwarePackage::SetVersionChooser({});
}

TEST(SelectFirmwareDialog, APackageThatCannotBeReadOffersNothing) {
  SamplePackage sample;
  ui::ScriptedHost host;
  // Cut to the first sector: the compound file's directory is gone.
  fs::resize_file(sample.Path(), 512);
  std::string directory;
  EXPECT_FALSE(CSelectFirmwareDlg::Choose(sample.Path(), directory));
  EXPECT_TRUE(host.ModalTitles().empty()) << "no empty dialog";
  EXPECT_TRUE(directory.empty());
}

struct BrowseView {
  std::vector<std::string> file;
  std::vector<std::uint32_t> colours;
  std::string fileName;
};

BrowseView ReadBrowse(const Window& w) {
  BrowseView view;
  for (int i = 0; i < 4; ++i) {
    const ui::Control* cell = w.Find(CBrowseFirmwareDlg::kIdFirstFileCell + i);
    view.file.push_back(cell->text);
    view.colours.push_back(cell->colour);
  }
  view.fileName = w.Text(CBrowseFirmwareDlg::kIdFileName);
  return view;
}

TEST(BrowseFirmwareDialog, AVersionThatDiffersIsRedAndKeepsTheDialogOpenUntilTheRightOne) {
  SamplePackage sample;
  ui::ScriptedHost host;
  CSelectFirmwareDlg::Install();
  FirmwareInfo wanted = Version(0x1040, "/old/place/Zel.bin");

  std::vector<std::string> zel;
  std::string initialFolder;
  BrowseView wrong;
  BrowseView right;
  bool openAfterWrongOk = false;
  host.QueueModal([&](Window& w) {
    EXPECT_EQ(w.Title(), "Browse Firmware File");
    for (int i = 0; i < 4; ++i) zel.push_back(w.Text(CBrowseFirmwareDlg::kIdFirstZelCell + i));
    initialFolder = w.Text(CBrowseFirmwareDlg::kIdFileName);
    host.QueueFile(sample.Path());
    host.QueueModal(PickVersion("ZEL_1030"));
    w.Press(CBrowseFirmwareDlg::kIdBrowse);
    wrong = ReadBrowse(w);
    w.Press(ui::kIdOk);
    openAfterWrongOk = !w.IsEnded();
    host.QueueFile(sample.Path());
    host.QueueModal(PickVersion("ZEL_1040"));
    w.Press(CBrowseFirmwareDlg::kIdBrowse);
    right = ReadBrowse(w);
    w.Press(ui::kIdOk);
  });
  FirmwareInfo chosen;
  ASSERT_TRUE(CBrowseFirmwareDlg::Browse(wanted, chosen));
  EXPECT_EQ(chosen.packageDirectory, "ZEL_1040");
  EXPECT_EQ(chosen.packagePath, sample.Path());

  EXPECT_EQ(zel, (std::vector<std::string>{"0x1040", "0x0200", "0x0001", "0x0100"}));
  EXPECT_EQ(initialFolder, "/old/place");
  EXPECT_EQ(wrong.file, (std::vector<std::string>{"0x1030", "0x0200", "0x0001", "0x0100"}));
  EXPECT_EQ(wrong.colours,
            (std::vector<std::uint32_t>{CBrowseFirmwareDlg::kDifferentColour, ui::kDefaultColour,
                                        ui::kDefaultColour, ui::kDefaultColour}));
  EXPECT_EQ(wrong.fileName, sample.Path());
  EXPECT_TRUE(openAfterWrongOk);
  EXPECT_EQ(right.colours, std::vector<std::uint32_t>(4, ui::kDefaultColour));
  EXPECT_EQ(host.Messages(), (std::vector<std::string>{"Select a file with the correct version!",
                                                       "Select a file with the correct version!"}))
      << "once on \"...\" and once on OK";
  const auto requests = host.FileRequests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests[0].filter, "Firmware Files (*.bin)|*.bin||");
  EXPECT_EQ(requests[0].defaultExtension, "bin");
  EXPECT_EQ(requests[0].initialDirectory, "/old/place");
  FirmwarePackage::SetVersionChooser({});
}

TEST(BrowseFirmwareDialog, DamagedFileOrNoFileNeverConfirms) {
  SamplePackage sample;
  ui::ScriptedHost host;
  const fs::path junk = sample.Dir() / "junk.bin";
  std::ofstream(junk) << "not a compound file";

  BrowseView afterJunk;
  host.QueueModal([&](Window& w) {
    EXPECT_EQ(w.Text(CBrowseFirmwareDlg::kIdFileName), "C:\\") << "no package in use yet";
    host.QueueFile(junk.string());
    w.Press(CBrowseFirmwareDlg::kIdBrowse);
    afterJunk = ReadBrowse(w);
    w.Press(ui::kIdOk);
    w.Press(CBrowseFirmwareDlg::kIdDetails);  // no action
    w.Press(ui::kIdCancel);
  });
  FirmwareInfo chosen;
  chosen.meaning = "untouched";
  EXPECT_FALSE(CBrowseFirmwareDlg::Browse(Version(0x1040), chosen));
  EXPECT_EQ(chosen.meaning, "untouched");
  EXPECT_EQ(afterJunk.file, std::vector<std::string>(4));
  EXPECT_EQ(afterJunk.fileName, "C:\\");
  EXPECT_EQ(host.Messages(), (std::vector<std::string>{"Error opening Firmware file!",
                                                       "Select a file with the correct version!"}));
}

std::vector<std::vector<std::string>> Rows(const Window& w) {
  return w.Find(CSetupFirmwareFilesDlg::kIdList)->rows;
}

TEST(SetupFirmwareFilesDialog, RefusesADuplicateAndDeletesExactlyTheSelectedRow) {
  SamplePackage sample;
  ui::ScriptedHost host;
  CSelectFirmwareDlg::Install();
  FirmwareRegistry registry;
  CSetupFirmwareFilesDlg::Install(registry);
  // Three versions registered; all point at the sample so that none is dropped as missing.
  registry.ReplaceRecords({Version(0x1010, sample.Path()), Version(0x1020, sample.Path()),
                           Version(0x1030, sample.Path())});

  std::vector<std::vector<std::string>> before;
  std::vector<std::vector<std::string>> after;
  host.QueueModal([&](Window& w) {
    EXPECT_EQ(w.Title(), "Setup Firmware Files");
    before = Rows(w);
    w.Press(CSetupFirmwareFilesDlg::kIdDelete);  // nothing selected
    w.UserSelect(CSetupFirmwareFilesDlg::kIdList, 1);
    w.Press(CSetupFirmwareFilesDlg::kIdDelete);
    EXPECT_EQ(w.Selection(CSetupFirmwareFilesDlg::kIdList), -1);
    host.QueueFile(sample.Path());
    host.QueueModal(PickVersion("ZEL_1040"));
    w.Press(CSetupFirmwareFilesDlg::kIdAdd);
    host.QueueFile(sample.Path());
    host.QueueModal(PickVersion("ZEL_1040"));
    w.Press(CSetupFirmwareFilesDlg::kIdAdd);  // the same version again
    host.QueueFile(std::nullopt);
    w.Press(CSetupFirmwareFilesDlg::kIdAdd);  // file dialog cancelled
    after = Rows(w);
    w.Press(ui::kIdOk);
  });
  // OK adjusts anew; the connected ZEL is the one just added.
  registry.ReportConnected(0x1040, 0x0200, 0x0001, 0x0100);
  EXPECT_TRUE(registry.EditRegistration());

  ASSERT_EQ(before.size(), 3u);
  EXPECT_EQ(before[1], (std::vector<std::string>{before[1][0], "0x1020", "0x0200", "0x0001",
                                                 "0x0100", sample.Path()}));
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[0][1], "0x1010");
  EXPECT_EQ(after[1][1], "0x1030");
  EXPECT_EQ(after[2][1], "0x1040");
  EXPECT_EQ(host.Messages(),
            (std::vector<std::string>{"No item selected!",
                                      "This firmware version is already inserted!"}));
  const auto records = registry.Records();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].softwareVersion, 0x1030);
  EXPECT_EQ(records[2].packageDirectory, "ZEL_1040");
  EXPECT_EQ(registry.Current().packageDirectory, "ZEL_1040");

  // Reopened, the dialog shows what OK kept; Delete All and Cancel change nothing.
  std::size_t reopened = 0;
  host.QueueModal([&](Window& w) {
    reopened = Rows(w).size();
    w.Press(CSetupFirmwareFilesDlg::kIdDeleteAll);
    EXPECT_TRUE(Rows(w).empty());
    w.Press(ui::kIdCancel);
  });
  EXPECT_TRUE(registry.EditRegistration());
  EXPECT_EQ(reopened, 3u);
  EXPECT_EQ(registry.Records().size(), 3u);
  FirmwarePackage::SetVersionChooser({});
}

TEST(SetupFirmwareFilesDialog, IncompleteOrUnreadablePackagesAreNotAdded) {
  SamplePackage sample;
  ui::ScriptedHost host;
  const fs::path junk = sample.Dir() / "junk.bin";
  std::ofstream(junk) << "junk";
  std::vector<std::vector<std::string>> rows;
  host.QueueModal([&](Window& w) {
    host.QueueFile(junk.string());
    w.Press(CSetupFirmwareFilesDlg::kIdAdd);
    host.QueueFile(sample.Path());  // two versions, chooser cancelled: silent
    w.Press(CSetupFirmwareFilesDlg::kIdAdd);
    rows = Rows(w);
    w.Press(ui::kIdOk);
  });
  std::vector<FirmwareInfo> records;
  EXPECT_TRUE(CSetupFirmwareFilesDlg::Edit(records));
  EXPECT_TRUE(records.empty());
  EXPECT_TRUE(rows.empty());
  EXPECT_EQ(host.Messages(), std::vector<std::string>{"Can't open this file"});
  const auto requests = host.FileRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].filter, "ZEL Firmware Files (*.bin)|*.bin||");
}

TEST(ApplicationAdjustmentWindow, ClosesOnTheWorkersMessageAndRefusesToCloseBefore) {
  ui::ScriptedHost host;
  std::atomic<bool> release{false};
  std::atomic<bool> finished{false};
  bool closedEarly = true;
  std::string text;
  host.QueueModal([&](Window& w) {
    text = w.Text(CApplicationAdjustmentDlg::kIdText);
    w.Press(ui::kIdCancel);  // Escape while the listeners run
    closedEarly = w.IsEnded();
    release = true;
    ui::ScriptedHost::PumpUntil([&] { return w.IsEnded(); });
  });
  const bool result = CApplicationAdjustmentDlg::Run([&] {
    while (!release) std::this_thread::yield();
    finished = true;
    return true;
  });
  EXPECT_TRUE(result);
  EXPECT_TRUE(finished) << "Run returns only after the worker";
  EXPECT_FALSE(closedEarly);
  EXPECT_EQ(text, "Application Adjustment processing ...");
  EXPECT_EQ(host.ModalTitles(), std::vector<std::string>{"Application Adjustment"});
  EXPECT_EQ(host.UnfinishedWindows(), 0);
}

TEST(ApplicationAdjustmentWindow, AFailedListenerEndsWithCancelAndTheRegistrysMessage) {
  ui::ScriptedHost host;
  struct Listener : AdjustmentListener {
    bool Adjust(const FirmwareInfo&) override {
      thread = std::this_thread::get_id();
      return ok;
    }
    bool ok = true;
    std::thread::id thread;
  };
  SamplePackage sample;
  FirmwareRegistry registry;
  CApplicationAdjustmentDlg::Install(registry);
  Listener first;
  Listener second;
  first.ok = false;
  registry.AddListener(first);
  registry.AddListener(second);
  registry.Register(Version(0x1040, sample.Path()));
  registry.ReportConnected(0x1040, 0x0200, 0x0001, 0x0100);

  int windowResult = 0;
  host.QueueModal([&](Window& w) {
    ui::ScriptedHost::PumpUntil([&] { return w.IsEnded(); });
    windowResult = w.Result();
  });
  EXPECT_FALSE(registry.Adjust(false));
  EXPECT_EQ(windowResult, ui::kResultCancel);
  EXPECT_NE(first.thread, std::this_thread::get_id()) << "listeners run on the worker";
  EXPECT_EQ(second.thread, std::thread::id()) << "the list stops at the first failure";
  EXPECT_EQ(host.Messages(), std::vector<std::string>{"The adjustment procedure failed!"});
  EXPECT_FALSE(registry.IsBusy());

  // A host that cannot show the window still waits for the worker's answer.
  first.ok = true;
  host.Clear();
  EXPECT_TRUE(registry.Adjust(true));
  EXPECT_NE(second.thread, std::thread::id());
  EXPECT_TRUE(host.Messages().empty());
}

}  // namespace
}  // namespace zel::firmware
