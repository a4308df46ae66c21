#include "parameters/EnableSuspension.h"

#include <cstdio>
#include <string>

#include "parameters/ParameterDevice.h"

namespace zel::parameters {

namespace {
constexpr std::int16_t kSysConfig = 1;
}

EnableSuspension::~EnableSuspension() {
  // Only reached when a caller left without Resume (an exception): the drive is put back, and the
  // user is asked before it runs again, as after any other sequence. After a failed Resume the
  // drive stays as reported: changing it behind that report would make the report false.
  if (!resumeTried_ && Held()) device_.ResumeEnable(true);
}

bool EnableSuspension::Held() const {
  return device_.EnableSuspended();
}

bool EnableSuspension::Suspend(bool warn) {
  leftWith_.clear();
  resumeTried_ = false;
  if (device_.SuspendEnable(warn)) return true;
  // The SysConfig write may have gone through before an exchange failed. Undoing it may mean
  // enabling the drive again, which is asked as after any other sequence.
  if (!Held()) return false;
  resumeTried_ = true;
  if (!device_.ResumeEnable(true)) DescribeLeftState();
  return false;
}

bool EnableSuspension::Resume(bool ask, std::optional<bool> softwareEnabling) {
  leftWith_.clear();
  resumeTried_ = true;
  if (!Held()) return true;
  if (device_.ResumeEnable(ask, softwareEnabling)) return true;
  if (Held() && device_.ResumeEnable(ask, softwareEnabling)) return true;
  DescribeLeftState();
  return false;
}

void EnableSuspension::DescribeLeftState() {
  // A module is named by its number: the technician must know which drive on the bus is held.
  const std::uint16_t module = device_.Module();
  const std::string drive =
      module == 0 ? std::string("The drive") : "The CAN Module " + std::to_string(module);
  std::uint32_t sysConfig = 0;
  if (device_.ReadTempParam(kSysConfig, 0, sysConfig)) {
    char text[40];
    std::snprintf(text, sizeof text, "SysConfig 0x%.4X", static_cast<unsigned>(sysConfig & 0xFFFF));
    leftWith_ = drive + " stays disabled: " + text + " could not be written back.";
  } else {
    leftWith_ = drive + " may stay disabled with enabling by software (SysConfig bit 12): " +
                (module == 0 ? "the ZEL" : "the module") +
                " did not answer while its enabling was put back.";
  }
}

}  // namespace zel::parameters
