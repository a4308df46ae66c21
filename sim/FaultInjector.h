#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace zel::sim {

// Misbehaviour the simulated ZEL shows on request, so the tool's error paths can be exercised
// over a real line. Thread-safe: tests arm faults from their own thread while the serving
// thread consumes them. Counted faults fire once per count and then disarm themselves.
class FaultInjector {
 public:
  // The device swallows every byte and never answers, until cleared.
  void SetNeverAnswer(bool on);
  bool NeverAnswer() const;

  // Answer 'F' to the next `count` opcode bytes instead of 'O'.
  void RejectOpcodes(int count);
  // Answer 'F' to the next `count` complete command frames even when their checksum is right.
  void RejectChecksums(int count);
  // The next reply frame travels with a checksum that does not match its contents.
  void CorruptNextReplyChecksum();
  // The next reply stops after its reply code and `bytesAfterCode` further bytes (L and data);
  // the device then goes back to waiting for an opcode, as if it had been reset mid-reply.
  void StopNextReplyAfter(std::size_t bytesAfterCode);
  // These bytes go out on the line just before the next acknowledge of an opcode.
  void SendNoiseBeforeNextAck(std::vector<uint8_t> noise);
  // The next opcode closes the pseudo-terminal pair instead of being answered (the tool's end
  // sees a hang-up); the simulator then opens a fresh pair behind the same link path.
  void HangUpOnNextOpcode();

  void ClearAll();

  // Used by the serving thread: each Take* consumes one armed occurrence.
  bool TakeOpcodeReject();
  bool TakeChecksumReject();
  bool TakeReplyCorruption();
  // Returns true and the byte budget when a mid-reply stop is armed.
  bool TakeReplyStop(std::size_t& bytesAfterCode);
  std::vector<uint8_t> TakeNoise();
  bool TakeHangUp();

 private:
  mutable std::mutex mutex_;
  bool neverAnswer_ = false;
  int opcodeRejects_ = 0;
  int checksumRejects_ = 0;
  bool corruptReply_ = false;
  bool stopReply_ = false;
  std::size_t stopAfter_ = 0;
  std::vector<uint8_t> noise_;
  bool hangUp_ = false;
};

}  // namespace zel::sim
