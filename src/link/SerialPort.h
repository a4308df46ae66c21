#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/ByteChannel.h"
#include "link/FrameBuffer.h"
#include "link/ResultCodes.h"

namespace zel::link {

// The RS232 port to one ZEL and the frame protocol spoken on it: a command frame out with its
// byte-by-byte acknowledge handshake, a checksummed reply frame in. Every operation returns a
// result code (link/ResultCodes.h).
//
// Two read time-out modes, both with T taken from Open:
//   mode A (short):    a read returns after at most T ms, however many bytes were asked for;
//   mode B(c) (bytes): at most T ms between two bytes and T * (bytes asked) + c ms in total.
// Writes never wait on the ZEL. A time-out of 0 or less never means "wait forever": it means
// "take what has already arrived". Every wait also allows the line time of the bytes written
// since the previous read and of the bytes it waits for (ReadTimeouts::lineBytes), so T stays
// the ZEL's own time to answer at any rate.
//
// One byte more than the handshake allows (a second answer right behind the opcode's 'O', a
// byte behind a reply's checksum) fails the exchange, and what is waiting is discarded: with
// one-byte acknowledges a line out of step would otherwise pass a refusal as an acceptance.
//
// The port holds no lock: the link serialises frame exchanges, and open/close come from the
// user-interface thread or the communication search only.
class SerialPort {
 public:
  // The opener realises the device names; by default the POSIX serial ports.
  SerialPort();
  explicit SerialPort(ChannelOpener opener);
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // "Com1".."Com10" and "COM1".."COM10" give "COM<n>"; any other name gives "".
  static std::string DeviceNameFor(const std::string& portName);

  // Stores T and N first (they hold even when the open fails), closes an open port, then opens
  // portName at baud: 0x00, 0x80, 0x83 or 0x84.
  uint8_t Open(int32_t baud, const std::string& portName, int32_t timeoutMs, int32_t trials);
  uint8_t Close();  // 0x00, or 0x87 when not open or closing failed
  bool IsOpen() const { return open_; }
  uint8_t Purge();  // 0x00, 0x83, or 0xFF when not open

  uint8_t SetShortTimeouts();                     // mode A: 0x00 or 0x83
  uint8_t SetByteTimeouts(int32_t c);             // mode B(c): 0x00 or 0x83
  uint8_t WriteBytes(const uint8_t* buf, int n);  // 0x00, 0x81 or 0xFF
  uint8_t ReadByte(uint8_t* buf, int32_t c);  // mode B(c), one byte: 0x00, 0x0E, 0x82, 0x83, 0xFF

  // Frame protocol.
  uint8_t SendFrame(FrameBuffer* frame);
  // Each attempt's SendFrame code is appended to attempts when given.
  uint8_t SendFrameWithRetries(FrameBuffer* frame, std::vector<uint8_t>* attempts = nullptr);
  uint8_t ReceiveFrame(FrameBuffer* frame, int32_t replyAllowanceMs);
  // CRC-16/XMODEM over code, L, then each data word high byte first (the wire sends each word
  // low byte first). wordCount counts the code/L word, so a whole frame is L + 2 words.
  static uint16_t FrameChecksum(const FrameBuffer& frame, int wordCount);

  // For the end of an exchange that has no reply frame: true when a byte is already waiting,
  // which the ZEL never sends after accepting a command frame, so the line is out of step (the
  // 'O' taken for the verdict may have been its answer to the opcode). What is waiting is
  // discarded. False on a port that is not open.
  bool DiscardOutOfStep();

  int32_t Timeout() const { return timeoutMs_; }  // T in ms
  int32_t Trials() const { return trials_; }      // N

 private:
  enum class Mode { kShort, kBytes };

  ReadTimeouts TimeoutsFor(int bytesAsked) const;
  // Reads n bytes in the current mode: count read, or -1 on failure / not open.
  int ReadRaw(uint8_t* buf, int n, bool continuesFrame = false);
  // Writes n bytes and counts them as on their way to the ZEL until the next read.
  bool Send(const uint8_t* buf, int n);
  // True (and the input purged) when a byte is waiting, or arrives within the line time of
  // windowBytes characters.
  bool StrayByteWaiting(int32_t windowBytes);

  ChannelOpener opener_;
  std::unique_ptr<ByteChannel> channel_;
  bool open_ = false;
  bool ready_ = false;
  int32_t timeoutMs_ = 100;
  int32_t trials_ = 4;
  Mode mode_ = Mode::kShort;
  int32_t byteAllowanceMs_ = 0;  // c of mode B
  int bytesInFlight_ = 0;        // written since the last read: still crossing the line
};

}  // namespace zel::link
