#include "files/PendingTemporaries.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace zel::files {

namespace {

constexpr int kSlots = 16;
constexpr std::size_t kMaxPath = 4096;

enum SlotState : int { kFree = 0, kFilling = 1, kHeld = 2 };

// A signal handler may only touch lock-free atomics and plain memory that they publish.
static_assert(std::atomic<int>::is_always_lock_free);

struct Slot {
  std::atomic<int> state{kFree};
  char path[kMaxPath];
};

Slot slots[kSlots];

extern "C" void UnlinkAndEnd(int signal) {
  const int savedErrno = errno;
  PendingTemporaries::UnlinkAll();
  errno = savedErrno;
  // SA_RESETHAND has put the default action back: raised again, the signal ends the program
  // with the status its sender expects.
  ::raise(signal);
}

}  // namespace

int PendingTemporaries::Add(const char* path) {
  const std::size_t length = std::strlen(path);
  if (length >= kMaxPath) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (!slots[i].state.compare_exchange_strong(expected, kFilling, std::memory_order_acquire))
      continue;
    std::memcpy(slots[i].path, path, length + 1);
    slots[i].state.store(kHeld, std::memory_order_release);
    return i;
  }
  return -1;
}

void PendingTemporaries::Remove(int slot) {
  if (slot >= 0 && slot < kSlots) slots[slot].state.store(kFree, std::memory_order_release);
}

void PendingTemporaries::UnlinkAll() {
  for (Slot& slot : slots)
    if (slot.state.load(std::memory_order_acquire) == kHeld) ::unlink(slot.path);
}

void PendingTemporaries::InstallSignalHandlers() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    if (::sigaction(signal, nullptr, &current) != 0) continue;
    // A signal the program ignores (nohup) or handles itself is left as it is.
    if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = UnlinkAndEnd;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace zel::files
