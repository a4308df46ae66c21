// zelsim: a simulated ZEL on a pseudo-terminal, serving until SIGINT or SIGTERM.

#include <signal.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sim/ControlChannel.h"
#include "sim/ControlCommands.h"
#include "sim/NamedFault.h"
#include "sim/NumberText.h"
#include "sim/Simulator.h"

namespace {

constexpr const char* kUsage =
    "usage: zelsim --link PATH [--baud N] [--paced] [--software WORD] [--hardware WORD]\n"
    "              [--app-number WORD] [--app-version WORD] [--password XXXX]\n"
    "              [--enable-input on|off] [--error-word WORD] [--can-error-word WORD]\n"
    "              [--can-bitrate INDEX] [--module ID:RATE[:SOFTWARE[:HARDWARE]]]...\n"
    "              [--fault FAULT]... [--boot-state firmware|loader] [--control PATH]\n"
    "              [--verbose]\n"
    "       zelsim --help | --version\n"
    "Serves a simulated ZEL on a pseudo-terminal linked at PATH until SIGINT or SIGTERM.\n"
    "  --baud N             the only line rate the device answers at (default 38400)\n"
    "  --paced              send bytes no faster than the line rate (10 bits a byte)\n"
    "  --software WORD      identity words reported by ReadVersion (decimal or 0x hex);\n"
    "  --hardware WORD      defaults 0x1040, 0x0200, 0x0001, 0x0100\n"
    "  --app-number WORD\n"
    "  --app-version WORD\n"
    "  --password XXXX      the four characters that open service mode (default ZELS)\n"
    "  --enable-input       state of the digital input 'Enable' (default on)\n"
    "  --error-word WORD    standard error word at start (bit 15 follows the others)\n"
    "  --can-error-word WORD  CAN error word at start\n"
    "  --can-bitrate INDEX  bit rate of the device's own CAN controller, 0 (1MBit/s),\n"
    "                       1 (800k), 2 (500k), 3 (250k), 4 (125k), 5 (50k), 6 (20k),\n"
    "                       7 (10kBit/s); default: its CAN_BCR1/2 parameters' defaults\n"
    "  --module ID:RATE[:SOFTWARE[:HARDWARE]]\n"
    "                       a further ZEL on the CAN bus behind the device (repeatable):\n"
    "                       module ID 1..127, bit-rate index as above, identity words\n"
    "                       (default those of the device); it answers carried commands only\n"
    "                       while the device's bit rate equals its own\n"
    "  --fault FAULT         arm a fault at start (repeatable; see Faults)\n"
    "  --boot-state STATE   firmware (default), or loader: no working firmware, the serial\n"
    "                       loader waits for the autobaud (TI and JTAG downloads)\n"
    "  --control PATH       take control commands on a Unix socket at PATH\n"
    "  --verbose            log every frame to stderr\n";

#ifndef ZELSIM_VERSION
#define ZELSIM_VERSION "unknown"
#endif

int Fail(const std::string& message) {
  std::fprintf(stderr, "zelsim: %s\n%s", message.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  zel::sim::SimulatorOptions options;
  std::vector<zel::sim::NamedFault> faults;
  std::vector<std::string> bootFaults;
  std::vector<zel::sim::CanModuleConfig> modules;
  std::vector<std::size_t> moduleVersionsGiven;
  std::string controlPath;
  bool haveErrorWord = false;
  bool haveCanErrorWord = false;
  uint16_t errorWord = 0;
  uint16_t canErrorWord = 0;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    auto word = [&](uint16_t& target) {
      unsigned long number = 0;
      if (value == nullptr || !zel::sim::ParseUnsigned(value, 0xFFFF, number)) return false;
      target = static_cast<uint16_t>(number);
      ++i;
      return true;
    };
    if (option == "--help" || option == "-h") {
      std::printf("%s\n%s%s\n%s", kUsage, zel::sim::NamedFault::Help(),
                  zel::sim::BootFaults::Help(), zel::sim::ControlCommands::Help());
      return 0;
    } else if (option == "--version") {
      std::printf("zelsim %s\n", ZELSIM_VERSION);
      return 0;
    } else if (option == "--link" && value != nullptr) {
      options.linkPath = value;
      ++i;
    } else if (option == "--baud") {
      unsigned long number = 0;
      if (value == nullptr || !zel::sim::ParseUnsigned(value, 4000000, number) || number == 0) {
        return Fail("--baud needs a rate in bit/s");
      }
      options.baud = static_cast<uint32_t>(number);
      ++i;
    } else if (option == "--paced") {
      options.paced = true;
    } else if (option == "--verbose") {
      options.verbose = true;
    } else if (option == "--software") {
      if (!word(options.device.identity.softwareVersion)) return Fail("--software needs a word");
    } else if (option == "--hardware") {
      if (!word(options.device.identity.hardwareVersion)) return Fail("--hardware needs a word");
    } else if (option == "--app-number") {
      if (!word(options.device.identity.applicationNumber)) {
        return Fail("--app-number needs a word");
      }
    } else if (option == "--app-version") {
      if (!word(options.device.identity.applicationVersion)) {
        return Fail("--app-version needs a word");
      }
    } else if (option == "--password") {
      if (value == nullptr || std::strlen(value) != 4) {
        return Fail("--password needs exactly four characters");
      }
      options.device.password = value;
      ++i;
    } else if (option == "--enable-input") {
      std::string state = value != nullptr ? value : "";
      if (state != "on" && state != "off") return Fail("--enable-input needs on or off");
      options.device.enableInput = state == "on";
      ++i;
    } else if (option == "--error-word") {
      if (!word(errorWord)) return Fail("--error-word needs a word");
      haveErrorWord = true;
    } else if (option == "--can-error-word") {
      if (!word(canErrorWord)) return Fail("--can-error-word needs a word");
      haveCanErrorWord = true;
    } else if (option == "--can-bitrate") {
      unsigned long number = 0;
      if (value == nullptr || !zel::sim::ParseUnsigned(value, 7, number)) {
        return Fail("--can-bitrate needs an index 0..7");
      }
      options.canBitRateIndex = static_cast<int>(number);
      ++i;
    } else if (option == "--module") {
      if (value == nullptr) return Fail("--module needs ID:RATE[:SOFTWARE[:HARDWARE]]");
      std::vector<std::string> parts;
      std::string text = value;
      for (std::size_t start = 0;;) {
        std::size_t colon = text.find(':', start);
        parts.push_back(text.substr(start, colon == std::string::npos ? colon : colon - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
      }
      unsigned long id = 0;
      unsigned long rate = 0;
      if (parts.size() < 2 || parts.size() > 4 || !zel::sim::ParseUnsigned(parts[0], 127, id) ||
          id == 0 || !zel::sim::ParseUnsigned(parts[1], 7, rate)) {
        return Fail("--module needs ID 1..127 and a bit-rate index 0..7: " + text);
      }
      zel::sim::CanModuleConfig module;
      module.moduleId = static_cast<uint16_t>(id);
      module.bitRateIndex = static_cast<int>(rate);
      unsigned long version = 0;
      // Identity words not given follow the device's, whatever order the options came in.
      moduleVersionsGiven.push_back(parts.size() - 2);
      if (parts.size() >= 3) {
        if (!zel::sim::ParseUnsigned(parts[2], 0xFFFF, version)) {
          return Fail("--module: bad software word " + parts[2]);
        }
        module.device.identity.softwareVersion = static_cast<uint16_t>(version);
      }
      if (parts.size() == 4) {
        if (!zel::sim::ParseUnsigned(parts[3], 0xFFFF, version)) {
          return Fail("--module: bad hardware word " + parts[3]);
        }
        module.device.identity.hardwareVersion = static_cast<uint16_t>(version);
      }
      modules.push_back(module);
      ++i;
    } else if (option == "--fault") {
      zel::sim::NamedFault fault;
      std::string error;
      if (value == nullptr) return Fail("--fault needs a FAULT");
      if (zel::sim::NamedFault::Parse(value, fault, error)) {
        faults.push_back(fault);
      } else {
        bool unknown = false;
        std::string bootError;
        zel::sim::BootFaults scratch;
        if (!scratch.Arm(value, bootError, unknown)) return Fail(unknown ? error : bootError);
        bootFaults.push_back(value);
      }
      ++i;
    } else if (option == "--boot-state" && value != nullptr) {
      const std::string state = value;
      if (state == "firmware") {
        options.bootState = zel::sim::BootState::kFirmware;
      } else if (state == "loader") {
        options.bootState = zel::sim::BootState::kLoader;
      } else {
        return Fail("--boot-state needs firmware or loader");
      }
      ++i;
    } else if (option == "--control" && value != nullptr) {
      controlPath = value;
      ++i;
    } else {
      return Fail("unknown or incomplete option " + option);
    }
  }
  if (options.linkPath.empty()) return Fail("--link PATH is required");
  for (std::size_t m = 0; m < modules.size(); ++m) {
    zel::sim::DeviceIdentity& identity = modules[m].device.identity;
    const uint16_t software = identity.softwareVersion;
    const uint16_t hardware = identity.hardwareVersion;
    identity = options.device.identity;
    if (moduleVersionsGiven[m] >= 1) identity.softwareVersion = software;
    if (moduleVersionsGiven[m] >= 2) identity.hardwareVersion = hardware;
  }
  options.modules = modules;

  // Block the stop signals before any thread exists, so only sigwait below sees them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  zel::sim::Simulator simulator(options);
  // Armed before the line exists, so the very first exchange already shows them.
  if (haveErrorWord) simulator.Device().SetErrorBits(errorWord);
  if (haveCanErrorWord) simulator.Device().SetCanErrorBits(canErrorWord);
  for (const zel::sim::NamedFault& fault : faults) fault.ArmOn(simulator.Faults());
  for (const std::string& text : bootFaults) {
    std::string ignored;
    bool unknown = false;
    simulator.BootFaultsArmed().Arm(text, ignored, unknown);
  }

  std::string error;
  if (!simulator.Start(&error)) {
    std::fprintf(stderr, "zelsim: %s\n", error.c_str());
    return 1;
  }
  zel::sim::ControlChannel control(simulator);
  if (!controlPath.empty()) {
    if (!control.Start(controlPath, &error)) {
      std::fprintf(stderr, "zelsim: %s\n", error.c_str());
      simulator.Stop();
      return 1;
    }
    std::printf("zelsim: control channel at %s\n", controlPath.c_str());
  }
  // The last line before serving: whoever waits for it finds the line and the channel ready.
  std::printf("zelsim: serving %s at %u bit/s\n", options.linkPath.c_str(), options.baud);
  std::fflush(stdout);
  int signal = 0;
  sigwait(&stopSignals, &signal);
  control.Stop();
  simulator.Stop();
  return 0;
}
