#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace zel::sim {

// The receive side of a full-speed USB serial adapter, as the tool's end of the line sees it:
// the bytes the device sends gather in the chip and reach the host in one packet as soon as 62
// have gathered (a 64-byte packet less its two status bytes), or when the chip's free-running
// latency timer runs out with anything gathered.
//
// Lifetime: Start runs the timer thread, Stop joins it; the owner keeps the file descriptor open
// in between and hands over a fresh one with SetLine (what had gathered is lost with the old
// line, as it is with a pulled cable). Put and SetLine come from one thread, the device's.
class UsbAdapter {
 public:
  static constexpr std::size_t kPacketBytes = 62;

  explicit UsbAdapter(std::chrono::milliseconds latency);
  ~UsbAdapter();
  UsbAdapter(const UsbAdapter&) = delete;
  UsbAdapter& operator=(const UsbAdapter&) = delete;

  void Start(int fd);
  void Stop();
  // The descriptor the bursts are written to; -1 while there is no line (bytes are dropped).
  void SetLine(int fd);
  void Put(const uint8_t* bytes, std::size_t count);

  struct Counters {
    uint64_t bursts = 0;      // packets handed to the host
    uint64_t fullBursts = 0;  // of them, those that went because 62 bytes had gathered
    uint64_t bytes = 0;       // bytes in all packets
  };
  Counters Count() const;

 private:
  void Run();
  // Writes what has gathered as packets of at most 62 bytes; a full pty keeps the rest for the
  // next turn.
  void DeliverLocked(bool fullOnly);
  std::chrono::steady_clock::time_point NextTick(std::chrono::steady_clock::time_point now) const;

  const std::chrono::milliseconds latency_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<uint8_t> pending_;
  int fd_ = -1;
  bool stopping_ = false;
  std::chrono::steady_clock::time_point epoch_;
  Counters counters_;
  std::thread thread_;
};

}  // namespace zel::sim
