#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "firmware/DownloadEvent.h"

namespace zel::firmware {

// Carries a download's events from the worker to the thread that shows them, in order. The
// worker never waits: Push only appends (and calls the wake-up, which must not block either).
//
// Thread rules: Push from the worker; Take and Drain from one receiving thread.
class DownloadEventQueue {
 public:
  // Called after each Push, on the worker: a window posts itself a message here.
  void SetWakeUp(std::function<void()> wakeUp) { wakeUp_ = std::move(wakeUp); }
  DownloadEventSink Sink() {
    return [this](const DownloadEvent& event) { Push(event); };
  }

  void Push(const DownloadEvent& event);
  // The next event, waiting at most `limit`; nothing when none came.
  std::optional<DownloadEvent> Take(std::chrono::milliseconds limit);
  std::deque<DownloadEvent> Drain();

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<DownloadEvent> events_;
  std::function<void()> wakeUp_;
};

}  // namespace zel::firmware
