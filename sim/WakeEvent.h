#pragma once

namespace zel::sim {

// An eventfd that a serving thread polls beside its descriptors, so another thread can wake it
// (to stop, or to act on a request) without a time-out in the loop. Signal may be called from
// any thread; Open, Close and Drain belong to the owner.
class WakeEvent {
 public:
  WakeEvent() = default;
  WakeEvent(const WakeEvent&) = delete;
  WakeEvent& operator=(const WakeEvent&) = delete;
  ~WakeEvent() { Close(); }

  bool Open();
  void Close();
  void Signal() const;
  // Takes every pending wake-up, so the next poll blocks again.
  void Drain() const;
  int Fd() const { return fd_; }

 private:
  int fd_ = -1;
};

}  // namespace zel::sim
