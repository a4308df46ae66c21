#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "sim/Simulator.h"

namespace zel::e2e {

// What a drive holds that a command must not change behind the technician's back.
struct DriveState {
  std::vector<uint16_t> ram;  // service mode left out: a session, never a setting
  std::vector<uint16_t> eeprom;
  bool softwareEnabling = false;  // SysConfig bit 12 in RAM
  bool enabled = false;           // status word bit 14
  bool operator==(const DriveState&) const = default;
};

// The ZEL first, then every module on its bus.
std::vector<DriveState> Snapshot(sim::Simulator& simulator);

// One finished run, as a transfer's check sees it.
struct RunView {
  sim::Simulator& simulator;
  const std::vector<DriveState>& before;
  const std::vector<DriveState>& after;
  const std::filesystem::path& dir;
  const std::string& output;
};

enum class Bench { kZel, kCanBus, kFirmware, kLoader };

// A transfer: zelctl's arguments ('@' starting one stands for the case's folder), the bench it
// runs on, and what the device and the files must hold when it reports success.
struct Transfer {
  std::string name;
  std::vector<std::string> args;
  Bench bench = Bench::kZel;
  bool changesEeprom = false;    // saving is its purpose
  bool changesEnabling = false;  // enabling or disabling is its purpose
  std::function<void(sim::Simulator&)> prepare;
  // Empty when what was asked is done; else what is missing.
  std::function<std::string(const RunView&)> held;
};

// A fault as zelsim spells it; a line fault is also armed inside the transfer with skip=N, a
// boot fault only at start.
struct Fault {
  std::string text;
  bool boot = false;
};

// Acceleration as the download cases' file holds it; the device starts with its default.
inline constexpr uint16_t kDownloadedAcceleration = 4321;

// downloadSource: a file uploaded from a ZEL whose Acceleration is kDownloadedAcceleration.
std::vector<Transfer> Transfers(const std::filesystem::path& downloadSource);
std::vector<Fault> Faults();

}  // namespace zel::e2e
