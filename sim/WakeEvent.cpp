#include "sim/WakeEvent.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace zel::sim {

bool WakeEvent::Open() {
  Close();
  fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  return fd_ >= 0;
}

void WakeEvent::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

void WakeEvent::Signal() const {
  uint64_t one = 1;
  // A full counter already wakes the poller; nothing is lost when this write fails.
  ssize_t ignored = write(fd_, &one, sizeof one);
  (void)ignored;
}

void WakeEvent::Drain() const {
  uint64_t wakes = 0;
  ssize_t ignored = read(fd_, &wakes, sizeof wakes);
  (void)ignored;
}

}  // namespace zel::sim
