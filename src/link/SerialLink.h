#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "link/ByteChannel.h"
#include "link/CommSettings.h"
#include "link/LinkObserver.h"
#include "link/SerialPort.h"

namespace zel::link {

class CommandFrame;

// The link layer: serialises every exchange on the line, lets one thread claim the line, decides
// whether a reply frame follows a command and checks the reply code.
//
// Thread rules: any thread may call Execute; the lock is held for the whole exchange (command
// frame and reply frame), so exchanges of different threads interleave only between complete
// exchanges. While a thread has claimed the line, Execute and Open from every other thread fail
// at once without touching the port. Open and Close take the same lock, so a re-open never pulls
// the port from under an exchange running on another thread.
//
// An observer sees every exchange, refused ones included: its OnExchange runs on the exchanging
// thread after the lock has been released, under a lock of its own, so calls never overlap.
class SerialLink {
 public:
  SerialLink();
  explicit SerialLink(ChannelOpener opener);
  SerialLink(const SerialLink&) = delete;
  SerialLink& operator=(const SerialLink&) = delete;

  // Opens the port with the settings; true when the port answered 0x00.
  bool Open(const CommSettings& settings);
  bool Close();
  bool IsOpen() const;
  // Opens the port again with the settings of the last Open, whether that open succeeded or
  // not, but only after an exchange on the open port found the line itself gone (read or write
  // failed: an adapter pulled, a pseudo-terminal closed); an explicit Open or Close ends that
  // state. The device may come back on the same path, and nothing else would notice. A port that
  // never opened was not lost, and an earlier port is never taken back: while the communication
  // search tries a candidate that does not open, the monitor must not slip the previous port in
  // under it. True when the port is open again.
  bool ReopenAfterLoss();

  // Runs one exchange; true when the command went through and its results have been unpacked.
  bool Execute(CommandFrame& frame);

  // The opcodes whose command frame is followed by a reply frame.
  static bool ExpectsReply(uint8_t opcode);

  // Records the calling thread as the only one allowed on the line; Release lifts the claim.
  void Claim();
  void Release();
  // True when a thread other than the caller holds the claim.
  bool ClaimedByOtherThread() const;

  // Attaches the observer (nullptr detaches); it must outlive its attachment. Safe from any
  // thread; when it returns, the previous observer is no longer being called and never will be.
  void SetObserver(LinkObserver* observer);

  // The result code of the last exchange or open (0x00 on success), for diagnostics.
  uint8_t LastResult() const { return lastResult_.load(); }

 private:
  SerialPort port_;
  mutable std::mutex mutex_;
  std::atomic<std::thread::id> owner_{};
  std::atomic<uint8_t> lastResult_{0};
  // Under mutex_.
  // The settings of the last Open: what the owner wants on the line now.
  std::optional<CommSettings> inForce_;
  bool lineLost_ = false;
  // Read without the lock so that an unobserved exchange costs nothing; calls go through
  // observerMutex_, which SetObserver takes too.
  std::atomic<LinkObserver*> observer_{nullptr};
  std::mutex observerMutex_;

  bool Transfer(CommandFrame& frame, ExchangeRecord* record);
  void Report(ExchangeRecord& record, std::chrono::steady_clock::time_point started, bool success);
};

}  // namespace zel::link
