#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "link/ByteChannel.h"

namespace zel::link {

// The second serial port, the one the boot loader link talks through while it holds the line.
// It is opened with the device link's port name, baud rate and time-out T (the device link is
// closed meanwhile) and remembers them, so that the tool can return to the same settings.
// Results are plain success or failure.
class BootPort {
 public:
  BootPort();
  explicit BootPort(ChannelOpener opener);
  ~BootPort();
  BootPort(const BootPort&) = delete;
  BootPort& operator=(const BootPort&) = delete;

  // Stores the settings first (they hold even when the open fails), closes an open port, then
  // opens portName ("Com1".."Com10") at baudRate, 8 data bits, no parity, 1 stop bit.
  bool Open(const std::string& portName, int32_t baudRate, int32_t timeoutMs);
  bool Close();
  bool IsOpen() const { return channel_ != nullptr; }

  // Writes all n bytes.
  bool Write(const uint8_t* data, int n);
  // Reads exactly n bytes: at most T ms between two bytes and T * n + c ms in total, counted
  // from when the bytes written before have crossed the line (as on the device link, a slow
  // rate must not eat the boot loader's time to answer).
  bool Read(uint8_t* data, int n, int32_t c);

  // The boot link's operations: T ms on top of the port's own time-out per byte.
  bool Purge();
  bool WriteByte(uint8_t byte) { return Write(&byte, 1); }
  bool WriteBlock(const uint8_t* data, int n) { return Write(data, n); }
  std::optional<uint8_t> ReadByte(int32_t t);
  bool ReadBlock(uint8_t* data, int n, int32_t t) { return Read(data, n, t); }

  const std::string& PortName() const { return portName_; }
  int32_t BaudRate() const { return baudRate_; }
  int32_t Timeout() const { return timeoutMs_; }

 private:
  ChannelOpener opener_;
  std::unique_ptr<ByteChannel> channel_;
  std::string portName_ = "Com1";
  int32_t baudRate_ = 38400;
  int32_t timeoutMs_ = 100;
  int bytesInFlight_ = 0;  // written since the last read
};

}  // namespace zel::link
