#include "sim/UsbAdapter.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace zel::sim {

UsbAdapter::UsbAdapter(std::chrono::milliseconds latency)
    : latency_(std::max(latency, std::chrono::milliseconds(1))) {}

UsbAdapter::~UsbAdapter() {
  Stop();
}

void UsbAdapter::Start(int fd) {
  Stop();
  std::lock_guard lock(mutex_);
  fd_ = fd;
  stopping_ = false;
  pending_.clear();
  epoch_ = std::chrono::steady_clock::now();
  thread_ = std::thread([this] { Run(); });
}

void UsbAdapter::Stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
  std::lock_guard lock(mutex_);
  fd_ = -1;
  pending_.clear();
}

void UsbAdapter::SetLine(int fd) {
  {
    std::lock_guard lock(mutex_);
    fd_ = fd;
    pending_.clear();
  }
  changed_.notify_all();
}

void UsbAdapter::Put(const uint8_t* bytes, std::size_t count) {
  std::lock_guard lock(mutex_);
  if (fd_ < 0) return;
  const bool wasEmpty = pending_.empty();
  pending_.insert(pending_.end(), bytes, bytes + count);
  DeliverLocked(true);
  if (wasEmpty && !pending_.empty()) changed_.notify_all();
}

UsbAdapter::Counters UsbAdapter::Count() const {
  std::lock_guard lock(mutex_);
  return counters_;
}

void UsbAdapter::DeliverLocked(bool fullOnly) {
  std::size_t sent = 0;
  while (sent < pending_.size()) {
    const std::size_t size = std::min(kPacketBytes, pending_.size() - sent);
    if (fullOnly && size < kPacketBytes) break;
    const ssize_t written = write(fd_, pending_.data() + sent, size);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && errno == EAGAIN) break;  // the tool reads nothing: kept for later
    if (written <= 0) {
      // No one at the other end: the bytes go nowhere, as on a line without a listener.
      sent = pending_.size();
      break;
    }
    ++counters_.bursts;
    if (static_cast<std::size_t>(written) == kPacketBytes) ++counters_.fullBursts;
    counters_.bytes += static_cast<uint64_t>(written);
    sent += static_cast<std::size_t>(written);
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(sent));
}

std::chrono::steady_clock::time_point UsbAdapter::NextTick(
    std::chrono::steady_clock::time_point now) const {
  return epoch_ + ((now - epoch_) / latency_ + 1) * latency_;
}

void UsbAdapter::Run() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (pending_.empty()) {
      changed_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
      continue;
    }
    // The timer runs whether or not anything gathered, so a byte waits anything from nothing
    // to the whole latency.
    const auto tick = NextTick(std::chrono::steady_clock::now());
    changed_.wait_until(lock, tick, [this] { return stopping_ || pending_.empty(); });
    if (stopping_) break;
    if (std::chrono::steady_clock::now() >= tick && !pending_.empty() && fd_ >= 0)
      DeliverLocked(false);
  }
}

}  // namespace zel::sim
