#include "monitor/ErrorClearing.h"

#include <cstdio>

#include "link/ParameterGroup.h"
#include "link/StatusGroup.h"
#include "ui/Host.h"

namespace zel::monitor {

namespace {

constexpr std::uint16_t kErrorSummaryBit = 0x8000;
constexpr std::uint16_t kPowerStageBit = 0x8000;
constexpr std::int16_t kSysConfig = 1;
constexpr std::int16_t kSpeedSetValue = 133;
constexpr std::int16_t kCurrentSetValue = 131;

}  // namespace

bool ErrorClearing::RestartsOnClear(std::uint16_t errorWord, std::uint16_t statusWord) {
  // Bit 14 says the drive is enabled, bit 15 that the power stage is on: an error holds the
  // stage off while the enable stays; a stopped drive brakes to standstill whatever happens.
  return (errorWord & kErrorSummaryBit) != 0 &&
         (statusWord & link::StatusGroup::kDriveEnabledBit) != 0 &&
         (statusWord & kPowerStageBit) == 0 &&
         (statusWord & link::StatusGroup::kDriveStoppedBit) == 0;
}

std::string ErrorClearing::Question(bool currentRegulation, int setValue) {
  char text[160];
  std::snprintf(text, sizeof text,
                currentRegulation ? "The drive will run again at %i mA when the errors are "
                                    "cleared.\nDo you want to clear the errors?"
                                  : "The drive will run again at %i rpm when the errors are "
                                    "cleared.\nDo you want to clear the errors?",
                setValue);
  return text;
}

ErrorClearing::Check ErrorClearing::CheckRestart(link::ParameterGroup& parameters,
                                                 link::StatusGroup& status) {
  Check check;
  std::uint16_t errorWord = 0;
  if (!status.ReadError(errorWord)) {
    check.failedRead = "ReadError";
    return check;
  }
  std::uint16_t statusWord = 0;
  if (!status.ReadSysStatus(statusWord)) {
    check.failedRead = "ReadSysStatus";
    return check;
  }
  if (!RestartsOnClear(errorWord, statusWord)) return check;
  std::uint16_t config = 0;
  if (!parameters.ReadTempParam(kSysConfig, config)) {
    check.failedRead = "ReadTempParam";
    return check;
  }
  // The set value the regulation follows, whether typed or from the analog input: the ZEL
  // reports the one in force.
  const bool current = link::ParameterGroup::CurrentRegulation(config);
  std::uint16_t setValue = 0;
  if (!parameters.ReadTempParam(current ? kCurrentSetValue : kSpeedSetValue, setValue)) {
    check.failedRead = "ReadTempParam";
    return check;
  }
  check.question = Question(current, static_cast<std::int16_t>(setValue));
  return check;
}

ErrorClearing::Outcome ErrorClearing::AskAndClear(link::ParameterGroup& parameters,
                                                  link::StatusGroup& status) {
  const Check check = CheckRestart(parameters, status);
  if (!check.failedRead.empty()) return Outcome::kFailed;
  if (!check.question.empty() && !ui::CurrentHost().AskYesNoDefaultNo(check.question))
    return Outcome::kDeclined;
  return status.ClearError() ? Outcome::kCleared : Outcome::kFailed;
}

}  // namespace zel::monitor
