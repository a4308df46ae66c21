#include "ui/PeriodicWorker.h"

#include <system_error>

namespace zel::ui {

// --- WorkerThread ---------------------------------------------------------------------------

WorkerThread::~WorkerThread() {
  Stop();
  std::lock_guard guard(lock_);
  // Only left joinable when the worker thread destroys its own holder, which is not supported
  // (the thread still clears running after Run). Detaching at least keeps the process alive
  // instead of terminating it in the thread's destructor.
  if (thread_.joinable()) thread_.detach();
}

bool WorkerThread::Start() {
  if (threadId_.load() == std::this_thread::get_id()) return false;
  std::lock_guard guard(lock_);
  if (running_.load()) return true;
  JoinLocked();  // a previous run that ended on its own
  OnStarting();
  running_.store(true);
  try {
    thread_ = std::thread([this] {
      threadId_.store(std::this_thread::get_id());
      Run();
      running_.store(false);
      threadId_.store(std::thread::id{});
    });
  } catch (const std::system_error&) {
    running_.store(false);
    return false;
  }
  if (!OnStarted()) {
    running_.store(false);
    OnStopRequested();
    JoinLocked();
    return false;
  }
  return true;
}

void WorkerThread::Stop() {
  if (threadId_.load() == std::this_thread::get_id()) {
    running_.store(false);
    OnStopRequested();
    return;
  }
  std::lock_guard guard(lock_);
  if (!thread_.joinable()) return;
  running_.store(false);
  OnStopRequested();
  JoinLocked();
}

void WorkerThread::JoinLocked() {
  if (!thread_.joinable()) return;
  thread_.join();
  OnStopped();
}

// --- SteadyPeriodicTimer --------------------------------------------------------------------

SteadyPeriodicTimer::~SteadyPeriodicTimer() {
  Disarm();
}

bool SteadyPeriodicTimer::Arm(std::chrono::milliseconds period, Callback tick) {
  Disarm();
  if (period < std::chrono::milliseconds(1)) period = std::chrono::milliseconds(1);
  {
    std::lock_guard guard(mutex_);
    stop_ = false;
  }
  try {
    thread_ = std::thread([this, period, tick = std::move(tick)] { Loop(period, tick); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void SteadyPeriodicTimer::Disarm() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard guard(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void SteadyPeriodicTimer::Loop(std::chrono::milliseconds period, const Callback& tick) {
  using Clock = std::chrono::steady_clock;
  std::unique_lock lock(mutex_);
  auto deadline = Clock::now() + period;
  while (!stop_) {
    if (wake_.wait_until(lock, deadline, [this] { return stop_; })) break;
    lock.unlock();
    tick();
    lock.lock();
    deadline += period;
    const auto now = Clock::now();
    if (deadline <= now) deadline = now + period;
  }
}

// --- PeriodicWorker -------------------------------------------------------------------------

PeriodicWorker::PeriodicWorker() : PeriodicWorker(std::make_unique<SteadyPeriodicTimer>()) {}

PeriodicWorker::PeriodicWorker(std::unique_ptr<PeriodicTimer> timer)
    : timer_(timer ? std::move(timer) : std::make_unique<SteadyPeriodicTimer>()) {}

PeriodicWorker::~PeriodicWorker() {
  Stop();
}

void PeriodicWorker::SetPeriod(std::uint32_t periodMs) {
  std::lock_guard guard(timerMutex_);
  periodMs_.store(periodMs == 0 ? 1 : periodMs);
  if (armed_) {
    DisarmLocked();
    ArmLocked();
  }
}

bool PeriodicWorker::WaitForTick() {
  std::unique_lock lock(eventMutex_);
  eventSignal_.wait(lock, [this] { return tickPending_ || stopRequested_; });
  if (stopRequested_) return false;
  tickPending_ = false;  // auto-reset: every tick that came meanwhile is consumed here
  return true;
}

void PeriodicWorker::Run() {
  while (IsRunning()) {
    if (!WaitForTick()) break;
    Cycle();
  }
}

void PeriodicWorker::OnStarting() {
  std::lock_guard guard(eventMutex_);
  tickPending_ = false;
  stopRequested_ = false;
}

bool PeriodicWorker::OnStarted() {
  std::lock_guard guard(timerMutex_);
  return ArmLocked();
}

void PeriodicWorker::OnStopRequested() {
  {
    std::lock_guard guard(eventMutex_);
    stopRequested_ = true;
  }
  eventSignal_.notify_all();
}

void PeriodicWorker::OnStopped() {
  std::lock_guard guard(timerMutex_);
  DisarmLocked();
}

void PeriodicWorker::SetTickEvent() {
  {
    std::lock_guard guard(eventMutex_);
    tickPending_ = true;
  }
  eventSignal_.notify_all();
}

bool PeriodicWorker::ArmLocked() {
  armed_ = timer_->Arm(std::chrono::milliseconds(periodMs_.load()), [this] { SetTickEvent(); });
  return armed_;
}

void PeriodicWorker::DisarmLocked() {
  if (!armed_) return;
  timer_->Disarm();
  armed_ = false;
}

}  // namespace zel::ui
