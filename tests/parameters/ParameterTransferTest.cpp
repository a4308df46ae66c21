#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "parameters/CParameterTable.h"
#include "parameters/EnableSuspension.h"
#include "parameters/NetworkDownload.h"
#include "parameters/NetworkUpload.h"
#include "parameters/ParameterTransfer.h"
#include "support/FakeParameterDevice.h"
#include "ui/ScriptedHost.h"

namespace zel::parameters {
namespace {

class ParameterTransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("zel-transfer-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // A file uploaded from a device of software 0x1040, hardware 0x0123, its values 1000 + i
  // within each parameter's limits.
  CParameterFile MadeOn0123() {
    test::FakeParameterDevice source;
    for (auto& [number, value] : source.values) {
      std::int32_t def = 0, min = 0, max = 0;
      int service = 0;
      std::int32_t wanted = 1000 + number;
      if (table_.GetLimits(static_cast<std::int16_t>(number), def, min, max, service))
        wanted = std::clamp(wanted, min, max);
      value = static_cast<std::uint32_t>(wanted);
    }
    CParameterFile file;
    ParameterTransfer(table_, source).Upload((dir_ / "made.udf").string(), "-", "-", file);
    return file;
  }

  static bool Wrote(const test::FakeParameterDevice& device, int number) {
    return std::find(device.written.begin(), device.written.end(), number) != device.written.end();
  }

  ui::ScriptedHost host_;
  CParameterTable table_;
  std::filesystem::path dir_;
};

TEST_F(ParameterTransferTest, DownloadFollowsTheCompatibilityRuleAndKeepsTheModuleIdentity) {
  const CParameterFile file = MadeOn0123();
  ASSERT_EQ(file.version, "ZEL_1040h_0123h");

  // Only the last two digits of the hardware version may differ.
  test::FakeParameterDevice other;
  other.identity = {0x1041, 0x0123, 1, 1};
  auto refused = ParameterTransfer(table_, other)
                     .Download(file, ParameterTransfer::FailedWrite::kContinueAndSave, true);
  EXPECT_FALSE(refused.outcome.ok);
  EXPECT_EQ(refused.outcome.message, "Firmware is not compatible!");
  EXPECT_TRUE(other.written.empty());
  EXPECT_EQ(other.saves, 0);

  test::FakeParameterDevice device;
  device.identity = {0x1040, 0x0145, 1, 1};
  device.values[1] = 0x0001;
  auto report = ParameterTransfer(table_, device)
                    .Download(file, ParameterTransfer::FailedWrite::kContinueAndSave, true);
  EXPECT_TRUE(report.outcome.ok) << report.outcome.message;
  EXPECT_EQ(report.outcome.message, "System parameters are permanent stored!");
  EXPECT_EQ(device.saves, 1);
  EXPECT_EQ(device.suspends, 1);
  EXPECT_EQ(device.resumes, 1);
  for (int keep : {30, 31, 37, 38}) {
    EXPECT_FALSE(Wrote(device, keep)) << keep;
    EXPECT_EQ(device.values[keep], static_cast<std::uint32_t>(100 + keep)) << keep;
  }
  EXPECT_EQ(report.skipped, (std::vector<std::int16_t>{30, 31, 37, 38}));
  EXPECT_EQ(device.values[17], 1017u);
  // Every downloaded SysConfig enables by software.
  EXPECT_EQ(device.values[1], static_cast<std::uint32_t>(1001 | 0x1000));
  EXPECT_EQ(device.written.size(), 38u);

  // Editing needs the very same version: 0x0145 is refused there.
  test::FakeParameterDevice editTarget;
  editTarget.identity = {0x1040, 0x0145, 1, 1};
  bool edited = false;
  auto outcome = ParameterTransfer(table_, editTarget)
                     .EditFile((dir_ / "made.udf").string(), [&](SystemParameterBlock&) {
                       edited = true;
                       return true;
                     });
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message, "The ZEL version on the RS232 and the version from the the\n " +
                                 (dir_ / "made.udf").string() + "\nare not compatible!");
  EXPECT_FALSE(edited);
  EXPECT_TRUE(editTarget.written.empty());

  // The network assignment compares software versions only.
  EXPECT_TRUE(ParameterTransfer::SameSoftware("ZEL_1040h_0123h", "ZEL_1040h_4523h"));
  EXPECT_FALSE(ParameterTransfer::SameSoftware("ZEL_1040h_0123h", "ZEL_1041h_0123h"));
}

TEST_F(ParameterTransferTest, FailedWriteGoesOnForTheDesktopAndStopsForAScript) {
  const CParameterFile file = MadeOn0123();
  test::FakeParameterDevice desk;
  desk.failWrites = {5};
  auto report = ParameterTransfer(table_, desk)
                    .Download(file, ParameterTransfer::FailedWrite::kContinueAndSave, true);
  EXPECT_FALSE(report.outcome.ok);
  EXPECT_EQ(report.failed, (std::vector<std::int16_t>{5}));
  EXPECT_TRUE(Wrote(desk, 41));
  EXPECT_EQ(desk.saves, 1);
  EXPECT_EQ(host_.Messages(), (std::vector<std::string>{"Command failed!"}));

  test::FakeParameterDevice script;
  script.failWrites = {5};
  report = ParameterTransfer(table_, script)
               .Download(file, ParameterTransfer::FailedWrite::kStopAtFailure, false);
  EXPECT_FALSE(report.outcome.ok);
  EXPECT_EQ(report.written.size(), 5u);  // 0 to 4
  EXPECT_FALSE(Wrote(script, 6));
  EXPECT_EQ(script.saves, 0);
  EXPECT_EQ(script.resumes, 1);
}

TEST_F(ParameterTransferTest, EditingAFileLeavesTheDeviceAsItWasAndSavesTheEdit) {
  const CParameterFile file = MadeOn0123();
  test::FakeParameterDevice device;
  const auto before = device.values;
  auto outcome =
      ParameterTransfer(table_, device)
          .EditFile((dir_ / "made.udf").string(), [&](SystemParameterBlock& block) {
            EXPECT_EQ(block.words[17], 1017);  // the file's value, read back from the device
            EXPECT_EQ(block.words[30], 130);   // the device's own identity stays
            block.words[17] = 2500;
            return true;
          });
  ASSERT_TRUE(outcome.ok) << outcome.message;
  EXPECT_EQ(device.values, before);
  CParameterFile saved;
  std::string error;
  ASSERT_EQ(saved.Read(dir_ / "made.udf", error), CParameterFile::ReadResult::kOk);
  EXPECT_EQ(saved.entries[17].value, "0x09C4");
  EXPECT_EQ(saved.entries[16].value, file.entries[16].value);
  // The file keeps its own module identity, whatever the device that edited it holds.
  for (int own : {30, 31, 37, 38}) EXPECT_EQ(saved.entries[own].value, file.entries[own].value);
  EXPECT_EQ(saved.moduleId, file.moduleId);

  // Without a kept copy there is nothing to put back: the device is not written at all.
  test::FakeParameterDevice unreadable;
  unreadable.failBlockReads = true;
  bool opened = false;
  outcome = ParameterTransfer(table_, unreadable)
                .EditFile((dir_ / "made.udf").string(), [&](SystemParameterBlock&) {
                  opened = true;
                  return true;
                });
  EXPECT_FALSE(outcome.ok);
  EXPECT_FALSE(opened);
  EXPECT_EQ(unreadable.blockWrites, 0);
  EXPECT_TRUE(unreadable.written.empty());
  EXPECT_EQ(unreadable.resumes, 1);
}

TEST_F(ParameterTransferTest, DownloadClaimsOnlyWhatTheZelTookAndNamesADriveLeftDisabled) {
  CParameterFile file = MadeOn0123();
  // Values outside their definitions, or empty, are refused before anything is sent.
  const std::pair<int, std::string> refused[] = {
      {17, "0xFFFF"}, {21, "0x0000"}, {5, ""}, {9, "0xZZZZ"}};
  for (const auto& [number, text] : refused) {
    CParameterFile bad = file;
    bad.entries[static_cast<std::size_t>(number)].value = text;
    test::FakeParameterDevice device;
    auto report = ParameterTransfer(table_, device)
                      .Download(bad, ParameterTransfer::FailedWrite::kStopAtFailure, false);
    EXPECT_FALSE(report.outcome.ok) << number;
    EXPECT_TRUE(device.written.empty()) << number;
    EXPECT_EQ(device.suspends, 0) << number;
    EXPECT_NE(report.outcome.message.find("parameter " + std::to_string(number)), std::string::npos)
        << report.outcome.message;
  }
  test::FakeParameterDevice limits;
  CParameterFile fast = file;
  fast.entries[17].value = "0xFFFF";
  auto report = ParameterTransfer(table_, limits)
                    .Download(fast, ParameterTransfer::FailedWrite::kStopAtFailure, false);
  EXPECT_NE(report.outcome.message.find("MaxSpeed in the file is outside its limits 0 to 25000"),
            std::string::npos)
      << report.outcome.message;

  // A value the ZEL answers but does not take is no success, and nothing is saved.
  test::FakeParameterDevice keeping;
  keeping.keeps = {4};
  report = ParameterTransfer(table_, keeping)
               .Download(file, ParameterTransfer::FailedWrite::kStopAtFailure, false);
  EXPECT_FALSE(report.outcome.ok);
  EXPECT_EQ(report.mismatched, (std::vector<std::int16_t>{4}));
  EXPECT_EQ(keeping.saves, 0);
  EXPECT_EQ(keeping.resumes, 1);

  // A restore that fails turns the download, saved or not, into a failure naming the drive's
  // state; an upload the same.
  test::FakeParameterDevice stuck;
  stuck.failResumes = true;
  report = ParameterTransfer(table_, stuck)
               .Download(file, ParameterTransfer::FailedWrite::kStopAtFailure, false);
  EXPECT_FALSE(report.outcome.ok);
  EXPECT_TRUE(report.saved);
  EXPECT_FALSE(report.restored);
  EXPECT_NE(report.outcome.message.find("could not be written back"), std::string::npos)
      << report.outcome.message;
  CParameterFile uploaded;
  auto upload =
      ParameterTransfer(table_, stuck).Upload((dir_ / "stuck.udf").string(), "-", "-", uploaded);
  EXPECT_FALSE(upload.ok);
  EXPECT_NE(upload.message.find("The drive stays disabled"), std::string::npos) << upload.message;

  // A module is named in a network download's report; after its failed, reported restore
  // nothing touches it again, not even the guard's own end.
  NetworkDownload network(table_,
                          [](std::uint16_t id) {
                            auto device = std::make_unique<test::FakeParameterDevice>(id);
                            device->failResumes = true;
                            return device;
                          },
                          {{5, (dir_ / "made.udf").string()}});
  ASSERT_TRUE(network.Step());
  EXPECT_EQ(network.Report(),
            "   Module 005: Download failed\n"
            "      The CAN Module 5 stays disabled: SysConfig 0x13E9 could not be written back.\n");
  int triesReported = 0;
  test::FakeParameterDevice silentModule(7);
  {
    EnableSuspension suspension(silentModule);
    ASSERT_TRUE(suspension.Suspend(false));
    silentModule.failResumes = true;
    silentModule.failReads = true;
    EXPECT_FALSE(suspension.Resume(true));
    EXPECT_EQ(suspension.LeftWith(),
              "The CAN Module 7 may stay disabled with enabling by software (SysConfig bit 12): "
              "the module did not answer while its enabling was put back.");
    triesReported = silentModule.resumeTries;
  }
  EXPECT_EQ(silentModule.resumeTries, triesReported);

  // Stop between two writes: nothing saved, the drive put back, the outcome says so.
  test::FakeParameterDevice stopped;
  ParameterTransfer transfer(table_, stopped);
  transfer.SetStopCheck([&] { return stopped.written.size() >= 3; });
  report = transfer.Download(file, ParameterTransfer::FailedWrite::kStopAtFailure, false);
  EXPECT_TRUE(report.stopped);
  EXPECT_EQ(stopped.written.size(), 3u);
  EXPECT_EQ(stopped.saves, 0);
  EXPECT_EQ(stopped.resumes, 1);
  EXPECT_EQ(report.outcome.message,
            std::string(ParameterTransfer::kStopped) + "\n" + EnableSuspension::kPutBack);
}

TEST_F(ParameterTransferTest, StoppedNetworkUploadLeavesTheFilesOfTheModulesDone) {
  std::vector<std::uint16_t> asked;
  NetworkUpload upload(
      table_,
      [&](std::uint16_t id) {
        asked.push_back(id);
        auto device = std::make_unique<test::FakeParameterDevice>(id);
        device->failReads = id == 9;
        return device;
      },
      {3, 9, 5, 6}, (dir_ / "line.udf").string(), "KM", "net");
  EXPECT_EQ(upload.CurrentText(), "Parameter from module 3 will be uploaded!");
  ASSERT_TRUE(upload.Step());
  ASSERT_TRUE(upload.Step());
  ASSERT_TRUE(upload.Step());
  upload.Stop();
  EXPECT_FALSE(upload.Step());
  EXPECT_EQ(asked, (std::vector<std::uint16_t>{3, 9, 5}));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "line_ModuleId_3.udf"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "line_ModuleId_9.udf"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "line_ModuleId_5.udf"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "line_ModuleId_6.udf"));
  EXPECT_EQ(upload.Report(),
            "System Parameters from ZEL Modules \n\n"
            "     Module 003: Upload successful\n"
            "     Module 9: Upload failed\n"
            "     Module 005: Upload successful\n"
            "\n\nUpload breaked!");
  CParameterFile five;
  std::string error;
  ASSERT_EQ(five.Read(dir_ / "line_ModuleId_5.udf", error), CParameterFile::ReadResult::kOk);
  EXPECT_EQ(five.moduleId, 5);
  EXPECT_EQ(five.visum, "KM");
}

}  // namespace
}  // namespace zel::parameters
