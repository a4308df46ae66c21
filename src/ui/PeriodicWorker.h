#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace zel::ui {

// Holder of one background thread with a running flag: the part that the periodic workers and
// the communication search share.
//
// Thread rules:
// - Start and Stop are serialised by a lock and may be called from any thread but the worker's.
//   Stop waits without time limit for the thread to end, so a cycle in progress always finishes;
//   a worker that only posts messages cannot deadlock with the user-interface thread that stops it.
// - running is set before the thread begins, so a thread that starts quickly never sees it clear,
//   and is cleared again when Run returns, so IsRunning tells whether the thread is still at work.
// - Stop called by the worker thread itself only clears running and wakes the thread: it cannot
//   wait for itself. The thread is joined by the next Start, Stop or the destructor.
// - A thread that ended on its own is still joined by Stop (and by the next Start).
//
// Lifetime: Run runs on the thread and uses the derived object, so a derived class must call
// Stop in its own destructor, before its members are destroyed. The destructor here calls Stop
// only as a last resort for classes without members of their own. A worker must not be
// destroyed by its own thread.
class WorkerThread {
 public:
  WorkerThread() = default;
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
  virtual ~WorkerThread();

  // True when the thread is running after the call (also when it already was). False when the
  // thread could not be started or when called from the worker thread itself.
  bool Start();
  void Stop();
  bool IsRunning() const { return running_.load(); }

 protected:
  // The thread's body; it should return soon after IsRunning turns false.
  virtual void Run() = 0;
  // Called under the lock before the thread is created: reset per-run state.
  virtual void OnStarting() {}
  // Called under the lock after the thread was created; false stops the thread again and makes
  // Start fail.
  virtual bool OnStarted() { return true; }
  // Called right after running was cleared: wake the thread from any wait of its own. Also
  // called from the worker thread when it stops itself.
  virtual void OnStopRequested() {}
  // Called under the lock after the thread has been joined.
  virtual void OnStopped() {}

 private:
  void JoinLocked();

  std::mutex lock_;
  std::thread thread_;
  std::atomic<std::thread::id> threadId_{};
  std::atomic<bool> running_{false};
};

// Source of the ticks of a PeriodicWorker. The default one is SteadyPeriodicTimer; tests put in
// a timer that they fire by hand.
class PeriodicTimer {
 public:
  using Callback = std::function<void()>;

  virtual ~PeriodicTimer() = default;
  // Starts calling tick once every period until Disarm. False when the timer cannot run.
  virtual bool Arm(std::chrono::milliseconds period, Callback tick) = 0;
  // Stops the ticks; once it returns, tick is not called any more.
  virtual void Disarm() = 0;
};

// A periodic timer without resolution requirement: a thread that sleeps on a condition variable
// until the next deadline. Deadlines follow the period from the moment of arming; when the
// thread falls behind, the missed ticks are dropped rather than delivered in a burst (the worker
// would merge them anyway).
class SteadyPeriodicTimer final : public PeriodicTimer {
 public:
  ~SteadyPeriodicTimer() override;
  bool Arm(std::chrono::milliseconds period, Callback tick) override;
  // Must not be called from the tick callback.
  void Disarm() override;

 private:
  void Loop(std::chrono::milliseconds period, const Callback& tick);

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

// A worker thread woken by the ticks of a periodic timer. The ticks set an auto-reset event, so
// ticks that arrive while a cycle runs merge into one: the next cycle starts at once and later
// ones follow the timer again, without a backlog.
//
// A plain worker only waits for ticks. A derived worker puts its cycle after the wait, either by
// overriding Cycle or, when it needs work before or after the loop, by overriding Run and calling
// WaitForTick itself. Stop wakes the waiting thread at once, so no cycle starts after Stop.
class PeriodicWorker : public WorkerThread {
 public:
  static constexpr std::uint32_t kDefaultPeriodMs = 1000;

  PeriodicWorker();
  explicit PeriodicWorker(std::unique_ptr<PeriodicTimer> timer);
  ~PeriodicWorker() override;

  // Stores the period (at least 1 ms; 0 is taken as 1 to keep the timer from spinning) and
  // re-arms the timer at once when it is armed. May be called from any thread, also the worker's.
  void SetPeriod(std::uint32_t periodMs);
  std::uint32_t GetPeriod() const { return periodMs_.load(); }

 protected:
  // Waits for the next tick. False when the worker is being stopped.
  bool WaitForTick();
  // One cycle of a derived worker; nothing for a plain worker.
  virtual void Cycle() {}

  void Run() override;
  void OnStarting() override;
  bool OnStarted() override;
  void OnStopRequested() override;
  void OnStopped() override;

 private:
  void SetTickEvent();
  bool ArmLocked();
  void DisarmLocked();

  std::unique_ptr<PeriodicTimer> timer_;
  std::mutex timerMutex_;  // guards the timer and armed_; never held while the worker is joined
  bool armed_ = false;
  std::atomic<std::uint32_t> periodMs_{kDefaultPeriodMs};

  std::mutex eventMutex_;
  std::condition_variable eventSignal_;
  bool tickPending_ = false;
  bool stopRequested_ = false;
};

}  // namespace zel::ui
