#include "sim/ControlCommands.h"

#include <array>
#include <cstdio>
#include <vector>

#include "sim/NamedFault.h"
#include "sim/NumberText.h"
#include "sim/Simulator.h"

namespace zel::sim {
namespace {

struct ErrorBitName {
  int bit;
  std::string_view name;
};

// The standard error word's bits under the names the sample package's error map gives them.
constexpr std::array<ErrorBitName, 6> kErrorBits{{
    {0, "over-current"},
    {1, "over-voltage"},
    {2, "under-voltage"},
    {3, "power-stage-temperature"},
    {5, "encoder"},
    {7, "speed"},
}};

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < line.size()) {
    at = line.find_first_not_of(" \t\r", at);
    if (at == std::string_view::npos) break;
    std::size_t end = line.find_first_of(" \t\r", at);
    if (end == std::string_view::npos) end = line.size();
    words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

std::string Error(const std::string& message) {
  return "error: " + message;
}

std::string Hex16(uint16_t word) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "0x%04X", word);
  return buffer;
}

// Bits 0..14 by number or, for the standard word, by name; bit 15 is the summary and follows.
bool ParseBit(std::string_view text, bool named, int& bit, std::string& error) {
  if (named) {
    for (const ErrorBitName& entry : kErrorBits) {
      if (entry.name == text) {
        bit = entry.bit;
        return true;
      }
    }
  }
  unsigned long number = 0;
  if (!ParseUnsigned(text, 15, number)) {
    error = "'" + std::string(text) + "' is not an error bit (0 to 14" +
            (named ? std::string(" or a name: see help") : "") + ")";
    return false;
  }
  if (number == 15) {
    error = "bit 15 is the summary bit; it follows the others by itself";
    return false;
  }
  bit = static_cast<int>(number);
  return true;
}

// "error ..." and "can-error ...": raise BIT..., clear BIT...|all, set WORD.
std::string ErrorWordCommand(DeviceModel& device, bool standard,
                             const std::vector<std::string_view>& words) {
  const std::string noun(words[0]);
  if (words.size() < 3) return Error(noun + " needs raise BIT..., clear BIT...|all or set WORD");
  std::string_view verb = words[1];
  if (verb == "set") {
    unsigned long value = 0;
    if (words.size() != 3 || !ParseUnsigned(words[2], 0xFFFF, value)) {
      return Error(noun + " set needs one word from 0 to 0xFFFF");
    }
    if (standard) {
      device.SetErrorBits(static_cast<uint16_t>(value));
    } else {
      device.SetCanErrorBits(static_cast<uint16_t>(value));
    }
  } else if (verb == "clear" && words.size() == 3 && words[2] == "all") {
    if (standard) {
      device.SetErrorBits(0);
    } else {
      device.SetCanErrorBits(0);
    }
  } else if (verb == "raise" || verb == "clear") {
    std::vector<int> bits;
    for (std::size_t i = 2; i < words.size(); ++i) {
      int bit = 0;
      std::string error;
      if (!ParseBit(words[i], standard, bit, error)) return Error(error);
      bits.push_back(bit);
    }
    for (int bit : bits) {
      if (verb == "raise" && standard) device.RaiseError(bit);
      if (verb == "raise" && !standard) device.RaiseCanError(bit);
      if (verb == "clear" && standard) device.ClearErrorBit(bit);
      if (verb == "clear" && !standard) device.ClearCanErrorBit(bit);
    }
  } else {
    return Error("unknown " + noun + " command '" + std::string(verb) + "'");
  }
  return "ok " + noun + "=" + Hex16(standard ? device.ErrorWord() : device.CanErrorWord());
}

std::string FaultCommand(FaultInjector& faults, BootFaults& bootFaults,
                         const std::vector<std::string_view>& words) {
  if (words.size() < 2) return Error("fault needs FAULT... or clear");
  if (words.size() == 2 && words[1] == "clear") {
    faults.ClearAll();
    bootFaults.ClearAll();
    return "ok";
  }
  std::vector<NamedFault> armed;
  std::vector<std::string_view> boot;
  for (std::size_t i = 1; i < words.size(); ++i) {
    NamedFault fault;
    std::string error;
    if (NamedFault::Parse(words[i], fault, error)) {
      armed.push_back(std::move(fault));
      continue;
    }
    // A boot fault is checked on a scratch set first: the line is checked whole before
    // anything is armed.
    BootFaults scratch;
    bool unknown = false;
    std::string bootError;
    if (!scratch.Arm(words[i], bootError, unknown)) return Error(unknown ? error : bootError);
    boot.push_back(words[i]);
  }
  for (const NamedFault& fault : armed) fault.ArmOn(faults);
  for (std::string_view text : boot) {
    std::string error;
    bool unknown = false;
    bootFaults.Arm(text, error, unknown);
  }
  return "ok";
}

std::string BootCommand(BootLoader& boot, const std::vector<std::string_view>& words) {
  if (words.size() != 2) return Error("boot needs firmware, loader or power-cycle");
  if (words[1] == "firmware") {
    boot.SetState(BootState::kFirmware);
  } else if (words[1] == "loader") {
    boot.SetState(BootState::kLoader);
  } else if (words[1] == "power-cycle") {
    boot.PowerCycle();
  } else {
    return Error("boot needs firmware, loader or power-cycle");
  }
  return "ok boot=" + BootLoader::StateName(boot.State());
}

}  // namespace

std::string ControlCommands::Execute(std::string_view line) {
  std::vector<std::string_view> words = Words(line);
  if (words.empty()) return Error("empty command; try help");
  std::string_view command = words[0];
  if (command == "help") {
    return "ok commands: state, fault FAULT...|clear, error raise|clear|set, "
           "can-error raise|clear|set, enable-input on|off, module ID ..., boot STATE, hang-up, "
           "help";
  }
  if (command == "state") {
    if (words.size() != 1) return Error("state takes no arguments");
    return State();
  }
  if (command == "fault")
    return FaultCommand(simulator_.Faults(), simulator_.BootFaultsArmed(), words);
  if (command == "boot") return BootCommand(simulator_.Boot(), words);
  if (command == "error" || command == "can-error") {
    return ErrorWordCommand(simulator_.Device(), command == "error", words);
  }
  if (command == "enable-input") {
    if (words.size() != 2 || (words[1] != "on" && words[1] != "off")) {
      return Error("enable-input needs on or off");
    }
    simulator_.Device().SetEnableInput(words[1] == "on");
    return "ok";
  }
  if (command == "module") {
    // The same error and input commands for a module on the CAN bus.
    unsigned long id = 0;
    if (words.size() < 3 || !ParseUnsigned(words[1], 127, id)) {
      return Error("module needs an ID and a command: error, can-error, enable-input");
    }
    DeviceModel* module = simulator_.Bus().Find(static_cast<uint16_t>(id));
    if (module == nullptr) return Error("no module " + std::to_string(id) + " on the bus");
    std::vector<std::string_view> rest(words.begin() + 2, words.end());
    if (rest[0] == "error" || rest[0] == "can-error") {
      return ErrorWordCommand(*module, rest[0] == "error", rest);
    }
    if (rest[0] == "enable-input" && rest.size() == 2 && (rest[1] == "on" || rest[1] == "off")) {
      module->SetEnableInput(rest[1] == "on");
      return "ok";
    }
    if (rest[0] == "state" && rest.size() == 1) {
      return "ok id=" + std::to_string(id) + " error=" + Hex16(module->ErrorWord()) +
             " can-error=" + Hex16(module->CanErrorWord()) +
             " status=" + Hex16(module->StatusWord()) +
             " service-mode=" + (module->InServiceMode() ? "on" : "off");
    }
    return Error("module commands: error, can-error, enable-input on|off, state");
  }
  if (command == "hang-up") {
    if (words.size() != 1) return Error("hang-up takes no arguments");
    if (!simulator_.RequestHangUp()) return Error("the device is not serving");
    return "ok";
  }
  return Error("unknown command '" + std::string(command) + "'; try help");
}

std::string ControlCommands::State() const {
  DeviceModel& device = simulator_.Device();
  SimulatorStats stats = simulator_.Stats();
  return "ok error=" + Hex16(device.ErrorWord()) + " can-error=" + Hex16(device.CanErrorWord()) +
         " enable-input=" + (device.EnableInput() ? "on" : "off") +
         " service-mode=" + (device.InServiceMode() ? "on" : "off") +
         " status=" + Hex16(device.StatusWord()) +
         " frames-accepted=" + std::to_string(stats.framesAccepted) +
         " frames-rejected=" + std::to_string(stats.framesRejected) +
         " hang-ups=" + std::to_string(stats.hangUps) +
         " boot=" + BootLoader::StateName(simulator_.Boot().State()) +
         " firmware=" + (simulator_.Boot().FirmwareIntact() ? "intact" : "lost") +
         " faults: " + FaultList();
}

std::string ControlCommands::FaultList() const {
  std::string text = NamedFault::Describe(simulator_.Faults().Armed());
  const std::string boot = simulator_.BootFaultsArmed().Describe();
  if (boot.empty()) return text;
  return text == "none" ? boot : text + " " + boot;
}

const char* ControlCommands::Help() {
  return "Control channel (--control PATH, a Unix stream socket; one command a line, each\n"
         "answered by one line, \"ok ...\" or \"error: ...\"; try: socat - UNIX-CONNECT:PATH):\n"
         "  state                     error words, enable input, service mode, status word,\n"
         "                            frame counters and the armed faults\n"
         "  fault FAULT...            arm faults (see Faults)\n"
         "  fault clear               disarm every fault\n"
         "  error raise BIT...        raise bits of the standard error word: 0..14 or\n"
         "                            over-current, over-voltage, under-voltage,\n"
         "                            power-stage-temperature, encoder, speed\n"
         "  error clear BIT...|all    clear them\n"
         "  error set WORD            set the whole word (bit 15 follows the others)\n"
         "  can-error raise|clear|set the same for the CAN error word (bits by number)\n"
         "  enable-input on|off       the digital input 'Enable'\n"
         "  module ID error|can-error|enable-input ...|state\n"
         "                            the same for module ID on the CAN bus\n"
         "  boot firmware|loader      run the firmware, or a serial loader waiting for the "
         "autobaud\n"
         "                            (as after the boot command, or one started over JTAG)\n"
         "  boot power-cycle          the firmware when the flash holds an intact one, else the\n"
         "                            processor's own loader\n"
         "  hang-up                   close the line now and link a fresh one at the same path\n"
         "  help                      list the commands\n";
}

}  // namespace zel::sim
