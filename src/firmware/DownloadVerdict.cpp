#include "firmware/DownloadVerdict.h"

#include "firmware/DownloadMethod.h"

namespace zel::firmware {

DownloadVerdict DownloadVerdict::From(const DownloadOutcome& outcome,
                                      const std::vector<int>& history) {
  DownloadVerdict verdict;
  verdict.success = outcome.success;
  verdict.stopped = outcome.stopped;
  verdict.zel = outcome.zel;
  for (int code : history) {
    if (IsSuccessResult(code)) continue;
    verdict.firstFailure = code;
    break;
  }
  verdict.reason = verdict.firstFailure != 0 ? StepResultText(verdict.firstFailure) : "";
  if (verdict.reason.empty()) verdict.reason = outcome.stopped ? kStopped : "Error Unknown";
  verdict.firmwareLost = outcome.zel == ZelState::kFirmwareLost;
  return verdict;
}

const char* DownloadVerdict::StateAdvice(ZelState state) {
  switch (state) {
    case ZelState::kUnchanged:
      return "The ZEL was not changed: it runs what it ran before.";
    case ZelState::kMaybeInBootLoader:
      return "The firmware was not changed. If the ZEL does not answer, switch it off and on.";
    case ZelState::kInBootLoader:
      return "The firmware was not changed, but the ZEL waits in its boot loader: switch it off "
             "and on.";
    case ZelState::kClearUnanswered:
      return "The ZEL did not answer the clearing of the flash, which has most likely not begun: "
             "switch it off and on. If its firmware does not answer then, download it with the "
             "TI method.";
    case ZelState::kFirmwareLost:
      return "The firmware is lost: the ZEL has no working firmware now.";
    case ZelState::kNewFirmware:
      return "The new firmware runs.";
  }
  return "";
}

std::vector<std::string> DownloadVerdict::FailureLines() const {
  if (firmwareLost) return {reason, kLost1, kLost2};
  return {reason, StateAdvice(zel), kTryAgain};
}

ui::RowMark HistoryMark(int resultCode) {
  return IsSuccessResult(resultCode) ? ui::RowMark::kSuccess : ui::RowMark::kFailure;
}

}  // namespace zel::firmware
