#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "link/ByteChannel.h"
#include "link/FrameBuffer.h"

namespace zel::test {

// The ZEL's end of a serial line for unit tests, played from a script on a virtual clock.
//
// The script is a list of steps run in order as the tool's traffic allows: an Expect step waits
// until the tool has written enough bytes (checking them when told which), a Send step releases
// bytes to the tool, a Pause step delays the following sends. A read that finds nothing advances
// the virtual clock straight to its deadline, so a 1100 ms time-out takes microseconds and the
// elapsed time can be asserted exactly with NowMs(). An empty remainder of the script is a
// silent ZEL. Every byte the tool wrote is kept in Written().
//
// A wrong byte at an ExpectBytes step fails the running test (and is listed in Mismatches()).
// Typical use:
//   ScriptedChannel line;
//   SerialPort port(line.Opener());
//   port.Open(38400, "Com1", 100, 4);
//   line.ExpectCommand(26, {0}).SendReply(0x00, {0x1043, 2, 7, 1});
//
// The channel itself may be used directly as a ByteChannel, or handed to a SerialPort through
// Opener(); it must outlive the port. All members are safe to call from any thread.
class ScriptedChannel final : public link::ByteChannel {
 public:
  ScriptedChannel() = default;
  ~ScriptedChannel() override = default;
  ScriptedChannel(const ScriptedChannel&) = delete;
  ScriptedChannel& operator=(const ScriptedChannel&) = delete;

  // --- Script steps -------------------------------------------------------------------------
  ScriptedChannel& Expect(int n);                                   // n more bytes, any values
  ScriptedChannel& ExpectBytes(const std::vector<uint8_t>& bytes);  // exactly these next
  ScriptedChannel& ExpectFrameRest();  // L, then its 2(L + 1) data bytes and 2 checksum bytes
  ScriptedChannel& Send(const std::vector<uint8_t>& bytes, int64_t gapMs = 0);
  ScriptedChannel& Send(uint8_t byte) { return Send(std::vector<uint8_t>{byte}); }
  ScriptedChannel& Pause(int64_t ms);  // later sends arrive ms after this step is reached

  // --- Whole exchanges, from the ZEL's side -------------------------------------------------
  // Takes any command frame: 'O' to the opcode, 'O' to the rest.
  ScriptedChannel& AcceptCommand();
  // Expects exactly these wire bytes (opcode first), acknowledging opcode and rest with 'O'.
  ScriptedChannel& AcceptCommand(const std::vector<uint8_t>& wire);
  // Expects the command frame (opcode, data words) with its checksum, acknowledging it.
  ScriptedChannel& ExpectCommand(uint8_t opcode, const std::vector<uint16_t>& words);
  // Sends a reply frame (reply code, then after the tool's 'O' the L, words and checksum) and
  // expects the tool's final acknowledge, 'O' unless told otherwise.
  ScriptedChannel& SendReply(uint8_t code, const std::vector<uint16_t>& words,
                             uint8_t finalAck = 'O');

  // Wire bytes of a frame: code, L, words low byte first, checksum low byte first. The checksum
  // is computed here from its definition (code, L, each word high byte first), independently
  // of the tool's code. words holds 1 to 256 entries.
  static std::vector<uint8_t> FrameBytes(uint8_t code, const std::vector<uint16_t>& words);
  static uint16_t FrameChecksum(uint8_t code, const std::vector<uint16_t>& words);
  // A frame buffer holding code and words (1 to 256), each word stored low byte first.
  static link::FrameBuffer MakeFrame(uint8_t code, const std::vector<uint16_t>& words);

  // --- Faults -------------------------------------------------------------------------------
  void SetOpenResult(uint8_t code);  // opens through Opener() fail with code (0 lets them pass)
  void SetWriteFails(bool fails);
  void SetReadFails(bool fails);
  void SetPurgeFails(bool fails);

  // --- Observation --------------------------------------------------------------------------
  std::vector<uint8_t> Written() const;
  void ClearWritten();  // forgets what was written so far (pending Expect steps still count)
  std::vector<std::string> Mismatches() const;
  bool ScriptDone() const;  // every step has run
  int64_t NowMs() const;
  void AdvanceMs(int64_t ms);
  int PendingInput() const;  // bytes sent by the script that the tool has not read yet

  // Opens made through Opener(): count, last device name and baud rate, whether still open.
  int OpenCount() const;
  std::string LastDeviceName() const;
  int32_t LastBaud() const;
  bool IsOpen() const;
  // The line bytes the last read asked to be allowed for (the script plays without line time).
  int LastLineBytes() const;

  // An opener producing channels that forward to this one. Like a real port the line is held
  // exclusively: a second open while one is open fails with 0x80.
  link::ChannelOpener Opener();

  // --- ByteChannel --------------------------------------------------------------------------
  bool Write(const uint8_t* data, int n) override;
  int Read(uint8_t* data, int n, const link::ReadTimeouts& timeouts) override;
  bool Purge() override;
  bool Close() override;

 private:
  class Endpoint;

  int lastLineBytes_ = 0;
  struct Step {
    enum class Kind { kExpect, kExpectBytes, kExpectFrameRest, kSend, kPause };
    Kind kind;
    int count = 0;
    std::vector<uint8_t> bytes;
    int64_t ms = 0;
  };
  struct Incoming {
    int64_t atMs;
    uint8_t byte;
  };

  ScriptedChannel& AddStep(Step step);
  void PumpLocked();
  void EndpointClosed();

  mutable std::mutex mutex_;
  std::vector<Step> steps_;
  size_t next_ = 0;
  std::vector<uint8_t> written_;   // everything the tool wrote (since ClearWritten)
  std::deque<uint8_t> unmatched_;  // written bytes no Expect step has taken yet
  std::deque<Incoming> input_;
  int64_t now_ = 0;
  int64_t sendAt_ = 0;
  std::vector<std::string> mismatches_;
  uint8_t openResult_ = 0;
  bool writeFails_ = false;
  bool readFails_ = false;
  bool purgeFails_ = false;
  int openCount_ = 0;
  bool endpointOpen_ = false;
  std::string lastDevice_;
  int32_t lastBaud_ = 0;
};

}  // namespace zel::test
