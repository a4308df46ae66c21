#include "sim/SimulatorCommandLine.h"

#include <cstddef>

#include "sim/BootFaults.h"
#include "sim/NumberText.h"

namespace zel::sim {
namespace {

std::vector<std::string> SplitColons(const std::string& text) {
  std::vector<std::string> parts;
  for (std::size_t start = 0;;) {
    std::size_t colon = text.find(':', start);
    parts.push_back(text.substr(start, colon == std::string::npos ? colon : colon - start));
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return parts;
}

}  // namespace

const char* SimulatorCommandLine::DeviceOptionsSynopsis() {
  return "[--baud N] [--paced] [--adapter-latency MS] [--software WORD]\n"
         "       [--hardware WORD] [--app-number WORD] [--app-version WORD] [--password XXXX]\n"
         "       [--enable-input on|off] [--error-word WORD] [--can-error-word WORD]\n"
         "       [--can-bitrate INDEX] [--module ID:RATE[:SOFTWARE[:HARDWARE]]]...\n"
         "       [--fault FAULT]... [--boot-state firmware|loader] [--control PATH]\n"
         "       [--verbose]\n";
}

const char* SimulatorCommandLine::DeviceOptionsHelp() {
  return "  --baud N             the only line rate the device answers at (default 38400)\n"
         "  --paced              send bytes no faster than the line rate (10 bits a byte)\n"
         "  --adapter-latency MS hand the device's bytes over as a full-speed USB adapter\n"
         "                       does: every MS milliseconds, or as soon as 62 bytes have\n"
         "                       gathered (default 0: each byte at once)\n"
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
}

SimulatorCommandLine::Outcome SimulatorCommandLine::Parse(const std::vector<std::string>& arguments,
                                                          std::string& error) {
  std::vector<CanModuleConfig> modules;
  std::vector<std::size_t> moduleVersionsGiven;
  auto fail = [&error](const std::string& message) {
    error = message;
    return Outcome::kUsageError;
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    const std::string* value = i + 1 < arguments.size() ? &arguments[i + 1] : nullptr;
    auto word = [&](uint16_t& target) {
      unsigned long number = 0;
      if (value == nullptr || !ParseUnsigned(*value, 0xFFFF, number)) return false;
      target = static_cast<uint16_t>(number);
      ++i;
      return true;
    };
    if (option == "--help" || option == "-h") {
      return Outcome::kHelp;
    } else if (option == "--version") {
      return Outcome::kVersion;
    } else if (option == "--link" && value != nullptr) {
      options.linkPath = *value;
      ++i;
    } else if (option == "--baud") {
      unsigned long number = 0;
      if (value == nullptr || !ParseUnsigned(*value, 4000000, number) || number == 0) {
        return fail("--baud needs a rate in bit/s");
      }
      options.baud = static_cast<uint32_t>(number);
      ++i;
    } else if (option == "--adapter-latency") {
      // An FTDI chip's latency timer takes 1 to 255 ms.
      unsigned long number = 0;
      if (value == nullptr || !ParseUnsigned(*value, 255, number)) {
        return fail("--adapter-latency needs a number of milliseconds 0..255");
      }
      options.adapterLatency = std::chrono::milliseconds(number);
      ++i;
    } else if (option == "--paced") {
      options.paced = true;
    } else if (option == "--verbose") {
      options.verbose = true;
    } else if (option == "--software") {
      if (!word(options.device.identity.softwareVersion)) return fail("--software needs a word");
    } else if (option == "--hardware") {
      if (!word(options.device.identity.hardwareVersion)) return fail("--hardware needs a word");
    } else if (option == "--app-number") {
      if (!word(options.device.identity.applicationNumber)) {
        return fail("--app-number needs a word");
      }
    } else if (option == "--app-version") {
      if (!word(options.device.identity.applicationVersion)) {
        return fail("--app-version needs a word");
      }
    } else if (option == "--password") {
      if (value == nullptr || value->size() != 4) {
        return fail("--password needs exactly four characters");
      }
      options.device.password = *value;
      ++i;
    } else if (option == "--enable-input") {
      const std::string state = value != nullptr ? *value : "";
      if (state != "on" && state != "off") return fail("--enable-input needs on or off");
      options.device.enableInput = state == "on";
      ++i;
    } else if (option == "--error-word") {
      uint16_t bits = 0;
      if (!word(bits)) return fail("--error-word needs a word");
      errorWord = bits;
    } else if (option == "--can-error-word") {
      uint16_t bits = 0;
      if (!word(bits)) return fail("--can-error-word needs a word");
      canErrorWord = bits;
    } else if (option == "--can-bitrate") {
      unsigned long number = 0;
      if (value == nullptr || !ParseUnsigned(*value, 7, number)) {
        return fail("--can-bitrate needs an index 0..7");
      }
      options.canBitRateIndex = static_cast<int>(number);
      ++i;
    } else if (option == "--module") {
      if (value == nullptr) return fail("--module needs ID:RATE[:SOFTWARE[:HARDWARE]]");
      const std::vector<std::string> parts = SplitColons(*value);
      unsigned long id = 0;
      unsigned long rate = 0;
      if (parts.size() < 2 || parts.size() > 4 || !ParseUnsigned(parts[0], 127, id) || id == 0 ||
          !ParseUnsigned(parts[1], 7, rate)) {
        return fail("--module needs ID 1..127 and a bit-rate index 0..7: " + *value);
      }
      CanModuleConfig module;
      module.moduleId = static_cast<uint16_t>(id);
      module.bitRateIndex = static_cast<int>(rate);
      unsigned long version = 0;
      // Identity words not given follow the device's, whatever order the options came in.
      moduleVersionsGiven.push_back(parts.size() - 2);
      if (parts.size() >= 3) {
        if (!ParseUnsigned(parts[2], 0xFFFF, version)) {
          return fail("--module: bad software word " + parts[2]);
        }
        module.device.identity.softwareVersion = static_cast<uint16_t>(version);
      }
      if (parts.size() == 4) {
        if (!ParseUnsigned(parts[3], 0xFFFF, version)) {
          return fail("--module: bad hardware word " + parts[3]);
        }
        module.device.identity.hardwareVersion = static_cast<uint16_t>(version);
      }
      modules.push_back(module);
      ++i;
    } else if (option == "--fault") {
      NamedFault fault;
      std::string faultError;
      if (value == nullptr) return fail("--fault needs a FAULT");
      if (NamedFault::Parse(*value, fault, faultError)) {
        faults.push_back(fault);
      } else {
        bool unknown = false;
        std::string bootError;
        BootFaults scratch;
        if (!scratch.Arm(*value, bootError, unknown)) return fail(unknown ? faultError : bootError);
        bootFaults.push_back(*value);
      }
      ++i;
    } else if (option == "--boot-state" && value != nullptr) {
      if (*value == "firmware") {
        options.bootState = BootState::kFirmware;
      } else if (*value == "loader") {
        options.bootState = BootState::kLoader;
      } else {
        return fail("--boot-state needs firmware or loader");
      }
      ++i;
    } else if (option == "--control" && value != nullptr) {
      controlPath = *value;
      ++i;
    } else {
      return fail("unknown or incomplete option " + option);
    }
  }
  for (std::size_t m = 0; m < modules.size(); ++m) {
    DeviceIdentity& identity = modules[m].device.identity;
    const uint16_t software = identity.softwareVersion;
    const uint16_t hardware = identity.hardwareVersion;
    identity = options.device.identity;
    if (moduleVersionsGiven[m] >= 1) identity.softwareVersion = software;
    if (moduleVersionsGiven[m] >= 2) identity.hardwareVersion = hardware;
  }
  options.modules = modules;
  return Outcome::kRun;
}

void SimulatorCommandLine::ArmOn(Simulator& simulator) const {
  if (errorWord) simulator.Device().SetErrorBits(*errorWord);
  if (canErrorWord) simulator.Device().SetCanErrorBits(*canErrorWord);
  for (const NamedFault& fault : faults) fault.ArmOn(simulator.Faults());
  for (const std::string& text : bootFaults) {
    std::string ignored;
    bool unknown = false;
    simulator.BootFaultsArmed().Arm(text, ignored, unknown);
  }
}

}  // namespace zel::sim
