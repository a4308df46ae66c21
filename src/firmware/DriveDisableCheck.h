#pragma once

#include <string>

namespace zel::link {
class ZelCommunication;
}

namespace zel::firmware {

// Before the boot loader takes the line, the drive must be held off by its 'Enable' input: the
// boot loader never looks at it. The desktop dialog and zelctl show the same texts their own way.
struct DriveDisableCheck {
  static constexpr const char* kNotOnline =
      "The ZEL is not online!\nPlease check the communication settings!";
  static constexpr const char* kEnableInputWarning =
      "Ensure the digital input 'Enable' is not switched\nor is connected to GND! ('Disable')";
  static constexpr const char* kSwitchOff = "Switch your ZEL to the hardware disable state!";
  static constexpr const char* kFirmwareSilent =
      "The ZEL's firmware does not answer: its versions cannot be checked.\nThe download goes "
      "on as for a ZEL without running firmware.";

  bool readable = false;            // SysConfig and the status word were read
  bool enableInputWarning = false;  // enabling is set to software: warn about the input
  bool hardwareEnabled = false;     // the power stage is on: refuse

  static DriveDisableCheck Read(link::ZelCommunication& communication);
  // "The hardware versions are not compatible!..." naming the ZEL's hardware version.
  static std::string HardwareMismatchText(unsigned zelHardwareVersion);
};

}  // namespace zel::firmware
