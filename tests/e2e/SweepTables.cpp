#include "e2e/SweepTables.h"

#include <cstdio>

#include "parameters/CParameterFile.h"

namespace zel::e2e {
namespace {

using parameters::CParameterFile;
using sim::DeviceModel;

constexpr int kSysConfig = 1;
constexpr int kAcceleration = 18;
constexpr uint16_t kSetAcceleration = 1234;
constexpr uint8_t kOpEnable = 5;
constexpr uint8_t kOpSetTempParam = 21;
constexpr const char* kPackage = ZEL_SAMPLE_PACKAGE;

DriveState StateOf(const DeviceModel& drive) {
  DriveState state;
  for (int i = 0; i < DeviceModel::kSystemParameterCount; ++i) {
    uint16_t word = drive.TempParameter(i);
    if (i == kSysConfig) word &= static_cast<uint16_t>(~DeviceModel::kConfigServiceMode);
    state.ram.push_back(word);
    state.eeprom.push_back(drive.EepromParameter(i));
  }
  state.softwareEnabling = (state.ram[kSysConfig] & DeviceModel::kConfigSoftwareEnable) != 0;
  state.enabled = (drive.StatusWord() & DeviceModel::kStatusEnabled) != 0;
  return state;
}

std::string Hex(uint16_t word) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", word);
  return text;
}

// The first parameter where two copies differ, for the report.
std::string Differs(const std::vector<uint16_t>& was, const std::vector<uint16_t>& is) {
  for (std::size_t i = 0; i < was.size() && i < is.size(); ++i)
    if (was[i] != is[i])
      return "parameter " + std::to_string(i) + " " + Hex(was[i]) + " -> " + Hex(is[i]);
  return {};
}

// Nothing changed on any drive: what a read-only transfer must leave.
std::string Untouched(const RunView& run) {
  for (std::size_t d = 0; d < run.before.size(); ++d) {
    const std::string drive = d == 0 ? "ZEL" : "module #" + std::to_string(d);
    if (std::string diff = Differs(run.before[d].ram, run.after[d].ram); !diff.empty())
      return drive + " RAM " + diff;
    if (std::string diff = Differs(run.before[d].eeprom, run.after[d].eeprom); !diff.empty())
      return drive + " EEPROM " + diff;
    if (run.before[d].enabled != run.after[d].enabled) return drive + " enabling changed";
  }
  return {};
}

// The file holds the drive's parameters (an upload's file those from before it); `kept` are
// SysConfig bits left out of the comparison.
std::string FileHolds(const std::filesystem::path& path, const DriveState& drive,
                      uint16_t kept = 0) {
  CParameterFile file;
  std::string error;
  if (file.Read(path, error) != CParameterFile::ReadResult::kOk)
    return path.filename().string() + " unreadable: " + error;
  if (file.entries.size() != drive.ram.size())
    return path.filename().string() + " holds " + std::to_string(file.entries.size()) +
           " parameters";
  std::vector<uint16_t> values;
  for (std::size_t i = 0; i < file.entries.size(); ++i) {
    uint16_t word = 0;
    if (!file.Value(i, word)) return path.filename().string() + " entry " + std::to_string(i);
    if (i == kSysConfig) word &= static_cast<uint16_t>(~DeviceModel::kConfigServiceMode);
    values.push_back(word);
  }
  std::vector<uint16_t> ram = drive.ram;
  ram[kSysConfig] &= static_cast<uint16_t>(~kept);
  values[kSysConfig] &= static_cast<uint16_t>(~kept);
  std::string diff = Differs(ram, values);
  return diff.empty() ? diff : path.filename().string() + " " + diff;
}

// The first non-empty check.
std::string Either(std::string first, const std::function<std::string()>& then) {
  return first.empty() ? then() : first;
}

void SetParameter(DeviceModel& drive, int number, uint16_t value) {
  const uint16_t words[] = {static_cast<uint16_t>(number), 0, value};
  drive.Execute(kOpSetTempParam, words);
}

void EnableBySoftware(DeviceModel& drive, bool enabled) {
  SetParameter(drive, kSysConfig,
               drive.TempParameter(kSysConfig) | DeviceModel::kConfigSoftwareEnable);
  if (enabled) {
    const uint16_t on[] = {1};
    drive.Execute(kOpEnable, on);
  }
}

std::string Firmware(const RunView& run, uint16_t software) {
  if (run.simulator.Boot().State() != sim::BootState::kFirmware) return "the firmware does not run";
  if (!run.simulator.Boot().FirmwareIntact()) return "the flash check fails";
  const uint16_t runs = run.simulator.Device().Identity().softwareVersion;
  return runs == software ? std::string() : "the ZEL runs software " + Hex(runs);
}

Transfer FirmwareDownload(const std::string& method, const std::string& version, uint16_t software,
                          bool fromLoader) {
  std::vector<std::string> args = {"firmware", "download", kPackage, version,
                                   "--method", method,     "--yes"};
  // Without running firmware there are no parameters to save first.
  if (fromLoader) args.push_back("--no-backup");
  return {"firmware download --method " + method,
          args,
          fromLoader ? Bench::kLoader : Bench::kFirmware,
          false,
          false,
          nullptr,
          [software](const RunView& run) { return Firmware(run, software); }};
}

}  // namespace

std::vector<DriveState> Snapshot(sim::Simulator& simulator) {
  std::vector<DriveState> drives{StateOf(simulator.Device())};
  for (std::size_t i = 0; i < simulator.Bus().Size(); ++i)
    drives.push_back(StateOf(simulator.Bus().At(i)));
  return drives;
}

std::vector<Transfer> Transfers(const std::filesystem::path& downloadSource) {
  const std::string source = downloadSource.string();
  return {
      {"param set",
       {"param", "set", "Acceleration", std::to_string(kSetAcceleration)},
       Bench::kZel,
       false,
       false,
       nullptr,
       [](const RunView& run) {
         const uint16_t value = run.after[0].ram[kAcceleration];
         return value == kSetAcceleration ? std::string() : "Acceleration is " + Hex(value);
       }},
      {"enable",
       {"enable"},
       Bench::kZel,
       false,
       true,
       [](sim::Simulator& s) { EnableBySoftware(s.Device(), false); },
       [](const RunView& run) {
         return run.simulator.Device().SoftwareEnable() ? std::string() : "not enabled";
       }},
      {"disable",
       {"disable"},
       Bench::kZel,
       false,
       true,
       [](sim::Simulator& s) { EnableBySoftware(s.Device(), true); },
       [](const RunView& run) {
         return run.simulator.Device().SoftwareEnable() ? "still enabled" : std::string();
       }},
      {"save",
       {"save"},
       Bench::kZel,
       true,
       false,
       [](sim::Simulator& s) { SetParameter(s.Device(), kAcceleration, kSetAcceleration); },
       [](const RunView& run) {
         const std::string diff = Differs(run.after[0].ram, run.after[0].eeprom);
         return diff.empty() ? diff : "EEPROM differs from RAM at " + diff;
       }},
      {"params upload",
       {"params", "upload", "@/zel.udf"},
       Bench::kZel,
       false,
       false,
       nullptr,
       [](const RunView& run) {
         return Either(Untouched(run),
                       [&] { return FileHolds(run.dir / "zel.udf", run.before[0]); });
       }},
      {"params download",
       {"params", "download", source, "--yes"},
       Bench::kZel,
       true,
       false,
       nullptr,
       [source](const RunView& run) {
         // The ZEL keeps its own way of enabling; the check of the enabling state sees to it.
         const std::string wrong =
             FileHolds(source, run.after[0], DeviceModel::kConfigSoftwareEnable);
         if (!wrong.empty()) return "RAM: " + wrong;
         const std::string diff = Differs(run.after[0].ram, run.after[0].eeprom);
         return diff.empty() ? diff : "EEPROM differs from RAM at " + diff;
       }},
      {"module params upload",
       {"--module", "5", "params", "upload", "@/module.udf"},
       Bench::kCanBus,
       false,
       false,
       nullptr,
       [](const RunView& run) {
         return Either(Untouched(run),
                       [&] { return FileHolds(run.dir / "module.udf", run.before[1]); });
       }},
      {"network params upload",
       {"params", "upload", "@/net.udf", "--network", "--to", "8"},
       Bench::kCanBus,
       false,
       false,
       nullptr,
       [](const RunView& run) {
         return Either(Untouched(run), [&] {
           return Either(FileHolds(run.dir / "net_ModuleId_5.udf", run.before[1]),
                         [&] { return FileHolds(run.dir / "net_ModuleId_6.udf", run.before[2]); });
         });
       }},
      {"can search",
       {"can", "search", "--count", "3"},
       Bench::kCanBus,
       false,
       false,
       nullptr,
       [](const RunView& run) {
         return Either(Untouched(run), [&] {
           // The report's lines are "Module   5  500kBit/s": the ID right-aligned.
           for (const char* id : {"5", "6"})
             if (run.output.find(std::string("Module   ") + id + "  ") == std::string::npos)
               return std::string("module ") + id + " not reported";
           return std::string();
         });
       }},
      {"record",
       {"record", "--variable", "134", "--period", "0.5", "-o", "@/rec.rda"},
       Bench::kZel,
       false,
       false,
       nullptr,
       [](const RunView& run) {
         std::error_code error;
         if (std::filesystem::file_size(run.dir / "rec.rda", error) == 0 || error)
           return std::string("no recording written");
         return Untouched(run);
       }},
      FirmwareDownload("standard", "ZEL_1030", 0x1030, false),
      FirmwareDownload("ti", "ZEL_1040", 0x1040, true),
      FirmwareDownload("jtag", "ZEL_1030", 0x1030, true),
  };
}

std::vector<Fault> Faults() {
  std::vector<Fault> faults;
  for (const char* line :
       {"never-answer", "never-answer=1", "reject-opcode=1", "reject-opcode=4", "reject-checksum=1",
        "reject-checksum=4", "refuse-reply=1", "corrupt-reply=1", "corrupt-reply=4",
        "stop-reply=1,after=1", "noise=1,bytes=55", "stray-ack=1", "hang-up=1"})
    faults.push_back({line, false});
  for (const char* boot :
       {"protected-flash=1", "erase-status=10", "check-fails=1", "check-fails=2",
        "boot-silent,at=enter", "boot-silent,at=connect", "boot-silent,at=tiboot",
        "boot-silent,at=protect", "boot-silent,at=fl_clr", "boot-silent,at=fl_ers",
        "boot-silent,at=fl_wrt", "boot-silent,at=code", "boot-silent,at=written",
        "boot-silent,at=FlshChk", "boot-hang-up,after=100"})
    faults.push_back({boot, true});
  return faults;
}

}  // namespace zel::e2e
