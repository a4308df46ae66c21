#pragma once

#include <signal.h>

namespace zel::cli {

// While it lives, writing to a pipe or terminal whose reader has gone away fails (EPIPE, EIO)
// instead of ending zelctl with SIGPIPE: a command that must finish what it started (a firmware
// download) goes on and tells its outcome through its exit code. The previous handler is back
// afterwards.
class BrokenOutputGuard {
 public:
  BrokenOutputGuard();
  ~BrokenOutputGuard();
  BrokenOutputGuard(const BrokenOutputGuard&) = delete;
  BrokenOutputGuard& operator=(const BrokenOutputGuard&) = delete;

 private:
  struct sigaction previous_ {};
};

}  // namespace zel::cli
