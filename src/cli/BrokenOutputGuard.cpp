#include "cli/BrokenOutputGuard.h"

namespace zel::cli {

BrokenOutputGuard::BrokenOutputGuard() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &previous_);
}

BrokenOutputGuard::~BrokenOutputGuard() {
  sigaction(SIGPIPE, &previous_, nullptr);
}

}  // namespace zel::cli
