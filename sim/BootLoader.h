#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/BootFaults.h"

namespace zel::sim {

// What the processor runs when it is not running its firmware.
enum class BootState {
  kFirmware,      // the frame protocol (served by the simulator)
  kLoader,        // a serial loader waiting for the autobaud character (ROM, JTAG or boot code)
  kConnected,     // a loader that has answered the autobaud and takes program loads
  kFlashControl,  // the flash control program, waiting for 'P' or a routine
  kSilent,        // hung: takes every byte and answers none
};

// The device's boot side: the serial loaders, the flash control program and the flash they
// write. Loads are echoed byte by byte and land in program memory at their destination; what a
// loaded program is, the device tells from the name its first words spell (two characters a
// word, low byte first, after any 0x8B00 filler words), as the programs of the sample package
// carry it, and must sit where it is linked (0xFE66, 0xFE90, 0xFE00; elsewhere the processor
// hangs): "TIBoot" is a loader that answers 'R' once it runs, "FlshCtrl" the flash control
// program, and the flash control routines "fl_clr", "fl_ers", "fl_wrt", "fl_prg" and "FlshChk".
// After a download whose check succeeds the firmware starts from the flash, with the identity
// its words 0x1F00..0x1F03 hold.
//
// Thread rules: Serve runs on the serving thread; the inspection members lock and may be called
// from any thread.
class BootLoader {
 public:
  static constexpr uint16_t kIdentityAddress = 0x1F00;
  static constexpr std::size_t kFlashWords = 0x2000;

  // The line as the boot side uses it: Read gives 1 for a byte, 0 for a time-out and -1 when
  // the line is gone or the simulator stops (the boot side then returns at once).
  struct Line {
    std::function<int(uint8_t&, std::chrono::milliseconds)> read;
    std::function<void(uint8_t)> send;
    std::function<void()> hangUp;
  };

  explicit BootLoader(BootFaults& faults);

  // Called when the firmware has accepted the boot command frame: its boot code takes over.
  void EnterFromFirmware();
  void SetState(BootState state);
  BootState State() const;
  bool Active() const { return State() != BootState::kFirmware; }

  // Serves what begins with `first`, reading the rest of that exchange from the line.
  void Serve(uint8_t first, Line& line);

  // The 8192 words of flash, as last written.
  std::vector<uint16_t> Flash() const;
  // True once a download's check has succeeded; cleared by the first clearing of the flash.
  bool FirmwareIntact() const;
  // Called (on the serving thread) with the four identity words when a new firmware starts.
  void OnFirmwareStarted(std::function<void(const std::array<uint16_t, 4>&)> started) {
    started_ = std::move(started);
  }
  // Power on: the firmware when the flash holds an intact one, else the processor's loader.
  void PowerCycle();
  static std::string StateName(BootState state);

 private:
  // 0xAA to the autobaud, remembering when.
  void Answer(Line& line);
  std::chrono::steady_clock::time_point AnsweredAt() const;
  bool ReadEcho(Line& line, uint8_t& byte);
  bool ReadWordEcho(Line& line, uint16_t& word);
  void ServeLoad(uint8_t first, Line& line, bool fromLoader);
  void RunRoutine(const std::string& name, Line& line);
  void ServeCode(Line& line);
  std::string ProgramAt(uint16_t address, uint16_t& entry) const;
  bool Silence(BootPoint point);

  BootFaults& faults_;
  std::function<void(const std::array<uint16_t, 4>&)> started_;
  mutable std::mutex mutex_;
  BootState state_ = BootState::kFirmware;
  bool intact_ = true;
  std::chrono::steady_clock::time_point answeredAt_{};
  std::vector<uint16_t> memory_;  // the whole 64 K words of program memory
};

}  // namespace zel::sim
