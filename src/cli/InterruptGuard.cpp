#include "cli/InterruptGuard.h"

#include <atomic>

namespace zel::cli {

namespace {

std::atomic<int> interrupts{0};

extern "C" void OnInterrupt(int) {
  interrupts.fetch_add(1);
}

}  // namespace

InterruptGuard::InterruptGuard() {
  interrupts.store(0);
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previous_);
}

InterruptGuard::~InterruptGuard() {
  sigaction(SIGINT, &previous_, nullptr);
}

int InterruptGuard::Count() {
  return interrupts.load();
}

}  // namespace zel::cli
