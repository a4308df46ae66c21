// The polling monitor against the in-process simulated ZEL over a pseudo-terminal. One cycle
// paced at 38400 bit/s is compared with the time its exchanges' bytes take on the line (aim:
// at most 1.10, ideally 1.05), with the ZEL's bytes handed over directly (adapter_ms:0) or behind
// a full-speed USB adapter whose latency timer is 1 ms (aim: the cycle fits its 100 ms period) or
// 16 ms (an FTDI chip's default). The desktop program's CPU share with the monitor at 100 ms
// against an unpaced ZEL is measured on zelgui itself, offscreen (aim: under 2 % of one core).
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/PosixSerialChannel.h"
#include "link/ZelCommunication.h"
#include "monitor/CStatusView.h"
#include "monitor/PollingMonitor.h"
#include "monitor/RegulationDataSink.h"
#include "sim/Simulator.h"
#include "support/HandFiredTimer.h"
#include "support/OffscreenCommand.h"
#include "ui/Dispatcher.h"

namespace {

using zel::ui::PeriodicTimer;

constexpr uint32_t kBaud = 38400;

// Bytes of one exchange with a reply on both directions of the line: command frame (opcode, L,
// words, checksum) and the tool's two acknowledges; the ZEL's two acknowledges and the reply
// frame (code, L, words, checksum).
constexpr int ExchangeBytes(int commandWords, int replyWords) {
  return (2 + 2 * commandWords + 2) + 2 + 2 + (2 + 2 * replyWords + 2);
}
// A speed-regulation cycle with a ZEL above 0x1000: ReadVersion, ten parameter reads, the error
// word and the CAN error word.
constexpr int kCycleBytes =
    ExchangeBytes(1, 4) + 10 * ExchangeBytes(2, 1) + 2 * ExchangeBytes(1, 1);

std::string FreshLink(const char* name) {
  return (std::filesystem::temp_directory_path() /
          (std::string(name) + "-" + std::to_string(getpid())))
      .string();
}

void BM_MonitorCyclePaced38400(benchmark::State& state) {
  zel::sim::SimulatorOptions options;
  options.linkPath = FreshLink("zel-bench-monitor");
  options.baud = kBaud;
  options.paced = true;
  options.adapterLatency = std::chrono::milliseconds(state.range(0));
  zel::sim::Simulator sim(options);
  std::string error;
  if (!sim.Start(&error)) {
    state.SkipWithError(("zelsim: " + error).c_str());
    return;
  }
  zel::link::ZelCommunication comm(zel::link::PosixSerialChannel::OpenerForPath(options.linkPath));
  comm.Settings().baudRate = kBaud;
  if (!comm.ReopenLink()) {
    state.SkipWithError("cannot open the pseudo-terminal");
    return;
  }
  zel::monitor::CStatusView status;
  zel::monitor::SpeedViewDataSink speed;
  zel::monitor::CurrentViewDataSink current;
  std::atomic<ui::PeriodicTimer::Callback*> tick{nullptr};
  zel::monitor::PollingMonitor monitor(std::make_unique<zel::test::HandFiredTimer>(tick));
  monitor.LinkCommunication(comm);
  monitor.LinkViews(&speed, &current, &status);
  std::mutex mutex;
  std::condition_variable ended;
  uint64_t cycles = 0;
  int64_t offline = 0;
  monitor.SetCycleObserver([&](const zel::monitor::MonitorCycle& cycle) {
    std::lock_guard lock(mutex);
    ++cycles;
    if (!cycle.online || !cycle.speed || !cycle.canErrorWord) ++offline;
    ended.notify_all();
  });
  monitor.Start();
  while (tick.load() == nullptr) std::this_thread::yield();

  double busy = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::unique_lock lock(mutex);
    const uint64_t before = cycles;
    lock.unlock();
    (*tick.load())();
    lock.lock();
    ended.wait(lock, [&] { return cycles > before; });
    lock.unlock();
    busy += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    zel::ui::Dispatcher::Default().Pump();
  }
  monitor.Stop();
  zel::ui::Dispatcher::Default().Pump();
  sim.Stop();

  const double perCycle = busy / static_cast<double>(state.iterations());
  const double lineTime = kCycleBytes * 10.0 / kBaud;
  state.counters["ms_per_cycle"] = perCycle * 1e3;
  state.counters["line_ms"] = lineTime * 1e3;
  state.counters["line_ratio"] = perCycle / lineTime;
  state.counters["offline_cycles"] = static_cast<double>(offline);
  if (offline > 0) state.SkipWithError("cycles were not complete speed cycles");
}

#ifdef ZEL_ZELGUI
struct GuiRun {
  double wall = 0;  // s
  double cpu = 0;   // s, user and system
  bool ok = false;
};

// zelgui offscreen against path with the monitor at 100 ms, closed after runMs. Its settings
// file goes to settings, not into whatever folder the bench was started from.
GuiRun RunZelgui(const std::string& path, const std::string& settings, int runMs) {
  zel::bench::OffscreenCommand command(
      {ZEL_ZELGUI, "--device", path, "--package", ZEL_SAMPLE_PACKAGE, "--settings", settings,
       "--start-monitor", "--no-wizards", "--quit-after", std::to_string(runMs)});
  GuiRun run;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, ZEL_ZELGUI, nullptr, nullptr, command.Argv(), command.Envp()) != 0)
    return run;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec +
            usage.ru_stime.tv_usec * 1e-6;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

// zelgui's CPU time per second of wall time with the monitor running. A short and a long run
// differ only in the seconds of running monitor, so start-up (Qt, the adjustment to the sample
// package) and shut-down cancel out of the difference.
void BM_ZelguiMonitorCpuShare(benchmark::State& state) {
  zel::sim::SimulatorOptions options;
  options.linkPath = FreshLink("zel-bench-gui");
  zel::sim::Simulator sim(options);
  std::string error;
  if (!sim.Start(&error)) {
    state.SkipWithError(("zelsim: " + error).c_str());
    return;
  }
  const std::string settings = FreshLink("zel-bench-gui-settings");
  std::filesystem::create_directories(settings);
  GuiRun shortRun;
  GuiRun longRun;
  for (auto _ : state) {
    shortRun = RunZelgui(options.linkPath, settings, 2000);
    longRun = RunZelgui(options.linkPath, settings, 12000);
  }
  sim.Stop();
  std::filesystem::remove_all(settings);
  if (!shortRun.ok || !longRun.ok) {
    state.SkipWithError("zelgui failed");
    return;
  }
  state.counters["cpu_share_whole_run"] = longRun.cpu / longRun.wall;
  state.counters["cpu_share_of_one_core"] =
      (longRun.cpu - shortRun.cpu) / (longRun.wall - shortRun.wall);
  state.counters["frames_seen"] = static_cast<double>(sim.Stats().framesAccepted);
}
BENCHMARK(BM_ZelguiMonitorCpuShare)->UseRealTime()->Unit(benchmark::kMillisecond)->Iterations(1);
#endif

BENCHMARK(BM_MonitorCyclePaced38400)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50)
    ->ArgName("adapter_ms")
    ->Arg(0)
    ->Arg(1)
    ->Arg(16);

}  // namespace

BENCHMARK_MAIN();
