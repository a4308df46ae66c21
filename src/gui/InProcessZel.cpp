#include "gui/InProcessZel.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>

#include "sim/ControlChannel.h"
#include "sim/Simulator.h"
#include "sim/SimulatorCommandLine.h"

namespace zel::gui {

InProcessZel::InProcessZel() = default;

InProcessZel::~InProcessZel() {
  Stop();
}

bool InProcessZel::SplitArguments(std::vector<std::string>& programArguments,
                                  std::vector<std::string>& deviceArguments) {
  auto at = std::find(programArguments.begin(), programArguments.end(), kOption);
  if (at == programArguments.end()) return false;
  deviceArguments.assign(at + 1, programArguments.end());
  programArguments.erase(at, programArguments.end());
  return true;
}

InProcessZel::Outcome InProcessZel::Start(const std::vector<std::string>& deviceArguments,
                                          std::string& message) {
  Stop();
  commandLine_ = std::make_unique<sim::SimulatorCommandLine>();
  switch (commandLine_->Parse(deviceArguments, message)) {
    case sim::SimulatorCommandLine::Outcome::kRun:
      break;
    case sim::SimulatorCommandLine::Outcome::kUsageError:
      return Outcome::kUsageError;
    case sim::SimulatorCommandLine::Outcome::kHelp:
    case sim::SimulatorCommandLine::Outcome::kVersion:
      message = std::string("device options after ") + kOption + " (those of zelsim):\n" +
                "  [--link PATH] " + sim::SimulatorCommandLine::DeviceOptionsSynopsis() +
                sim::SimulatorCommandLine::DeviceOptionsHelp();
      return Outcome::kHelpShown;
  }
  sim::SimulatorOptions& options = commandLine_->options;
  if (options.linkPath.empty()) {
    std::error_code error;
    std::string pattern =
        (std::filesystem::temp_directory_path(error) / "zelgui-simulation-XXXXXX").string();
    if (error || mkdtemp(pattern.data()) == nullptr) {
      message = "cannot make a folder for the simulated ZEL's line";
      return Outcome::kFailed;
    }
    ownFolder_ = pattern;
    options.linkPath = (std::filesystem::path(ownFolder_) / "ZEL").string();
  }
  simulator_ = std::make_unique<sim::Simulator>(options);
  commandLine_->ArmOn(*simulator_);
  if (!simulator_->Start(&message)) {
    Stop();
    return Outcome::kFailed;
  }
  if (!commandLine_->controlPath.empty()) {
    control_ = std::make_unique<sim::ControlChannel>(*simulator_);
    if (!control_->Start(commandLine_->controlPath, &message)) {
      Stop();
      return Outcome::kFailed;
    }
  }
  return Outcome::kRunning;
}

void InProcessZel::Stop() {
  if (control_) control_->Stop();
  control_.reset();
  if (simulator_) simulator_->Stop();
  simulator_.reset();
  if (!ownFolder_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(ownFolder_, ignored);
    ownFolder_.clear();
  }
}

std::string InProcessZel::LinkPath() const {
  return commandLine_ ? commandLine_->options.linkPath : std::string();
}

uint32_t InProcessZel::Baud() const {
  return commandLine_ ? commandLine_->options.baud : 0;
}

}  // namespace zel::gui
