#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>

#include "ui/PeriodicWorker.h"
#include "ui/Window.h"

namespace zel::ui {

// The automatic refresh of a dialog: a periodic worker reads a value of type T, keeps it in a
// mutex-guarded snapshot and posts `message` to the window; the window takes the snapshot on its
// own thread when the message arrives. The worker never touches a control.
//
// Lifetime: Stop (also run by the destructor) waits for a read in progress, so the owner stops
// it before anything the read function uses goes away.
template <typename T>
class AutoRefresh {
 public:
  using Read = std::function<bool(T&)>;
  using TimerFactory = std::function<std::unique_ptr<PeriodicTimer>()>;

  AutoRefresh(ui::Window& window, unsigned message, std::uint32_t periodMs, Read read)
      : window_(window), message_(message), periodMs_(periodMs), read_(std::move(read)) {}
  ~AutoRefresh() { Stop(); }
  AutoRefresh(const AutoRefresh&) = delete;
  AutoRefresh& operator=(const AutoRefresh&) = delete;

  // Where the ticks come from (tests fire them by hand); a steady timer by default.
  void SetTimerFactory(TimerFactory factory) { timerFactory_ = std::move(factory); }

  // False when the worker could not be started.
  bool Start() {
    if (Running()) return true;
    Stop();
    auto timer = timerFactory_ ? timerFactory_() : std::make_unique<SteadyPeriodicTimer>();
    worker_ = std::make_unique<Worker>(*this, std::move(timer));
    worker_->SetPeriod(periodMs_);
    if (worker_->Start()) return true;
    worker_.reset();
    return false;
  }

  void Stop() {
    if (worker_) worker_->Stop();
    worker_.reset();
  }

  bool Running() const { return worker_ && worker_->IsRunning(); }

  // On the window's thread, when `message` arrived: whether the last read succeeded, and its
  // value when it did.
  bool Take(T& value) {
    std::lock_guard lock(mutex_);
    if (ok_) value = snapshot_;
    return ok_;
  }

 private:
  class Worker final : public PeriodicWorker {
   public:
    Worker(AutoRefresh& owner, std::unique_ptr<PeriodicTimer> timer)
        : PeriodicWorker(std::move(timer)), owner_(owner) {}
    ~Worker() override { Stop(); }

   protected:
    void Cycle() override {
      T value{};
      bool ok = owner_.read_ && owner_.read_(value);
      {
        std::lock_guard lock(owner_.mutex_);
        owner_.ok_ = ok;
        if (ok) owner_.snapshot_ = std::move(value);
      }
      owner_.window_.Post(owner_.message_);
    }

   private:
    AutoRefresh& owner_;
  };

  ui::Window& window_;
  unsigned message_;
  std::uint32_t periodMs_;
  Read read_;
  TimerFactory timerFactory_;
  std::unique_ptr<Worker> worker_;

  std::mutex mutex_;
  bool ok_ = false;
  T snapshot_{};
};

}  // namespace zel::ui
