#include "firmware/DownloadEventQueue.h"

namespace zel::firmware {

void DownloadEventQueue::Push(const DownloadEvent& event) {
  {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
  }
  arrived_.notify_one();
  if (wakeUp_) wakeUp_();
}

std::optional<DownloadEvent> DownloadEventQueue::Take(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  if (!arrived_.wait_for(lock, limit, [this] { return !events_.empty(); })) return std::nullopt;
  DownloadEvent event = std::move(events_.front());
  events_.pop_front();
  return event;
}

std::deque<DownloadEvent> DownloadEventQueue::Drain() {
  std::lock_guard lock(mutex_);
  std::deque<DownloadEvent> drained;
  drained.swap(events_);
  return drained;
}

}  // namespace zel::firmware
