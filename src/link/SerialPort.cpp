#include "link/SerialPort.h"

#include <algorithm>
#include <array>

#include "common/Crc16.h"
#include "link/PosixSerialChannel.h"

namespace zel::link {

namespace {

// The ZEL needs time to decide on an opcode (it may be busy with a regulation cycle), so the
// answer to the opcode byte gets a full second on top of T.
constexpr int32_t kOpcodeAllowanceMs = 1000;

constexpr int kMaxFrameWords = 1 + FrameBuffer::kMaxDataBytes / 2;  // code/L word + 256 words

}  // namespace

SerialPort::SerialPort() : SerialPort(PosixSerialChannel::Opener()) {}

SerialPort::SerialPort(ChannelOpener opener) : opener_(std::move(opener)) {}

SerialPort::~SerialPort() {
  if (open_) Close();
}

std::string SerialPort::DeviceNameFor(const std::string& portName) {
  if (portName.size() < 4 || portName.size() > 5) return "";
  const std::string prefix = portName.substr(0, 3);
  if (prefix != "Com" && prefix != "COM") return "";
  const std::string digits = portName.substr(3);
  if (digits[0] == '0' ||
      !std::all_of(digits.begin(), digits.end(), [](char ch) { return ch >= '0' && ch <= '9'; })) {
    return "";
  }
  const int number = std::stoi(digits);
  if (number < 1 || number > 10) return "";
  return "COM" + digits;
}

uint8_t SerialPort::Open(int32_t baud, const std::string& portName, int32_t timeoutMs,
                         int32_t trials) {
  timeoutMs_ = timeoutMs;
  trials_ = trials;
  ready_ = false;
  if (open_) Close();
  channel_.reset();

  const std::string deviceName = DeviceNameFor(portName);
  if (deviceName.empty() || !opener_) return result::kOpenFailed;
  uint8_t code = result::kOpenFailed;
  std::unique_ptr<ByteChannel> channel = opener_(deviceName, baud, code);
  if (!channel) return code == result::kOk ? result::kOpenFailed : code;

  channel_ = std::move(channel);
  bytesInFlight_ = 0;
  mode_ = Mode::kShort;
  byteAllowanceMs_ = 0;
  ready_ = true;
  open_ = true;
  return result::kOk;
}

uint8_t SerialPort::Close() {
  if (!open_ || !channel_) return result::kCloseFailed;
  const bool closed = channel_->Close();
  channel_.reset();
  open_ = false;
  ready_ = false;
  // A device that refused to close is still released: the descriptor is gone either way, and a
  // port left flagged open would only fail every later exchange.
  return closed ? result::kOk : result::kCloseFailed;
}

uint8_t SerialPort::Purge() {
  if (!open_) return result::kNotOpen;
  return channel_->Purge() ? result::kOk : result::kConfigFailed;
}

uint8_t SerialPort::SetShortTimeouts() {
  if (!open_) return result::kConfigFailed;
  mode_ = Mode::kShort;
  return result::kOk;
}

uint8_t SerialPort::SetByteTimeouts(int32_t c) {
  if (!open_) return result::kConfigFailed;
  mode_ = Mode::kBytes;
  byteAllowanceMs_ = c;
  return result::kOk;
}

ReadTimeouts SerialPort::TimeoutsFor(int bytesAsked) const {
  // 64-bit arithmetic: T and c come from a settings file and may be anything.
  const int64_t t = std::max<int32_t>(timeoutMs_, 0);
  ReadTimeouts timeouts;
  if (mode_ == Mode::kShort) {
    timeouts.totalMs = t;
  } else {
    timeouts.intervalMs = static_cast<int32_t>(t);
    timeouts.totalMs = std::max<int64_t>(t * bytesAsked + byteAllowanceMs_, 0);
  }
  return timeouts;
}

int SerialPort::ReadRaw(uint8_t* buf, int n, bool continuesFrame) {
  if (!open_ || !channel_) return -1;
  ReadTimeouts timeouts = TimeoutsFor(n);
  // The gap before the first byte of the rest of a frame is a gap between two bytes: it gets T,
  // and the command's allowance once, as the read's total does.
  if (continuesFrame && mode_ == Mode::kBytes)
    timeouts.firstByteMs = std::max<int64_t>(timeoutMs_, 0) + std::max(byteAllowanceMs_, 0);
  // The wait for an answer starts once the question has crossed the line, and the answer's own
  // bytes take their time too.
  timeouts.lineBytes = bytesInFlight_ + n;
  bytesInFlight_ = 0;
  return channel_->Read(buf, n, timeouts);
}

bool SerialPort::Send(const uint8_t* buf, int n) {
  if (!channel_->Write(buf, n)) return false;
  bytesInFlight_ += n;
  return true;
}

bool SerialPort::StrayByteWaiting(int32_t windowBytes) {
  uint8_t stray = 0;
  // No time-out of its own: only what is already there, or on its way back to back with what
  // was just read.
  const ReadTimeouts timeouts{-1, 0, windowBytes};
  if (channel_->Read(&stray, 1, timeouts) <= 0) return false;
  channel_->Purge();
  return true;
}

bool SerialPort::DiscardOutOfStep() {
  if (!open_ || !channel_) return false;
  return StrayByteWaiting(0);
}

uint8_t SerialPort::WriteBytes(const uint8_t* buf, int n) {
  if (!open_ || buf == nullptr || n < 0) return result::kNotOpen;
  if (n == 0) return result::kOk;
  return Send(buf, n) ? result::kOk : result::kWriteFailed;
}

uint8_t SerialPort::ReadByte(uint8_t* buf, int32_t c) {
  if (!open_ || buf == nullptr) return result::kNotOpen;
  if (SetByteTimeouts(c) != result::kOk) return result::kConfigFailed;
  const int got = ReadRaw(buf, 1);
  if (got < 0) return result::kReadFailed;
  return got == 1 ? result::kOk : result::kNoByte;
}

uint16_t SerialPort::FrameChecksum(const FrameBuffer& frame, int wordCount) {
  // A count beyond the buffer would read past the data field; the frame cannot hold more.
  wordCount = std::clamp(wordCount, 0, kMaxFrameWords);
  uint16_t crc = 0;
  if (wordCount == 0) return crc;
  crc = common::Crc16::Update(crc, frame.code);
  crc = common::Crc16::Update(crc, frame.length);
  for (int word = 0; word + 1 < wordCount; ++word) {
    crc = common::Crc16::Update(crc, frame.data[2 * word + 1]);  // high byte first
    crc = common::Crc16::Update(crc, frame.data[2 * word]);
  }
  return crc;
}

uint8_t SerialPort::SendFrame(FrameBuffer* frame) {
  if (!open_ || frame == nullptr) return result::kWriteFailed;
  // Whatever is still waiting (a late answer to an earlier exchange, line noise) would be taken
  // for this frame's acknowledge.
  channel_->Purge();
  if (SetShortTimeouts() != result::kOk) return result::kConfigFailed;
  if (!Send(&frame->code, 1)) return result::kWriteFailed;

  if (SetByteTimeouts(kOpcodeAllowanceMs) != result::kOk) return result::kConfigFailed;
  uint8_t ack = 0;
  int got = ReadRaw(&ack, 1);
  if (got < 0) return result::kReadFailed;
  if (got == 0) return result::kOpcodeNoAnswer;
  if (ack == kAckReject) return result::kOpcodeRejected;
  if (ack != kAckOk) return result::kOpcodeBadAnswer;
  // The ZEL answers the opcode with one byte. A second one right behind it means one of the two
  // was not its answer (a late acknowledge from an earlier exchange, line noise), and there is
  // no telling which: taken for this opcode's 'O', the ZEL's own 'O' would pass as the verdict
  // on the frame. The rest is not sent either: a ZEL that refused the opcode would take it for
  // the next command. It waits for the rest of this frame until its own time-out instead.
  if (StrayByteWaiting(1)) return result::kOpcodeBadAnswer;

  if (SetShortTimeouts() != result::kOk) return result::kConfigFailed;
  // L, data and checksum leave in one write: the ZEL acknowledges them only as a whole, and a
  // system call per byte would cost more than the line time at high baud rates.
  const int dataBytes = frame->DataBytes();
  frame->checksum = FrameChecksum(*frame, frame->length + 2);
  std::array<uint8_t, 1 + FrameBuffer::kMaxDataBytes + 2> rest{};
  rest[0] = frame->length;
  std::copy_n(frame->data.begin(), dataBytes, rest.begin() + 1);
  rest[1 + dataBytes] = static_cast<uint8_t>(frame->checksum & 0xFF);
  rest[2 + dataBytes] = static_cast<uint8_t>(frame->checksum >> 8);
  if (!Send(rest.data(), dataBytes + 3)) return result::kWriteFailed;

  got = ReadRaw(&ack, 1);
  if (got < 0) return result::kReadFailed;
  if (got == 0) return result::kFrameNoAnswer;
  if (ack == kAckReject) return result::kFrameRejected;
  if (ack == kAckOk) return result::kOk;
  return result::kFrameBadAnswer;
}

uint8_t SerialPort::SendFrameWithRetries(FrameBuffer* frame, std::vector<uint8_t>* attempts) {
  // A negative count from a damaged settings file is treated like 0: nothing is sent.
  if (trials_ <= 0) return result::kNoTrials;
  uint8_t code = result::kOk;
  for (int32_t attempt = 1;; ++attempt) {
    code = SendFrame(frame);
    if (attempts != nullptr) attempts->push_back(code);
    if (code == result::kOk) return code;
    // Only an explicit 'F' is worth another try; silence or garbage will not improve by itself.
    const bool rejected = code == result::kFrameRejected || code == result::kOpcodeRejected;
    if (!rejected || attempt >= trials_) return code;
  }
}

uint8_t SerialPort::ReceiveFrame(FrameBuffer* frame, int32_t replyAllowanceMs) {
  if (!open_ || frame == nullptr) return result::kReadFailed;
  if (SetByteTimeouts(replyAllowanceMs) != result::kOk) return result::kConfigFailed;

  int got = ReadRaw(&frame->code, 1);
  if (got < 0) return result::kReadFailed;
  if (got == 0) return result::kNoByte;
  if (!Send(&kAckOk, 1)) return result::kWriteFailed;

  got = ReadRaw(&frame->length, 1);
  if (got < 0) return result::kReadFailed;
  if (got == 0) return result::kReplyShort;

  const int dataBytes = frame->DataBytes();
  // Data and checksum follow L: a reply that stops is over after one interval, not after T for
  // each of up to 514 bytes.
  got = ReadRaw(frame->data.data(), dataBytes, true);
  if (got < 0) return result::kReadFailed;
  if (got < dataBytes) return result::kReplyShort;

  std::array<uint8_t, 2> received{};
  got = ReadRaw(received.data(), 2, true);
  if (got < 0) return result::kReadFailed;
  if (got < 2) return result::kReplyShort;

  const uint16_t computed = FrameChecksum(*frame, frame->length + 2);
  frame->checksum = static_cast<uint16_t>(received[0] | (received[1] << 8));
  // The ZEL sends nothing after its checksum. A byte behind it means the frame read is not the
  // one the ZEL sent (a stray byte taken for the reply code shifts every byte by one), whatever
  // its checksum says: it is refused like a damaged one.
  const bool good = computed == frame->checksum && !StrayByteWaiting(0);
  if (!Send(good ? &kAckOk : &kAckReject, 1)) return result::kWriteFailed;
  return good ? result::kOk : result::kReplyChecksum;
}

}  // namespace zel::link
