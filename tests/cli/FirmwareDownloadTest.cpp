#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "cli/SimulatedZelCtlTest.h"
#include "firmware/CoffImage.h"
#include "firmware/NewDefaultParameters.h"
#include "parameters/SystemParameterBlock.h"

namespace zel::cli {
namespace {

using sim::BootState;

// zelctl downloads the sample package into the simulated ZEL. The ZEL's 'Enable' input is off,
// as the download wants it; step durations go to the test's own folder.
class FirmwareDownloadTest : public SimulatedZelCtlTest {
 protected:
  void Configure(sim::SimulatorOptions& options) override {
    options.device.enableInput = false;
    ::setenv("ZELCTL_CONFIG_DIR", (dir_ / "config").c_str(), 1);
  }

  int Download(const std::string& version, const std::string& method,
               std::vector<std::string> extra = {"--yes"}) {
    std::vector<std::string> args = {"firmware", "download", ZEL_SAMPLE_PACKAGE,
                                     version,    "--method", method};
    args.insert(args.end(), extra.begin(), extra.end());
    return Run(args);
  }

  // The image zelctl writes for a version, as 16-bit words after its header.
  std::vector<uint16_t> ImageWords(const std::string& version) {
    const auto file = dir_ / (version + ".img");
    EXPECT_EQ(Run({"firmware", "image", ZEL_SAMPLE_PACKAGE, version, "-o", file.string()}), 0)
        << err_.str();
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(bytes.size(), firmware::FlashImage::kSize);
    std::vector<uint16_t> words;
    for (std::size_t i = firmware::FlashImage::kHeaderSize; i + 1 < bytes.size(); i += 2)
      words.push_back(static_cast<uint16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return words;
  }

  int Occurrences(const std::string& text) const {
    const std::string out = out_.str();
    int n = 0;
    for (std::size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1)) ++n;
    return n;
  }
};

TEST_F(FirmwareDownloadTest, EveryMethodLeavesTheConvertedImageInTheFlash) {
  struct Case {
    const char* method;
    BootState state;  // what the ZEL runs before the download
    const char* version;
    uint16_t software;
  };
  const Case cases[] = {{"standard", BootState::kFirmware, "ZEL_1030", 0x1030},
                        {"ti", BootState::kLoader, "ZEL_1040", 0x1040},
                        {"jtag", BootState::kLoader, "ZEL_1030", 0x1030}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.method);
    const std::vector<uint16_t> image = ImageWords(c.version);
    sim_->Boot().SetState(c.state);
    // Without running firmware there are no parameters to save first.
    const std::vector<std::string> extra = c.state == BootState::kLoader
                                               ? std::vector<std::string>{"--yes", "--no-backup"}
                                               : std::vector<std::string>{"--yes"};
    ASSERT_EQ(Download(c.version, c.method, extra), 0) << err_.str();
    EXPECT_NE(out_.str().find("Download successful!"), std::string::npos);
    EXPECT_EQ(sim_->Boot().Flash(), image);
    // The new firmware runs and answers with the identity it carries.
    EXPECT_EQ(sim_->Boot().State(), BootState::kFirmware);
    EXPECT_EQ(sim_->Device().Identity().softwareVersion, c.software);
  }
  // The durations measured are kept for the next expected duration.
  std::ifstream kept(dir_ / "config" / "StepTimes.txt");
  int values = 0;
  for (int value = 0; kept >> value;) ++values;
  EXPECT_EQ(values, 9);
}

TEST_F(FirmwareDownloadTest, EveryVerdictAgreesWithTheFlashAndNamesWhereTheZelIs) {
  struct Case {
    std::vector<const char*> faults;
    const char* method;
    BootState state;
    int firstFailure;  // 0: the download succeeds after a retry
    const char* zelState;
  };
  // The cases that keep the old firmware come first: the simulated flash stays lost until a
  // download succeeds.
  const Case cases[] = {
      {{"protected-flash"}, "standard", BootState::kFirmware, 602, "bootLoader"},
      {{"boot-silent,at=enter"}, "standard", BootState::kFirmware, 1602, "maybeBootLoader"},
      {{"boot-silent,at=connect"}, "jtag", BootState::kLoader, 302, "maybeBootLoader"},
      {{"boot-silent,at=tiboot"}, "ti", BootState::kLoader, 202, "bootLoader"},
      // Silent before it cleared anything: the old firmware is still there.
      {{"boot-silent,at=fl_clr"}, "standard", BootState::kFirmware, 702, "clearUnanswered"},
      {{"erase-status=10"}, "standard", BootState::kFirmware, 706, "firmwareLost"},
      {{"boot-silent,at=FlshChk"}, "standard", BootState::kFirmware, 1002, "firmwareLost"},
      {{"boot-hang-up,after=100"}, "standard", BootState::kFirmware, 1004, "firmwareLost"},
      {{"check-fails=10"}, "standard", BootState::kFirmware, 1006, "firmwareLost"},
      // A wrong check first, then a preparation that fails: the flash is cleared, though the
      // first failure alone does not say so.
      {{"check-fails=1", "erase-status=10,after=1"},
       "standard",
       BootState::kFirmware,
       1006,
       "firmwareLost"},
      {{"check-fails=1"}, "standard", BootState::kFirmware, 0, "newFirmware"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.faults.front());
    sim_->BootFaultsArmed().ClearAll();
    sim_->Boot().SetState(c.state);
    for (const char* fault : c.faults) {
      std::string error;
      bool unknown = false;
      ASSERT_TRUE(sim_->BootFaultsArmed().Arm(fault, error, unknown)) << error;
    }
    std::vector<std::string> extra{"--yes", "--json"};
    if (c.state == BootState::kLoader) extra.push_back("--no-backup");
    const int rc = Download("ZEL_1040", c.method, extra);
    EXPECT_EQ(Occurrences(std::string("\"zelState\":\"") + c.zelState + "\""), 1) << out_.str();
    if (c.firstFailure == 0) {
      EXPECT_EQ(rc, 0) << err_.str();
      EXPECT_EQ(Occurrences("\"code\":1006"), 1);
      EXPECT_EQ(Occurrences("\"code\":1001"), 1);
      EXPECT_TRUE(sim_->Boot().FirmwareIntact());
      continue;
    }
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(Occurrences("\"success\":true"), 0) << out_.str();
    EXPECT_EQ(Occurrences("\"result\":" + std::to_string(c.firstFailure)), 1) << out_.str();
    EXPECT_NE(err_.str().find("Download failed!"), std::string::npos);
    // The verdict says the firmware is lost exactly when the ZEL's flash lost it.
    const bool lost = !sim_->Boot().FirmwareIntact();
    EXPECT_EQ(Occurrences("\"firmwareLost\":" + std::string(lost ? "true" : "false")), 1)
        << out_.str();
    EXPECT_EQ(err_.str().find("The firmware is lost") != std::string::npos, lost) << err_.str();
    if (!lost) {
      EXPECT_NE(err_.str().find("Try to download the firmware again!"), std::string::npos);
    }
    // Where it says the ZEL waits in a loader, it does, and power-cycling is the advice.
    if (std::string(c.zelState) == "bootLoader" || std::string(c.zelState) == "clearUnanswered") {
      EXPECT_NE(sim_->Boot().State(), BootState::kFirmware);
      EXPECT_NE(err_.str().find("switch it off and on"), std::string::npos) << err_.str();
    }
    // Ten attempts of the erase and program loop, and not one more.
    if (c.faults.front() == std::string("check-fails=10")) {
      EXPECT_EQ(Occurrences("\"code\":1006"), 10);
    }
    // A check that never answers is not tried again.
    if (c.firstFailure == 1002) {
      EXPECT_EQ(Occurrences("\"code\":701"), 1);
    }
    // However it ended, the line is the device link's again.
    EXPECT_EQ(err_.str().find("could not be given back"), std::string::npos) << err_.str();
  }
}

std::string LastLine(const std::string& text) {
  const std::size_t end = text.find_last_not_of('\n');
  if (end == std::string::npos) return {};
  const std::size_t start = text.rfind('\n', end);
  return text.substr(start == std::string::npos ? 0 : start + 1,
                     end - (start == std::string::npos ? 0 : start + 1) + 1);
}

// What the JSON output holds under a string key.
std::string JsonString(const std::string& json, const std::string& key) {
  const std::string open = "\"" + key + "\":\"";
  const std::size_t at = json.find(open);
  if (at == std::string::npos) return {};
  const std::size_t from = at + open.size();
  return json.substr(from, json.find('"', from) - from);
}

TEST_F(FirmwareDownloadTest, ParametersAreSavedFirstAndAFailedBackupKeepsTheOldFirmware) {
  const uint16_t maxSpeed[] = {17, 0, 12345};
  sim_->Device().Execute(21, maxSpeed);
  const uint16_t moduleId = sim_->Device().TempParameter(30);
  const uint16_t software = sim_->Device().Identity().softwareVersion;
  ASSERT_EQ(Download("ZEL_1030", "standard", {"--yes", "--json"}), 0) << err_.str();
  const std::filesystem::path backup = JsonString(out_.str(), "backup");
  ASSERT_FALSE(backup.empty()) << out_.str();
  // In the settings directory, named by when, which module and which firmware it came from.
  EXPECT_EQ(backup.parent_path(), dir_ / "config");
  char tail[32];
  std::snprintf(tail, sizeof tail, "_0x%.2x_%.4x.udf", moduleId, software);
  const std::string name = backup.filename().string();
  EXPECT_EQ(name.rfind("ZEL_", 0), 0u) << name;
  EXPECT_EQ(name.size(), std::string("ZEL_yyyymmdd-hhmmss").size() + std::strlen(tail)) << name;
  EXPECT_NE(name.find(tail), std::string::npos) << name;
  EXPECT_NE(err_.str().find("saved to " + backup.string()), std::string::npos) << err_.str();
  // It holds what the ZEL held before the download, and the output ends with how to put it back.
  ASSERT_EQ(Run({"--json", "params", "show", backup.string()}), 0) << err_.str();
  EXPECT_NE(out_.str().find("\"name\":\"MaxSpeed\",\"value\":\"0x3039\""), std::string::npos)
      << out_.str();
  ASSERT_EQ(Download("ZEL_1040", "standard"), 0) << err_.str();
  const std::string restore = LastLine(out_.str());
  EXPECT_EQ(restore.rfind("To restore", 0), 0u) << out_.str();
  EXPECT_NE(restore.find("zelctl --device " + sim_->LinkPath() + " params download " +
                         (dir_ / "config").string() + "/ZEL_"),
            std::string::npos)
      << restore;

  // A settings directory that cannot be made: nothing starts and the ZEL keeps its firmware.
  { std::ofstream blocker(dir_ / "blocker"); }
  ::setenv("ZELCTL_CONFIG_DIR", (dir_ / "blocker" / "config").c_str(), 1);
  const std::vector<uint16_t> flash = sim_->Boot().Flash();
  EXPECT_EQ(Download("ZEL_1030", "standard", {"--yes", "--json"}), 1);
  EXPECT_NE(err_.str().find("could not be saved before the download"), std::string::npos)
      << err_.str();
  EXPECT_NE(out_.str().find("\"cause\":\"backupFailed\""), std::string::npos) << out_.str();
  EXPECT_EQ(sim_->Boot().Flash(), flash);
  EXPECT_EQ(sim_->Device().Identity().softwareVersion, 0x1040);
  // --no-backup goes on without one.
  ASSERT_EQ(Download("ZEL_1030", "standard", {"--yes", "--json", "--no-backup"}), 0) << err_.str();
  EXPECT_EQ(JsonString(out_.str(), "backup"), "");
  EXPECT_EQ(sim_->Device().Identity().softwareVersion, 0x1030);
}

TEST_F(FirmwareDownloadTest, NewDefaultsAreThePackagesAndTheEnablingStaysTheZels) {
  parameters::SystemParameterBlock defaults;
  ASSERT_TRUE(firmware::NewDefaultParameters::Read(ZEL_SAMPLE_PACKAGE, "ZEL_1040", defaults));
  for (const bool softwareEnabling : {false, true}) {
    SCOPED_TRACE(softwareEnabling);
    const uint16_t before = sim_->Device().TempParameter(1);
    const uint16_t sysConfig[] = {
        1, 0, static_cast<uint16_t>(softwareEnabling ? before | 0x1000 : before & ~0x1000)};
    sim_->Device().Execute(21, sysConfig);
    // A value of the old firmware the defaults replace.
    const uint16_t maxSpeed[] = {17, 0, static_cast<uint16_t>(defaults.words[17] ^ 0x0101)};
    sim_->Device().Execute(21, maxSpeed);
    ASSERT_EQ(Download("ZEL_1040", "standard", {"--yes", "--json", "--new-defaults"}), 0)
        << err_.str();
    EXPECT_NE(out_.str().find("\"newDefaults\":{\"written\":true,\"saved\":true,\"messages\":["
                              "\"The new default parameters are written!\",\"The new default "
                              "parameters are saved to EEPROM!\"]}"),
              std::string::npos)
        << out_.str();
    for (int i = 0; i < parameters::SystemParameterBlock::kWordCount; ++i) {
      SCOPED_TRACE(i);
      uint16_t expected = defaults.words[static_cast<std::size_t>(i)];
      if (i == 1)
        expected = static_cast<uint16_t>((expected & ~0x1000) | (softwareEnabling ? 0x1000 : 0));
      EXPECT_EQ(sim_->Device().TempParameter(i), expected);
      EXPECT_EQ(sim_->Device().EepromParameter(i), expected);
    }
  }
  // The human output gives the same lines and still ends with the restore.
  ASSERT_EQ(Download("ZEL_1040", "standard", {"--yes", "--new-defaults"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("The new default parameters are written!\nThe new default parameters "
                            "are saved to EEPROM!\nTo restore"),
            std::string::npos)
      << out_.str();
}

std::atomic<int> testInterrupts{0};
extern "C" void CountInterrupt(int) {
  testInterrupts.fetch_add(1);
}

TEST_F(FirmwareDownloadTest, CtrlCWhileTheFlashIsWrittenIsRefused) {
  // Should the signal come after zelctl has put the previous handler back, it lands here.
  struct sigaction counting {};
  struct sigaction previous {};
  counting.sa_handler = CountInterrupt;
  sigemptyset(&counting.sa_mask);
  sigaction(SIGINT, &counting, &previous);
  std::atomic<bool> done{false};
  std::thread user([&] {
    // The flash has been cleared: the critical phase has begun.
    while (!done && sim_->Boot().FirmwareIntact()) std::this_thread::yield();
    if (!done) ::raise(SIGINT);
  });
  const int rc = Download("ZEL_1030", "standard");
  done = true;
  user.join();
  sigaction(SIGINT, &previous, nullptr);
  EXPECT_EQ(rc, 0) << err_.str();
  EXPECT_NE(err_.str().find("cannot be stopped now"), std::string::npos);
  EXPECT_EQ(testInterrupts.load(), 0);
  EXPECT_EQ(sim_->Device().Identity().softwareVersion, 0x1030);
}

TEST_F(FirmwareDownloadTest, AClosedTerminalDoesNotEndTheFlashing) {
  // zelctl as its own process: its errors go to a pipe that is closed (as a terminal window
  // is) once the flash is cleared, and the hang-up and a stop request arrive at the same time.
  int out[2];
  int err[2];
  ASSERT_EQ(::pipe(out), 0);
  ASSERT_EQ(::pipe(err), 0);
  const std::string device = sim_->LinkPath();
  // Nine wrong checks keep the flash being written long after the signals come, whatever the
  // machine's load; the tenth attempt succeeds.
  std::string error;
  bool unknown = false;
  ASSERT_TRUE(sim_->BootFaultsArmed().Arm("check-fails=9", error, unknown)) << error;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(err[1], STDERR_FILENO);
    for (int fd : {out[0], out[1], err[0], err[1]}) ::close(fd);
    ::execl(ZEL_ZELCTL, "zelctl", "--device", device.c_str(), "--json", "firmware", "download",
            ZEL_SAMPLE_PACKAGE, "ZEL_1030", "--yes", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  ::close(err[1]);
  std::string json;
  std::thread reader([&] {
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
      json.append(buffer, static_cast<std::size_t>(n));
  });
  int status = 0;
  bool ended = false;
  while (sim_->Boot().FirmwareIntact() && !ended) {
    ended = ::waitpid(child, &status, WNOHANG) == child;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ::close(err[0]);
  ::kill(child, SIGHUP);
  ::kill(child, SIGTERM);
  if (!ended) ::waitpid(child, &status, 0);
  reader.join();
  ::close(out[0]);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << json;
  EXPECT_NE(json.find("\"success\":true"), std::string::npos) << json;
  EXPECT_EQ(sim_->Device().Identity().softwareVersion, 0x1030);
  EXPECT_TRUE(sim_->Boot().FirmwareIntact());
}

TEST_F(FirmwareDownloadTest, RefusedDownloadsLeaveTheZelAsItWas) {
  const std::vector<uint16_t> before = sim_->Boot().Flash();
  // A script that did not confirm.
  EXPECT_EQ(Download("ZEL_1040", "standard", {}), 1);
  EXPECT_NE(err_.str().find("answered No"), std::string::npos);
  // Another hardware.
  sim_->Device().SetIdentity({0x1040, 0x0300, 0x0001, 0x0100});
  EXPECT_EQ(Download("ZEL_1040", "standard"), 1);
  EXPECT_NE(err_.str().find("The hardware versions are not compatible!"), std::string::npos);
  EXPECT_NE(err_.str().find("You have to load the hardware version 0x0300 !"), std::string::npos);
  // The standard method needs the firmware to hand over.
  sim_->Boot().SetState(BootState::kLoader);
  EXPECT_EQ(Download("ZEL_1040", "standard"), 1);
  EXPECT_NE(err_.str().find("--method ti"), std::string::npos);
  EXPECT_EQ(Run({"firmware", "download", "package.zip", "--yes"}), 2);
  EXPECT_EQ(sim_->Boot().Flash(), before);
  EXPECT_EQ(sim_->Boot().State(), BootState::kLoader);
}

}  // namespace
}  // namespace zel::cli
