// zelgui's start-up against the in-process simulated ZEL: the time from starting the program
// (offscreen, with a settings file that registers the sample package and opens no wizard) to its
// main window shown (aim: under 0.5 s), and to the polling monitor's first online cycle after the
// monitor question is answered (aim: within one monitor period of it). zelgui reports both
// moments on stderr (--report-start); the times are taken here, from the spawn.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "app/SettingsFile.h"
#include "sim/Simulator.h"
#include "support/OffscreenCommand.h"
#include "ui/ScriptedHost.h"

namespace {

using Clock = std::chrono::steady_clock;

#ifdef ZEL_ZELGUI

std::filesystem::path Fresh(const char* name) {
  return std::filesystem::temp_directory_path() /
         (std::string(name) + "-" + std::to_string(getpid()));
}

// A settings file as a technician's second start finds it: the sample package registered, no
// wizard to open at start.
bool WriteSettings(const std::filesystem::path& directory) {
  zel::ui::ScriptedHost host;
  zel::app::CMainFrame frame([](const std::string&, std::int32_t, std::uint8_t& code) {
    code = 0x80;
    return std::unique_ptr<zel::link::ByteChannel>();
  });
  if (frame.RegisterPackage(ZEL_SAMPLE_PACKAGE) == 0) return false;
  frame.Wizards().SetStartupWizardAtStart(0);
  return zel::app::SettingsFile::Save(frame, directory / zel::app::SettingsFile::kFileName);
}

struct StartTimes {
  double shownMs = -1;
  double onlineMs = -1;
};

StartTimes RunZelgui(const std::string& link, const std::filesystem::path& settings) {
  StartTimes times;
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return times;
  zel::bench::OffscreenCommand command({ZEL_ZELGUI, "--device", link, "--settings",
                                        settings.string(), "--start-monitor", "--report-start",
                                        "--quit-after", "3000"});
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  const Clock::time_point start = Clock::now();
  pid_t pid = 0;
  const int spawned =
      posix_spawn(&pid, ZEL_ZELGUI, &actions, nullptr, command.Argv(), command.Envp());
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (spawned != 0) {
    close(pipeFds[0]);
    return times;
  }
  std::string text;
  char buffer[512];
  for (;;) {
    const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    text.append(buffer, static_cast<std::size_t>(n));
    if (times.shownMs < 0 && text.find("zelgui: shown\n") != std::string::npos) times.shownMs = ms;
    if (times.onlineMs < 0 && text.find("zelgui: online\n") != std::string::npos)
      times.onlineMs = ms;
  }
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return times;
}

void BM_ZelguiStartToShownAndOnline(benchmark::State& state) {
  const std::filesystem::path settings = Fresh("zel-bench-start");
  std::filesystem::create_directories(settings);
  if (!WriteSettings(settings)) {
    state.SkipWithError("cannot write the settings file with the sample package");
    return;
  }
  zel::sim::SimulatorOptions options;
  options.linkPath = (settings / "ttyZEL").string();
  zel::sim::Simulator sim(options);
  std::string error;
  if (!sim.Start(&error)) {
    state.SkipWithError(("zelsim: " + error).c_str());
    return;
  }
  double shown = 0;
  double online = 0;
  int runs = 0;
  for (auto _ : state) {
    const StartTimes times = RunZelgui(options.linkPath, settings);
    if (times.shownMs < 0 || times.onlineMs < 0) {
      state.SkipWithError("zelgui did not report both stages");
      break;
    }
    state.SetIterationTime(times.onlineMs / 1000.0);
    shown += times.shownMs;
    online += times.onlineMs;
    ++runs;
  }
  sim.Stop();
  std::filesystem::remove_all(settings);
  if (runs == 0) return;
  state.counters["shown_ms"] = shown / runs;
  state.counters["online_ms"] = online / runs;
  state.counters["online_after_shown_ms"] = (online - shown) / runs;
}
BENCHMARK(BM_ZelguiStartToShownAndOnline)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

#endif

}  // namespace

BENCHMARK_MAIN();
