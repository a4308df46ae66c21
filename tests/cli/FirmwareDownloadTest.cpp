#include <gtest/gtest.h>

#include <signal.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "cli/SimulatedZelCtlTest.h"
#include "firmware/CoffImage.h"

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
    ASSERT_EQ(Download(c.version, c.method), 0) << err_.str();
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

TEST_F(FirmwareDownloadTest, InjectedFaultsEndWithTheirResultAndNoSuccess) {
  struct Case {
    const char* fault;
    const char* method;
    BootState state;
    int firstFailure;  // 0: the download succeeds after a retry
    bool lost;
  };
  const Case cases[] = {
      {"protected-flash", "standard", BootState::kFirmware, 602, false},
      {"boot-silent,at=enter", "standard", BootState::kFirmware, 1602, false},
      {"boot-silent,at=connect", "jtag", BootState::kLoader, 302, false},
      {"boot-silent,at=tiboot", "ti", BootState::kLoader, 202, false},
      {"erase-status=10", "standard", BootState::kFirmware, 706, true},
      {"boot-silent,at=FlshChk", "standard", BootState::kFirmware, 1002, true},
      {"boot-hang-up,after=100", "standard", BootState::kFirmware, 1004, true},
      {"check-fails=10", "standard", BootState::kFirmware, 1006, false},
      {"check-fails=1", "standard", BootState::kFirmware, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    sim_->BootFaultsArmed().ClearAll();
    sim_->Boot().SetState(c.state);
    std::string error;
    bool unknown = false;
    ASSERT_TRUE(sim_->BootFaultsArmed().Arm(c.fault, error, unknown)) << error;
    const int rc = Download("ZEL_1040", c.method, {"--yes", "--json"});
    if (c.firstFailure == 0) {
      EXPECT_EQ(rc, 0) << err_.str();
      EXPECT_EQ(Occurrences("\"code\":1006"), 1);
      EXPECT_EQ(Occurrences("\"code\":1001"), 1);
      continue;
    }
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(Occurrences("\"success\":true"), 0) << out_.str();
    EXPECT_EQ(Occurrences("\"result\":" + std::to_string(c.firstFailure)), 1) << out_.str();
    EXPECT_EQ(Occurrences("\"firmwareLost\":" + std::string(c.lost ? "true" : "false")), 1);
    EXPECT_NE(err_.str().find("Download failed!"), std::string::npos);
    EXPECT_EQ(err_.str().find("The firmware is lost") != std::string::npos, c.lost);
    // Ten attempts of the erase and program loop, and not one more.
    if (c.firstFailure == 1006) {
      EXPECT_EQ(Occurrences("\"code\":1006"), 10);
    }
    // A check that never answers is not tried again.
    if (c.firstFailure == 1002) {
      EXPECT_EQ(Occurrences("\"code\":701"), 1);
    }
  }
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
