#pragma once

#include <array>
#include <cstdint>

namespace zel::link {

// One command or reply frame as the frame protocol hands it up and down. A reply may carry the
// full 256 data words (L = 255); the recorder upload takes them all from one reply.
struct FrameBuffer {
  static constexpr int kMaxDataBytes = 512;

  uint8_t code = 0;    // opcode of a command frame, reply code of a reply frame
  uint8_t length = 0;  // L: number of data words minus 1
  std::array<uint8_t, kMaxDataBytes> data{};  // L + 1 words, each low byte first
  uint16_t checksum = 0;  // after sending: the checksum sent; after receiving: the one received

  int DataBytes() const { return 2 * (length + 1); }
};

}  // namespace zel::link
