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
    "              [--fault FAULT]... [--control PATH] [--verbose]\n"
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
    "  --fault FAULT         arm a fault at start (repeatable; see Faults)\n"
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
      std::printf("%s\n%s\n%s", kUsage, zel::sim::NamedFault::Help(),
                  zel::sim::ControlCommands::Help());
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
    } else if (option == "--fault") {
      zel::sim::NamedFault fault;
      std::string error;
      if (value == nullptr) return Fail("--fault needs a FAULT");
      if (!zel::sim::NamedFault::Parse(value, fault, error)) return Fail(error);
      faults.push_back(fault);
      ++i;
    } else if (option == "--control" && value != nullptr) {
      controlPath = value;
      ++i;
    } else {
      return Fail("unknown or incomplete option " + option);
    }
  }
  if (options.linkPath.empty()) return Fail("--link PATH is required");

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
