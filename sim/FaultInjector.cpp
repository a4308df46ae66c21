#include "sim/FaultInjector.h"

#include <utility>

namespace zel::sim {

void FaultInjector::SetNeverAnswer(bool on) {
  std::lock_guard lock(mutex_);
  neverAnswer_ = on;
}

bool FaultInjector::NeverAnswer() const {
  std::lock_guard lock(mutex_);
  return neverAnswer_;
}

void FaultInjector::RejectOpcodes(int count) {
  std::lock_guard lock(mutex_);
  opcodeRejects_ = count > 0 ? count : 0;
}

void FaultInjector::RejectChecksums(int count) {
  std::lock_guard lock(mutex_);
  checksumRejects_ = count > 0 ? count : 0;
}

void FaultInjector::CorruptNextReplyChecksum() {
  std::lock_guard lock(mutex_);
  corruptReply_ = true;
}

void FaultInjector::StopNextReplyAfter(std::size_t bytesAfterCode) {
  std::lock_guard lock(mutex_);
  stopReply_ = true;
  stopAfter_ = bytesAfterCode;
}

void FaultInjector::SendNoiseBeforeNextAck(std::vector<uint8_t> noise) {
  std::lock_guard lock(mutex_);
  noise_ = std::move(noise);
}

void FaultInjector::HangUpOnNextOpcode() {
  std::lock_guard lock(mutex_);
  hangUp_ = true;
}

void FaultInjector::ClearAll() {
  std::lock_guard lock(mutex_);
  neverAnswer_ = false;
  opcodeRejects_ = 0;
  checksumRejects_ = 0;
  corruptReply_ = false;
  stopReply_ = false;
  stopAfter_ = 0;
  noise_.clear();
  hangUp_ = false;
}

bool FaultInjector::TakeOpcodeReject() {
  std::lock_guard lock(mutex_);
  if (opcodeRejects_ == 0) return false;
  --opcodeRejects_;
  return true;
}

bool FaultInjector::TakeChecksumReject() {
  std::lock_guard lock(mutex_);
  if (checksumRejects_ == 0) return false;
  --checksumRejects_;
  return true;
}

bool FaultInjector::TakeReplyCorruption() {
  std::lock_guard lock(mutex_);
  return std::exchange(corruptReply_, false);
}

bool FaultInjector::TakeReplyStop(std::size_t& bytesAfterCode) {
  std::lock_guard lock(mutex_);
  if (!stopReply_) return false;
  stopReply_ = false;
  bytesAfterCode = stopAfter_;
  return true;
}

std::vector<uint8_t> FaultInjector::TakeNoise() {
  std::lock_guard lock(mutex_);
  return std::exchange(noise_, {});
}

bool FaultInjector::TakeHangUp() {
  std::lock_guard lock(mutex_);
  return std::exchange(hangUp_, false);
}

}  // namespace zel::sim
