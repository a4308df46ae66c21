#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace zel::sim {

// What is armed at one moment, as the control channel's state line shows it.
struct ArmedFaults {
  bool neverAnswer = false;  // until cleared
  int silentOpcodes = 0;     // opcodes still to be swallowed when not for ever
  int opcodeRejects = 0;
  int checksumRejects = 0;
  int corruptReplies = 0;
  int replyRefusals = 0;
  int replyStops = 0;
  std::size_t stopAfter = 0;
  int noiseBursts = 0;
  std::vector<uint8_t> noise;
  int strayAcks = 0;
  int hangUps = 0;
};

// Misbehaviour the simulated ZEL shows on request, so the tool's error paths can be exercised
// over a real line. Thread-safe: tests and the control channel arm faults from their own threads
// while the serving thread consumes them. Counted faults fire once per count and then disarm
// themselves; arming a fault again replaces its count.
class FaultInjector {
 public:
  // The device swallows every byte and never answers, until cleared.
  void SetNeverAnswer(bool on);
  bool NeverAnswer() const;
  // The next `count` opcodes are swallowed without an answer; then the device answers again.
  void SilenceOpcodes(int count);

  // Answer 'F' to the next `count` opcode bytes instead of 'O'.
  void RejectOpcodes(int count);
  // Answer 'F' to the next `count` complete command frames even when their checksum is right.
  void RejectChecksums(int count);
  // The next `count` commands of the reply set are refused with the reply code for a refused
  // command instead of being executed; their frame handshake is normal.
  void RefuseReplies(int count);
  // The next `count` reply frames travel with a checksum that does not match their contents.
  void CorruptNextReplyChecksum(int count = 1);
  // The next `count` replies stop after their reply code and `bytesAfterCode` further bytes (L
  // and data); the device then goes back to waiting for an opcode, as if reset mid-reply.
  void StopNextReplyAfter(std::size_t bytesAfterCode, int count = 1);
  // These bytes go out on the line just before the acknowledge of each of the next `count`
  // opcodes.
  void SendNoiseBeforeNextAck(std::vector<uint8_t> noise, int count = 1);
  // An extra 'O' goes out just before the acknowledge of each of the next `count` opcodes.
  void SendStrayAcks(int count);
  // The next `count` opcodes close the pseudo-terminal pair instead of being answered (the
  // tool's end sees a hang-up); the simulator then opens a fresh pair behind the same link path.
  void HangUpOnNextOpcode(int count = 1);

  void ClearAll();
  ArmedFaults Armed() const;

  // Used by the serving thread: each Take* consumes one armed occurrence.
  bool TakeSilence();
  bool TakeOpcodeReject();
  bool TakeChecksumReject();
  bool TakeReplyRefusal();
  bool TakeReplyCorruption();
  // Returns true and the byte budget when a mid-reply stop is armed.
  bool TakeReplyStop(std::size_t& bytesAfterCode);
  std::vector<uint8_t> TakeNoise();
  bool TakeStrayAck();
  bool TakeHangUp();

 private:
  mutable std::mutex mutex_;
  ArmedFaults armed_;
};

}  // namespace zel::sim
