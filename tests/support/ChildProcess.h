#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace zel::test {

// How a program run as a child process ended. A child still running at its deadline is killed
// and counts as hung; one ended by a signal, or by a sanitizer's report, counts as crashed.
struct ChildOutcome {
  bool hung = false;
  bool crashed = false;
  int exitCode = -1;
  std::string output;  // stdout and stderr as they interleaved
};

// Runs program with args, stdin from /dev/null, both output streams into outputFile, the
// environment extended by `environment` ("NAME=value", replacing an inherited variable of that
// name). Sanitizer reports end the child with an exit code of their own, so they are told apart
// from an ordinary failure.
ChildOutcome RunChild(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& environment,
                      const std::filesystem::path& outputFile, std::chrono::seconds deadline);

}  // namespace zel::test
