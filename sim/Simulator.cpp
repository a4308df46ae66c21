#include "sim/Simulator.h"

#include <poll.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "common/Crc16.h"
#include "sim/PseudoTerminal.h"

namespace zel::sim {
namespace {

constexpr uint8_t kAccept = 'O';
constexpr uint8_t kReject = 'F';
// The command byte that sends the firmware into its boot loader; it travels as a frame but is
// no command of the firmware's set.
constexpr uint8_t kBootCommand = 0x49;
// How late the serving thread may wake up without the paced line model counting it.
constexpr std::chrono::microseconds kWakeUpAllowance{500};

// The frame checksum runs over opcode (or reply code), L, and each data word high byte first,
// although the words travel low byte first.
uint16_t FrameChecksum(uint8_t code, uint8_t length, const std::vector<uint16_t>& words) {
  std::vector<uint8_t> bytes;
  bytes.reserve(2 + 2 * words.size());
  bytes.push_back(code);
  bytes.push_back(length);
  for (uint16_t word : words) {
    bytes.push_back(static_cast<uint8_t>(word >> 8));
    bytes.push_back(static_cast<uint8_t>(word & 0xFF));
  }
  return common::Crc16::Compute(bytes);
}

timespec ToTimespec(std::chrono::steady_clock::time_point point) {
  auto since = point.time_since_epoch();
  auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
  auto nanos = std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds);
  return timespec{static_cast<time_t>(seconds.count()), static_cast<long>(nanos.count())};
}

std::string Hex(const std::vector<uint16_t>& words) {
  std::string text;
  char buffer[8];
  for (uint16_t word : words) {
    std::snprintf(buffer, sizeof buffer, " %04X", word);
    text += buffer;
  }
  return text;
}

}  // namespace

Simulator::Simulator(SimulatorOptions options)
    : options_(std::move(options)), device_(options_.device) {
  for (const CanModuleConfig& module : options_.modules) bus_.AddModule(module);
  if (options_.canBitRateIndex >= 0) {
    uint16_t bcr1 = 0;
    uint16_t bcr2 = 0;
    CanBus::BitRateRegisters(options_.canBitRateIndex, bcr1, bcr2);
    device_.SetCanAddress(device_.CanModuleId(), bcr1, bcr2);
  }
  device_.AttachBus(&bus_);
  boot_.SetState(options_.bootState);
  // The new firmware answers with the identity it carries; an image without one (erased
  // words) leaves the old identity.
  boot_.OnFirmwareStarted([this](const std::array<uint16_t, 4>& words) {
    if (words[0] == 0xFFFF && words[1] == 0xFFFF) return;
    device_.SetIdentity({words[0], words[1], words[2], words[3]});
  });
}

Simulator::~Simulator() {
  Stop();
}

bool Simulator::Start(std::string* error) {
  if (running_) {
    if (error != nullptr) *error = "already running";
    return false;
  }
  if (options_.baud == 0) {
    if (error != nullptr) *error = "baud rate must not be 0";
    return false;
  }
  auto terminal = std::make_unique<PseudoTerminal>();
  if (!terminal->Open(options_.linkPath, options_.baud, error)) return false;
  if (!wake_.Open()) {
    if (error != nullptr) *error = "eventfd failed";
    terminal->RemoveLink();
    return false;
  }
  terminal_ = std::move(terminal);
  modelClock_ = std::chrono::steady_clock::now();
  nextSendSlot_ = modelClock_;
  receiveSlot_ = modelClock_;
  inboxNext_ = inboxSize_ = 0;
  if (options_.adapterLatency.count() > 0) {
    adapter_ = std::make_unique<UsbAdapter>(options_.adapterLatency);
    adapter_->Start(terminal_->MasterFd());
  }
  running_ = true;
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void Simulator::Stop() {
  if (!thread_.joinable()) return;
  running_ = false;
  wake_.Signal();
  thread_.join();
  if (adapter_) adapter_->Stop();
  terminal_->Close();
  terminal_->RemoveLink();
  wake_.Close();
}

bool Simulator::Running() const {
  return running_;
}

std::string Simulator::LinkPath() const {
  return options_.linkPath;
}

bool Simulator::RequestHangUp() {
  if (!running_) return false;
  hangUpRequested_ = true;
  wake_.Signal();
  return true;
}

SimulatorStats Simulator::Stats() const {
  SimulatorStats stats;
  {
    std::lock_guard lock(statsMutex_);
    stats = stats_;
  }
  if (adapter_) {
    const UsbAdapter::Counters counters = adapter_->Count();
    stats.adapterBursts = counters.bursts;
    stats.adapterFullBursts = counters.fullBursts;
    stats.adapterBytes = counters.bytes;
  }
  return stats;
}

void Simulator::Count(uint64_t SimulatorStats::*counter) {
  std::lock_guard lock(statsMutex_);
  ++(stats_.*counter);
}

void Simulator::Log(const std::string& text) const {
  if (options_.verbose) std::fprintf(stderr, "zelsim: %s\n", text.c_str());
}

void Simulator::CatchUpModel() {
  if (!options_.realTimeModel) return;
  auto now = std::chrono::steady_clock::now();
  const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - modelClock_);
  device_.Advance(elapsed);
  bus_.Advance(elapsed);
  modelClock_ = now;
}

Simulator::Wait Simulator::ReadByte(uint8_t& byte, std::chrono::milliseconds timeout) {
  return ReadByteUntil(byte, std::chrono::steady_clock::now() + timeout, false);
}

Simulator::Wait Simulator::ReadByteUntil(uint8_t& byte,
                                         std::chrono::steady_clock::time_point deadline,
                                         bool forever) {
  while (running_) {
    // A requested hang-up ends whatever the device was doing, even with bytes still to serve.
    if (hangUpRequested_) return Wait::kHangUp;
    if (inboxNext_ < inboxSize_) {
      byte = inbox_[inboxNext_++];
      if (options_.paced) {
        // The pseudo-terminal hands over the tool's bytes at once; a UART has a byte only when
        // its stop bit is in. Bytes that came in one read were on the line back to back, so they
        // follow each other's slots, and none starts before it was seen: the device never reacts
        // earlier than the line allows.
        receiveSlot_ = std::max(receiveSlot_, inboxArrival_) + ByteTime();
        timespec at = ToTimespec(receiveSlot_);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
        }
      }
      return Wait::kByte;
    }
    int timeoutMs = -1;
    if (!forever) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() < 0) return Wait::kTimeout;
      timeoutMs = static_cast<int>(left.count()) + 1;
    }
    pollfd fds[2] = {{terminal_->MasterFd(), POLLIN, 0}, {wake_.Fd(), POLLIN, 0}};
    int ready = poll(fds, 2, timeoutMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return Wait::kHangUp;
    }
    if (fds[1].revents != 0) {
      wake_.Drain();
      continue;  // the loop's conditions say whether to stop or to hang up
    }
    if (ready == 0) continue;  // the deadline check above ends the wait
    if ((fds[0].revents & POLLIN) == 0) {
      if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return Wait::kHangUp;
      continue;
    }
    ssize_t count = read(terminal_->MasterFd(), inbox_.data(), inbox_.size());
    if (count < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (count <= 0) return Wait::kHangUp;
    inboxArrival_ = std::chrono::steady_clock::now();
    // A UART set to another rate than the sender's sees only garbage: the bytes are lost.
    if (terminal_->LineBaud() != options_.baud) {
      for (ssize_t i = 0; i < count; ++i) Count(&SimulatorStats::bytesDropped);
      continue;
    }
    inboxNext_ = 0;
    inboxSize_ = static_cast<std::size_t>(count);
  }
  return Wait::kStop;
}

std::chrono::nanoseconds Simulator::ByteTime() const {
  // One start bit, eight data bits, one stop bit.
  return std::chrono::nanoseconds(10'000'000'000LL / options_.baud);
}

void Simulator::Send(const uint8_t* bytes, std::size_t count) {
  using Clock = std::chrono::steady_clock;
  if (adapter_ && !options_.paced) {
    // Written at once, the bytes reach the adapter back to back, as a UART's would.
    if (running_ && !hangUpRequested_) adapter_->Put(bytes, count);
    return;
  }
  for (std::size_t i = 0; i < count && running_ && !hangUpRequested_; ++i) {
    if (options_.paced) {
      // An absolute schedule, so the line rate holds over a whole burst without drifting and a
      // late wake-up does not stretch it; each byte is handed over when its stop bit would have
      // left the line, the first one too. That one starts when the device could first send: not
      // before the byte it reacts to was in, and not before now, less the serving thread's own
      // wake-up delay, which a UART does not have (an echo per byte would otherwise pay it 64
      // times a block).
      if (i == 0) {
        const auto earliest = std::max(receiveSlot_, Clock::now() - kWakeUpAllowance);
        nextSendSlot_ = std::max(nextSendSlot_, earliest);
      }
      nextSendSlot_ += ByteTime();
      timespec at = ToTimespec(nextSendSlot_);
      while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
      }
    }
    if (adapter_) {
      adapter_->Put(bytes + i, 1);
      continue;
    }
    // The master is non-blocking; a tool that never reads must not stall the device forever.
    auto giveUp = Clock::now() + std::chrono::milliseconds(500);
    while (running_ && !hangUpRequested_) {
      ssize_t written = write(terminal_->MasterFd(), bytes + i, 1);
      if (written == 1) break;
      if (written < 0 && errno != EAGAIN && errno != EINTR) return;
      if (Clock::now() > giveUp) return;
      pollfd fds[2] = {{terminal_->MasterFd(), POLLOUT, 0}, {wake_.Fd(), POLLIN, 0}};
      poll(fds, 2, 10);
    }
  }
}

void Simulator::HangUp() {
  Log("hanging up");
  Count(&SimulatorStats::hangUps);
  // The fresh pair is linked before the old one closes, so a tool that reacts to the hang-up by
  // opening the path again already finds the new line.
  auto fresh = std::make_unique<PseudoTerminal>();
  std::string error;
  bool reopened = fresh->Open(options_.linkPath, options_.baud, &error);
  // The adapter loses what it gathered with the old line, and never writes to a closed one.
  if (adapter_) adapter_->SetLine(-1);
  terminal_->Close();
  // Whatever the old line had delivered and the device had not yet taken went with it; served
  // on the fresh line it would be taken for the next tool's opcode.
  inboxNext_ = inboxSize_ = 0;
  if (!reopened) {
    std::fprintf(stderr, "zelsim: cannot reopen the line after a hang-up: %s\n", error.c_str());
    running_ = false;
    return;
  }
  terminal_ = std::move(fresh);
  if (adapter_) adapter_->SetLine(terminal_->MasterFd());
}

void Simulator::Serve() {
  // The kernel may wake a sleeping thread up to 50 us late by default; a paced line model wants
  // its byte slots kept to the microsecond.
  if (options_.paced) prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  while (running_) {
    uint8_t opcode = 0;
    Wait wait = ReadByteUntil(opcode, {}, true);
    if (wait == Wait::kStop) break;
    if (wait == Wait::kHangUp) {
      hangUpRequested_ = false;
      HangUp();
      continue;
    }
    if (wait != Wait::kByte) continue;
    if (boot_.Active()) {
      ServeBoot(opcode);
      continue;
    }
    faults_.OpcodeArrived();
    if (faults_.TakeSilence()) continue;
    if (faults_.TakeHangUp()) {
      HangUp();
      continue;
    }
    ServeOneFrame(opcode);
  }
}

void Simulator::ServeBoot(uint8_t first) {
  bool hangUp = false;
  BootLoader::Line line;
  line.read = [&](uint8_t& byte, std::chrono::milliseconds timeout) {
    switch (ReadByte(byte, timeout)) {
      case Wait::kByte:
        return 1;
      case Wait::kTimeout:
        return 0;
      case Wait::kHangUp:
        hangUp = true;
        return -1;
      case Wait::kStop:
        break;
    }
    return -1;
  };
  line.send = [this](uint8_t byte) { SendByte(byte); };
  line.hangUp = [&] { hangUp = true; };
  boot_.Serve(first, line);
  if (hangUp) {
    hangUpRequested_ = false;
    HangUp();
  }
}

void Simulator::ServeOneFrame(uint8_t opcode) {
  // The firmware's boot code, when asked to hang at the boot command, never answers it.
  if (opcode == kBootCommand && bootFaults_.SilentAt(BootPoint::kEnter)) return;
  std::vector<uint8_t> noise = faults_.TakeNoise();
  if (!noise.empty()) Send(noise.data(), noise.size());
  // A stray acknowledge: one 'O' more than the device means, right before its own answer to the
  // opcode. The device carries on as it always does, because it cannot know: it answers the
  // opcode, takes the next bytes as L, data and checksum and judges them.
  // A tool that reads one answer byte per step is one byte behind from here on. It takes the
  // stray 'O' for the opcode's acknowledge and sends the rest of the frame at once, which the
  // device expects anyway; then it takes the device's answer to the opcode for the answer to the
  // frame, so it believes a frame accepted that the device may still refuse. The device's real
  // verdict is then still on the line: left unread after a command without a reply, or taken
  // for the reply code of one with a reply, whose frame the tool then reads a byte late.
  // When the device refused the opcode ('F' after the stray 'O'), it waits for a new opcode and
  // takes the tool's L for one.
  // A tool that sees the second byte before sending the rest of the frame and sends its opcode
  // again at once lands inside the frame the device is collecting: the device forgets that frame
  // only after a gap of `interByteTimeout`, and only then takes an opcode again.
  if (faults_.TakeStrayAck()) {
    Log("stray acknowledge before opcode " + std::to_string(opcode) + "'s answer");
    SendByte(kAccept);
  }
  if (faults_.TakeOpcodeReject()) {
    Log("opcode " + std::to_string(opcode) + " rejected on request");
    Count(&SimulatorStats::framesRejected);
    SendByte(kReject);
    return;
  }
  SendByte(kAccept);

  // The rest of the frame must follow without a long gap; after one the device forgets the
  // frame and treats the next byte as an opcode again.
  uint8_t length = 0;
  if (ReadByte(length, options_.interByteTimeout) != Wait::kByte) return;
  std::vector<uint16_t> words(static_cast<std::size_t>(length) + 1);
  for (uint16_t& word : words) {
    uint8_t low = 0;
    uint8_t high = 0;
    if (ReadByte(low, options_.interByteTimeout) != Wait::kByte) return;
    if (ReadByte(high, options_.interByteTimeout) != Wait::kByte) return;
    word = static_cast<uint16_t>(low | (high << 8));
  }
  uint8_t crcLow = 0;
  uint8_t crcHigh = 0;
  if (ReadByte(crcLow, options_.interByteTimeout) != Wait::kByte) return;
  if (ReadByte(crcHigh, options_.interByteTimeout) != Wait::kByte) return;
  uint16_t received = static_cast<uint16_t>(crcLow | (crcHigh << 8));
  uint16_t expected = FrameChecksum(opcode, length, words);
  bool forcedReject = received == expected && faults_.TakeChecksumReject();
  if (received != expected || forcedReject) {
    Log("frame " + std::to_string(opcode) +
        (forcedReject ? " rejected on request" : " bad checksum"));
    Count(&SimulatorStats::framesRejected);
    SendByte(kReject);
    return;
  }
  if (opcode == kBootCommand) {
    // The firmware hands the processor to its boot code once the frame is confirmed.
    Count(&SimulatorStats::framesAccepted);
    SendByte(kAccept);
    Log("boot command: the boot loader takes over");
    boot_.EnterFromFirmware();
    return;
  }
  // The command takes effect before its acceptance goes out: whoever saw the 'O' may rely on it,
  // whether that is the next command or a test looking at the model.
  CatchUpModel();
  CommandResult result;
  const auto started = std::chrono::steady_clock::now();
  const auto deviceBefore = device_.Now();
  if (DeviceModel::HasReply(opcode) && faults_.TakeReplyRefusal()) {
    Log("opcode " + std::to_string(opcode) + " refused in its reply on request");
    result = {true, DeviceModel::kReplyRejected, {0}};
  } else {
    result = device_.Execute(opcode, words);
  }
  Count(&SimulatorStats::framesAccepted);
  SendByte(kAccept);
  if (opcode == DeviceModel::kOpReadRecordedData && result.replyCode == DeviceModel::kReplyOk)
    AwaitRecording(started, device_.Now() - deviceBefore);
  Log("opcode " + std::to_string(opcode) + " words" + Hex(words) +
      (result.hasReply
           ? " -> code " + std::to_string(result.replyCode) + " words" + Hex(result.words)
           : ""));
  if (result.hasReply) SendReply(result);
}

void Simulator::AwaitRecording(std::chrono::steady_clock::time_point started,
                               std::chrono::microseconds recorded) {
  // The ZEL samples its 256 words at the period before it answers, 25.6 ms per tenth of a
  // millisecond; the model has already run through the recording, so the wall clock it follows
  // takes that time as spent.
  const auto until = started + std::chrono::microseconds(device_.RecorderPeriod() * 25600LL);
  if (options_.realTimeModel) modelClock_ = started + recorded;
  while (running_ && !hangUpRequested_) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    if (left.count() < 0) break;
    // Busy recording: what the tool sends meanwhile waits in the line's buffer.
    pollfd wake = {wake_.Fd(), POLLIN, 0};
    if (poll(&wake, 1, static_cast<int>(left.count()) + 1) > 0) wake_.Drain();
  }
}

bool Simulator::SendReply(const CommandResult& result) {
  std::vector<uint16_t> words = result.words;
  if (words.empty()) words.push_back(0);
  if (words.size() > 256) words.resize(256);
  auto length = static_cast<uint8_t>(words.size() - 1);

  SendByte(result.replyCode);
  uint8_t answer = 0;
  if (ReadByte(answer, options_.ackTimeout) != Wait::kByte || answer != kAccept) {
    Log("no 'O' for the reply code; reply dropped");
    return false;
  }
  uint16_t checksum = FrameChecksum(result.replyCode, length, words);
  if (faults_.TakeReplyCorruption()) checksum ^= 0x5A5A;
  std::vector<uint8_t> bytes;
  bytes.reserve(3 + 2 * words.size());
  bytes.push_back(length);
  for (uint16_t word : words) {
    bytes.push_back(static_cast<uint8_t>(word & 0xFF));
    bytes.push_back(static_cast<uint8_t>(word >> 8));
  }
  bytes.push_back(static_cast<uint8_t>(checksum & 0xFF));
  bytes.push_back(static_cast<uint8_t>(checksum >> 8));
  std::size_t stopAfter = 0;
  if (faults_.TakeReplyStop(stopAfter)) {
    Send(bytes.data(), std::min(stopAfter, bytes.size()));
    Log("reply stopped on request");
    return false;
  }
  Send(bytes.data(), bytes.size());
  if (ReadByte(answer, options_.ackTimeout) != Wait::kByte) return false;
  if (answer == kAccept) Count(&SimulatorStats::repliesAcked);
  if (answer == kReject) Count(&SimulatorStats::repliesRefused);
  return answer == kAccept;
}

}  // namespace zel::sim
