#include "support/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace zel::test {
namespace {

// Not an exit code zelctl uses (0, 1, 2), so a sanitizer's report cannot pass for a failure.
constexpr int kSanitizerExit = 86;

// The environment's entry of name ("NAME=..."), or null.
std::string* Find(std::vector<std::string>& env, const std::string& name) {
  for (std::string& entry : env)
    if (entry.compare(0, name.size() + 1, name + "=") == 0) return &entry;
  return nullptr;
}

// Sets an entry; an inherited one of the same name would otherwise be the one getenv finds.
void Set(std::vector<std::string>& env, const std::string& entry) {
  if (std::string* old = Find(env, entry.substr(0, entry.find('=')))) {
    *old = entry;
  } else {
    env.push_back(entry);
  }
}

void AddExitCode(std::vector<std::string>& env, const std::string& name) {
  const std::string* current = Find(env, name);
  const std::string value = current != nullptr ? current->substr(name.size() + 1) + ":" : "";
  Set(env, name + "=" + value + "exitcode=" + std::to_string(kSanitizerExit));
}

}  // namespace

ChildOutcome RunChild(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& environment,
                      const std::filesystem::path& outputFile, std::chrono::seconds deadline) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) env.emplace_back(*entry);
  for (const std::string& entry : environment) Set(env, entry);
  AddExitCode(env, "ASAN_OPTIONS");
  AddExitCode(env, "UBSAN_OPTIONS");
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::vector<std::string> argStrings{program};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : argStrings) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  ChildOutcome outcome;
  pid_t pid = 0;
  const int spawned =
      posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    outcome.crashed = true;
    outcome.output = "cannot start " + program;
    return outcome;
  }
  int status = 0;
  const auto giveUp = std::chrono::steady_clock::now() + deadline;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > giveUp) {
      outcome.hung = true;
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!outcome.hung) {
    if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
    outcome.crashed = WIFSIGNALED(status) ||
                      (outcome.exitCode != 0 && outcome.exitCode != 1 && outcome.exitCode != 2);
  }
  std::ifstream in(outputFile, std::ios::binary);
  outcome.output.assign(std::istreambuf_iterator<char>(in), {});
  return outcome;
}

}  // namespace zel::test
