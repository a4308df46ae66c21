#include "ui/PeriodicWorker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zel::ui {
namespace {

using namespace std::chrono_literals;

// Shared state guarded by one mutex; waits end as soon as the condition holds and give up after a
// generous limit, so a fault shows as a failed expectation rather than a hung test.
class Board {
 public:
  // Notifies under the lock: a waiter may go on to destroy the board as soon as it sees the
  // change, so nothing of it may be touched after the lock is released.
  template <typename F>
  void Update(F change) {
    std::lock_guard guard(mutex_);
    change();
    changed_.notify_all();
  }
  // Also watches conditions that change without an Update (such as IsRunning), hence the slices.
  template <typename F>
  bool WaitUntil(F condition) {
    const auto giveUp = std::chrono::steady_clock::now() + 20s;
    std::unique_lock lock(mutex_);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > giveUp) return false;
      changed_.wait_for(lock, 1ms);
    }
    return true;
  }
  template <typename F>
  auto Read(F read) {
    std::lock_guard guard(mutex_);
    return read();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
};

// A timer that ticks only when the test fires it, and records how it was armed.
struct ManualClock {
  std::mutex mutex;
  PeriodicTimer::Callback tick;
  std::vector<long> arms;  // period of every Arm, in ms
  int disarms = 0;
  bool refuseArm = false;

  void Fire() {
    PeriodicTimer::Callback copy;
    {
      std::lock_guard guard(mutex);
      copy = tick;
    }
    if (copy) copy();
  }
  bool Armed() {
    std::lock_guard guard(mutex);
    return static_cast<bool>(tick);
  }
  std::vector<long> Arms() {
    std::lock_guard guard(mutex);
    return arms;
  }
};

class ManualTimer : public PeriodicTimer {
 public:
  explicit ManualTimer(std::shared_ptr<ManualClock> clock) : clock_(std::move(clock)) {}
  bool Arm(std::chrono::milliseconds period, Callback tick) override {
    std::lock_guard guard(clock_->mutex);
    clock_->arms.push_back(static_cast<long>(period.count()));
    if (clock_->refuseArm) return false;
    clock_->tick = std::move(tick);
    return true;
  }
  void Disarm() override {
    std::lock_guard guard(clock_->mutex);
    clock_->tick = nullptr;
    ++clock_->disarms;
  }

 private:
  std::shared_ptr<ManualClock> clock_;
};

// Counts its cycles; cycle n (from 1) blocks until the test has released n cycles, for the
// first `gated` cycles.
class GatedWorker : public PeriodicWorker {
 public:
  GatedWorker(std::unique_ptr<PeriodicTimer> timer, int gated)
      : PeriodicWorker(std::move(timer)), gated_(gated) {}
  ~GatedWorker() override { Stop(); }

  Board board;
  int started = 0;
  int finished = 0;
  int released = 0;
  std::function<void()> onCycle;  // runs at the end of every cycle, on the worker thread

  void Release() {
    board.Update([&] { ++released; });
  }

 protected:
  void Cycle() override {
    int number = 0;
    board.Update([&] { number = ++started; });
    if (number <= gated_) board.WaitUntil([&] { return released >= number; });
    history_.push_back(number);  // a member that must still exist while a cycle runs
    if (onCycle) onCycle();
    board.Update([&] { ++finished; });
  }

 private:
  int gated_;
  std::vector<int> history_;
};

TEST(PeriodicWorkerTest, TicksDuringABusyCycleMergeIntoOne) {
  auto clock = std::make_shared<ManualClock>();
  GatedWorker worker(std::make_unique<ManualTimer>(clock), 2);
  ASSERT_TRUE(worker.Start());
  clock->Fire();
  ASSERT_TRUE(worker.board.WaitUntil([&] { return worker.started == 1; }));
  for (int i = 0; i < 5; ++i) clock->Fire();  // all arrive while cycle 1 is busy
  worker.Release();
  ASSERT_TRUE(worker.board.WaitUntil([&] { return worker.started == 2; }));
  worker.Release();
  ASSERT_TRUE(worker.board.WaitUntil([&] { return worker.finished == 2; }));
  // A counting event would go on with cycles 3 to 6 now; give it the chance to show.
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(worker.board.Read([&] { return worker.started; }), 2);
  clock->Fire();
  ASSERT_TRUE(worker.board.WaitUntil([&] { return worker.finished == 3; }));
  worker.Stop();
  EXPECT_EQ(worker.started, 3);
}

TEST(PeriodicWorkerTest, PeriodAndTimerFollowStartStopAndSetPeriod) {
  auto clock = std::make_shared<ManualClock>();
  GatedWorker worker(std::make_unique<ManualTimer>(clock), 0);
  EXPECT_EQ(worker.GetPeriod(), 1000u) << "a plain worker ticks every second";
  worker.SetPeriod(100);
  EXPECT_TRUE(clock->Arms().empty()) << "no timer while stopped";
  ASSERT_TRUE(worker.Start());
  EXPECT_TRUE(worker.Start()) << "starting again does nothing";
  worker.SetPeriod(300);
  EXPECT_EQ(worker.GetPeriod(), 300u);
  EXPECT_EQ(clock->Arms(), (std::vector<long>{100, 300})) << "re-armed at once while running";
  EXPECT_TRUE(clock->Armed());
  clock->Fire();
  ASSERT_TRUE(worker.board.WaitUntil([&] { return worker.finished == 1; }));
  worker.Stop();
  EXPECT_FALSE(worker.IsRunning());
  EXPECT_FALSE(clock->Armed());
  worker.Stop();  // stopping a stopped worker does nothing
  worker.SetPeriod(0);
  EXPECT_EQ(worker.GetPeriod(), 1u) << "a zero period would spin the timer";
  EXPECT_EQ(clock->Arms().size(), 2u);
}

TEST(PeriodicWorkerTest, StopWaitsForTheCycleInProgressAndStartsNoOther) {
  auto clock = std::make_shared<ManualClock>();
  GatedWorker worker(std::make_unique<ManualTimer>(clock), 1);
  ASSERT_TRUE(worker.Start());
  clock->Fire();
  ASSERT_TRUE(worker.board.WaitUntil([&] { return worker.started == 1; }));
  clock->Fire();  // pending when Stop comes: must not start a second cycle

  bool cycleDoneWhenStopReturned = false;
  std::thread stopper([&] {
    worker.Stop();
    cycleDoneWhenStopReturned = worker.board.Read([&] { return worker.finished == 1; });
  });
  // Stop clears running before it waits; then give a Stop that does not wait time to return.
  ASSERT_TRUE(worker.board.WaitUntil([&] { return !worker.IsRunning(); }));
  std::this_thread::sleep_for(50ms);
  worker.Release();
  stopper.join();
  EXPECT_TRUE(cycleDoneWhenStopReturned);
  EXPECT_EQ(worker.started, 1);
  EXPECT_FALSE(clock->Armed());
}

TEST(PeriodicWorkerTest, StopNeedsNoTickAndTheWorkerRestarts) {
  auto clock = std::make_shared<ManualClock>();
  GatedWorker worker(std::make_unique<ManualTimer>(clock), 0);
  for (int run = 1; run <= 3; ++run) {
    ASSERT_TRUE(worker.Start());
    EXPECT_TRUE(worker.IsRunning());
    clock->Fire();
    ASSERT_TRUE(worker.board.WaitUntil([&] { return worker.finished == run; }));
    worker.Stop();  // the thread waits for a tick that never comes; Stop wakes it
    EXPECT_FALSE(worker.IsRunning());
  }
  EXPECT_EQ(clock->Arms().size(), 3u);
  EXPECT_EQ(clock->disarms, 3);
}

TEST(PeriodicWorkerTest, WorkerCanStopItselfAndIsJoinedLater) {
  auto clock = std::make_shared<ManualClock>();
  GatedWorker worker(std::make_unique<ManualTimer>(clock), 0);
  worker.onCycle = [&] {
    worker.Stop();  // from its own thread: must neither wait for itself nor throw
    EXPECT_FALSE(worker.Start()) << "cannot restart its own thread";
  };
  ASSERT_TRUE(worker.Start());
  clock->Fire();
  ASSERT_TRUE(worker.board.WaitUntil([&] { return worker.finished == 1; }));
  ASSERT_TRUE(worker.board.WaitUntil([&] { return !worker.IsRunning(); }));
  worker.onCycle = nullptr;
  ASSERT_TRUE(worker.Start()) << "the ended thread is joined and a new one starts";
  clock->Fire();
  ASSERT_TRUE(worker.board.WaitUntil([&] { return worker.finished == 2; }));
  worker.Stop();
}

TEST(PeriodicWorkerTest, DestroyingADerivedWorkerWaitsForItsCycle) {
  auto clock = std::make_shared<ManualClock>();
  auto worker = std::make_unique<GatedWorker>(std::make_unique<ManualTimer>(clock), 1);
  ASSERT_TRUE(worker->Start());
  clock->Fire();
  ASSERT_TRUE(worker->board.WaitUntil([&] { return worker->started == 1; }));
  GatedWorker* raw = worker.get();
  // The derived destructor stops the worker before its members go; the sanitizer builds would
  // report the cycle touching a destroyed member otherwise.
  std::thread destroyer([&] { worker.reset(); });
  ASSERT_TRUE(raw->board.WaitUntil([&] { return !raw->IsRunning(); }));
  raw->Release();
  destroyer.join();
  EXPECT_EQ(worker, nullptr);
}

TEST(PeriodicWorkerTest, StartFailsWhenTheTimerCannotBeArmed) {
  auto clock = std::make_shared<ManualClock>();
  clock->refuseArm = true;
  GatedWorker worker(std::make_unique<ManualTimer>(clock), 0);
  EXPECT_FALSE(worker.Start());
  EXPECT_FALSE(worker.IsRunning());
  clock->refuseArm = false;
  EXPECT_TRUE(worker.Start());
  worker.Stop();
}

TEST(PeriodicWorkerTest, SteadyTimerTicksAndTakesANewPeriodAtOnce) {
  // Real time, but nothing is timed: an hour-long period that SetPeriod shortens must deliver
  // ticks long before the hour is over, and the waits only give up after a generous limit.
  GatedWorker worker(nullptr, 0);
  worker.SetPeriod(3600 * 1000);
  ASSERT_TRUE(worker.Start());
  worker.SetPeriod(2);
  EXPECT_TRUE(worker.board.WaitUntil([&] { return worker.finished >= 3; }));
  worker.Stop();
  const int cycles = worker.finished;
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(worker.board.Read([&] { return worker.finished; }), cycles) << "no cycle after Stop";
}

// The thread holder without a timer, as the communication search uses it.
class SteppingWorker : public WorkerThread {
 public:
  ~SteppingWorker() override { Stop(); }
  Board board;
  bool runningAtEntry = false;
  int steps = 0;
  int limit = 1000000;

 protected:
  void Run() override {
    board.Update([&] { runningAtEntry = IsRunning(); });
    while (IsRunning()) {
      bool done = false;
      board.Update([&] { done = ++steps >= limit; });
      if (done) return;  // ends on its own, like a search that found its setting
      std::this_thread::yield();
    }
  }
};

TEST(PeriodicWorkerTest, ThreadHolderRunsUntilStoppedOrDone) {
  SteppingWorker stopped;
  ASSERT_TRUE(stopped.Start());
  ASSERT_TRUE(stopped.board.WaitUntil([&] { return stopped.steps >= 3; }));
  stopped.Stop();
  EXPECT_TRUE(stopped.runningAtEntry) << "running is set before the thread begins";
  EXPECT_FALSE(stopped.IsRunning());

  SteppingWorker done;
  done.limit = 5;
  ASSERT_TRUE(done.Start());
  ASSERT_TRUE(done.board.WaitUntil([&] { return done.steps == 5; }));
  ASSERT_TRUE(done.board.WaitUntil([&] { return !done.IsRunning(); }))
      << "running clears when the thread ends on its own";
  done.Stop();  // still joins the ended thread
  done.limit = 8;
  ASSERT_TRUE(done.Start());
  EXPECT_TRUE(done.board.WaitUntil([&] { return done.steps == 8; }));
}

}  // namespace
}  // namespace zel::ui
