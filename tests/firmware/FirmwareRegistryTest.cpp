#include "firmware/FirmwareRegistry.h"

#include <gtest/gtest.h>

#include <thread>

#include "TestPackages.h"
#include "files/ArchiveReader.h"
#include "files/ArchiveWriter.h"
#include "firmware/FirmwareBrowseModel.h"
#include "firmware/FirmwarePackage.h"
#include "firmware/FirmwareRegistrationList.h"
#include "ui/ScriptedHost.h"

namespace zel::firmware {
namespace {

using test::AddVersion;
using test::ScratchDir;
using test::SummaryText;
using zelpack::PackageNode;

class RecordingListener : public AdjustmentListener {
 public:
  RecordingListener(std::vector<std::string>& log, std::string name, bool result)
      : log_(log), name_(std::move(name)), result_(result) {}
  bool Adjust(const FirmwareInfo& current) override {
    log_.push_back(name_ + ":" + current.packageDirectory);
    onUiThread_ = std::this_thread::get_id() == uiThread_;
    return result_;
  }
  bool onUiThread_ = true;

 private:
  std::thread::id uiThread_ = std::this_thread::get_id();
  std::vector<std::string>& log_;
  std::string name_;
  bool result_;
};

FirmwareInfo Record(std::uint16_t software, const std::string& path,
                    const std::string& directory = "V") {
  FirmwareInfo info;
  info.softwareVersion = software;
  info.hardwareVersion = 0x0200;
  info.applicationNumber = 1;
  info.applicationVersion = 0x0100;
  info.packagePath = path;
  info.packageDirectory = directory;
  return info;
}

// A real file so that the registry's existence check keeps the record.
std::string ExistingFile(const std::string& testName, const std::string& name) {
  const auto path = ScratchDir(testName) / name;
  test::WriteBytes(path, test::Bytes("x"));
  return path.string();
}

TEST(FirmwareRegistryTest, ReportsTellWhetherTheConnectedVersionDiffers) {
  FirmwareRegistry registry;
  // current starts at all zeros, so any real ZEL needs an adjustment.
  EXPECT_TRUE(registry.ReportConnected(0x1040, 0x0200, 1, 0x0100));
  EXPECT_FALSE(registry.ReportConnected(0, 0, 0, 0));
  // Nothing differs: an unforced adjustment does nothing at all, not even browse.
  ui::ScriptedHost host;
  bool browsed = false;
  registry.SetBrowseHook([&](const FirmwareInfo&, FirmwareInfo&) { return browsed = true; });
  EXPECT_TRUE(registry.Adjust(false));
  EXPECT_FALSE(browsed);
  EXPECT_EQ(host.WaitCursorDepth(), 0);
}

TEST(FirmwareRegistryTest, AdjustsFromTheRegisteredPackageAndRunsListenersOffTheUiThread) {
  const std::string path = ExistingFile("adjust", "a.bin");
  FirmwareRegistry registry;
  ASSERT_TRUE(registry.Register(Record(0x1040, path, "Match")));
  ASSERT_TRUE(registry.Register(Record(0x1030, path, "Other")));
  std::vector<std::string> log;
  RecordingListener first(log, "first", true), second(log, "second", true);
  registry.AddListener(first);
  registry.AddListener(second);
  ui::ScriptedHost host;

  ASSERT_TRUE(registry.ReportConnected(0x1040, 0x0200, 1, 0x0100));
  EXPECT_TRUE(registry.Adjust(false));
  EXPECT_EQ(log, (std::vector<std::string>{"first:Match", "second:Match"}));
  EXPECT_FALSE(first.onUiThread_);
  EXPECT_EQ(registry.Current().packageDirectory, "Match");
  EXPECT_EQ(registry.Current().packagePath, path);
  EXPECT_FALSE(registry.IsBusy());
  EXPECT_FALSE(registry.ReportConnected(0x1040, 0x0200, 1, 0x0100));

  // Forced, the same version adjusts again.
  log.clear();
  EXPECT_TRUE(registry.Adjust(true));
  EXPECT_EQ(log.size(), 2u);
  EXPECT_TRUE(host.Messages().empty());
}

TEST(FirmwareRegistryTest, AFailingListenerStopsTheRestAndFailsTheAdjustment) {
  const std::string path = ExistingFile("fail", "a.bin");
  FirmwareRegistry registry;
  registry.Register(Record(0x1040, path));
  std::vector<std::string> log;
  RecordingListener failing(log, "failing", false), later(log, "later", true);
  registry.AddListener(failing);
  registry.AddListener(later);
  bool windowShown = false;
  registry.SetAdjustmentRunner([&](const std::function<bool()>& work) {
    windowShown = true;
    bool result = false;
    std::thread worker([&] { result = work(); });
    worker.join();
    return result;
  });
  ui::ScriptedHost host;
  registry.ReportConnected(0x1040, 0x0200, 1, 0x0100);
  EXPECT_FALSE(registry.Adjust(false));
  EXPECT_TRUE(windowShown);
  EXPECT_EQ(log, std::vector<std::string>{"failing:V"});
  EXPECT_EQ(host.Messages(), std::vector<std::string>{"The adjustment procedure failed!"});
  EXPECT_FALSE(registry.IsBusy());
  EXPECT_TRUE(registry.ReportConnected(0x1040, 0x0200, 1, 0x0100));
}

TEST(FirmwareRegistryTest, UnknownVersionsAreBrowsedForAndMovedPackagesForgotten) {
  const std::string kept = ExistingFile("browse", "kept.bin");
  const std::string chosenPath = ExistingFile("browse-chosen", "chosen.bin");
  FirmwareRegistry registry;
  registry.Register(Record(0x1030, kept));
  registry.ReplaceRecords({Record(0x1030, kept), Record(0x1040, "/nonexistent/moved.bin")});
  ui::ScriptedHost host;

  // The only record of the connected version has gone away: browse, and Cancel fails.
  FirmwareInfo asked;
  registry.SetBrowseHook([&](const FirmwareInfo& wanted, FirmwareInfo&) {
    asked = wanted;
    EXPECT_TRUE(registry.IsBusy());
    // Reports while adjusting are ignored.
    EXPECT_FALSE(registry.ReportConnected(0x9999, 0, 0, 0));
    return false;
  });
  registry.ReportConnected(0x1040, 0x0200, 1, 0x0100);
  EXPECT_FALSE(registry.Adjust(false));
  EXPECT_EQ(asked.softwareVersion, 0x1040);
  EXPECT_EQ(registry.Records().size(), 1u);
  EXPECT_FALSE(registry.IsBusy());
  EXPECT_EQ(host.WaitCursorDepth(), 0);
  // Not adjusted, so the version in use is still the old one and the next report retries.
  EXPECT_EQ(registry.Current().softwareVersion, 0);
  EXPECT_TRUE(registry.ReportConnected(0x1040, 0x0200, 1, 0x0100));

  registry.SetBrowseHook([&](const FirmwareInfo&, FirmwareInfo& chosen) {
    chosen = Record(0x1040, chosenPath, "Chosen");
    return true;
  });
  EXPECT_TRUE(registry.Adjust(false));
  EXPECT_EQ(registry.Current().packageDirectory, "Chosen");
  ASSERT_EQ(registry.Records().size(), 2u);
  EXPECT_EQ(registry.Records()[1].packagePath, chosenPath);
}

TEST(FirmwareRegistryTest, RegisterRefusesASecondRecordOfTheSameVersion) {
  const std::string path = ExistingFile("register", "a.bin");
  FirmwareRegistry registry;
  EXPECT_TRUE(registry.Register(Record(0x1040, path, "One")));
  FirmwareInfo sameVersion = Record(0x1040, path, "Two");
  sameVersion.meaning = "different texts do not make a different version";
  EXPECT_FALSE(registry.Register(sameVersion));
  EXPECT_TRUE(registry.Register(Record(0x1041, path, "Three")));
  ASSERT_EQ(registry.Records().size(), 2u);
  EXPECT_EQ(registry.Records()[0].packageDirectory, "One");
}

TEST(FirmwareRegistryTest, StoredFormKeepsItsFieldOrderAndSurvivesDamage) {
  FirmwareInfo info = Record(0x1040, "/p/a.bin", "Dir");
  info.applicationNumber = 0x0007;
  info.applicationVersion = 0x0102;
  info.sampleNumber = "S";
  info.visum = "V";
  info.meaning = "M";
  info.date = 1700000000;
  info.binaryFiles = {"b0", "b1"};
  info.parameterFiles = {"p0"};
  info.docFiles = {"d0"};
  info.variousFiles = {};
  FirmwareRegistry registry;
  registry.ReplaceRecords({info});
  files::ArchiveWriter writer;
  registry.Store(writer);
  const std::vector<std::uint8_t> bytes = writer.Data();
  // Count, then application number and version before software and hardware version.
  const std::vector<std::uint8_t> head = {1,    0,    0,    0,    0x07, 0x00,
                                          0x02, 0x01, 0x40, 0x10, 0x00, 0x02};
  ASSERT_GE(bytes.size(), head.size());
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 12), head);
  // Lists go binary, doc, parameter, various: the doc list's "d0" comes before "p0".
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_LT(text.find("d0"), text.find("p0"));

  FirmwareRegistry loaded;
  files::ArchiveReader reader(bytes);
  loaded.Load(reader);
  ASSERT_EQ(loaded.Records().size(), 1u);
  const FirmwareInfo back = loaded.Records()[0];
  EXPECT_TRUE(back.SameVersion(info));
  EXPECT_EQ(back.packagePath, "/p/a.bin");
  EXPECT_EQ(back.date, 1700000000);
  EXPECT_EQ(back.binaryFiles, info.binaryFiles);
  EXPECT_EQ(back.docFiles, info.docFiles);
  EXPECT_EQ(back.parameterFiles, info.parameterFiles);

  // A truncated archive or a lying count throws and leaves the records as they were.
  for (std::size_t cut : {std::size_t{2}, bytes.size() / 2, bytes.size() - 1}) {
    files::ArchiveReader shortReader(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + cut));
    EXPECT_THROW(loaded.Load(shortReader), files::ArchiveError);
    EXPECT_EQ(loaded.Records().size(), 1u);
  }
  std::vector<std::uint8_t> lying = bytes;
  lying[0] = 0xFF;
  lying[3] = 0x7F;
  files::ArchiveReader lyingReader(lying);
  EXPECT_THROW(loaded.Load(lyingReader), files::ArchiveError);
  EXPECT_EQ(loaded.Records().size(), 1u);
}

class RegistrationDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto dir = ScratchDir("registration");
    PackageNode a, b, incomplete;
    AddVersion(a, "A");
    AddVersion(b, "B", SummaryText({"0x1030"}));
    std::string summary = SummaryText({"0x1020"});
    summary.erase(summary.find("BinaryFile2=BinaryFiles\\TiBoot.out\r\n"), 37);
    AddVersion(incomplete, "I", summary);
    pathA_ = test::WritePackage(a, dir / "a.bin");
    pathB_ = test::WritePackage(b, dir / "b.bin");
    pathIncomplete_ = test::WritePackage(incomplete, dir / "incomplete.bin");
    damaged_ = (dir / "damaged.bin").string();
    std::vector<std::uint8_t> bytes = test::FileBytes(pathA_);
    bytes.resize(600);
    test::WriteBytes(damaged_, bytes);
  }
  std::string pathA_, pathB_, pathIncomplete_, damaged_;
};

TEST_F(RegistrationDialogTest, AddsVersionsOnceAndDeletesExactlyTheSelectedRow) {
  ui::ScriptedHost host;
  FirmwareRegistrationList list({});
  EXPECT_TRUE(list.AddFirmware(pathA_));
  EXPECT_FALSE(list.AddFirmware(pathA_));
  EXPECT_EQ(host.LastMessage(), "This firmware version is already inserted!");
  EXPECT_TRUE(list.AddFirmware(pathB_));
  host.Clear();

  EXPECT_FALSE(list.AddFirmware(pathIncomplete_));
  EXPECT_EQ(host.Messages(), (std::vector<std::string>{"The binary file 'TiBoot.out' is missing!",
                                                       "Bad file format!"}));
  host.Clear();
  const std::vector<std::uint8_t> before = test::FileBytes(damaged_);
  EXPECT_FALSE(list.AddFirmware(damaged_));
  EXPECT_EQ(host.Messages(), std::vector<std::string>{"Can't open this file"});
  EXPECT_EQ(test::FileBytes(damaged_), before);
  ASSERT_EQ(list.Records().size(), 2u);

  const std::string pathC = ExistingFile("registration-c", "c.bin");
  FirmwareRegistrationList three({Record(1, pathA_), Record(2, pathB_), Record(3, pathC)});
  host.Clear();
  EXPECT_FALSE(three.DeleteSelected(-1));
  EXPECT_EQ(host.LastMessage(), "No item selected!");
  EXPECT_TRUE(three.DeleteSelected(1));
  ASSERT_EQ(three.Records().size(), 2u);
  EXPECT_EQ(three.Records()[0].softwareVersion, 1);
  EXPECT_EQ(three.Records()[1].softwareVersion, 3);

  // OK hands the list to the registry; reopening the dialog shows the two rows left.
  FirmwareRegistry registry;
  registry.ReplaceRecords(three.Records());
  FirmwareRegistrationList reopened(registry.Records());
  EXPECT_EQ(reopened.Records().size(), 2u);
  const auto row = FirmwareRegistrationList::RowTexts(list.Records()[1]);
  EXPECT_EQ(row[0], "05.03.2024 14:07");
  EXPECT_EQ(row[1], "0x1030");
  EXPECT_EQ(row[2], "0x0200");
  EXPECT_EQ(row[5], pathB_);
}

TEST_F(RegistrationDialogTest, EditRegistrationAdjustsAfterOkAndKeepsTheRecordsOnCancel) {
  ui::ScriptedHost host;
  FirmwareRegistry registry;
  registry.Register(Record(0x1030, pathB_, "B"));
  registry.SetRegistrationEditor([](std::vector<FirmwareInfo>&) { return false; });
  EXPECT_TRUE(registry.EditRegistration());
  EXPECT_EQ(registry.Records().size(), 1u);

  // OK with the ZEL's package deleted: the forced adjustment finds nothing and says so.
  registry.ReportConnected(0x1030, 0x0200, 1, 0x0100);
  registry.SetRegistrationEditor([](std::vector<FirmwareInfo>& records) {
    records.clear();
    return true;
  });
  EXPECT_FALSE(registry.EditRegistration());
  EXPECT_EQ(host.LastMessage(), FirmwareRegistry::kNoFirmwareText);
  EXPECT_TRUE(registry.Records().empty());
}

TEST_F(RegistrationDialogTest, BrowsingMarksDifferingVersionsRedAndKeepsTheDialogOpen) {
  ui::ScriptedHost host;
  FirmwareInfo wanted = Record(0x1040, "C:\\Firmware\\old.bin");
  wanted.applicationVersion = 0x0101;  // the package holds 0x0100
  FirmwareBrowseModel model(wanted);
  EXPECT_EQ(model.InitialFolder(), "C:\\Firmware");
  EXPECT_EQ(FirmwareBrowseModel(Record(1, "")).InitialFolder(), "C:\\");
  EXPECT_EQ(model.ZelRow()[3], "0x0101");
  EXPECT_EQ(model.FileDiffers(), (std::array<bool, 4>{false, false, false, false}));

  EXPECT_FALSE(model.ChooseFile(pathA_));
  EXPECT_EQ(model.FileRow()[3], "0x0100");
  EXPECT_EQ(model.FileDiffers(), (std::array<bool, 4>{false, false, false, true}));
  EXPECT_FALSE(model.Check());  // OK does not close
  EXPECT_EQ(host.Messages(), (std::vector<std::string>{"Select a file with the correct version!",
                                                       "Select a file with the correct version!"}));
  host.Clear();
  EXPECT_FALSE(model.ChooseFile(damaged_));
  EXPECT_EQ(host.Messages(), std::vector<std::string>{"Error opening Firmware file!"});

  FirmwareBrowseModel matching(Record(0x1040, ""));
  EXPECT_TRUE(matching.ChooseFile(pathA_));
  EXPECT_TRUE(matching.Check());
  EXPECT_EQ(matching.Chosen().packageDirectory, "A");
  EXPECT_EQ(matching.FileName(), pathA_);
}

}  // namespace
}  // namespace zel::firmware
