#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/ZelCtl.h"
#include "sim/Simulator.h"

namespace zel::cli {
namespace {

// zelctl in-process against a simulated ZEL on a pseudo-terminal, as a script would use it.
class ZelCtlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("zelctl-test-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    sim::SimulatorOptions options;
    options.linkPath = (dir_ / "ttyZEL").string();
    sim_ = std::make_unique<sim::Simulator>(options);
    std::string error;
    ASSERT_TRUE(sim_->Start(&error)) << error;
  }
  void TearDown() override {
    sim_->Stop();
    std::filesystem::remove_all(dir_);
  }

  // Runs zelctl with the device option prepended; out and err hold what it printed.
  int Run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--device", sim_->LinkPath()});
    out_.str("");
    err_.str("");
    return RunZelCtl(args, out_, err_);
  }
  std::string Out() const { return out_.str(); }
  std::string Err() const { return err_.str(); }

  std::filesystem::path dir_;
  std::unique_ptr<sim::Simulator> sim_;
  std::ostringstream out_, err_;
};

TEST_F(ZelCtlTest, ReadsIdentityAndStatus) {
  ASSERT_EQ(Run({"version"}), 0) << Err();
  EXPECT_NE(Out().find("Software Version:    0x1040"), std::string::npos) << Out();

  ASSERT_EQ(Run({"--json", "version"}), 0) << Err();
  EXPECT_EQ(Out().rfind("{\"ok\":true,\"softwareVersion\":\"0x1040\"", 0), 0u) << Out();

  ASSERT_EQ(Run({"status"}), 0) << Err();
  EXPECT_NE(Out().find("bit 15"), std::string::npos);
}

TEST_F(ZelCtlTest, ParameterSetIsCheckedBeforeAnythingIsSent) {
  // Each refusal carries the definition's own message and leaves the line silent.
  EXPECT_EQ(Run({"param", "set", "MaxSpeed", "25001"}), 1);
  EXPECT_NE(Err().find("The parameter 'MaxSpeed' is larger than 25000 !"), std::string::npos)
      << Err();
  EXPECT_EQ(Run({"param", "set", "17", "12a"}), 1);
  EXPECT_NE(Err().find("Value is not a decimal number!"), std::string::npos) << Err();
  EXPECT_EQ(Run({"param", "set", "NoSuchThing", "1"}), 1);
  EXPECT_NE(Err().find("Unknown parameter 'NoSuchThing'."), std::string::npos) << Err();
  EXPECT_EQ(Run({"param", "set", "InternalParam", "1"}), 1);
  EXPECT_NE(Err().find("give the number"), std::string::npos) << Err();
  EXPECT_EQ(sim_->Stats().framesAccepted, 0u);
  EXPECT_EQ(sim_->Device().TempParameter(17), 25000);
}

TEST_F(ZelCtlTest, ParameterSetWritesAndKeepsTheDriveDisabledWithoutYes) {
  // The default SysConfig leaves the maximum speed to potentiometer P1.
  EXPECT_EQ(Run({"param", "set", "MaxSpeed", "20000"}), 1);
  EXPECT_NE(Err().find("is set by the hardware"), std::string::npos) << Err();

  // Writing SysConfig suspends the enable; going back to hardware enabling needs a confirmed
  // check of the 'Enable' input, so without --yes the ZEL stays software-enabled (and disabled).
  ASSERT_EQ(Run({"--yes", "param", "set", "SysConfig", "0x0100"}), 0) << Err();
  EXPECT_EQ(sim_->Device().TempParameter(1), 0x0100);
  ASSERT_EQ(Run({"param", "set", "SysConfig", "0x0100"}), 0) << Err();
  EXPECT_EQ(sim_->Device().TempParameter(1), 0x1100);
  EXPECT_NE(Err().find("The ZEL will be set to hardware enabling!"), std::string::npos) << Err();

  ASSERT_EQ(Run({"param", "set", "MaxSpeed", "20000"}), 0) << Err();
  EXPECT_EQ(sim_->Device().TempParameter(17), 20000);
  ASSERT_EQ(Run({"--json", "param", "get", "17"}), 0) << Err();
  EXPECT_NE(Out().find("\"value\":20000"), std::string::npos) << Out();
  // Save to EEPROM survives a reset of the temporary parameters.
  ASSERT_EQ(Run({"save"}), 0) << Err();
  EXPECT_EQ(sim_->Device().EepromParameter(17), 20000);
}

TEST_F(ZelCtlTest, ServiceParameterNeedsServiceMode) {
  // MaxCurOutput (4) is a service parameter.
  EXPECT_EQ(Run({"param", "set", "4", "100"}), 1);
  EXPECT_NE(Err().find("can be changed only in service mode"), std::string::npos) << Err();

  EXPECT_EQ(Run({"service", "enter", "WRNG"}), 1);
  EXPECT_NE(Err().find("The password is NOT correct!"), std::string::npos);
  EXPECT_EQ(Run({"service", "enter", "ZELSX"}), 1);
  EXPECT_NE(Err().find("The communication failed!"), std::string::npos);
  EXPECT_EQ(Run({"service", "enter", "ZEL"}), 1);
  EXPECT_NE(Err().find("The password is too short!"), std::string::npos);

  ASSERT_EQ(Run({"service", "enter", "ZELS"}), 0) << Err();
  ASSERT_EQ(Run({"param", "set", "4", "100"}), 0) << Err();
  EXPECT_EQ(sim_->Device().TempParameter(4), 100);
  ASSERT_EQ(Run({"service", "quit"}), 0) << Err();
  EXPECT_FALSE(sim_->Device().InServiceMode());
}

TEST_F(ZelCtlTest, AddressVariablesRoundTripInServiceModeOnly) {
  EXPECT_EQ(Run({"addr", "set", "0x0500", "-5"}), 1);
  EXPECT_NE(Err().find("The ZEL is not in service mode!"), std::string::npos) << Err();
  ASSERT_EQ(Run({"service", "enter", "ZELS"}), 0) << Err();
  ASSERT_EQ(Run({"addr", "set", "0500", "-100000", "s32"}), 0) << Err();
  ASSERT_EQ(Run({"addr", "get", "0x0500", "s32"}), 0) << Err();
  EXPECT_NE(Out().find("= -100000"), std::string::npos) << Out();
  EXPECT_EQ(Run({"addr", "get", "0xG00"}), 1);
  EXPECT_NE(Err().find("Value is not a hexadecimal number!"), std::string::npos);
}

TEST_F(ZelCtlTest, SetValuesAreRangeChecked) {
  EXPECT_EQ(Run({"velocity", "30000"}), 1);
  EXPECT_NE(Err().find("The parameter 'SpeedSetValue' is larger than 25000 !"), std::string::npos)
      << Err();
  // Set value by software rather than by the analog input.
  ASSERT_EQ(Run({"--yes", "param", "set", "SysConfig", "0x0100"}), 0) << Err();
  ASSERT_EQ(Run({"velocity", "1500"}), 0) << Err();
  ASSERT_EQ(Run({"read", "velocity"}), 0) << Err();
  EXPECT_NE(Out().find("Velocity demand: 1500 rpm"), std::string::npos) << Out();
  ASSERT_EQ(Run({"read", "current"}), 0) << Err();
  ASSERT_EQ(Run({"read", "position"}), 0) << Err();
}

TEST_F(ZelCtlTest, EnablingOrReleasingAStopNeedsYes) {
  // Enabling by software, so the Enable command reaches the power stage.
  const std::vector<uint16_t> softwareEnabling{1, 0, 0x1100};
  sim_->Device().Execute(21, softwareEnabling);
  const auto framesBefore = sim_->Stats().framesAccepted;
  EXPECT_EQ(Run({"enable"}), 1);
  EXPECT_NE(Err().find("Do you really want to enable the ZEL?"), std::string::npos) << Err();
  EXPECT_EQ(sim_->Stats().framesAccepted, framesBefore);
  EXPECT_FALSE(sim_->Device().SoftwareEnable());
  ASSERT_EQ(Run({"--yes", "enable"}), 0) << Err();
  EXPECT_TRUE(sim_->Device().SoftwareEnable());
  ASSERT_EQ(Run({"disable"}), 0) << Err();
  EXPECT_FALSE(sim_->Device().SoftwareEnable());

  // Stopping never asks; releasing the stop does, and a No leaves the drive stopped.
  ASSERT_EQ(Run({"stop"}), 0) << Err();
  EXPECT_NE(sim_->Device().StatusWord() & 0x2000, 0);
  EXPECT_EQ(Run({"stop"}), 1);
  EXPECT_NE(Err().find("Do you really want to let the motor run?"), std::string::npos) << Err();
  EXPECT_NE(sim_->Device().StatusWord() & 0x2000, 0);
  ASSERT_EQ(Run({"--yes", "stop"}), 0) << Err();
  EXPECT_EQ(sim_->Device().StatusWord() & 0x2000, 0);
}

TEST_F(ZelCtlTest, ErrorsAreListedAndCleared) {
  ASSERT_EQ(Run({"errors"}), 0) << Err();
  EXPECT_NE(Out().find("OKAY: There is no error!"), std::string::npos) << Out();
  sim_->Device().RaiseError(2);
  ASSERT_EQ(Run({"errors"}), 0) << Err();
  EXPECT_NE(Out().find("Error 2  Unknown Error"), std::string::npos) << Out();
  ASSERT_EQ(Run({"clear-errors"}), 0) << Err();
  EXPECT_EQ(sim_->Device().ErrorWord() & 0x8000, 0);
}

TEST_F(ZelCtlTest, ErrorsAreNamedByThePackagesErrorMaps) {
  std::filesystem::path package = ZEL_SAMPLE_PACKAGE;
  ASSERT_TRUE(std::filesystem::exists(package)) << package;
  sim_->Device().RaiseError(2);
  sim_->Device().RaiseCanError(2);
  ASSERT_EQ(Run({"--package", package.string(), "errors"}), 0) << Err();
  EXPECT_NE(Out().find("Undervoltage  The DC link voltage is too low"), std::string::npos) << Out();
  EXPECT_NE(Out().find("ErrorWarning"), std::string::npos) << Out();
  EXPECT_NE(Out().find("ATTENTION: There are 2 errors!"), std::string::npos) << Out();

  EXPECT_EQ(Run({"--package", (dir_ / "none.bin").string(), "errors"}), 1);
  EXPECT_NE(Err().find("Cannot read the firmware package"), std::string::npos) << Err();
}

TEST_F(ZelCtlTest, UsageAndLinkFailuresAreReported) {
  EXPECT_EQ(Run({"frobnicate"}), 2);
  EXPECT_EQ(Run({"param"}), 2);
  EXPECT_EQ(Run({"--baud", "fast", "version"}), 2);
  std::ostringstream out, err;
  EXPECT_EQ(RunZelCtl({"--device", (dir_ / "missing").string(), "version"}, out, err), 1);
  EXPECT_NE(err.str().find("Cannot open the serial port"), std::string::npos) << err.str();
  // A ZEL at another baud rate stays silent: the command fails instead of hanging.
  EXPECT_EQ(Run({"--baud", "9600", "version"}), 1);
  EXPECT_NE(Err().find("ReadVersion: Command failed!"), std::string::npos) << Err();
  std::ostringstream help, herr;
  EXPECT_EQ(RunZelCtl({"param", "--help"}, help, herr), 0);
  EXPECT_NE(help.str().find("usage: zelctl param get"), std::string::npos);
}

}  // namespace
}  // namespace zel::cli
