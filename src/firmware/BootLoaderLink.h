#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/ByteChannel.h"

namespace zel::firmware {

// The second serial port, the one the boot loader link talks through while it holds the line.
// It is opened with the device link's port name, baud rate and time-out T (the device link is
// closed meanwhile) and remembers them, so that the tool can return to the same settings.
// Results are plain success or failure.
class BootPort {
 public:
  BootPort();
  explicit BootPort(link::ChannelOpener opener);
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

  const std::string& PortName() const { return portName_; }
  int32_t BaudRate() const { return baudRate_; }
  int32_t Timeout() const { return timeoutMs_; }

 private:
  link::ChannelOpener opener_;
  std::unique_ptr<link::ByteChannel> channel_;
  std::string portName_ = "Com1";
  int32_t baudRate_ = 38400;
  int32_t timeoutMs_ = 100;
  int bytesInFlight_ = 0;  // written since the last read
};

// The link to the signal processor's serial boot loader. For now it holds the port that takes
// the line over from the device link; the boot loader protocol and the program images build on
// it.
//
// Thread rules: used by the communication stack's owner (entering and leaving boot loader mode)
// and by the download worker while the link is claimed; never by two threads at once.
class BootLoaderLink {
 public:
  BootLoaderLink();
  explicit BootLoaderLink(link::ChannelOpener opener);
  BootLoaderLink(const BootLoaderLink&) = delete;
  BootLoaderLink& operator=(const BootLoaderLink&) = delete;

  BootPort& Port() { return port_; }
  const BootPort& Port() const { return port_; }

 private:
  BootPort port_;
};

}  // namespace zel::firmware
