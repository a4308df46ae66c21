#pragma once

#include <cstdint>
#include <functional>

namespace zel::link {
class ZelCommunication;
}

namespace zel::can {

// Gives the ZEL at the serial port a new CAN module ID and keeps its bit rate: the rate
// registers are read before the ID changes and written back after it, since the firmware takes
// the new ID with its default rate. A ZEL from hardware 0x4002 on has a DIP switch that sets the
// ID again at the next power-up, so the user is asked first. UI thread.
class ModuleIdSetting {
 public:
  static constexpr std::uint16_t kDipSwitchHardware = 0x4002;
  static constexpr int kFirstId = 1;
  static constexpr int kLastId = 127;
  static constexpr const char* kDipSwitchQuestion =
      "This is a ZEL with DipSwitch. \n\nYou can only change the module ID temporarily. \nThe "
      "setting will be overwritten by the DIP switch after the next power reset. \nDo you still "
      "want to change the module ID?";
  static constexpr const char* kDone = "Modul ID setted.";
  static constexpr const char* kFailed = "Command failed!";

  enum class Result { kDone, kFailed, kDeclined };

  explicit ModuleIdSetting(link::ZelCommunication& communication) : communication_(communication) {}

  // Reads the rate registers to be written back (on entering the page).
  bool ReadBitRate();
  // The whole sequence; ask answers the DIP-switch question (true goes on). Fails without
  // asking or sending anything when the rate registers have not been read.
  Result Set(std::uint16_t moduleId, const std::function<bool(const char*)>& ask);

 private:
  link::ZelCommunication& communication_;
  std::uint16_t bcr1_ = 0;
  std::uint16_t bcr2_ = 0;
  bool bitRateRead_ = false;
};

}  // namespace zel::can
