#include "link/SerialLink.h"

#include <array>
#include <utility>

#include "link/CommandFrame.h"
#include "link/ResultCodes.h"

namespace zel::link {

namespace {

// A claim would never be recorded with the id of "no thread", so it stands for "unclaimed".
const std::thread::id kNoOwner{};

constexpr std::array<uint8_t, 16> kReplyOpcodes = {1,  2,  16, 17, 18, 20, 24, 26,
                                                   40, 41, 42, 49, 50, 62, 67, 68};

}  // namespace

SerialLink::SerialLink() = default;

SerialLink::SerialLink(ChannelOpener opener) : port_(std::move(opener)) {}

bool SerialLink::ExpectsReply(uint8_t opcode) {
  for (uint8_t code : kReplyOpcodes) {
    if (code == opcode) return true;
  }
  return false;
}

void SerialLink::Claim() {
  owner_.store(std::this_thread::get_id());
}

void SerialLink::Release() {
  owner_.store(kNoOwner);
}

bool SerialLink::ClaimedByOtherThread() const {
  const std::thread::id owner = owner_.load();
  return owner != kNoOwner && owner != std::this_thread::get_id();
}

bool SerialLink::Open(const CommSettings& settings) {
  if (ClaimedByOtherThread()) return false;
  std::lock_guard lock(mutex_);
  // The claim may have come while this thread waited for the line.
  if (ClaimedByOtherThread()) return false;
  const uint8_t code = port_.Open(settings.baudRate, SerialPort::DeviceNameFor(settings.portName),
                                  settings.timeoutMs, settings.transmitTrials);
  lastResult_.store(code);
  lineLost_ = false;
  inForce_ = settings;
  return code == result::kOk;
}

bool SerialLink::Close() {
  std::lock_guard lock(mutex_);
  lineLost_ = false;
  return port_.Close() == result::kOk;
}

bool SerialLink::ReopenAfterLoss() {
  if (ClaimedByOtherThread()) return false;
  std::lock_guard lock(mutex_);
  if (!lineLost_ || !inForce_ || ClaimedByOtherThread()) return false;
  const CommSettings& settings = *inForce_;
  const uint8_t code = port_.Open(settings.baudRate, SerialPort::DeviceNameFor(settings.portName),
                                  settings.timeoutMs, settings.transmitTrials);
  lastResult_.store(code);
  // Still gone: the next attempt tries again.
  lineLost_ = code != result::kOk;
  return code == result::kOk;
}

bool SerialLink::IsOpen() const {
  std::lock_guard lock(mutex_);
  return port_.IsOpen();
}

void SerialLink::SetObserver(LinkObserver* observer) {
  std::lock_guard lock(observerMutex_);
  observer_.store(observer);
}

bool SerialLink::Execute(CommandFrame& frame) {
  if (observer_.load() == nullptr) return Transfer(frame, nullptr);
  const auto started = std::chrono::steady_clock::now();
  ExchangeRecord record;
  record.start = std::chrono::system_clock::now();
  record.opcode = frame.Opcode();
  record.arguments = frame.Command().Words();
  record.replyExpected = ExpectsReply(frame.Opcode());
  const bool success = Transfer(frame, &record);
  Report(record, started, success);
  return success;
}

void SerialLink::Report(ExchangeRecord& record, std::chrono::steady_clock::time_point started,
                        bool success) {
  record.duration = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - started);
  record.success = success;
  std::lock_guard lock(observerMutex_);
  // Detached while the exchange ran: the record goes nowhere.
  if (LinkObserver* observer = observer_.load()) observer->OnExchange(record);
}

bool SerialLink::Transfer(CommandFrame& frame, ExchangeRecord* record) {
  // A claimed line refuses other threads before anything reaches the port.
  if (ClaimedByOtherThread()) {
    if (record != nullptr) record->refusedByClaim = true;
    return false;
  }
  // Arguments that did not fit the frame would go out cut short: never send such a frame.
  if (frame.PackingOverflowed()) return false;

  const uint8_t opcode = frame.Opcode();
  const bool withReply = ExpectsReply(opcode);
  uint8_t code = result::kOk;
  {
    std::lock_guard lock(mutex_);
    // Only a line that was open can be lost; a closed one fails its write without that meaning.
    const bool wasOpen = port_.IsOpen();
    // A thread that passed the check above and then waited for the line while another one
    // claimed it would otherwise slip its exchange into the claimed operation.
    if (ClaimedByOtherThread()) {
      if (record != nullptr) record->refusedByClaim = true;
      return false;
    }
    code = port_.SendFrameWithRetries(&frame.Command(),
                                      record != nullptr ? &record->sendResults : nullptr);
    if (code == result::kOk && withReply) {
      code = port_.ReceiveFrame(&frame.Reply(), frame.ReplyAllowance());
      if (record != nullptr) record->receiveResult = code;
    } else if (code == result::kOk && port_.DiscardOutOfStep()) {
      // The ZEL sends nothing after accepting a frame that has no reply. A byte behind its 'O'
      // means the line is out of step: that 'O' may have been its answer to the opcode, with a
      // refusal of the frame still to come. Reported as an unexpected answer to the frame.
      code = result::kFrameBadAnswer;
      if (record != nullptr) record->endResult = code;
    }
    if (wasOpen && (code == result::kReadFailed || code == result::kWriteFailed)) lineLost_ = true;
  }
  lastResult_.store(code);
  if (code != result::kOk) return false;
  if (withReply && record != nullptr) {
    record->replyCode = frame.Reply().code;
    record->replyWords = frame.Reply().Words();
  }
  // A complete exchange can still carry the ZEL's refusal of the command.
  if (withReply && frame.Reply().code != 0) return false;
  if (withReply) frame.Unpack();
  return true;
}

}  // namespace zel::link
