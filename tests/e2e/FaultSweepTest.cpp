#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "e2e/SweepTables.h"
#include "parameters/CParameterFile.h"
#include "sim/DeviceModel.h"
#include "sim/NamedFault.h"
#include "support/ChildProcess.h"

// zelctl, run as a child process against an in-process zelsim with each fault armed at start
// and at points inside each transfer. After every run one property must hold: exit 0 only when
// the device holds what was asked; otherwise the EEPROMs as they were (unless saving was the
// purpose and what was asked is there), the enabling state as before or named in the output,
// the firmware verdict as the flash is; never a temporary file left, a crash or a hang.
//
// CI runs a sample; ZEL_FAULT_SWEEP=full runs the whole matrix (scripts/fault-sweep.sh).
// ZEL_FAULT_SWEEP_JOBS sets how many cases run at once (default 2).

namespace zel::e2e {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;
using test::ChildOutcome;
using test::RunChild;

enum class Verdict { kHeld, kFalseSuccess, kHang, kCrash, kUnreported };

struct Case {
  const Transfer* transfer = nullptr;
  const Fault* fault = nullptr;  // none: the transfer as it runs without a fault
  uint64_t skip = 0;
  seconds deadline{180};
};

struct Result {
  Verdict verdict = Verdict::kHeld;
  std::string what;
  uint64_t opcodes = 0;  // what the device took, for placing faults inside the transfer
  seconds took{0};
};

bool Says(const std::string& output, std::initializer_list<const char*> words) {
  return std::any_of(words.begin(), words.end(),
                     [&](const char* word) { return output.find(word) != std::string::npos; });
}

std::string LeftTemporary(const fs::path& dir) {
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir))
    if (entry.path().filename().string().find(".tmp") != std::string::npos)
      return entry.path().filename().string();
  return {};
}

sim::SimulatorOptions Bench(Bench bench, const fs::path& dir) {
  sim::SimulatorOptions options;
  options.linkPath = (dir / "ttyZEL").string();
  if (bench == Bench::kCanBus) {
    options.canBitRateIndex = 2;
    for (uint16_t id : {5, 6}) {
      sim::CanModuleConfig module;
      module.moduleId = id;
      module.bitRateIndex = 2;
      options.modules.push_back(module);
    }
  }
  // A download wants the 'Enable' input off.
  options.device.enableInput = bench != Bench::kFirmware && bench != Bench::kLoader;
  if (bench == Bench::kLoader) options.bootState = sim::BootState::kLoader;
  return options;
}

bool Arm(sim::Simulator& simulator, const Case& c, std::string& error) {
  if (c.fault == nullptr) return true;
  if (c.fault->boot) {
    bool unknown = false;
    return simulator.BootFaultsArmed().Arm(c.fault->text, error, unknown);
  }
  sim::NamedFault fault;
  const std::string text = c.fault->text + (c.skip > 0 ? ",skip=" + std::to_string(c.skip) : "");
  if (!sim::NamedFault::Parse(text, fault, error)) return false;
  fault.ArmOn(simulator.Faults());
  return true;
}

Verdict Judge(const Case& c, const ChildOutcome& child, const RunView& run, std::string& what) {
  if (child.hung) {
    what = "still running after " + std::to_string(c.deadline.count()) + " s";
    return Verdict::kHang;
  }
  if (child.crashed) {
    what = "ended with exit code " + std::to_string(child.exitCode) + " or a signal";
    return Verdict::kCrash;
  }
  if (std::string left = LeftTemporary(run.dir); !left.empty()) {
    what = "temporary file " + left + " left";
    return Verdict::kUnreported;
  }
  const Transfer& t = *c.transfer;
  const bool firmware = t.bench == Bench::kFirmware || t.bench == Bench::kLoader;
  if (child.exitCode == 0) {
    what = t.held(run);
    for (std::size_t d = 0; what.empty() && !t.changesEnabling && d < run.before.size(); ++d)
      if (run.before[d].softwareEnabling != run.after[d].softwareEnabling ||
          run.before[d].enabled != run.after[d].enabled)
        what = "enabling state of drive " + std::to_string(d) + " changed";
    return what.empty() ? Verdict::kHeld : Verdict::kFalseSuccess;
  }
  const bool asked = t.changesEeprom && t.held(run).empty();
  // A save whose drive could not have its own enable source saved after it says so: the EEPROM
  // then holds what RAM holds but for SysConfig's enabling by software.
  const auto namedSoftwareEnablingStored = [&](std::size_t d) {
    if (!t.changesEeprom || !Says(run.output, {"enabling by software (bit 12)"})) return false;
    std::vector<uint16_t> ram = run.after[d].ram;
    std::vector<uint16_t> eeprom = run.after[d].eeprom;
    if (ram.size() < 2 || eeprom.size() < 2) return false;
    ram[1] |= sim::DeviceModel::kConfigSoftwareEnable;
    eeprom[1] |= sim::DeviceModel::kConfigSoftwareEnable;
    return ram == eeprom;
  };
  for (std::size_t d = 0; d < run.before.size(); ++d) {
    const std::string drive = d == 0 ? "the ZEL's" : "module #" + std::to_string(d) + "'s";
    if (run.before[d].eeprom != run.after[d].eeprom && !asked && !namedSoftwareEnablingStored(d)) {
      what = drive + " EEPROM changed";
      return Verdict::kUnreported;
    }
    if ((run.before[d].softwareEnabling != run.after[d].softwareEnabling ||
         run.before[d].enabled != run.after[d].enabled) &&
        !(Says(run.output, {"disabled", "enabled", "SysConfig"}) ||
          (t.changesEnabling && Says(run.output, {"Enable was sent"})))) {
      what = drive + " enabling state changed without a word";
      return Verdict::kUnreported;
    }
  }
  if (firmware) {
    const bool lost = !run.simulator.Boot().FirmwareIntact();
    if (lost != Says(run.output, {"firmware is lost"})) {
      what = lost ? "the flash is lost, the verdict does not say so"
                  : "the verdict says the firmware is lost, the flash is intact";
      return Verdict::kUnreported;
    }
  }
  return Verdict::kHeld;
}

Result RunCase(const Case& c, const fs::path& dir) {
  fs::create_directories(dir / "config");
  sim::Simulator simulator(Bench(c.transfer->bench, dir));
  Result result;
  std::string error;
  if (!simulator.Start(&error) || !Arm(simulator, c, error)) {
    result.verdict = Verdict::kCrash;
    result.what = "bench not set up: " + error;
    return result;
  }
  if (c.transfer->prepare) c.transfer->prepare(simulator);
  const std::vector<DriveState> before = Snapshot(simulator);
  // As a script runs it: every confirmation answered Yes, also the one that gives enabling back
  // to the hardware.
  std::vector<std::string> args = {"--device", simulator.LinkPath(), "--yes"};
  for (const std::string& arg : c.transfer->args)
    args.push_back(!arg.empty() && arg[0] == '@' ? dir.string() + arg.substr(1) : arg);
  const auto started = std::chrono::steady_clock::now();
  const ChildOutcome child =
      RunChild(ZEL_ZELCTL, args, {"ZELCTL_CONFIG_DIR=" + (dir / "config").string()},
               dir / "zelctl.out", c.deadline);
  result.took = std::chrono::duration_cast<seconds>(std::chrono::steady_clock::now() - started);
  const std::vector<DriveState> after = Snapshot(simulator);
  result.opcodes = simulator.Faults().Opcodes();
  result.verdict = Judge(c, child, {simulator, before, after, dir, child.output}, result.what);
  simulator.Stop();
  if (result.verdict != Verdict::kHeld) {
    const std::size_t tail = child.output.size() > 300 ? child.output.size() - 300 : 0;
    result.what += " | zelctl " + std::to_string(child.exitCode) + ": " + child.output.substr(tail);
  }
  return result;
}

// Runs every case on `jobs` threads, each case on its own simulator and line.
std::vector<Result> RunAll(const std::vector<Case>& cases, const fs::path& root, int first,
                           int jobs) {
  std::vector<Result> results(cases.size());
  std::atomic<std::size_t> next{0};
  std::vector<std::thread> workers;
  for (int j = 0; j < jobs; ++j)
    workers.emplace_back([&] {
      for (std::size_t i = next++; i < cases.size(); i = next++)
        results[i] = RunCase(cases[i], root / std::to_string(first + static_cast<int>(i)));
    });
  for (std::thread& worker : workers) worker.join();
  return results;
}

// The points inside a transfer of n opcodes where a line fault is armed.
std::vector<uint64_t> Points(uint64_t n, bool full) {
  std::set<uint64_t> points{0, n / 2};
  if (full) points.insert({1, n / 4, 3 * n / 4, n > 0 ? n - 1 : 0});
  return {points.begin(), points.end()};
}

std::string Describe(const Case& c) {
  std::string text = c.transfer->name + " | " + (c.fault ? c.fault->text : "no fault");
  if (c.fault != nullptr && !c.fault->boot)
    text += c.skip == 0 ? " at start" : ",skip=" + std::to_string(c.skip);
  return text;
}

TEST(FaultSweep, NoRunReportsWhatItDidNotDoNorChangesWhatItDoesNotReport) {
  const char* mode = std::getenv("ZEL_FAULT_SWEEP");
  const bool full = mode != nullptr && std::string(mode) == "full";
  const char* jobsText = std::getenv("ZEL_FAULT_SWEEP_JOBS");
  const int jobs = jobsText != nullptr ? std::max(1, std::atoi(jobsText)) : 2;
  const fs::path root = fs::temp_directory_path() / ("zel-fault-sweep-" + std::to_string(getpid()));
  fs::remove_all(root);

  // The download cases write a file uploaded from a ZEL whose Acceleration differs from theirs.
  const fs::path source = root / "source" / "download.udf";
  {
    fs::create_directories(source.parent_path());
    sim::Simulator simulator(Bench(Bench::kZel, source.parent_path()));
    ASSERT_TRUE(simulator.Start());
    const uint16_t set[] = {18, 0, kDownloadedAcceleration};
    simulator.Device().Execute(21, set);
    const ChildOutcome upload = RunChild(
        ZEL_ZELCTL, {"--device", simulator.LinkPath(), "params", "upload", source.string()}, {},
        source.parent_path() / "zelctl.out", seconds(120));
    ASSERT_EQ(upload.exitCode, 0) << upload.output;
    // The file records the ZEL's own SysConfig, whatever the upload did to it meanwhile.
    parameters::CParameterFile file;
    std::string error;
    ASSERT_EQ(file.Read(source, error), parameters::CParameterFile::ReadResult::kOk) << error;
    file.entries.at(1).value = "0x0001";
    ASSERT_TRUE(file.Write(source, error)) << error;
  }

  const std::vector<Transfer> transfers = Transfers(source);
  const std::vector<Fault> faults = Faults();
  // Each transfer runs without a fault first; how many opcodes it takes places the others.
  std::vector<Case> cases;
  for (const Transfer& t : transfers) cases.push_back({&t});
  std::vector<Result> results = RunAll(cases, root, 0, jobs);

  std::vector<Case> faulted;
  std::size_t sampled = 0;
  for (std::size_t t = 0; t < transfers.size(); ++t) {
    const bool firmware =
        transfers[t].bench == Bench::kFirmware || transfers[t].bench == Bench::kLoader;
    // A transfer that runs long without a fault may take as long again for each retry.
    const seconds deadline = std::max(seconds(30), results[t].took * 5 + seconds(20));
    for (const Fault& f : faults) {
      if (f.boot && !firmware) continue;
      std::vector<uint64_t> points =
          f.boot ? std::vector<uint64_t>{0} : Points(results[t].opcodes, full);
      if (!f.boot && results[t].opcodes == 0) continue;  // nothing on the line to arm it on
      for (uint64_t skip : points) {
        // The sample turns through faults and points so every transfer meets a few of each.
        if (!full && (sampled++ % 7) != t % 7) continue;
        faulted.push_back({&transfers[t], &f, skip, deadline});
      }
    }
  }
  const std::vector<Result> more = RunAll(faulted, root, static_cast<int>(cases.size()), jobs);
  cases.insert(cases.end(), faulted.begin(), faulted.end());
  results.insert(results.end(), more.begin(), more.end());

  std::map<Verdict, int> counts;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    ++counts[results[i].verdict];
    if (results[i].verdict == Verdict::kHeld) continue;
    static const std::map<Verdict, const char*> names = {
        {Verdict::kFalseSuccess, "FALSE SUCCESS"},
        {Verdict::kHang, "HANG"},
        {Verdict::kCrash, "CRASH"},
        {Verdict::kUnreported, "UNREPORTED CHANGE"}};
    std::cout << names.at(results[i].verdict) << " | " << Describe(cases[i]) << " | "
              << results[i].what << "\n";
  }
  std::cout << "fault sweep (" << (full ? "full matrix" : "sample") << "): cases " << cases.size()
            << ", false successes " << counts[Verdict::kFalseSuccess] << ", hangs "
            << counts[Verdict::kHang] << ", crashes " << counts[Verdict::kCrash]
            << ", unreported changes " << counts[Verdict::kUnreported] << std::endl;
  EXPECT_EQ(counts[Verdict::kFalseSuccess], 0);
  EXPECT_EQ(counts[Verdict::kHang], 0);
  EXPECT_EQ(counts[Verdict::kCrash], 0);
  EXPECT_EQ(counts[Verdict::kUnreported], 0);
  // A failing sweep keeps each case's folder, zelctl's output included, to look at.
  if (counts[Verdict::kHeld] == static_cast<int>(cases.size())) fs::remove_all(root);
}

}  // namespace
}  // namespace zel::e2e
