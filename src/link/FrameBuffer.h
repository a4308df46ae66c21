#pragma once

#include <array>
#include <cstdint>
#include <vector>

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
  // The L + 1 data words as numbers.
  std::vector<uint16_t> Words() const {
    std::vector<uint16_t> words(static_cast<size_t>(length) + 1);
    for (size_t i = 0; i < words.size(); ++i)
      words[i] = static_cast<uint16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return words;
  }
};

}  // namespace zel::link
