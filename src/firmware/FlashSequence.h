#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "firmware/BootLoaderLink.h"
#include "firmware/DownloadMethod.h"
#include "firmware/DownloadOutcome.h"

namespace zel::firmware {

// The program files a download needs, read from the package's "BinaryFiles".
struct DownloadImages {
  std::vector<uint8_t> zelCode;   // "ZelCode.out", the firmware
  std::vector<uint8_t> flshCtrl;  // "FlshCtrl.out", the flash control program and its routines
  std::vector<uint8_t> tiBoot;    // "TiBoot.out", the boot program (TI method only)
};

// The steps of one download over a boot link that holds the line, each returning its result
// code with its events posted. Run performs a method's whole sequence from Started to the
// disconnect; the worker thread around it lives in DownloadController.
//
// Thread rules: one thread, the download worker (or a test); the running flag is the only thing
// another thread touches.
class FlashSequence {
 public:
  static constexpr uint16_t kTiBootDestination = 0xFE66;
  static constexpr uint16_t kFlashControlDestination = 0xFE90;
  static constexpr uint16_t kRoutineDestination = 0xFE00;
  static constexpr int kMostAttempts = 10;
  static constexpr int kCodeBlocks = 256;
  static constexpr int kCodeBlockSize = 64;

  FlashSequence(BootLoaderLink& link, const DownloadImages& images);

  // Started, the method's pre-erase steps while running stays set, then (with CriticalBegin and
  // CriticalEnd around it) the erase and program loop, which no stop request interrupts; the
  // boot link is disconnected at the end. Successful only when every step succeeded; stopped
  // when a stop request ended it before the erase.
  DownloadOutcome Run(DownloadMethod method, const std::atomic<bool>& running);

  int RunStep(int stepCode);
  int Convert();
  int EnterBoot();
  int Connect();
  int StartTiBoot();
  int LoadFlashControl(bool tiMethod);
  int CheckProtection();
  int Prepare();
  int Program();

  const std::vector<uint8_t>& Image() const { return image_; }
  // What the steps run so far have made of the ZEL.
  ZelState Zel() const { return zel_; }

 private:
  // ReadByte(100 ms) until a byte arrives or 10 s have passed since windowStartMs.
  std::optional<uint8_t> WaitStatus(int64_t windowStartMs);
  bool Find(const char* name, CoffSectionHeader& section, bool boxWhenMissing);
  int End(int result);
  // A lost firmware stays lost until a checked download replaces it.
  void Reached(ZelState state);

  BootLoaderLink& link_;
  const DownloadImages& images_;
  std::vector<uint8_t> image_;
  ZelState zel_ = ZelState::kUnchanged;
};

}  // namespace zel::firmware
