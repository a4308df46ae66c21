#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace zel::link {

// How long one read may wait. The total deadline runs from the start of the read; the interval
// limit runs from the previous byte and only starts once the first byte has arrived, so a read
// that gets nothing waits exactly totalMs. intervalMs < 0 means no interval limit.
//
// The limits are the ZEL's time to answer; the time the bytes spend on the wire comes on top.
// lineBytes counts the characters that must cross the line before the read can be complete:
// what the tool wrote since its last read (the ZEL answers only once it has them all; a write
// returns when the bytes are queued, not when they have left) and the bytes asked for. A
// channel with a line rate adds their transmission time to the total deadline and one
// character's time to the interval limit; at 110 bit/s a character takes 91 ms, as long as the
// whole T of a short time-out.
//
// firstByteMs, when not negative, bounds the wait for the first byte as the interval limit bounds
// the later ones: the read continues a frame whose first bytes have just arrived, so a reply
// that stops half-way fails within that time instead of waiting out the whole frame's total.
struct ReadTimeouts {
  int32_t intervalMs = -1;
  int64_t firstByteMs = -1;
  int64_t totalMs = 0;
  int lineBytes = 0;
};

// A byte stream to the ZEL: the serial port on a real line, an in-memory script in unit tests.
// Implementations keep their own time (a monotonic clock, or a virtual one in tests); nothing
// here ever waits without a deadline. Not thread-safe: the link's lock serialises all use.
class ByteChannel {
 public:
  virtual ~ByteChannel() = default;

  // Writes all n bytes; false when the write failed or wrote fewer bytes.
  virtual bool Write(const uint8_t* data, int n) = 0;

  // Reads up to n bytes into data, returning when n bytes arrived or a time-out ended the read.
  // Returns the number of bytes read (0 to n), or -1 when the read failed (line gone, I/O error).
  virtual int Read(uint8_t* data, int n, const ReadTimeouts& timeouts) = 0;

  // Starts an exchange afresh: everything received and not yet read is discarded. Bytes already
  // written are not: they leave first (a write here returns once the bytes are queued, and the
  // queued tail of the previous exchange is still owed to the ZEL). False on failure.
  virtual bool Purge() = 0;

  // Releases the line; false when closing failed. The channel is unusable afterwards.
  virtual bool Close() = 0;
};

// Opens the channel for a device name ("COM1" to "COM10") at a baud rate, configured for the
// frame protocol (8 data bits, no parity, 1 stop bit, no flow control). On failure returns null
// and sets resultCode to 0x80 (cannot open / held by another), 0x83 (configuration failed) or
// 0x84 (line settings unreadable); on success resultCode is 0x00.
using ChannelOpener = std::function<std::unique_ptr<ByteChannel>(
    const std::string& deviceName, int32_t baud, uint8_t& resultCode)>;

}  // namespace zel::link
