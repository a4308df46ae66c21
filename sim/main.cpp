// zelsim: a simulated ZEL on a pseudo-terminal, serving until SIGINT or SIGTERM.

#include <signal.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/BootFaults.h"
#include "sim/ControlChannel.h"
#include "sim/ControlCommands.h"
#include "sim/NamedFault.h"
#include "sim/Simulator.h"
#include "sim/SimulatorCommandLine.h"

namespace {

#ifndef ZELSIM_VERSION
#define ZELSIM_VERSION "unknown"
#endif

std::string Usage() {
  using zel::sim::SimulatorCommandLine;
  return std::string("usage: zelsim --link PATH ") + SimulatorCommandLine::DeviceOptionsSynopsis() +
         "       zelsim --help | --version\n"
         "Serves a simulated ZEL on a pseudo-terminal linked at PATH until SIGINT or SIGTERM.\n" +
         SimulatorCommandLine::DeviceOptionsHelp();
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "zelsim: %s\n%s", message.c_str(), Usage().c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  zel::sim::SimulatorCommandLine commandLine;
  std::string error;
  switch (commandLine.Parse(std::vector<std::string>(argv + 1, argv + argc), error)) {
    case zel::sim::SimulatorCommandLine::Outcome::kHelp:
      std::printf("%s\n%s%s\n%s", Usage().c_str(), zel::sim::NamedFault::Help(),
                  zel::sim::BootFaults::Help(), zel::sim::ControlCommands::Help());
      return 0;
    case zel::sim::SimulatorCommandLine::Outcome::kVersion:
      std::printf("zelsim %s\n", ZELSIM_VERSION);
      return 0;
    case zel::sim::SimulatorCommandLine::Outcome::kUsageError:
      return Fail(error);
    case zel::sim::SimulatorCommandLine::Outcome::kRun:
      break;
  }
  const zel::sim::SimulatorOptions& options = commandLine.options;
  if (options.linkPath.empty()) return Fail("--link PATH is required");

  // Block the stop signals before any thread exists, so only sigwait below sees them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  zel::sim::Simulator simulator(options);
  commandLine.ArmOn(simulator);
  if (!simulator.Start(&error)) {
    std::fprintf(stderr, "zelsim: %s\n", error.c_str());
    return 1;
  }
  zel::sim::ControlChannel control(simulator);
  if (!commandLine.controlPath.empty()) {
    if (!control.Start(commandLine.controlPath, &error)) {
      std::fprintf(stderr, "zelsim: %s\n", error.c_str());
      simulator.Stop();
      return 1;
    }
    std::printf("zelsim: control channel at %s\n", commandLine.controlPath.c_str());
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
