#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace zel::sim {

// The line faults, one slot each for the opcodes a fault still waits for before it shows.
enum class LineFault {
  kNeverAnswer,
  kRejectOpcode,
  kRejectChecksum,
  kRefuseReply,
  kCorruptReply,
  kStopReply,
  kNoise,
  kStrayAck,
  kHangUp,
};
inline constexpr std::size_t kLineFaultCount = 9;

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
  // Opcodes each fault still lets pass before it shows, by LineFault.
  std::array<uint64_t, kLineFaultCount> skips{};
  uint64_t Skip(LineFault fault) const { return skips[static_cast<std::size_t>(fault)]; }
};

// Misbehaviour the simulated ZEL shows on request, so the tool's error paths can be exercised
// over a real line. Thread-safe: tests and the control channel arm faults from their own threads
// while the serving thread consumes them. Counted faults fire once per count and then disarm
// themselves; arming a fault again replaces its count and its wait.
//
// A fault may wait for a number of further opcodes before it shows (HoldBack), so a test arms it
// deterministically in the middle of a transfer: the opcodes are counted as they arrive, whatever
// the device then does with them.
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

  // The fault, as armed now, lets the next `opcodes` opcodes pass and shows from the one after;
  // 0 lets it show at once. Arming the fault again ends the wait.
  void HoldBack(LineFault fault, uint64_t opcodes);

  void ClearAll();
  ArmedFaults Armed() const;

  // Used by the serving thread: every opcode that arrives is counted first, then each Take*
  // consumes one armed occurrence of a fault that no longer waits.
  void OpcodeArrived();
  // Opcodes taken since the device started, so a test can place a fault inside a transfer.
  uint64_t Opcodes() const;
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
  bool Due(LineFault fault) const;
  void Release(LineFault fault) { showsFrom_[static_cast<std::size_t>(fault)] = 0; }

  mutable std::mutex mutex_;
  ArmedFaults armed_;
  uint64_t opcodes_ = 0;
  // The number of the first opcode each fault may show at; 0: no wait.
  std::array<uint64_t, kLineFaultCount> showsFrom_{};
};

}  // namespace zel::sim
