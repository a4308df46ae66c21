#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/PortDiagnosis.h"
#include "cli/SimulatedZelCtlTest.h"
#include "cli/ZelCtl.h"
#include "sim/NamedFault.h"
#include "sim/Simulator.h"

namespace zel::cli {
namespace {

class ZelCtlTest : public SimulatedZelCtlTest {
 protected:
  std::string Out() const { return out_.str(); }
  std::string Err() const { return err_.str(); }
};

TEST_F(ZelCtlTest, ReadsIdentityAndStatus) {
  ASSERT_EQ(Run({"version"}), 0) << Err();
  EXPECT_NE(Out().find("Software Version:    0x1040"), std::string::npos) << Out();

  ASSERT_EQ(Run({"--json", "version"}), 0) << Err();
  EXPECT_EQ(
      Out().rfind("{\"ok\":true,\"softwareVersion\":4160,\"softwareVersionHex\":\"0x1040\"", 0), 0u)
      << Out();

  ASSERT_EQ(Run({"status"}), 0) << Err();
  EXPECT_NE(Out().find("bit 15"), std::string::npos);

  // The trace goes to stderr, one decoded line per exchange, and leaves the JSON on stdout alone.
  ASSERT_EQ(Run({"version", "--json", "--trace"}), 0) << Err();
  EXPECT_EQ(Out().rfind("{\"ok\":true,\"softwareVersion\":4160", 0), 0u) << Out();
  EXPECT_NE(Err().find("0x1A ReadVersion args 0x0000 | send 0x00 ok"), std::string::npos) << Err();
  EXPECT_NE(Err().find("reply 0x00: 0x1040"), std::string::npos) << Err();
}

TEST_F(ZelCtlTest, ParameterSetIsCheckedBeforeAnythingIsSent) {
  // Each refusal carries the definition's own message and leaves the line silent.
  EXPECT_EQ(Run({"param", "set", "MaxSpeed", "25001"}), 1);
  EXPECT_NE(Err().find("The parameter 'MaxSpeed' is larger than 25000 !"), std::string::npos)
      << Err();
  EXPECT_EQ(Run({"param", "set", "17", "12a"}), 2);
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
  ASSERT_EQ(Run({"addr", "set", "0x0500", "-100000", "s32"}), 0) << Err();
  ASSERT_EQ(Run({"addr", "get", "0x0500", "s32"}), 0) << Err();
  EXPECT_NE(Out().find("= -100000"), std::string::npos) << Out();
  EXPECT_EQ(Run({"addr", "get", "0xG00"}), 2);
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

TEST_F(ZelCtlTest, ErrorsAreListedAndClearingADriveThatWouldRunAgainNeedsYes) {
  ASSERT_EQ(Run({"errors"}), 0) << Err();
  EXPECT_NE(Out().find("OKAY: There is no error!"), std::string::npos) << Out();
  sim_->Device().RaiseError(2);
  ASSERT_EQ(Run({"errors"}), 0) << Err();
  EXPECT_NE(Out().find("Error 2  Unknown Error"), std::string::npos) << Out();

  // The input 'Enable' is on and the set value comes from the analog input: the error alone
  // holds the motor, and clearing it lets the motor run up to 1200 rpm.
  sim_->Device().SetAnalogSetValue(1200);
  EXPECT_EQ(Run({"clear-errors"}), 1);
  EXPECT_NE(Err().find("zelctl: The drive will run again at 1200 rpm when the errors are "
                       "cleared.\nzelctl: Do you want to clear the errors?\nzelctl: answered No"),
            std::string::npos)
      << Err();
  EXPECT_NE(sim_->Device().ErrorWord() & 0x8000, 0) << "nothing is cleared on a No";
  EXPECT_EQ(Run({"clear-errors", "--json"}), 1);
  EXPECT_EQ(Out(),
            "{\"ok\":false,\"error\":\"The errors were not cleared.\","
            "\"cause\":\"declined\"}\n");
  ASSERT_EQ(Run({"--yes", "clear-errors"}), 0) << Err();
  EXPECT_EQ(sim_->Device().ErrorWord() & 0x8000, 0);
  EXPECT_NE(sim_->Device().StatusWord() & 0x8000, 0) << "the power stage is on again";

  // A drive whose input is off stays standing: nothing to ask.
  sim_->Device().RaiseError(2);
  sim_->Device().SetEnableInput(false);
  ASSERT_EQ(Run({"clear-errors"}), 0) << Err();
  EXPECT_EQ(Err().find("Do you want"), std::string::npos) << Err();
  EXPECT_EQ(sim_->Device().ErrorWord() & 0x8000, 0);

  // Enabled by software the Enable outlasts the error just the same.
  const std::vector<uint16_t> softwareEnabling{1, 0, 0x1100}, enable{1}, velocity{300};
  sim_->Device().Execute(21, softwareEnabling);
  sim_->Device().Execute(5, enable);
  sim_->Device().Execute(33, velocity);
  sim_->Device().RaiseError(1);
  EXPECT_EQ(Run({"clear-errors"}), 1);
  EXPECT_NE(Err().find("The drive will run again at 300 rpm"), std::string::npos) << Err();
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

TEST_F(ZelCtlTest, JsonCarriesEveryOutcomeAndOptionsGoAnywhere) {
  ASSERT_EQ(Run({"version", "--json"}), 0) << Err();
  EXPECT_NE(Out().find("\"hardwareVersion\":"), std::string::npos) << Out();
  // The message the text mode prints, not an empty one.
  EXPECT_EQ(Run({"param", "set", "MaxSpeed", "25001", "--json"}), 1);
  EXPECT_EQ(Out(),
            "{\"ok\":false,\"error\":\"The parameter 'MaxSpeed' is larger than 25000 !\\nPlease "
            "enter a smaller value!\"}\n");
  EXPECT_EQ(Run({"--json", "frobnicate"}), 2);
  EXPECT_EQ(Out().rfind("{\"ok\":false,\"error\":\"Unknown command 'frobnicate'", 0), 0u) << Out();
  EXPECT_EQ(Run({"--json", "--baud", "fast", "version"}), 2);
  EXPECT_NE(Out().find("\"cause\":\"usage\""), std::string::npos) << Out();
  // Also when --json comes after the wrong option.
  EXPECT_EQ(Run({"--port", "Port3", "version", "--json"}), 2);
  EXPECT_NE(Out().find("\"cause\":\"usage\""), std::string::npos) << Out();

  // Names in any case; a typo gets the nearest names.
  ASSERT_EQ(Run({"param", "get", "maxspeed", "--json"}), 0) << Err();
  EXPECT_NE(Out().find("\"value\":25000,\"hex\":\"0x61A8\""), std::string::npos) << Out();
  EXPECT_EQ(Run({"param", "get", "MaxSped"}), 1);
  EXPECT_NE(Err().find("Unknown parameter 'MaxSped'. Did you mean MaxSpeed"), std::string::npos)
      << Err();

  std::ostringstream out, err;
  EXPECT_EQ(RunZelCtl({"--version"}, out, err), 0);
  EXPECT_EQ(out.str().rfind("zelctl ", 0), 0u) << out.str();
}

TEST_F(ZelCtlTest, NumbersAreDecimalUnless0xAndEmptyValuesAreRefused) {
  // Nothing of this reaches the line: each is a wrong command line.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"param", "set", "MaxSpeed", ""},
        {"velocity", ""},
        {"current", ""},
        {"addr", "get", ""},
        {"addr", "get", "70000"},
        {"param", "set", "EncResolution", "-1"},
        {"param", "get", ""}}) {
    EXPECT_EQ(Run(args), 2) << args[0] << " " << args[1] << ": " << Err();
  }
  EXPECT_NE(Err().find("No parameter given"), std::string::npos) << Err();
  EXPECT_EQ(Run({"param", "set", "EncResolution", "-1"}), 2);
  EXPECT_NE(Err().find("Value is too small!"), std::string::npos) << Err();
  EXPECT_EQ(Run({"velocity", ""}), 2);
  EXPECT_NE(Err().find("The value is empty"), std::string::npos) << Err();
  EXPECT_EQ(sim_->Stats().framesAccepted, 0u);

  ASSERT_EQ(Run({"service", "enter", "ZELS"}), 0) << Err();
  ASSERT_EQ(Run({"addr", "set", "256", "7"}), 0) << Err();
  EXPECT_EQ(sim_->Device().Memory(256), 7);
  ASSERT_EQ(Run({"--json", "addr", "get", "0x100"}), 0) << Err();
  EXPECT_NE(Out().find("\"address\":256,\"addressHex\":\"0x0100\",\"value\":7"), std::string::npos)
      << Out();
  ASSERT_EQ(Run({"param", "get", "0x11"}), 0) << Err();
  EXPECT_NE(Out().find("17 MaxSpeed"), std::string::npos) << Out();
}

TEST_F(ZelCtlTest, ParamSetSaysWhenItLeavesTheDriveDisabled) {
  // Software enabling with the drive enabled, and the maximum speed set by software.
  ASSERT_EQ(Run({"--yes", "param", "set", "SysConfig", "0x1100"}), 0) << Err();
  ASSERT_EQ(Run({"--yes", "enable"}), 0) << Err();
  ASSERT_EQ(Run({"--json", "param", "set", "MaxSpeed", "20000"}), 0) << Err();
  EXPECT_NE(Out().find("\"driveEnabled\":false"), std::string::npos) << Out();
  EXPECT_NE(Out().find("zelctl --yes enable"), std::string::npos) << Out();
  EXPECT_FALSE(sim_->Device().SoftwareEnable());

  // A SysConfig write says what bit 12 did, and the value's own bit 12 picks the enable source:
  // a script can go back to the digital input.
  ASSERT_EQ(Run({"param", "set", "SysConfig", "0x0100"}), 0) << Err();
  EXPECT_EQ(sim_->Device().TempParameter(1), 0x1100);
  EXPECT_NE(Out().find("SysConfig bit 12"), std::string::npos) << Out();
  EXPECT_NE(Out().find("The ZEL stays under enabling by software"), std::string::npos) << Out();
  ASSERT_EQ(Run({"--yes", "param", "set", "SysConfig", "0x0100"}), 0) << Err();
  EXPECT_EQ(sim_->Device().TempParameter(1), 0x0100);
}

TEST_F(ZelCtlTest, EnableDisableAndStopAreReadBack) {
  // Enabling by the digital input (the default SysConfig): the command cannot override it.
  sim_->Device().SetEnableInput(false);
  EXPECT_EQ(Run({"--yes", "enable"}), 1);
  EXPECT_NE(Err().find("The drive stays disabled: the digital input 'Enable' decides"),
            std::string::npos)
      << Err();
  sim_->Device().SetEnableInput(true);
  EXPECT_EQ(Run({"--json", "disable"}), 1);
  EXPECT_NE(Out().find("The drive stays enabled"), std::string::npos) << Out();
  EXPECT_NE(Out().find("\"cause\":\"driveState\""), std::string::npos) << Out();
  ASSERT_EQ(Run({"--yes", "enable"}), 0) << Err();
  EXPECT_NE(Out().find("by the digital input 'Enable'"), std::string::npos) << Out();

  ASSERT_EQ(Run({"--json", "stop"}), 0) << Err();
  EXPECT_NE(Out().find("\"stopped\":true"), std::string::npos) << Out();
}

TEST_F(ZelCtlTest, ConnectionFailuresNameTheirCause) {
  // Held by another program.
  {
    const int fd = ::open(sim_->LinkPath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(Run({"version"}), 1);
    EXPECT_NE(Err().find("it is held by another program"), std::string::npos) << Err();
    ::close(fd);
  }
  // Held by another process, while the simulator (this process) keeps the other end of the
  // pseudo-terminal and the terminal itself open: the holder is named, never the simulator.
  {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const std::string path = sim_->LinkPath();
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
      const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      const char locked = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 1 : 0;
      if (::write(ready[1], &locked, 1) != 1) ::_exit(1);
      ::pause();
      ::_exit(0);
    }
    char locked = 0;
    ASSERT_EQ(::read(ready[0], &locked, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(locked, 1);
    EXPECT_EQ(Run({"version"}), 1);
    EXPECT_NE(Err().find("it is held by another program, "), std::string::npos) << Err();
    EXPECT_NE(Err().find("(pid " + std::to_string(holder) + ")"), std::string::npos) << Err();
    EXPECT_EQ(Err().find("(pid " + std::to_string(::getpid()) + ")"), std::string::npos) << Err();
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
  }
  // No answer against the ZEL refusing: only a refusal blames service mode.
  EXPECT_EQ(Run({"--baud", "9600", "addr", "get", "0x100"}), 1);
  EXPECT_NE(Err().find("No answer from the ZEL"), std::string::npos) << Err();
  EXPECT_EQ(Err().find("service mode"), std::string::npos) << Err();
  sim_->Faults().RefuseReplies(1);
  EXPECT_EQ(Run({"--json", "addr", "get", "0x100"}), 1);
  EXPECT_NE(Out().find("\"cause\":\"refused\""), std::string::npos) << Out();
  EXPECT_NE(Out().find("service mode"), std::string::npos) << Out();

  EXPECT_EQ(Run({"--port", "Port3", "version"}), 2);
  EXPECT_NE(Err().find("Com1 to Com10"), std::string::npos) << Err();
  EXPECT_EQ(Run({"version", "--device", ""}), 2);

  // The account lacks the device's group (tests run as root, so from the facts alone).
  PortFacts facts;
  facts.problem = PortFacts::Problem::kPermission;
  facts.group = "dialout";
  LinkFailure why = PortDiagnosis::Explain("/dev/ttyUSB0", facts, 0x80, 38400);
  EXPECT_EQ(why.cause, "permission");
  EXPECT_NE(why.text.find("group 'dialout'; join it with `sudo usermod -aG dialout $USER`, then "
                          "log out and in again"),
            std::string::npos)
      << why.text;
}

TEST_F(ZelCtlTest, PortsListsTheDevicesAndTheirComPorts) {
  const auto root = dir_ / "dev";
  std::filesystem::create_directories(root / "serial" / "by-id");
  std::filesystem::create_directories(dir_ / "sys");
  for (const char* name : {"ttyS0", "ttyS10", "ttyS2", "ttyUSB0", "ttyACM0", "tty0"})
    std::ofstream(root / name).put('\n');
  std::filesystem::create_symlink("../../ttyUSB0", root / "serial" / "by-id" / "usb-FTDI_A1");
  ::setenv("ZEL_DEV_ROOT", root.c_str(), 1);
  ::setenv("ZEL_SYS_ROOT", (dir_ / "sys").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
  ::setenv("ZEL_COM3", (root / "serial" / "by-id" / "usb-FTDI_A1").c_str(), 1);
  std::ostringstream out, err;
  const int rc = RunZelCtl({"ports", "--json"}, out, err);
  ::unsetenv("ZEL_DEV_ROOT");
  ::unsetenv("ZEL_SYS_ROOT");
  ::unsetenv("XDG_CONFIG_HOME");
  ::unsetenv("ZEL_COM3");
  ASSERT_EQ(rc, 0) << err.str();
  const std::string r = root.string();
  // The adapter ZEL_COM3 names is not handed to Com1 as well; the ttyS nodes without a UART
  // behind them get no port.
  EXPECT_NE(out.str().find("\"devices\":[{\"path\":\"" + r +
                           "/ttyUSB0\",\"ports\":[3],\"byId\":[\"usb-FTDI_A1\"]},{\"path\":\"" + r +
                           "/ttyACM0\",\"ports\":[1],\"byId\":[]},{\"path\":\"" + r +
                           "/ttyS0\",\"ports\":[],\"byId\":[]},{\"path\":\"" + r +
                           "/ttyS2\",\"ports\":[],\"byId\":[]},{\"path\":\"" + r +
                           "/ttyS10\",\"ports\":[],\"byId\":[]}]"),
            std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find("{\"port\":3,\"path\":\"" + r +
                           "/serial/by-id/usb-FTDI_A1\",\"present\":true,\"source\":\"ZEL_COM3\""),
            std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find("{\"port\":2,\"path\":\"\",\"present\":false}"), std::string::npos)
      << out.str();
}

// Whatever the line or the device does wrong, zelctl never reports a change the simulated ZEL did
// not make: it either fails or the device holds what was asked. Afterwards the line recovers.
TEST_F(ZelCtlTest, NoFaultMakesARefusedCommandLookDone) {
  const std::vector<std::vector<std::string>> faultSets = {
      {"stray-ack", "reject-checksum"},
      {"stray-ack=3", "reject-checksum=3"},
      {"stray-ack=50", "reject-checksum=50"},
      {"stray-ack"},
      {"noise=2,bytes=4F"},
      {"noise,bytes=4F4F"},
      {"noise=50,bytes=4F"},
      {"reject-opcode=9"},
      {"reject-checksum=9"},
      {"refuse-reply=50"},
      {"corrupt-reply=50"},
      {"stop-reply=50,after=1"},
      {"never-answer=1"},
      {"hang-up"},
  };
  auto arm = [&](const std::vector<std::string>& set) {
    for (const std::string& text : set) {
      sim::NamedFault fault;
      std::string error;
      ASSERT_TRUE(sim::NamedFault::Parse(text, fault, error)) << text << ": " << error;
      fault.ArmOn(sim_->Faults());
    }
  };
  constexpr std::uint16_t kStatusEnabled = 0x4000;
  std::uint16_t speed = 10000;
  for (const auto& set : faultSets) {
    std::string name;
    for (const auto& f : set) name += f + " ";
    SCOPED_TRACE(name);

    // The drive enabled by software with the speed set by software; then a set value, a
    // disable and a parameter write, each under the fault.
    sim_->Faults().ClearAll();
    ASSERT_EQ(Run({"--yes", "param", "set", "SysConfig", "0x1100"}), 0) << Err();
    ASSERT_EQ(Run({"--yes", "enable"}), 0) << Err();
    // A set value (a new one each round) is one exchange without a reply, so the fault meets the
    // write itself.
    arm(set);
    if (Run({"--trials", "2", "velocity", std::to_string(speed - 9000)}) == 0) {
      int32_t setValue = 0;
      ASSERT_TRUE(sim_->Device().ReadParameter(133, setValue));
      EXPECT_EQ(setValue, speed - 9000) << "velocity reported done";
    }

    sim_->Faults().ClearAll();
    arm(set);
    if (Run({"--trials", "2", "disable"}) == 0) {
      EXPECT_EQ(sim_->Device().StatusWord() & kStatusEnabled, 0) << "disable reported done";
    }

    // A parameter write under the fault.
    sim_->Faults().ClearAll();
    ++speed;
    arm(set);
    if (Run({"--trials", "2", "param", "set", "MaxSpeed", std::to_string(speed)}) == 0) {
      EXPECT_EQ(sim_->Device().TempParameter(17), speed) << "param set reported done";
    }

    // An exchange cut short after the opcode leaves the ZEL waiting for the rest of its frame;
    // once it has dropped that frame, the line works again.
    sim_->Faults().ClearAll();
    std::this_thread::sleep_for(3 * sim::SimulatorOptions{}.interByteTimeout);
    ASSERT_EQ(Run({"version"}), 0) << "the line did not recover: " << Err();
  }
}

}  // namespace
}  // namespace zel::cli
