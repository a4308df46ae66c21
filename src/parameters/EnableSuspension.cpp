#include "parameters/EnableSuspension.h"

#include <cstdio>

#include "parameters/ParameterDevice.h"

namespace zel::parameters {

namespace {
constexpr std::int16_t kSysConfig = 1;
}

EnableSuspension::~EnableSuspension() {
  // Only reached when a caller left without Resume; nobody is left to read the outcome, so the
  // drive is put back without re-enabling it behind the user's back.
  if (Held()) device_.ResumeEnable(false);
}

bool EnableSuspension::Held() const {
  return device_.EnableSuspended();
}

bool EnableSuspension::Suspend(bool warn) {
  leftWith_.clear();
  if (device_.SuspendEnable(warn)) return true;
  // The SysConfig write may have gone through before an exchange failed.
  if (Held() && !device_.ResumeEnable(false)) DescribeLeftState();
  return false;
}

bool EnableSuspension::Resume(bool ask, std::optional<bool> softwareEnabling) {
  leftWith_.clear();
  if (!Held()) return true;
  if (device_.ResumeEnable(ask, softwareEnabling)) return true;
  DescribeLeftState();
  return false;
}

void EnableSuspension::DescribeLeftState() {
  std::uint32_t sysConfig = 0;
  if (device_.ReadTempParam(kSysConfig, 0, sysConfig)) {
    char text[120];
    std::snprintf(text, sizeof text,
                  "The drive stays disabled: SysConfig 0x%.4X could not be written back.",
                  static_cast<unsigned>(sysConfig & 0xFFFF));
    leftWith_ = text;
  } else {
    leftWith_ =
        "The drive may stay disabled with enabling by software (SysConfig bit 12): the ZEL did "
        "not answer while its enabling was put back.";
  }
}

}  // namespace zel::parameters
