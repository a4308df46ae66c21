#pragma once

#include <signal.h>

namespace zel::cli {

// While it lives, Ctrl-C, SIGTERM and SIGHUP (a closed terminal) are counted instead of ending
// zelctl, so a long command stops at a point of its choosing (between monitor cycles, after a
// download step) and puts the drive back as it found it; the previous handlers are back
// afterwards. One guard at a time.
class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  // Stop requests (any of the three signals) since the guard was installed.
  static int Count();

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction previous_[3]{};
};

}  // namespace zel::cli
