#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/SimulatedZelCtlTest.h"
#include "parameters/CParameterFile.h"
#include "parameters/NumberText.h"
#include "sim/Simulator.h"

namespace zel::cli {
namespace {

// The error stream of a traced zelctl run: hands every complete line to a callback as it comes,
// so that a test can act (arm a fault, send a signal) between two exchanges.
class WatchedLines : public std::stringbuf {
 public:
  explicit WatchedLines(std::function<void(const std::string&)> onLine)
      : onLine_(std::move(onLine)) {}

 protected:
  int sync() override {
    const std::string text = str();
    for (std::size_t end; (end = text.find('\n', scanned_)) != std::string::npos;) {
      onLine_(text.substr(scanned_, end - scanned_));
      scanned_ = end + 1;
    }
    return 0;
  }

 private:
  std::function<void(const std::string&)> onLine_;
  std::size_t scanned_ = 0;
};

// Counts the stop requests that reach the test itself: zelctl must have taken them over.
std::atomic<int> unguardedSignals{0};
extern "C" void CountUnguarded(int) {
  unguardedSignals.fetch_add(1);
}

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

  // Runs zelctl traced; onLine sees each trace line right after its exchange.
  int RunWatched(std::vector<std::string> args, std::function<void(const std::string&)> onLine) {
    args.insert(args.begin(), {"--device", sim_->LinkPath(), "--timeout", "30", "--trace"});
    WatchedLines lines(std::move(onLine));
    std::ostream err(&lines);
    out_.str("");
    const int rc = RunZelCtl(args, out_, err);
    err_.str(lines.str());
    return rc;
  }
  // Calls act once, after the nth exchange of that command.
  static std::function<void(const std::string&)> After(const std::string& command, int nth,
                                                       std::function<void()> act) {
    auto seen = std::make_shared<int>(0);
    return [=](const std::string& line) {
      if (line.find(" " + command + " ") != std::string::npos && ++*seen == nth) act();
    };
  }

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

TEST_F(ParameterFileCommandsTest, FailedOrStoppedTransferPutsTheDriveBackAndSaysWhatItHolds) {
  auto& zel = sim_->Device();
  const uint16_t own = zel.TempParameter(1);
  ASSERT_EQ(own & 0x1000, 0) << "the ZEL is enabled by its input";
  const std::string ownText = parameters::NumberText::FormatHex16(own);
  const std::string held = parameters::NumberText::FormatHex16(static_cast<uint16_t>(own | 0x1000));

  // The file records the ZEL's own enable source, not the one the upload held it with.
  Set(zel, 17, 12000);
  ASSERT_EQ(Run({"--yes", "params", "upload", File("zel.udf")}), 0) << err_.str();
  parameters::CParameterFile file;
  std::string error;
  ASSERT_EQ(file.Read(File("zel.udf"), error), parameters::CParameterFile::ReadResult::kOk);
  EXPECT_EQ(file.entries[1].value, ownText);

  // An upload whose read fails half-way writes no file, puts the drive back and says so.
  EXPECT_EQ(RunWatched({"--yes", "params", "upload", File("lost.udf")},
                       After("ReadAllTempParam", 1, [&] { sim_->Faults().SilenceOpcodes(1); })),
            1);
  EXPECT_TRUE(
      InErr("zelctl: The parameters were not read completely; no file was written.\n"
            "zelctl: The drive's enable source and state were put back."))
      << err_.str();
  EXPECT_FALSE(std::filesystem::exists(File("lost.udf")));
  EXPECT_EQ(zel.TempParameter(1), own);

  // Ctrl-C or SIGTERM between two exchanges stops the transfer: nothing is saved, the drive
  // comes back, zelctl says so and fails.
  struct sigaction counting {
  }, before[2];
  counting.sa_handler = CountUnguarded;
  sigaction(SIGINT, &counting, &before[0]);
  sigaction(SIGTERM, &counting, &before[1]);
  unguardedSignals = 0;
  EXPECT_EQ(RunWatched({"--yes", "params", "download", File("zel.udf")},
                       After("SetTempParam", 6, [] { std::raise(SIGINT); })),
            1);
  EXPECT_TRUE(InErr("Stopped by the user.")) << err_.str();
  EXPECT_TRUE(InErr("The drive's enable source and state were put back.")) << err_.str();
  EXPECT_EQ(zel.EepromParameter(17), 25000) << "nothing saved";
  EXPECT_EQ(zel.TempParameter(1), own);
  EXPECT_EQ(RunWatched({"--yes", "params", "upload", File("stopped.udf")},
                       After("ReadTempParam", 12, [] { std::raise(SIGTERM); })),
            1);
  EXPECT_TRUE(InErr("Stopped by the user.")) << err_.str();
  EXPECT_FALSE(std::filesystem::exists(File("stopped.udf")));
  EXPECT_EQ(zel.TempParameter(1), own);
  // A module behind the gateway the same, and a closed terminal (SIGHUP) too.
  auto& five = *sim_->Bus().Find(5);
  const uint16_t fiveOwn = five.TempParameter(1);
  EXPECT_EQ(RunWatched({"--yes", "--module", "5", "params", "upload", File("m5.udf")},
                       After("GetRemoteData", 20, [] { std::raise(SIGHUP); })),
            1);
  EXPECT_TRUE(InErr("Stopped by the user.")) << err_.str();
  EXPECT_FALSE(std::filesystem::exists(File("m5.udf")));
  EXPECT_EQ(five.TempParameter(1), fiveOwn);
  EXPECT_EQ(unguardedSignals, 0);
  sigaction(SIGINT, &before[0], nullptr);
  sigaction(SIGTERM, &before[1], nullptr);
  sigaction(SIGHUP, &before[2], nullptr);

  // The parameters are saved, but the enable source cannot be put back: no success, and the
  // output names what the drive holds.
  EXPECT_EQ(
      RunWatched({"--yes", "params", "download", File("zel.udf")},
                 After("SaveTempParam", 1, [&] { sim_->Faults().CorruptNextReplyChecksum(2); })),
      1);
  EXPECT_TRUE(InErr("saved to the EEPROM, but the drive's enabling could not be put back"))
      << err_.str();
  EXPECT_TRUE(InErr("The drive stays disabled: SysConfig " + held + " could not be written back."))
      << err_.str();
  EXPECT_FALSE(InErr("permanent stored")) << err_.str();
  EXPECT_EQ(zel.TempParameter(1), own | 0x1000);
  EXPECT_EQ(zel.EepromParameter(17), 12000);
}

TEST_F(ParameterFileCommandsTest, DownloadRefusesValuesOutsideTheirLimitsAndClaimsOnlyWhatItHolds) {
  auto& zel = sim_->Device();
  ASSERT_EQ(Run({"--yes", "params", "upload", File("zel.udf")}), 0) << err_.str();
  parameters::CParameterFile file;
  std::string error;
  ASSERT_EQ(file.Read(File("zel.udf"), error), parameters::CParameterFile::ReadResult::kOk);
  const auto before = Temporaries(zel);
  const auto write = [&](int number, const std::string& value, const std::string& name) {
    parameters::CParameterFile changed = file;
    changed.entries[static_cast<size_t>(number)].value = value;
    ASSERT_TRUE(changed.Write(File(name), error)) << error;
  };
  write(17, "0xFFFF", "fast.udf");
  write(21, "0x0000", "poles.udf");
  write(6, "", "empty.udf");
  EXPECT_EQ(Run({"--yes", "params", "download", File("fast.udf")}), 1);
  EXPECT_TRUE(InErr("parameter 17 MaxSpeed in the file is outside its limits 0 to 25000!"))
      << err_.str();
  EXPECT_EQ(Run({"--yes", "params", "download", File("poles.udf")}), 1);
  EXPECT_TRUE(InErr("PolePairNumber in the file is outside its limits 1 to 64!")) << err_.str();
  EXPECT_EQ(Run({"--yes", "params", "download", File("empty.udf")}), 1);
  EXPECT_TRUE(InErr("The value '' of parameter 6 in the file is not a hexadecimal number!"))
      << err_.str();
  EXPECT_EQ(Temporaries(zel), before);

  // A service parameter outside service mode is answered and dropped: no success, no EEPROM.
  parameters::CParameterFile other = file;
  other.entries[4].value = "0x1000";
  other.entries[17].value = "0x2EE0";
  ASSERT_TRUE(other.Write(File("service.udf"), error)) << error;
  EXPECT_EQ(Run({"--yes", "--json", "params", "download", File("service.udf")}), 1);
  EXPECT_TRUE(InErr("Parameter 4 MaxCurOutput: the ZEL kept another value than the file's"))
      << err_.str();
  EXPECT_TRUE(InOut("\"cause\":\"readBackFailed\"")) << out_.str();
  EXPECT_EQ(zel.EepromParameter(17), before[17]);
  EXPECT_EQ(zel.TempParameter(1), before[1]);
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
  // The same parameters either way; SysConfig's enabling bit aside, which a single upload records
  // as the module's own (the network upload's record of it is its own matter).
  parameters::CParameterFile single, network;
  std::string error;
  ASSERT_EQ(single.Read(File("m5.udf"), error), parameters::CParameterFile::ReadResult::kOk);
  ASSERT_EQ(network.Read(File("line_ModuleId_5.udf"), error),
            parameters::CParameterFile::ReadResult::kOk);
  ASSERT_EQ(single.entries.size(), network.entries.size());
  for (size_t i = 0; i < single.entries.size(); ++i) {
    uint16_t a = 0, b = 0;
    ASSERT_TRUE(single.Value(i, a) && network.Value(i, b)) << i;
    const uint16_t mask = i == 1 ? 0xEFFF : 0xFFFF;
    EXPECT_EQ(a & mask, b & mask) << i;
  }
  EXPECT_EQ(single.moduleId, network.moduleId);
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
