#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/ByteChannel.h"

namespace zel::link {

// A serial device (or pseudo-terminal) opened for the frame protocol: raw 8N1 at any positive
// rate, no flow control, DTR and RTS cleared, held exclusively. Read time-outs are deadlines on
// CLOCK_MONOTONIC kept with ppoll(); nothing ever busy-waits or blocks without a deadline.
class PosixSerialChannel final : public ByteChannel {
 public:
  ~PosixSerialChannel() override;
  PosixSerialChannel(const PosixSerialChannel&) = delete;
  PosixSerialChannel& operator=(const PosixSerialChannel&) = delete;

  // "COM<n>" (1..10) maps through the port map (link/PortMap.h); anything else to "".
  static std::string DevicePathFor(const std::string& deviceName);

  // Opens and configures path; on failure null and resultCode 0x80, 0x83 or 0x84.
  static std::unique_ptr<PosixSerialChannel> OpenPath(const std::string& path, int32_t baud,
                                                      uint8_t& resultCode);

  // The default opener: maps the device name with DevicePathFor.
  static ChannelOpener Opener();
  // Opens path whatever device name is asked for (the programs' --device).
  static ChannelOpener OpenerForPath(std::string path);
  // The path an opener made by OpenerForPath opens; "" for any other opener.
  static std::string FixedPathOf(const ChannelOpener& opener);

  bool Write(const uint8_t* data, int n) override;
  int Read(uint8_t* data, int n, const ReadTimeouts& timeouts) override;
  bool Purge() override;
  bool Close() override;

 private:
  explicit PosixSerialChannel(int fd) : fd_(fd) {}

  // Time the characters take on the wire at the line rate.
  int64_t LineTimeNs(int characters) const;

  int fd_ = -1;
  int32_t baud_ = 0;
  bool exclusive_ = false;  // this descriptor set TIOCEXCL
};

}  // namespace zel::link
