// zelgui --simulate, started as a trainee starts it: the program runs a simulated ZEL of its own
// and finds it online, and its window says it is a simulation.
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TestOutput.h"
#include "ui/FirmwareSamplePackage.h"

extern char** environ;

namespace zel::gui {
namespace {

struct ProgramRun {
  int exitCode = -1;
  std::string err;
  std::string out;
};

// Runs zelgui offscreen and collects what it writes until it ends (killed after two minutes).
ProgramRun RunZelgui(std::vector<std::string> args) {
  args.insert(args.begin(), ZEL_ZELGUI);
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (entry.rfind("QT_QPA_PLATFORM=", 0) != 0 && entry.rfind("ASAN_OPTIONS=", 0) != 0)
      env.push_back(entry);
  }
  env.push_back("QT_QPA_PLATFORM=offscreen");
  // Qt's own caches at exit are not what this test looks at.
  env.push_back("ASAN_OPTIONS=detect_leaks=0");
  std::vector<char*> argv;
  std::vector<char*> envp;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  ProgramRun run;
  int errPipe[2];
  int outPipe[2];
  if (pipe(errPipe) != 0 || pipe(outPipe) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, errPipe[0]);
  posix_spawn_file_actions_addclose(&actions, outPipe[0]);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(errPipe[1]);
  close(outPipe[1]);
  if (spawned != 0) {
    close(errPipe[0]);
    close(outPipe[0]);
    return run;
  }
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  pollfd fds[2] = {{errPipe[0], POLLIN, 0}, {outPipe[0], POLLIN, 0}};
  int open = 2;
  while (open > 0 && std::chrono::steady_clock::now() < giveUp) {
    if (poll(fds, 2, 1000) <= 0) continue;
    for (pollfd& fd : fds) {
      if (fd.fd < 0 || fd.revents == 0) continue;
      char buffer[512];
      const ssize_t got = read(fd.fd, buffer, sizeof buffer);
      if (got <= 0) {
        close(fd.fd);
        fd.fd = -1;
        --open;
        continue;
      }
      (&fd == &fds[0] ? run.err : run.out).append(buffer, static_cast<std::size_t>(got));
    }
  }
  if (open > 0) kill(pid, SIGKILL);
  for (pollfd& fd : fds)
    if (fd.fd >= 0) close(fd.fd);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  return run;
}

std::string LinkFrom(const std::string& err) {
  const std::string lead = "zelgui: simulating a ZEL at ";
  const std::size_t at = err.find(lead);
  if (at == std::string::npos) return {};
  const std::size_t end = err.find(" (", at);
  return err.substr(at + lead.size(), end - at - lead.size());
}

TEST(GuiSimulate, StartsItsOwnZelFindsItOnlineAndSaysItIsASimulation) {
  test::SamplePackage package;
  const std::filesystem::path settings = package.Dir() / "settings";
  std::filesystem::create_directories(settings);
  const std::string screenshot =
      (test::TestOutputDir("GuiSimulate") / "zelgui-simulation.png").string();

  // The device options keep zelsim's meaning, CAN modules included; the monitor finds the ZEL.
  ProgramRun run = RunZelgui({"--settings", settings.string(), "--package", package.Path(),
                              "--no-wizards", "--start-monitor", "--report-start", "--quit-after",
                              "8000", "--screenshot", screenshot, "--simulate", "--can-bitrate",
                              "3", "--module", "5:3", "--app-number", "0x0001"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("zelgui: window \"ZEL UserInterface Version 1.06 (simulation)\"\n"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("zelgui: online\n"), std::string::npos) << run.err;
  const std::string link = LinkFrom(run.err);
  ASSERT_FALSE(link.empty()) << run.err;
  std::error_code error;
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(link).parent_path(), error))
      << "the simulation's own folder goes with the program: " << link;
  EXPECT_TRUE(std::filesystem::exists(screenshot));

  // A device option zelsim refuses is refused here with zelsim's words, before any window.
  run = RunZelgui({"--settings", settings.string(), "--simulate", "--module", "0:9"});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("zelgui: --module needs ID 1..127 and a bit-rate index 0..7: 0:9"),
            std::string::npos)
      << run.err;
  // And the device's options are listed on request.
  run = RunZelgui({"--simulate", "--help"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.out.find("--adapter-latency MS"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace zel::gui
