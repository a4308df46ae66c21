#include "firmware/DriveDisableCheck.h"

#include <cstdint>
#include <cstdio>

#include "link/ZelCommunication.h"

namespace zel::firmware {

namespace {

constexpr std::int16_t kSysConfig = 1;
constexpr std::uint16_t kSoftwareEnablingBit = 0x1000;
constexpr std::uint16_t kHardwareEnabledBit = 0x4000;

}  // namespace

DriveDisableCheck DriveDisableCheck::Read(link::ZelCommunication& communication) {
  DriveDisableCheck check;
  std::uint16_t sysConfig = 0;
  std::uint16_t status = 0;
  check.readable = communication.Parameter().ReadTempParam(kSysConfig, sysConfig) &&
                   communication.Status().ReadSysStatus(status);
  if (!check.readable) return check;
  check.enableInputWarning = (sysConfig & kSoftwareEnablingBit) != 0;
  check.hardwareEnabled = (status & kHardwareEnabledBit) != 0;
  return check;
}

std::string DriveDisableCheck::HardwareMismatchText(unsigned zelHardwareVersion) {
  char text[128];
  std::snprintf(text, sizeof text,
                "The hardware versions are not compatible!\nYou have to load the hardware "
                "version 0x%.4x !",
                zelHardwareVersion);
  return text;
}

}  // namespace zel::firmware
