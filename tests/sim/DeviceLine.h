#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace zel::sim::test {

// The tool's end of the simulator's line, driven byte by byte. It knows nothing of the tool's
// link code: frames are assembled here by hand so the simulator is checked against the wire
// format itself.
class DeviceLine {
 public:
  struct Reply {
    bool complete = false;  // reply code, frame and a matching checksum all arrived
    uint8_t code = 0;
    std::vector<uint16_t> words;
    std::vector<uint8_t> raw;  // every byte after the tool's 'O' to the reply code
  };

  DeviceLine(const std::string& path, uint32_t baud);
  ~DeviceLine();
  DeviceLine(const DeviceLine&) = delete;
  DeviceLine& operator=(const DeviceLine&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  bool SetBaud(uint32_t baud);
  void Write(const std::vector<uint8_t>& bytes);
  // Up to `count` bytes, waiting at most `timeout` between two of them.
  std::vector<uint8_t> Read(std::size_t count,
                            std::chrono::milliseconds timeout = std::chrono::milliseconds(500));
  // True when nothing arrives within `quiet`.
  bool Silent(std::chrono::milliseconds quiet = std::chrono::milliseconds(100));
  // What a read sees after the device hung up: true for end of file or an error.
  bool HungUp();

  // A command frame as it travels: opcode, L, words low byte first, checksum low byte first.
  static std::vector<uint8_t> Frame(uint8_t opcode, const std::vector<uint16_t>& words);
  static uint16_t Checksum(uint8_t code, uint8_t length, const std::vector<uint16_t>& words);

  // Sends one command frame with the handshake; true when both acknowledges were 'O'.
  bool Command(uint8_t opcode, const std::vector<uint16_t>& words);
  // Command followed by receiving the reply frame, answering 'O' (or 'F' on a bad checksum).
  Reply Exchange(uint8_t opcode, const std::vector<uint16_t>& words);
  // Receives a reply frame after the command frame went through.
  Reply ReceiveReply();

 private:
  int fd_ = -1;
};

}  // namespace zel::sim::test
