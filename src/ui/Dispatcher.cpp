#include "ui/Dispatcher.h"

#include <algorithm>
#include <vector>

namespace zel::ui {

Dispatcher& Dispatcher::Default() {
  static Dispatcher dispatcher;
  return dispatcher;
}

Dispatcher::TargetId Dispatcher::Register(MessageTarget* target) {
  std::lock_guard lock(mutex_);
  TargetId id = nextId_++;
  targets_[id] = target;
  return id;
}

void Dispatcher::Unregister(TargetId id) {
  std::lock_guard lock(mutex_);
  targets_.erase(id);
  std::erase_if(queue_, [id](const Posted& p) { return p.target == id; });
}

bool Dispatcher::Post(TargetId id, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  std::function<void()> wake;
  {
    std::lock_guard lock(mutex_);
    if (!targets_.contains(id)) return false;
    queue_.push_back({id, message, wParam, lParam});
    wake = wake_;
  }
  posted_.notify_all();
  if (wake) wake();
  return true;
}

std::size_t Dispatcher::Pump() {
  std::size_t budget;
  {
    std::lock_guard lock(mutex_);
    budget = queue_.size();
  }
  std::size_t delivered = 0;
  while (budget-- > 0) {
    Posted next;
    MessageTarget* target = nullptr;
    {
      std::lock_guard lock(mutex_);
      if (queue_.empty()) break;
      next = queue_.front();
      queue_.pop_front();
      auto it = targets_.find(next.target);
      if (it != targets_.end()) target = it->second;
    }
    // Delivered without the lock: the handler may post, register or unregister.
    if (target) {
      target->OnMessage(next.message, next.wParam, next.lParam);
      ++delivered;
    }
  }
  return delivered;
}

bool Dispatcher::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    Pump();
    if (done()) return true;
    std::unique_lock lock(mutex_);
    if (queue_.empty()) {
      // Wake up now and then even without posts: done() may depend on a worker's own state.
      auto wakeAt =
          std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(5));
      posted_.wait_until(lock, wakeAt);
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      lock.unlock();
      Pump();
      return done();
    }
  }
}

std::size_t Dispatcher::PendingCount() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

void Dispatcher::SetWakeHandler(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  wake_ = std::move(wake);
}

}  // namespace zel::ui
