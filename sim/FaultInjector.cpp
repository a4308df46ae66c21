#include "sim/FaultInjector.h"

#include <utility>

namespace zel::sim {
namespace {

int AtLeastZero(int count) {
  return count > 0 ? count : 0;
}

// Consumes one occurrence of a counted fault.
bool TakeOne(int& count) {
  if (count <= 0) return false;
  --count;
  return true;
}

}  // namespace

void FaultInjector::SetNeverAnswer(bool on) {
  std::lock_guard lock(mutex_);
  Release(LineFault::kNeverAnswer);
  armed_.neverAnswer = on;
}

bool FaultInjector::NeverAnswer() const {
  std::lock_guard lock(mutex_);
  return armed_.neverAnswer;
}

void FaultInjector::SilenceOpcodes(int count) {
  std::lock_guard lock(mutex_);
  Release(LineFault::kNeverAnswer);
  armed_.silentOpcodes = AtLeastZero(count);
}

void FaultInjector::RejectOpcodes(int count) {
  std::lock_guard lock(mutex_);
  Release(LineFault::kRejectOpcode);
  armed_.opcodeRejects = AtLeastZero(count);
}

void FaultInjector::RejectChecksums(int count) {
  std::lock_guard lock(mutex_);
  Release(LineFault::kRejectChecksum);
  armed_.checksumRejects = AtLeastZero(count);
}

void FaultInjector::RefuseReplies(int count) {
  std::lock_guard lock(mutex_);
  Release(LineFault::kRefuseReply);
  armed_.replyRefusals = AtLeastZero(count);
}

void FaultInjector::CorruptNextReplyChecksum(int count) {
  std::lock_guard lock(mutex_);
  Release(LineFault::kCorruptReply);
  armed_.corruptReplies = AtLeastZero(count);
}

void FaultInjector::StopNextReplyAfter(std::size_t bytesAfterCode, int count) {
  std::lock_guard lock(mutex_);
  Release(LineFault::kStopReply);
  armed_.replyStops = AtLeastZero(count);
  armed_.stopAfter = bytesAfterCode;
}

void FaultInjector::SendNoiseBeforeNextAck(std::vector<uint8_t> noise, int count) {
  std::lock_guard lock(mutex_);
  Release(LineFault::kNoise);
  armed_.noiseBursts = noise.empty() ? 0 : AtLeastZero(count);
  armed_.noise = std::move(noise);
}

void FaultInjector::SendStrayAcks(int count) {
  std::lock_guard lock(mutex_);
  Release(LineFault::kStrayAck);
  armed_.strayAcks = AtLeastZero(count);
}

void FaultInjector::HangUpOnNextOpcode(int count) {
  std::lock_guard lock(mutex_);
  Release(LineFault::kHangUp);
  armed_.hangUps = AtLeastZero(count);
}

void FaultInjector::HoldBack(LineFault fault, uint64_t opcodes) {
  std::lock_guard lock(mutex_);
  showsFrom_[static_cast<std::size_t>(fault)] = opcodes == 0 ? 0 : opcodes_ + opcodes + 1;
}

void FaultInjector::ClearAll() {
  std::lock_guard lock(mutex_);
  armed_ = {};
  showsFrom_ = {};
}

ArmedFaults FaultInjector::Armed() const {
  std::lock_guard lock(mutex_);
  ArmedFaults armed = armed_;
  for (std::size_t i = 0; i < kLineFaultCount; ++i)
    armed.skips[i] = showsFrom_[i] > opcodes_ + 1 ? showsFrom_[i] - opcodes_ - 1 : 0;
  return armed;
}

void FaultInjector::OpcodeArrived() {
  std::lock_guard lock(mutex_);
  ++opcodes_;
}

uint64_t FaultInjector::Opcodes() const {
  std::lock_guard lock(mutex_);
  return opcodes_;
}

bool FaultInjector::Due(LineFault fault) const {
  return opcodes_ >= showsFrom_[static_cast<std::size_t>(fault)];
}

bool FaultInjector::TakeSilence() {
  std::lock_guard lock(mutex_);
  return Due(LineFault::kNeverAnswer) && (armed_.neverAnswer || TakeOne(armed_.silentOpcodes));
}

bool FaultInjector::TakeOpcodeReject() {
  std::lock_guard lock(mutex_);
  return Due(LineFault::kRejectOpcode) && TakeOne(armed_.opcodeRejects);
}

bool FaultInjector::TakeChecksumReject() {
  std::lock_guard lock(mutex_);
  return Due(LineFault::kRejectChecksum) && TakeOne(armed_.checksumRejects);
}

bool FaultInjector::TakeReplyRefusal() {
  std::lock_guard lock(mutex_);
  return Due(LineFault::kRefuseReply) && TakeOne(armed_.replyRefusals);
}

bool FaultInjector::TakeReplyCorruption() {
  std::lock_guard lock(mutex_);
  return Due(LineFault::kCorruptReply) && TakeOne(armed_.corruptReplies);
}

bool FaultInjector::TakeReplyStop(std::size_t& bytesAfterCode) {
  std::lock_guard lock(mutex_);
  if (!Due(LineFault::kStopReply) || !TakeOne(armed_.replyStops)) return false;
  bytesAfterCode = armed_.stopAfter;
  return true;
}

std::vector<uint8_t> FaultInjector::TakeNoise() {
  std::lock_guard lock(mutex_);
  if (!Due(LineFault::kNoise) || !TakeOne(armed_.noiseBursts)) return {};
  return armed_.noise;
}

bool FaultInjector::TakeStrayAck() {
  std::lock_guard lock(mutex_);
  return Due(LineFault::kStrayAck) && TakeOne(armed_.strayAcks);
}

bool FaultInjector::TakeHangUp() {
  std::lock_guard lock(mutex_);
  return Due(LineFault::kHangUp) && TakeOne(armed_.hangUps);
}

}  // namespace zel::sim
