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
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &previous_[i]);
}

InterruptGuard::~InterruptGuard() {
  for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &previous_[i], nullptr);
}

int InterruptGuard::Count() {
  return interrupts.load();
}

}  // namespace zel::cli
