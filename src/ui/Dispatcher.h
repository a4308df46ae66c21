#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <unordered_map>

namespace zel::ui {

// Base of the private window messages (WM_USER).
inline constexpr unsigned kWmUser = 0x400;

// Anything that receives posted messages on the user-interface thread.
class MessageTarget {
 public:
  virtual ~MessageTarget() = default;
  virtual void OnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

// Carries posted private messages to the user-interface thread. Workers never call a window:
// they post here, from any thread, and the UI thread delivers in posting order when it pumps
// (Qt's event loop through the wake handler, a test through Pump or PumpUntil).
//
// Targets are named by ids rather than pointers so that a message posted to a window that has
// since closed is dropped instead of reaching freed memory.
class Dispatcher {
 public:
  using TargetId = std::uint64_t;

  Dispatcher() = default;
  Dispatcher(const Dispatcher&) = delete;
  Dispatcher& operator=(const Dispatcher&) = delete;

  // The dispatcher every window registers with.
  static Dispatcher& Default();

  // UI thread. The target must stay alive until Unregister, which also drops its pending messages.
  TargetId Register(MessageTarget* target);
  void Unregister(TargetId id);

  // Any thread. False when the target is not (or no longer) registered; nothing is queued then.
  bool Post(TargetId id, unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

  // UI thread. Delivers the messages queued before the call; messages posted while delivering wait
  // for the next pump so a target that re-posts to itself cannot starve the caller. Returns how
  // many were delivered.
  std::size_t Pump();
  // UI thread. Pumps until done() holds or limit passes, sleeping while nothing is queued.
  // True when done() held.
  bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

  std::size_t PendingCount() const;

  // Called after every successful post, on the posting thread; the Qt front end uses it to
  // schedule a pump on its event loop. Install before workers start.
  void SetWakeHandler(std::function<void()> wake);

 private:
  struct Posted {
    TargetId target;
    unsigned message;
    std::uintptr_t wParam;
    std::intptr_t lParam;
  };

  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::unordered_map<TargetId, MessageTarget*> targets_;
  std::deque<Posted> queue_;
  TargetId nextId_ = 1;
  std::function<void()> wake_;
};

}  // namespace zel::ui
