#include "sim/BootLoader.h"

#include <algorithm>

#include "common/Crc16.h"

namespace zel::sim {
namespace {

constexpr uint8_t kAutobaud = 0x0D;
constexpr uint8_t kAutobaudAnswer = 0xAA;
constexpr uint8_t kReady = 'R';
constexpr uint8_t kWrong = 'X';
constexpr uint8_t kProtectionQuery = 'P';
constexpr uint16_t kFiller = 0x8B00;
constexpr int kMostFillers = 42;
constexpr uint16_t kTiBootAddress = 0xFE66;
constexpr uint16_t kFlashControlAddress = 0xFE90;
constexpr uint16_t kRoutineAddress = 0xFE00;
constexpr int kCodeBlocks = 256;
constexpr int kCodeBlockSize = 64;
// A loader that hears nothing for this long in the middle of a load forgets it: the tool has
// given up long before.
constexpr std::chrono::milliseconds kGapTimeout{2000};
// A handshake's own autobaud characters all come within this time of the answer (the tool sends
// one every 10 ms plus its per-byte time-out until it sees the answer).
constexpr std::chrono::milliseconds kHandshakeGap{500};

}  // namespace

BootLoader::BootLoader(BootFaults& faults) : faults_(faults), memory_(0x10000, 0xFFFF) {}

void BootLoader::EnterFromFirmware() {
  SetState(BootState::kLoader);
}

void BootLoader::SetState(BootState state) {
  std::lock_guard lock(mutex_);
  state_ = state;
}

BootState BootLoader::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

std::vector<uint16_t> BootLoader::Flash() const {
  std::lock_guard lock(mutex_);
  return {memory_.begin(), memory_.begin() + kFlashWords};
}

bool BootLoader::FirmwareIntact() const {
  std::lock_guard lock(mutex_);
  return intact_;
}

void BootLoader::PowerCycle() {
  std::lock_guard lock(mutex_);
  state_ = intact_ ? BootState::kFirmware : BootState::kLoader;
}

std::string BootLoader::StateName(BootState state) {
  switch (state) {
    case BootState::kFirmware:
      return "firmware";
    case BootState::kLoader:
      return "loader";
    case BootState::kConnected:
      return "connected";
    case BootState::kFlashControl:
      return "flash-control";
    case BootState::kSilent:
      return "silent";
  }
  return "";
}

bool BootLoader::Silence(BootPoint point) {
  if (!faults_.SilentAt(point)) return false;
  SetState(BootState::kSilent);
  return true;
}

void BootLoader::Answer(Line& line) {
  {
    std::lock_guard lock(mutex_);
    answeredAt_ = std::chrono::steady_clock::now();
  }
  line.send(kAutobaudAnswer);
}

std::chrono::steady_clock::time_point BootLoader::AnsweredAt() const {
  std::lock_guard lock(mutex_);
  return answeredAt_;
}

bool BootLoader::ReadEcho(Line& line, uint8_t& byte) {
  if (line.read(byte, kGapTimeout) != 1) return false;
  line.send(byte);
  return true;
}

bool BootLoader::ReadWordEcho(Line& line, uint16_t& word) {
  uint8_t low = 0;
  uint8_t high = 0;
  if (!ReadEcho(line, low) || !ReadEcho(line, high)) return false;
  word = static_cast<uint16_t>(low | (high << 8));
  return true;
}

std::string BootLoader::ProgramAt(uint16_t address, uint16_t& entry) const {
  std::lock_guard lock(mutex_);
  entry = address;
  for (int i = 0; i < kMostFillers && memory_[entry] == kFiller; ++i) ++entry;
  std::string name;
  for (int i = 0; i < 4; ++i) {
    const uint16_t word = memory_[static_cast<uint16_t>(entry + i)];
    for (uint8_t c : {static_cast<uint8_t>(word & 0xFF), static_cast<uint8_t>(word >> 8)}) {
      if (c == 0 || c < 0x20 || c > 0x7E) return name;
      name += static_cast<char>(c);
    }
  }
  return name;
}

void BootLoader::Serve(uint8_t first, Line& line) {
  switch (State()) {
    case BootState::kFirmware:
    case BootState::kSilent:
      return;
    case BootState::kLoader:
      // Anything but the autobaud character is noise to a loader that has not locked on.
      if (first != kAutobaud || Silence(BootPoint::kConnect)) return;
      Answer(line);
      SetState(BootState::kConnected);
      return;
    case BootState::kConnected:
      if (first == kAutobaud) {
        // The autobaud characters the tool sent before it saw the answer come right after it;
        // one that comes later starts a new handshake, which the locked loader answers again.
        const auto now = std::chrono::steady_clock::now();
        if (now - AnsweredAt() < kHandshakeGap) return;
        Answer(line);
        return;
      }
      ServeLoad(first, line, true);
      return;
    case BootState::kFlashControl:
      if (first == kProtectionQuery) {
        if (Silence(BootPoint::kProtect)) return;
        line.send(faults_.TakeProtected() ? 0x00 : kReady);
        return;
      }
      ServeLoad(first, line, false);
      return;
  }
}

void BootLoader::ServeLoad(uint8_t first, Line& line, bool fromLoader) {
  line.send(first);
  uint8_t high = 0;
  uint16_t count = 0;
  if (!ReadEcho(line, high) || !ReadWordEcho(line, count)) return;
  const auto destination = static_cast<uint16_t>(first | (high << 8));
  std::vector<uint16_t> words(static_cast<std::size_t>(count) + 1);
  for (uint16_t& word : words)
    if (!ReadWordEcho(line, word)) return;
  {
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < words.size(); ++i)
      memory_[static_cast<uint16_t>(destination + i)] = words[i];
  }
  uint16_t entry = 0;
  const std::string name = ProgramAt(destination, entry);
  // Each program is linked for one address; anywhere else it runs into the weeds and the
  // processor hangs.
  const uint16_t linkedAt = name == "TIBoot"     ? kTiBootAddress
                            : name == "FlshCtrl" ? kFlashControlAddress
                                                 : kRoutineAddress;
  if (entry != linkedAt) {
    SetState(BootState::kSilent);
    return;
  }
  if (fromLoader) {
    if (name == "TIBoot") {
      if (!Silence(BootPoint::kTiBoot)) line.send(kReady);
    } else if (name == "FlshCtrl") {
      SetState(BootState::kFlashControl);
    }
    return;
  }
  RunRoutine(name, line);
}

void BootLoader::RunRoutine(const std::string& name, Line& line) {
  if (name == "fl_clr") {
    if (Silence(BootPoint::kClear)) return;
    {
      std::lock_guard lock(mutex_);
      std::fill(memory_.begin(), memory_.begin() + kFlashWords, 0x0000);
      intact_ = false;
    }
    line.send(0);
  } else if (name == "fl_ers") {
    if (Silence(BootPoint::kErase)) return;
    uint8_t status = 0;
    if (!faults_.TakeEraseStatus(status)) {
      std::lock_guard lock(mutex_);
      std::fill(memory_.begin(), memory_.begin() + kFlashWords, 0xFFFF);
    }
    line.send(status);
  } else if (name == "fl_wrt") {
    if (Silence(BootPoint::kWrite)) return;
    line.send(0);
  } else if (name == "fl_prg") {
    ServeCode(line);
  } else if (name == "FlshChk") {
    if (Silence(BootPoint::kCheck)) return;
    std::vector<uint16_t> flash = Flash();
    uint16_t crc = 0;
    for (std::size_t i = 0; i + 1 < kFlashWords; ++i) {
      // The check sums each word most significant bit first.
      for (uint8_t byte : {static_cast<uint8_t>(flash[i] >> 8), static_cast<uint8_t>(flash[i])})
        crc = common::Crc16::Update(crc, byte);
    }
    const bool good = crc == flash[kFlashWords - 1] && !faults_.TakeCheckFailure();
    if (!good) {
      line.send(kWrong);
      return;
    }
    std::array<uint16_t, 4> identity{};
    for (std::size_t i = 0; i < identity.size(); ++i) identity[i] = flash[kIdentityAddress + i];
    {
      std::lock_guard lock(mutex_);
      intact_ = true;
      state_ = BootState::kFirmware;
    }
    line.send(kReady);
    if (started_) started_(identity);
  }
}

void BootLoader::ServeCode(Line& line) {
  for (int block = 0; block < kCodeBlocks; ++block) {
    if (faults_.TakeHangUp(block)) {
      line.hangUp();
      return;
    }
    if (block == 0 && Silence(BootPoint::kCode)) return;
    line.send(kReady);
    uint8_t bytes[kCodeBlockSize];
    for (uint8_t& byte : bytes)
      if (!ReadEcho(line, byte)) return;
    std::lock_guard lock(mutex_);
    for (int i = 0; i < kCodeBlockSize; i += 2)
      memory_[static_cast<std::size_t>(block * kCodeBlockSize + i) / 2] =
          static_cast<uint16_t>(bytes[i] | (bytes[i + 1] << 8));
  }
  if (Silence(BootPoint::kWritten)) return;
  line.send(0);
}

}  // namespace zel::sim
