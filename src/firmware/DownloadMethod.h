#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "firmware/StepTimes.h"

namespace zel::firmware {

// The three ways of reaching the ZEL's boot loader, in their fixed order. They differ only in the
// steps before the flash is erased: Standard tells the running firmware to enter its boot
// loader, TI loads the boot program into the processor's own serial loader (for a ZEL without
// running firmware), JTAG finds a boot loader that other means have started.
enum class DownloadMethod { kStandard = 0, kTi = 1, kJtag = 2 };

constexpr int kDownloadMethodCount = 3;

// "Standard Download Method", "TI Download Method", "JTAG Download Method".
const char* MethodName(DownloadMethod method);
// The step codes before the erase, in order.
std::span<const int> PreEraseSteps(DownloadMethod method);
// The sum of the remembered durations of every step the method runs, in ms.
int64_t ExpectedDuration(DownloadMethod method, const StepTimes& times);
// "%.1f s" of an expected duration.
std::string DurationText(int64_t ms);

// The texts of the step results (empty for unknown codes), the step texts for StepStart, and
// whether a result means the flash was already being changed when the download failed.
std::string StepResultText(int resultCode);
std::string StepText(int stepCode);
bool IsFirmwareLost(int resultCode);
inline bool IsSuccessResult(int resultCode) {
  return resultCode % 100 == 1;
}

}  // namespace zel::firmware
