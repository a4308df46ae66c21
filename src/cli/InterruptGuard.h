#pragma once

#include <signal.h>

namespace zel::cli {

// While it lives, Ctrl-C is counted instead of ending zelctl, so a long command can stop at a
// point of its choosing (between monitor cycles, after a download step); the previous handler
// is back afterwards. One guard at a time.
class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  // Ctrl-C presses since the guard was installed.
  static int Count();

 private:
  struct sigaction previous_ {};
};

}  // namespace zel::cli
