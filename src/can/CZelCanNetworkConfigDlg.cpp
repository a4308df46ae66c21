#include "can/CZelCanNetworkConfigDlg.h"

#include "link/CanGateway.h"
#include "link/ZelCommunication.h"

namespace zel::can {

CZelCanNetworkConfigDlg::CZelCanNetworkConfigDlg(link::ZelCommunication& communication,
                                                 CanModule& module,
                                                 CanModuleCommands& moduleCommands,
                                                 const monitor::CErrorMapList* maps,
                                                 std::uint16_t softwareVersion)
    : PropertySheet("CAN Network", false),
      pdoPage(*this),
      paramPage(*this),
      busPage(*this),
      rtrPage(*this),
      communication_(communication),
      module_(module),
      moduleCommands_(moduleCommands),
      maps_(maps),
      softwareVersion_(softwareVersion) {
  // The settings pages write as they are left; there is nothing left over to apply.
  Show(ui::kIdApply, false);
  communication.Can().SetSoftwareVersion(softwareVersion);
  AddPage(pdoPage);
  AddPage(paramPage);
  AddPage(busPage);
  AddPage(rtrPage);
}

}  // namespace zel::can
