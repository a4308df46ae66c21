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
  armed_.neverAnswer = on;
}

bool FaultInjector::NeverAnswer() const {
  std::lock_guard lock(mutex_);
  return armed_.neverAnswer;
}

void FaultInjector::SilenceOpcodes(int count) {
  std::lock_guard lock(mutex_);
  armed_.silentOpcodes = AtLeastZero(count);
}

void FaultInjector::RejectOpcodes(int count) {
  std::lock_guard lock(mutex_);
  armed_.opcodeRejects = AtLeastZero(count);
}

void FaultInjector::RejectChecksums(int count) {
  std::lock_guard lock(mutex_);
  armed_.checksumRejects = AtLeastZero(count);
}

void FaultInjector::RefuseReplies(int count) {
  std::lock_guard lock(mutex_);
  armed_.replyRefusals = AtLeastZero(count);
}

void FaultInjector::CorruptNextReplyChecksum(int count) {
  std::lock_guard lock(mutex_);
  armed_.corruptReplies = AtLeastZero(count);
}

void FaultInjector::StopNextReplyAfter(std::size_t bytesAfterCode, int count) {
  std::lock_guard lock(mutex_);
  armed_.replyStops = AtLeastZero(count);
  armed_.stopAfter = bytesAfterCode;
}

void FaultInjector::SendNoiseBeforeNextAck(std::vector<uint8_t> noise, int count) {
  std::lock_guard lock(mutex_);
  armed_.noiseBursts = noise.empty() ? 0 : AtLeastZero(count);
  armed_.noise = std::move(noise);
}

void FaultInjector::SendStrayAcks(int count) {
  std::lock_guard lock(mutex_);
  armed_.strayAcks = AtLeastZero(count);
}

void FaultInjector::HangUpOnNextOpcode(int count) {
  std::lock_guard lock(mutex_);
  armed_.hangUps = AtLeastZero(count);
}

void FaultInjector::ClearAll() {
  std::lock_guard lock(mutex_);
  armed_ = {};
}

ArmedFaults FaultInjector::Armed() const {
  std::lock_guard lock(mutex_);
  return armed_;
}

bool FaultInjector::TakeSilence() {
  std::lock_guard lock(mutex_);
  return armed_.neverAnswer || TakeOne(armed_.silentOpcodes);
}

bool FaultInjector::TakeOpcodeReject() {
  std::lock_guard lock(mutex_);
  return TakeOne(armed_.opcodeRejects);
}

bool FaultInjector::TakeChecksumReject() {
  std::lock_guard lock(mutex_);
  return TakeOne(armed_.checksumRejects);
}

bool FaultInjector::TakeReplyRefusal() {
  std::lock_guard lock(mutex_);
  return TakeOne(armed_.replyRefusals);
}

bool FaultInjector::TakeReplyCorruption() {
  std::lock_guard lock(mutex_);
  return TakeOne(armed_.corruptReplies);
}

bool FaultInjector::TakeReplyStop(std::size_t& bytesAfterCode) {
  std::lock_guard lock(mutex_);
  if (!TakeOne(armed_.replyStops)) return false;
  bytesAfterCode = armed_.stopAfter;
  return true;
}

std::vector<uint8_t> FaultInjector::TakeNoise() {
  std::lock_guard lock(mutex_);
  if (!TakeOne(armed_.noiseBursts)) return {};
  return armed_.noise;
}

bool FaultInjector::TakeStrayAck() {
  std::lock_guard lock(mutex_);
  return TakeOne(armed_.strayAcks);
}

bool FaultInjector::TakeHangUp() {
  std::lock_guard lock(mutex_);
  return TakeOne(armed_.hangUps);
}

}  // namespace zel::sim
