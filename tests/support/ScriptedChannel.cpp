#include "support/ScriptedChannel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "common/Crc16.h"
#include "link/ResultCodes.h"

namespace zel::test {

namespace {

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string text;
  char buf[4];
  for (uint8_t b : bytes) {
    std::snprintf(buf, sizeof buf, "%02X ", b);
    text += buf;
  }
  if (!text.empty()) text.pop_back();
  return text;
}

}  // namespace

// What a SerialPort holds: forwards to the scripted line until closed.
class ScriptedChannel::Endpoint final : public link::ByteChannel {
 public:
  explicit Endpoint(ScriptedChannel& line) : line_(line) {}
  ~Endpoint() override {
    if (open_) line_.EndpointClosed();
  }
  bool Write(const uint8_t* data, int n) override { return open_ && line_.Write(data, n); }
  int Read(uint8_t* data, int n, const link::ReadTimeouts& timeouts) override {
    return open_ ? line_.Read(data, n, timeouts) : -1;
  }
  bool Purge() override { return open_ && line_.Purge(); }
  bool Close() override {
    if (!open_) return false;
    open_ = false;
    line_.EndpointClosed();
    return true;
  }

 private:
  ScriptedChannel& line_;
  bool open_ = true;
};

ScriptedChannel& ScriptedChannel::AddStep(Step step) {
  std::lock_guard lock(mutex_);
  steps_.push_back(std::move(step));
  PumpLocked();
  return *this;
}

ScriptedChannel& ScriptedChannel::Expect(int n) {
  return AddStep({Step::Kind::kExpect, n, {}, 0});
}

ScriptedChannel& ScriptedChannel::ExpectBytes(const std::vector<uint8_t>& bytes) {
  return AddStep({Step::Kind::kExpectBytes, static_cast<int>(bytes.size()), bytes, 0});
}

ScriptedChannel& ScriptedChannel::ExpectFrameRest() {
  return AddStep({Step::Kind::kExpectFrameRest, 0, {}, 0});
}

ScriptedChannel& ScriptedChannel::Send(const std::vector<uint8_t>& bytes, int64_t gapMs) {
  return AddStep({Step::Kind::kSend, 0, bytes, gapMs});
}

ScriptedChannel& ScriptedChannel::Pause(int64_t ms) {
  return AddStep({Step::Kind::kPause, 0, {}, ms});
}

ScriptedChannel& ScriptedChannel::AcceptCommand() {
  return Expect(1).Send(link::kAckOk).ExpectFrameRest().Send(link::kAckOk);
}

ScriptedChannel& ScriptedChannel::AcceptCommand(const std::vector<uint8_t>& wire) {
  if (wire.empty()) return AcceptCommand();
  return ExpectBytes({wire[0]})
      .Send(link::kAckOk)
      .ExpectBytes(std::vector<uint8_t>(wire.begin() + 1, wire.end()))
      .Send(link::kAckOk);
}

ScriptedChannel& ScriptedChannel::ExpectCommand(uint8_t opcode,
                                                const std::vector<uint16_t>& words) {
  return AcceptCommand(FrameBytes(opcode, words));
}

ScriptedChannel& ScriptedChannel::SendReply(uint8_t code, const std::vector<uint16_t>& words,
                                            uint8_t finalAck) {
  const std::vector<uint8_t> frame = FrameBytes(code, words);
  return Send(frame[0])
      .ExpectBytes({link::kAckOk})
      .Send(std::vector<uint8_t>(frame.begin() + 1, frame.end()))
      .ExpectBytes({finalAck});
}

uint16_t ScriptedChannel::FrameChecksum(uint8_t code, const std::vector<uint16_t>& words) {
  // The checksum as the ZEL defines it: code and L, then every word most significant byte first.
  std::vector<uint8_t> sequence{code, static_cast<uint8_t>(words.size() - 1)};
  for (uint16_t word : words) {
    sequence.push_back(static_cast<uint8_t>(word >> 8));
    sequence.push_back(static_cast<uint8_t>(word & 0xFF));
  }
  return common::Crc16::Compute(sequence);
}

std::vector<uint8_t> ScriptedChannel::FrameBytes(uint8_t code, const std::vector<uint16_t>& words) {
  std::vector<uint8_t> wire{code, static_cast<uint8_t>(words.size() - 1)};
  for (uint16_t word : words) {
    wire.push_back(static_cast<uint8_t>(word & 0xFF));
    wire.push_back(static_cast<uint8_t>(word >> 8));
  }
  const uint16_t crc = FrameChecksum(code, words);
  wire.push_back(static_cast<uint8_t>(crc & 0xFF));
  wire.push_back(static_cast<uint8_t>(crc >> 8));
  return wire;
}

link::FrameBuffer ScriptedChannel::MakeFrame(uint8_t code, const std::vector<uint16_t>& words) {
  link::FrameBuffer frame;
  frame.code = code;
  frame.length = static_cast<uint8_t>(words.size() - 1);
  for (size_t i = 0; i < words.size() && i < link::FrameBuffer::kMaxDataBytes / 2; ++i) {
    frame.data[2 * i] = static_cast<uint8_t>(words[i] & 0xFF);
    frame.data[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
  }
  return frame;
}

void ScriptedChannel::PumpLocked() {
  while (next_ < steps_.size()) {
    Step& step = steps_[next_];
    switch (step.kind) {
      case Step::Kind::kExpect:
      case Step::Kind::kExpectBytes: {
        if (unmatched_.size() < static_cast<size_t>(step.count)) return;
        const std::vector<uint8_t> got(unmatched_.begin(), unmatched_.begin() + step.count);
        unmatched_.erase(unmatched_.begin(), unmatched_.begin() + step.count);
        if (step.kind == Step::Kind::kExpectBytes && got != step.bytes) {
          const std::string text = "step " + std::to_string(next_) + ": expected " +
                                   Hex(step.bytes) + ", tool wrote " + Hex(got);
          mismatches_.push_back(text);
          ADD_FAILURE() << "scripted line: " << text;
        }
        break;
      }
      case Step::Kind::kExpectFrameRest: {
        if (unmatched_.empty()) return;
        const size_t need = 1 + 2 * (static_cast<size_t>(unmatched_.front()) + 1) + 2;
        if (unmatched_.size() < need) return;
        unmatched_.erase(unmatched_.begin(), unmatched_.begin() + static_cast<long>(need));
        break;
      }
      case Step::Kind::kSend: {
        int64_t at = std::max(now_, sendAt_);
        for (size_t i = 0; i < step.bytes.size(); ++i) {
          if (i > 0) at += step.ms;
          input_.push_back({at, step.bytes[i]});
        }
        sendAt_ = at;
        break;
      }
      case Step::Kind::kPause:
        sendAt_ = std::max(now_, sendAt_) + step.ms;
        break;
    }
    ++next_;
  }
}

bool ScriptedChannel::Write(const uint8_t* data, int n) {
  std::lock_guard lock(mutex_);
  if (writeFails_ || data == nullptr || n < 0) return false;
  written_.insert(written_.end(), data, data + n);
  unmatched_.insert(unmatched_.end(), data, data + n);
  PumpLocked();
  return true;
}

int ScriptedChannel::LastLineBytes() const {
  std::lock_guard lock(mutex_);
  return lastLineBytes_;
}

int ScriptedChannel::Read(uint8_t* data, int n, const link::ReadTimeouts& timeouts) {
  std::lock_guard lock(mutex_);
  lastLineBytes_ = timeouts.lineBytes;
  if (readFails_ || data == nullptr || n < 0) return -1;
  PumpLocked();
  const int64_t totalDeadline = now_ + std::max<int64_t>(timeouts.totalMs, 0);
  int got = 0;
  int64_t lastByte = now_;
  while (got < n) {
    int64_t deadline = totalDeadline;
    if (got > 0 && timeouts.intervalMs >= 0) {
      deadline = std::min(deadline, lastByte + timeouts.intervalMs);
    } else if (got == 0 && timeouts.firstByteMs >= 0) {
      deadline = std::min(deadline, lastByte + timeouts.firstByteMs);
    }
    if (input_.empty() || input_.front().atMs > deadline) {
      now_ = std::max(now_, deadline);
      break;
    }
    now_ = std::max(now_, input_.front().atMs);
    lastByte = input_.front().atMs;
    data[got++] = input_.front().byte;
    input_.pop_front();
  }
  return got;
}

bool ScriptedChannel::Purge() {
  std::lock_guard lock(mutex_);
  if (purgeFails_) return false;
  PumpLocked();
  // Only what has already arrived is discarded; bytes the ZEL sends later still come.
  while (!input_.empty() && input_.front().atMs <= now_) input_.pop_front();
  return true;
}

bool ScriptedChannel::Close() {
  return true;
}

void ScriptedChannel::SetOpenResult(uint8_t code) {
  std::lock_guard lock(mutex_);
  openResult_ = code;
}

void ScriptedChannel::SetWriteFails(bool fails) {
  std::lock_guard lock(mutex_);
  writeFails_ = fails;
}

void ScriptedChannel::SetReadFails(bool fails) {
  std::lock_guard lock(mutex_);
  readFails_ = fails;
}

void ScriptedChannel::SetPurgeFails(bool fails) {
  std::lock_guard lock(mutex_);
  purgeFails_ = fails;
}

std::vector<uint8_t> ScriptedChannel::Written() const {
  std::lock_guard lock(mutex_);
  return written_;
}

void ScriptedChannel::ClearWritten() {
  std::lock_guard lock(mutex_);
  written_.clear();
}

std::vector<std::string> ScriptedChannel::Mismatches() const {
  std::lock_guard lock(mutex_);
  return mismatches_;
}

bool ScriptedChannel::ScriptDone() const {
  std::lock_guard lock(mutex_);
  return next_ == steps_.size();
}

int64_t ScriptedChannel::NowMs() const {
  std::lock_guard lock(mutex_);
  return now_;
}

void ScriptedChannel::AdvanceMs(int64_t ms) {
  std::lock_guard lock(mutex_);
  now_ += std::max<int64_t>(ms, 0);
  PumpLocked();
}

int ScriptedChannel::PendingInput() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(input_.size());
}

int ScriptedChannel::OpenCount() const {
  std::lock_guard lock(mutex_);
  return openCount_;
}

std::string ScriptedChannel::LastDeviceName() const {
  std::lock_guard lock(mutex_);
  return lastDevice_;
}

int32_t ScriptedChannel::LastBaud() const {
  std::lock_guard lock(mutex_);
  return lastBaud_;
}

bool ScriptedChannel::IsOpen() const {
  std::lock_guard lock(mutex_);
  return endpointOpen_;
}

void ScriptedChannel::EndpointClosed() {
  std::lock_guard lock(mutex_);
  endpointOpen_ = false;
}

link::ChannelOpener ScriptedChannel::Opener() {
  return [this](const std::string& deviceName, int32_t baud,
                uint8_t& resultCode) -> std::unique_ptr<link::ByteChannel> {
    std::lock_guard lock(mutex_);
    lastDevice_ = deviceName;
    lastBaud_ = baud;
    if (openResult_ != link::result::kOk) {
      resultCode = openResult_;
      return nullptr;
    }
    if (endpointOpen_) {
      resultCode = link::result::kOpenFailed;
      return nullptr;
    }
    ++openCount_;
    endpointOpen_ = true;
    resultCode = link::result::kOk;
    return std::make_unique<Endpoint>(*this);
  };
}

}  // namespace zel::test
