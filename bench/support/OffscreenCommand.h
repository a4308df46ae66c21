#pragma once

#include <string>
#include <vector>

namespace zel::bench {

// A program's argument and environment vectors for posix_spawn, with Qt on its offscreen
// platform whatever the caller's environment says: a bench must not need a display.
class OffscreenCommand {
 public:
  explicit OffscreenCommand(std::vector<std::string> args);
  OffscreenCommand(const OffscreenCommand&) = delete;
  OffscreenCommand& operator=(const OffscreenCommand&) = delete;

  char* const* Argv() { return argv_.data(); }
  char* const* Envp() { return envp_.data(); }

 private:
  std::vector<std::string> args_;
  std::vector<std::string> env_;
  std::vector<char*> argv_;
  std::vector<char*> envp_;
};

}  // namespace zel::bench
