#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/BootFaults.h"
#include "sim/BootLoader.h"
#include "sim/CanBus.h"
#include "sim/DeviceModel.h"
#include "sim/FaultInjector.h"
#include "sim/UsbAdapter.h"
#include "sim/WakeEvent.h"

namespace zel::sim {

class PseudoTerminal;

struct SimulatorOptions {
  // Where the pseudo-terminal's slave is linked (a symbolic link). A stale link there is
  // replaced; a regular file is never overwritten.
  std::string linkPath;
  // The device answers only when the tool's terminal is set to this rate.
  uint32_t baud = 38400;
  // Send each byte no earlier than 10 bits at `baud` after the previous one.
  bool paced = false;
  DeviceConfig device;
  // The modules on the CAN bus behind the device, and the bit-rate index the device's own CAN
  // controller starts at (-1: its parameters' defaults).
  std::vector<CanModuleConfig> modules;
  int canBitRateIndex = -1;
  // Log every frame to stderr.
  bool verbose = false;
  // The device clock follows the wall clock. Tests clear this and drive Device().Advance().
  bool realTimeModel = true;
  // Longest gap inside a command frame before the device gives up on it and waits for a new
  // opcode.
  std::chrono::milliseconds interByteTimeout{200};
  // How long the device waits for the tool's 'O' after the reply code, and for its 'O'/'F'
  // after the reply frame.
  std::chrono::milliseconds ackTimeout{1000};
  // What the processor runs at power-on: its firmware, or a serial loader (a ZEL without
  // working firmware, or one whose boot loader was started over JTAG).
  BootState bootState = BootState::kFirmware;
  // The tool's end sits behind a full-speed USB adapter with this latency timer: what the device
  // sends reaches the tool in bursts, every so many milliseconds or as soon as 62 bytes have
  // gathered. 0: each byte is handed over as it is sent.
  std::chrono::milliseconds adapterLatency{0};
};

struct SimulatorStats {
  uint64_t framesAccepted = 0;  // command frames answered 'O'
  uint64_t framesRejected = 0;  // opcodes or frames answered 'F'
  uint64_t bytesDropped = 0;    // bytes that arrived at another baud rate than the device's
  uint64_t repliesAcked = 0;    // reply frames the tool answered with 'O'
  uint64_t repliesRefused = 0;  // reply frames the tool answered with 'F'
  uint64_t hangUps = 0;
  // Behind an adapter (adapterLatency): the bursts it handed to the tool, those of them that
  // went because 62 bytes had gathered, and the bytes in all of them.
  uint64_t adapterBursts = 0;
  uint64_t adapterFullBursts = 0;
  uint64_t adapterBytes = 0;
};

// A simulated ZEL serving the device side of the frame protocol on a pseudo-terminal.
//
// Lifetime: Start opens the terminal pair, links it and starts one serving thread; Stop (or the
// destructor) wakes that thread, joins it, closes the pair and removes the link. Stop never
// blocks on the line. Device() and Faults() may be used from any thread while serving.
class Simulator {
 public:
  explicit Simulator(SimulatorOptions options);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  bool Start(std::string* error = nullptr);
  void Stop();
  bool Running() const;

  std::string LinkPath() const;
  uint32_t Baud() const { return options_.baud; }
  DeviceModel& Device() { return device_; }
  CanBus& Bus() { return bus_; }
  FaultInjector& Faults() { return faults_; }
  BootLoader& Boot() { return boot_; }
  BootFaults& BootFaultsArmed() { return bootFaults_; }
  SimulatorStats Stats() const;
  // Closes the line at once, as a pulled cable would, and links a fresh one at the same path.
  // Any thread; the serving thread does the work. False when the simulator is not serving.
  bool RequestHangUp();

 private:
  enum class Wait { kByte, kTimeout, kStop, kHangUp };

  void Serve();
  void ServeOneFrame(uint8_t opcode);
  void ServeBoot(uint8_t first);
  bool SendReply(const CommandResult& result);
  Wait ReadByte(uint8_t& byte, std::chrono::milliseconds timeout);
  Wait ReadByteUntil(uint8_t& byte, std::chrono::steady_clock::time_point deadline, bool forever);
  void Send(const uint8_t* bytes, std::size_t count);
  std::chrono::nanoseconds ByteTime() const;
  void SendByte(uint8_t byte) { Send(&byte, 1); }
  void HangUp();
  void CatchUpModel();
  // Holds the reply back until the recorder has filled its buffer in real time.
  void AwaitRecording(std::chrono::steady_clock::time_point started,
                      std::chrono::microseconds recorded);
  void Count(uint64_t SimulatorStats::*counter);
  void Log(const std::string& text) const;

  SimulatorOptions options_;
  DeviceModel device_;
  CanBus bus_;
  FaultInjector faults_;
  BootFaults bootFaults_;
  BootLoader boot_{bootFaults_};
  std::unique_ptr<PseudoTerminal> terminal_;
  std::unique_ptr<UsbAdapter> adapter_;
  std::thread thread_;
  WakeEvent wake_;
  std::atomic<bool> running_{false};
  std::atomic<bool> hangUpRequested_{false};
  mutable std::mutex statsMutex_;
  SimulatorStats stats_;
  std::chrono::steady_clock::time_point modelClock_;
  std::chrono::steady_clock::time_point nextSendSlot_;
  // When paced: the moment the last byte from the tool has fully arrived on the modelled line.
  std::chrono::steady_clock::time_point receiveSlot_;
  // What one read took off the pseudo-terminal, and when; served a byte at a time.
  std::array<uint8_t, 256> inbox_{};
  std::size_t inboxNext_ = 0;
  std::size_t inboxSize_ = 0;
  std::chrono::steady_clock::time_point inboxArrival_;
};

}  // namespace zel::sim
