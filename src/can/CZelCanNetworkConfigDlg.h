#pragma once

#include <cstdint>

#include "can/CZelCanNetworkConfigPages.h"
#include "ui/PropertySheet.h"

namespace zel::link {
class ZelCommunication;
}
namespace zel::monitor {
class CErrorMapList;
}

namespace zel::can {

class CanModule;
class CanModuleCommands;

// The "CAN Network" sheet: the CAN settings of the ZEL at the serial port on two pages that write
// when they are left (or on OK), and buttons for every CAN command on the two others. The
// connected ZEL's software version hides what its firmware does not know. No Apply button. Lives
// on the stack of the command that runs it. UI thread.
class CZelCanNetworkConfigDlg final : public ui::PropertySheet {
 public:
  static constexpr const char* kFailed = "Command failed!";

  CZelCanNetworkConfigDlg(link::ZelCommunication& communication, CanModule& module,
                          CanModuleCommands& moduleCommands, const monitor::CErrorMapList* maps,
                          std::uint16_t softwareVersion);

  link::ZelCommunication& Communication() { return communication_; }
  CanModule& Module() { return module_; }
  CanModuleCommands& ModuleCommands() { return moduleCommands_; }
  const monitor::CErrorMapList* Maps() const { return maps_; }
  std::uint16_t SoftwareVersion() const { return softwareVersion_; }
  bool NewCommandSet() const { return softwareVersion_ >= 0x1040; }

  CZelCanNetworkConfig_PdoDlg pdoPage;
  CZelCanNetworkConfig_ParamDlg paramPage;
  CZelCanNetworkConfig_BusDlg busPage;
  CZelCanNetworkConfig_RtrDlg rtrPage;

 private:
  link::ZelCommunication& communication_;
  CanModule& module_;
  CanModuleCommands& moduleCommands_;
  const monitor::CErrorMapList* maps_;
  std::uint16_t softwareVersion_;
};

}  // namespace zel::can
