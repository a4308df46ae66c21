#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/SimulatedZelCtlTest.h"
#include "sim/Simulator.h"

namespace zel::cli {
namespace {

// zelctl params against a simulated ZEL (module ID 2 at 500 kBit/s) with modules 5 and 6 on its
// bus.
class ParameterFileCommandsTest : public SimulatedZelCtlTest {
 protected:
  void Configure(sim::SimulatorOptions& options) override {
    options.canBitRateIndex = 2;
    for (uint16_t id : {5, 6}) {
      sim::CanModuleConfig module;
      module.moduleId = id;
      module.bitRateIndex = 2;
      options.modules.push_back(module);
    }
  }
  int Run(std::vector<std::string> args) {
    return SimulatedZelCtlTest::Run(args, {"--timeout", "30"});
  }
  bool InErr(const std::string& text) const { return err_.str().find(text) != std::string::npos; }
  bool InOut(const std::string& text) const { return out_.str().find(text) != std::string::npos; }
  std::string File(const std::string& name) const { return (dir_ / name).string(); }

  static void Set(sim::DeviceModel& device, uint16_t number, uint16_t value) {
    const uint16_t words[] = {number, 0, value};
    device.Execute(21, words);
  }
  static std::vector<uint16_t> Temporaries(const sim::DeviceModel& device) {
    std::vector<uint16_t> values;
    for (int i = 0; i < 42; ++i) values.push_back(device.TempParameter(i));
    return values;
  }
};

TEST_F(ParameterFileCommandsTest, UploadedFileBringsEveryParameterBackAfterTheZelWasChanged) {
  auto& zel = sim_->Device();
  Set(zel, 17, 12000);
  Set(zel, 5, 2222);
  const auto uploaded = Temporaries(zel);
  ASSERT_EQ(Run({"params", "upload", File("zel.udf"), "--visum", "KM", "--comment", "line 3"}), 0)
      << err_.str();
  EXPECT_TRUE(InOut("System Parameter are stored!")) << out_.str();
  ASSERT_EQ(Run({"--json", "params", "show", File("zel.udf")}), 0) << err_.str();
  EXPECT_TRUE(InOut("\"visum\":\"KM\",\"comment\":\"line 3\",\"moduleId\":2")) << out_.str();
  EXPECT_TRUE(InOut("{\"number\":17,\"name\":\"MaxSpeed\",\"value\":\"0x2EE0\"")) << out_.str();

  // The ZEL changes; diff names what differs and download puts it back.
  Set(zel, 17, 20000);
  Set(zel, 18, 77);
  Set(zel, 1, static_cast<uint16_t>(uploaded[1] | 0x0100));
  ASSERT_EQ(Run({"params", "diff", File("zel.udf")}), 0) << err_.str();
  EXPECT_TRUE(InOut("compatible")) << out_.str();
  EXPECT_TRUE(
      InOut("MaxSpeed             file 0x2EE0 (12000)  device 0x4E20 (20000)  limits 0..25000"))
      << out_.str();
  EXPECT_TRUE(InOut("Acceleration")) << out_.str();
  EXPECT_FALSE(InOut("Baudrate")) << out_.str();

  ASSERT_EQ(Run({"params", "download", File("zel.udf"), "--dry-run"}), 0) << err_.str();
  EXPECT_TRUE(InOut("Kept at the device's values: 30 31 37 38")) << out_.str();
  EXPECT_EQ(zel.TempParameter(17), 20000);

  ASSERT_EQ(Run({"--yes", "params", "download", File("zel.udf")}), 0) << err_.str();
  EXPECT_TRUE(InOut("System parameters are permanent stored!")) << out_.str();
  EXPECT_EQ(Temporaries(zel), uploaded);
  EXPECT_EQ(zel.EepromParameter(17), 12000);
  ASSERT_EQ(Run({"params", "diff", File("zel.udf")}), 0) << err_.str();
  EXPECT_TRUE(InOut("no differences")) << out_.str();

  ASSERT_EQ(Run({"params", "export", File("zel.udf")}), 0) << err_.str();
  std::ifstream text(File("zel.txt"), std::ios::binary);
  std::string content((std::istreambuf_iterator<char>(text)), std::istreambuf_iterator<char>());
  EXPECT_NE(content.find("17        MaxSpeed               12000          0x2EE0          \r\n"),
            std::string::npos)
      << content;
}

TEST_F(ParameterFileCommandsTest, DamagedOrOldFileIsRefusedAndTheZelKeepsItsValues) {
  ASSERT_EQ(Run({"params", "upload", File("zel.udf")}), 0) << err_.str();
  Set(sim_->Device(), 17, 9000);
  const auto before = Temporaries(sim_->Device());
  const auto size = std::filesystem::file_size(File("zel.udf"));
  std::filesystem::copy_file(File("zel.udf"), File("cut.udf"));
  std::filesystem::resize_file(File("cut.udf"), size - 3);
  EXPECT_EQ(Run({"--yes", "params", "download", File("cut.udf")}), 1);
  EXPECT_TRUE(InErr("is damaged or truncated")) << err_.str();
  {
    std::fstream old(File("zel.udf"), std::ios::in | std::ios::out | std::ios::binary);
    old.seekp(0);
    old.put(34);  // the signature without its trailing blank
  }
  EXPECT_EQ(Run({"--json", "params", "download", File("zel.udf")}), 1);
  EXPECT_TRUE(InErr("File version is to old!")) << err_.str();
  EXPECT_TRUE(InOut("\"cause\":\"badFile\"")) << out_.str();
  EXPECT_EQ(Temporaries(sim_->Device()), before);
  EXPECT_EQ(Run({"params", "download"}), 2);
}

TEST_F(ParameterFileCommandsTest, ModuleAndNetworkUploadsWriteOneFilePerModule) {
  auto& five = *sim_->Bus().Find(5);
  Set(five, 18, 4321);
  const auto uploaded = Temporaries(five);
  ASSERT_EQ(Run({"--module", "5", "params", "upload", File("m5.udf")}), 0) << err_.str();
  EXPECT_TRUE(InOut("System Parameters from module number 5 are stored!")) << out_.str();
  Set(five, 18, 10);
  Set(five, 17, 300);
  ASSERT_EQ(Run({"--yes", "--module", "5", "params", "download", File("m5.udf")}), 0) << err_.str();
  EXPECT_TRUE(InOut("(the module Id is the old)")) << out_.str();
  EXPECT_EQ(five.TempParameter(18), 4321);
  EXPECT_EQ(five.TempParameter(17), uploaded[17]);

  ASSERT_EQ(Run({"params", "upload", File("line.udf"), "--network", "--to", "7"}), 0) << err_.str();
  EXPECT_TRUE(InOut("     Module 005: Upload successful")) << out_.str();
  EXPECT_TRUE(InOut("     Module 006: Upload successful")) << out_.str();
  EXPECT_TRUE(std::filesystem::exists(File("line_ModuleId_5.udf")));
  EXPECT_TRUE(std::filesystem::exists(File("line_ModuleId_6.udf")));
  ASSERT_EQ(Run({"params", "diff", File("m5.udf"), File("line_ModuleId_5.udf")}), 0) << err_.str();
  EXPECT_TRUE(InOut("no differences")) << out_.str();
}

TEST_F(ParameterFileCommandsTest, NetworkUploadSavesWhatTheModulesHoldOrSaysTheLineIsDead) {
  auto& five = *sim_->Bus().Find(5);
  Set(five, 22, 960);
  Set(five, 36, 960);
  // A reply cut short at the start is a line error to try again, not an absent module.
  sim_->Faults().StopNextReplyAfter(0, 1);
  ASSERT_EQ(Run({"params", "upload", File("net.udf"), "--network", "--to", "7"}), 0) << err_.str();
  EXPECT_TRUE(InOut("     Module 005: Upload successful\n     Module 006: Upload successful"))
      << out_.str();
  ASSERT_EQ(Run({"--json", "params", "show", File("net_ModuleId_5.udf")}), 0) << err_.str();
  for (const char* number : {"{\"number\":22,", "{\"number\":36,"}) {
    const std::size_t at = out_.str().find(number);
    ASSERT_NE(at, std::string::npos) << number;
    EXPECT_NE(out_.str().substr(at, 60).find("\"value\":\"0x03C0\""), std::string::npos)
        << out_.str().substr(at, 60);
  }

  // The line goes dead during the first module: the upload ends at once with the line named,
  // and no module it could not read is reported as done or leaves a file.
  const uint64_t start = sim_->Stats().framesAccepted;
  std::atomic<bool> running{true};
  std::thread killer([&] {
    while (running && sim_->Stats().framesAccepted < start + 30) std::this_thread::yield();
    sim_->Faults().SetNeverAnswer(true);
  });
  EXPECT_EQ(Run({"--json", "params", "upload", File("dead.udf"), "--network", "--to", "7"}), 1);
  running = false;
  killer.join();
  sim_->Faults().ClearAll();
  EXPECT_TRUE(InErr("The serial line stopped answering")) << err_.str();
  EXPECT_TRUE(InOut("\"cause\":\"lineDead\"")) << out_.str();
  for (const char* id : {"5", "6"}) {
    const bool reported = InOut(std::string("Module 00") + id + ": Upload successful");
    EXPECT_EQ(std::filesystem::exists(File(std::string("dead_ModuleId_") + id + ".udf")), reported)
        << id;
  }
  EXPECT_FALSE(InOut("Module 006: Upload successful")) << out_.str();
}

TEST_F(ParameterFileCommandsTest, NetworkDownloadWritesEachModulesFileOrNothingWhenOneIsRefused) {
  auto& five = *sim_->Bus().Find(5);
  auto& six = *sim_->Bus().Find(6);
  Set(five, 17, 1500);
  Set(six, 17, 2500);
  ASSERT_EQ(Run({"params", "upload", File("net.udf"), "--network", "--to", "7"}), 0) << err_.str();
  const auto fiveUploaded = Temporaries(five), sixUploaded = Temporaries(six);
  Set(five, 17, 9000);
  Set(six, 18, 33);
  const std::string mapping =
      "5=" + File("net_ModuleId_5.udf") + ",6=" + File("net_ModuleId_6.udf");
  ASSERT_EQ(Run({"--yes", "params", "download", "--network", mapping}), 0) << err_.str();
  EXPECT_TRUE(InOut("   Module 005: Download successful\n   Module 006: Download successful"))
      << out_.str();
  EXPECT_EQ(Temporaries(five), fiveUploaded);
  EXPECT_EQ(Temporaries(six), sixUploaded);
  EXPECT_EQ(six.EepromParameter(17), 2500);

  // Another software version on module 6: the pair is refused and module 5 is not written either.
  Set(five, 17, 9000);
  auto identity = six.Identity();
  identity.softwareVersion = static_cast<uint16_t>(identity.softwareVersion + 1);
  six.SetIdentity(identity);
  EXPECT_EQ(Run({"--yes", "--json", "params", "download", "--network", mapping}), 1);
  EXPECT_TRUE(InErr("File and Module are not compatible!")) << err_.str();
  EXPECT_TRUE(InOut("\"cause\":\"notCompatible\"")) << out_.str();
  EXPECT_EQ(five.TempParameter(17), 9000);

  // A hardware version differing in its first two digits passes the assignment and fails the
  // download's own check; the other module is still downloaded.
  identity.softwareVersion = static_cast<uint16_t>(identity.softwareVersion - 1);
  identity.hardwareVersion = static_cast<uint16_t>(identity.hardwareVersion + 0x0100);
  six.SetIdentity(identity);
  Set(six, 18, 33);
  EXPECT_EQ(Run({"--yes", "params", "download", "--network", mapping}), 1);
  EXPECT_TRUE(InErr("   Module 005: Download successful")) << err_.str();
  EXPECT_TRUE(InErr("   Module 006: Download failed")) << err_.str();
  EXPECT_EQ(five.TempParameter(17), 1500);
  EXPECT_EQ(six.TempParameter(18), 33);

  // Pairs that are not pairs are refused as a wrong command line.
  EXPECT_EQ(Run({"params", "download", "--network",
                 "5=" + File("net_ModuleId_5.udf") + ",5=" + File("net_ModuleId_5.udf")}),
            2);
  EXPECT_EQ(Run({"params", "download", "--network", "x.udf"}), 2);
}

}  // namespace
}  // namespace zel::cli
