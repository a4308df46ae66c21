#include "sim/DeviceLine.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "common/Crc16.h"

namespace zel::sim::test {
namespace {

speed_t SpeedCode(uint32_t baud) {
  switch (baud) {
    case 1200:
      return B1200;
    case 2400:
      return B2400;
    case 4800:
      return B4800;
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    default:
      return B0;
  }
}

}  // namespace

DeviceLine::DeviceLine(const std::string& path, uint32_t baud) {
  fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd_ >= 0 && !SetBaud(baud)) {
    close(fd_);
    fd_ = -1;
  }
}

DeviceLine::~DeviceLine() {
  if (fd_ >= 0) close(fd_);
}

bool DeviceLine::SetBaud(uint32_t baud) {
  termios tio{};
  if (tcgetattr(fd_, &tio) != 0) return false;
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  speed_t code = SpeedCode(baud);
  if (code == B0) return false;
  cfsetispeed(&tio, code);
  cfsetospeed(&tio, code);
  if (tcsetattr(fd_, TCSANOW, &tio) != 0) return false;
  return tcflush(fd_, TCIOFLUSH) == 0;
}

void DeviceLine::Write(const std::vector<uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t written = write(fd_, bytes.data() + done, bytes.size() - done);
    if (written <= 0) return;
    done += static_cast<std::size_t>(written);
  }
}

std::vector<uint8_t> DeviceLine::Read(std::size_t count, std::chrono::milliseconds timeout) {
  std::vector<uint8_t> bytes;
  while (bytes.size() < count) {
    pollfd fds{fd_, POLLIN, 0};
    if (poll(&fds, 1, static_cast<int>(timeout.count())) <= 0) break;
    uint8_t buffer[600];
    std::size_t want = std::min(count - bytes.size(), sizeof buffer);
    ssize_t got = read(fd_, buffer, want);
    if (got <= 0) break;
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  return bytes;
}

bool DeviceLine::Silent(std::chrono::milliseconds quiet) {
  return Read(1, quiet).empty();
}

bool DeviceLine::HungUp() {
  pollfd fds{fd_, POLLIN, 0};
  if (poll(&fds, 1, 1000) <= 0) return false;
  uint8_t byte = 0;
  return read(fd_, &byte, 1) <= 0;
}

uint16_t DeviceLine::Checksum(uint8_t code, uint8_t length, const std::vector<uint16_t>& words) {
  std::vector<uint8_t> bytes{code, length};
  for (uint16_t word : words) {
    bytes.push_back(static_cast<uint8_t>(word >> 8));
    bytes.push_back(static_cast<uint8_t>(word));
  }
  return common::Crc16::Compute(bytes);
}

std::vector<uint8_t> DeviceLine::Frame(uint8_t opcode, const std::vector<uint16_t>& words) {
  auto length = static_cast<uint8_t>(words.size() - 1);
  std::vector<uint8_t> bytes{opcode, length};
  for (uint16_t word : words) {
    bytes.push_back(static_cast<uint8_t>(word));
    bytes.push_back(static_cast<uint8_t>(word >> 8));
  }
  uint16_t checksum = Checksum(opcode, length, words);
  bytes.push_back(static_cast<uint8_t>(checksum));
  bytes.push_back(static_cast<uint8_t>(checksum >> 8));
  return bytes;
}

bool DeviceLine::Command(uint8_t opcode, const std::vector<uint16_t>& words) {
  std::vector<uint8_t> frame = Frame(opcode, words);
  Write({frame[0]});
  if (Read(1) != std::vector<uint8_t>{'O'}) return false;
  Write(std::vector<uint8_t>(frame.begin() + 1, frame.end()));
  return Read(1) == std::vector<uint8_t>{'O'};
}

DeviceLine::Reply DeviceLine::ReceiveReply() {
  Reply reply;
  std::vector<uint8_t> code = Read(1);
  if (code.empty()) return reply;
  reply.code = code[0];
  Write({'O'});
  std::vector<uint8_t> length = Read(1);
  if (length.empty()) return reply;
  reply.raw = length;
  std::size_t rest = 2u * (length[0] + 1u) + 2u;
  std::vector<uint8_t> body = Read(rest);
  reply.raw.insert(reply.raw.end(), body.begin(), body.end());
  if (body.size() != rest) return reply;
  for (std::size_t i = 0; i + 2 < body.size(); i += 2) {
    reply.words.push_back(static_cast<uint16_t>(body[i] | (body[i + 1] << 8)));
  }
  uint16_t received = static_cast<uint16_t>(body[rest - 2] | (body[rest - 1] << 8));
  reply.complete = received == Checksum(reply.code, length[0], reply.words);
  Write({static_cast<uint8_t>(reply.complete ? 'O' : 'F')});
  return reply;
}

DeviceLine::Reply DeviceLine::Exchange(uint8_t opcode, const std::vector<uint16_t>& words) {
  if (!Command(opcode, words)) return {};
  return ReceiveReply();
}

}  // namespace zel::sim::test
