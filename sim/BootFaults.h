#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace zel::sim {

// Where the boot side can fall silent: it then answers nothing more, as a hung processor would,
// until its state is set again or the faults are cleared.
enum class BootPoint {
  kNone,
  kEnter,    // the 'O' to the boot command 0x49
  kConnect,  // 0xAA to the autobaud 0x0D
  kTiBoot,   // 'R' once the boot program runs
  kProtect,  // the answer to 'P'
  kClear,    // status after "fl_clr"
  kErase,    // status after "fl_ers"
  kWrite,    // status after "fl_wrt"
  kCode,     // 'R' before the first code block
  kWritten,  // status after the 256th block
  kCheck,    // the verdict after "FlshChk"
};

struct ArmedBootFaults {
  int protectedFlash = 0;  // 'P' answered with 0x00 instead of 'R'
  int eraseStatuses = 0;   // erases answered with eraseStatus instead of 0
  uint8_t eraseStatus = 1;
  int erasesBefore = 0;   // good erases still to come before those
  int checkFailures = 0;  // 'X' instead of 'R' after "FlshChk"
  BootPoint silentAt = BootPoint::kNone;
  int hangUpAfterBlocks = -1;  // close the line once this many code blocks came; -1: never
};

// The boot loader's faults, armed from the command line or the control channel like the frame
// faults, in the same spelling (NAME[=COUNT][,KEY=VALUE]):
//   protected-flash[=N]  erase-status[=N][,status=S][,after=K]  check-fails[=N]
//   boot-silent,at=POINT  boot-hang-up[,after=B]
// Thread-safe: armed from any thread, taken by the serving thread.
class BootFaults {
 public:
  // False with a message when the text names no boot fault or is malformed; unknown tells the
  // caller whether the name was simply not one of these.
  bool Arm(std::string_view text, std::string& error, bool& unknown);
  void ClearAll();
  ArmedBootFaults Armed() const;
  std::string Describe() const;  // empty when nothing is armed
  static const char* Help();

  bool TakeProtected();
  bool TakeEraseStatus(uint8_t& status);
  bool TakeCheckFailure();
  bool SilentAt(BootPoint point) const;
  // True once, when `blocks` code blocks have come and a hang-up is armed for that count.
  bool TakeHangUp(int blocks);

 private:
  mutable std::mutex mutex_;
  ArmedBootFaults armed_;
};

}  // namespace zel::sim
