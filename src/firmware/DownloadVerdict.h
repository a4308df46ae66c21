#pragma once

#include <string>
#include <vector>

#include "firmware/DownloadOutcome.h"
#include "ui/Control.h"

namespace zel::firmware {

// What a finished download comes to: the text of the first failing result code (the first
// failure is what went wrong; later codes are its consequences), whether it was stopped, and
// what the ZEL holds now. Whether the firmware is lost follows what the download saw happen to
// the flash, not the code: a check that fails and a preparation that fails after it leave the
// flash cleared although the first failure is only a wrong check.
struct DownloadVerdict {
  static constexpr const char* kStopped = "The download was stopped!";
  static constexpr const char* kLost1 = "The firmware is lost! You can't download the";
  static constexpr const char* kLost2 = "firmware again! Send the ZEL back to Orvane!";
  static constexpr const char* kTryAgain = "Try to download the firmware again!";

  bool success = false;
  bool stopped = false;
  int firstFailure = 0;  // 0 when every code ended in 01
  std::string reason;    // its result text, kStopped, or "Error Unknown"
  ZelState zel = ZelState::kUnchanged;
  bool firmwareLost = false;

  static DownloadVerdict From(const DownloadOutcome& outcome, const std::vector<int>& history);
  // The Summary page's lines below the verdict for a failed download (three at most).
  std::vector<std::string> FailureLines() const;
  // What the ZEL runs now and what to do about it, for a ZEL whose firmware is not lost.
  static const char* StateAdvice(ZelState state);
};

// How a download history marks a step's result in front of its text.
ui::RowMark HistoryMark(int resultCode);

}  // namespace zel::firmware
