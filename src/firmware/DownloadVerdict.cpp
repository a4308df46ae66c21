#include "firmware/DownloadVerdict.h"

#include "firmware/DownloadMethod.h"

namespace zel::firmware {

DownloadVerdict DownloadVerdict::From(bool success, const std::vector<int>& history) {
  DownloadVerdict verdict;
  verdict.success = success;
  for (int code : history) {
    if (IsSuccessResult(code)) continue;
    verdict.firstFailure = code;
    break;
  }
  verdict.reason = verdict.firstFailure != 0 ? StepResultText(verdict.firstFailure) : "";
  if (verdict.reason.empty()) verdict.reason = "Error Unknown";
  verdict.firmwareLost = verdict.firstFailure != 0 && IsFirmwareLost(verdict.firstFailure);
  return verdict;
}

std::vector<std::string> DownloadVerdict::FailureLines() const {
  if (firmwareLost)
    return {reason, "The firmware is lost! You can't download the",
            "firmware again! Send the ZEL back to Orvane!"};
  return {reason, "Try to download the firmware again!"};
}

ui::RowMark HistoryMark(int resultCode) {
  return IsSuccessResult(resultCode) ? ui::RowMark::kSuccess : ui::RowMark::kFailure;
}

}  // namespace zel::firmware
