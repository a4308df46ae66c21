#include "link/BootPort.h"

#include <utility>

#include "link/PosixSerialChannel.h"
#include "link/SerialPort.h"

namespace zel::link {

BootPort::BootPort() : BootPort(PosixSerialChannel::Opener()) {}

BootPort::BootPort(ChannelOpener opener) : opener_(std::move(opener)) {}

BootPort::~BootPort() {
  Close();
}

bool BootPort::Open(const std::string& portName, int32_t baudRate, int32_t timeoutMs) {
  portName_ = portName;
  baudRate_ = baudRate;
  timeoutMs_ = timeoutMs;
  if (channel_ != nullptr) Close();
  bytesInFlight_ = 0;

  const std::string deviceName = SerialPort::DeviceNameFor(portName);
  if (deviceName.empty() || !opener_) return false;
  uint8_t code = 0;
  channel_ = opener_(deviceName, baudRate, code);
  if (channel_ != nullptr && code != 0) channel_.reset();
  // The line starts clean, as after the device port's open.
  if (channel_ != nullptr && !channel_->Purge()) {
    channel_->Close();
    channel_.reset();
  }
  return channel_ != nullptr;
}

bool BootPort::Close() {
  if (channel_ == nullptr) return false;
  const bool closed = channel_->Close();
  channel_.reset();
  return closed;
}

bool BootPort::Write(const uint8_t* data, int n) {
  if (channel_ == nullptr || data == nullptr || n < 0) return false;
  if (!channel_->Write(data, n)) return false;
  bytesInFlight_ += n;
  return true;
}

bool BootPort::Read(uint8_t* data, int n, int32_t c) {
  if (channel_ == nullptr || data == nullptr || n < 0) return false;
  ReadTimeouts timeouts;
  timeouts.intervalMs = timeoutMs_;
  timeouts.totalMs = static_cast<int64_t>(timeoutMs_) * n + c;
  timeouts.lineBytes = bytesInFlight_ + n;
  bytesInFlight_ = 0;
  return channel_->Read(data, n, timeouts) == n;
}

bool BootPort::Purge() {
  // Only what came in is discarded; what was written still has to cross the line.
  return channel_ != nullptr && channel_->Purge();
}

std::optional<uint8_t> BootPort::ReadByte(int32_t t) {
  uint8_t byte = 0;
  if (!Read(&byte, 1, t)) return std::nullopt;
  return byte;
}

}  // namespace zel::link
