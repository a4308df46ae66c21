#include "app/CanMenuCommands.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "can/CZelCanNetworkConfigDlg.h"
#include "can/CanBusCommands.h"
#include "can/CanModule.h"
#include "can/CanModuleCommands.h"
#include "link/CanGatewayCommands.h"
#include "link/ZelCommunication.h"

namespace zel::app {

namespace {

using ui::CommandOutcome;

// "Edit All Temp Systemparameter" (32886), "Edit Temp Systemparameter" (32868) and "CAN
// Network" (32903) open sheets the main window refreshes after; they are not listed here.
constexpr std::array kHandled{32872, 32873, 32874, 32879, 32875, 32876, 32877, 32878, 32904,
                              32911, 32909, 32910, 32880, 32881, 32882, 32883, 32884, 32906,
                              32907, 32856, 32859, 32857, 32858, 32860, 32865, 32866, 32867,
                              32887, 32869, 32870, 32871, 32861, 32863, 32864};

}  // namespace

CanMenuCommands::CanMenuCommands(link::ZelCommunication& communication,
                                 const monitor::CErrorMapList* maps)
    : communication_(communication),
      maps_(maps),
      module_(std::make_unique<can::CanModule>(communication.Can(), communication.Parameter())),
      moduleCommands_(std::make_unique<can::CanModuleCommands>(*module_, maps)) {}

CanMenuCommands::~CanMenuCommands() = default;

bool CanMenuCommands::Handles(int id) {
  return std::find(kHandled.begin(), kHandled.end(), id) != kHandled.end();
}

CommandOutcome CanMenuCommands::ReadCanError() {
  return can::CanBusCommands::ReadCanError(communication_.Can(), maps_);
}

CommandOutcome CanMenuCommands::GetRemoteData() {
  return can::CanBusCommands::GetRemoteData(communication_.Can());
}

void CanMenuCommands::RunNetworkSheet(std::uint16_t softwareVersion) {
  can::CZelCanNetworkConfigDlg sheet(communication_, *module_, *moduleCommands_, maps_,
                                     softwareVersion);
  sheet.DoModal();
}

CommandOutcome CanMenuCommands::Run(int id, std::uint16_t softwareVersion) {
  const CommandOutcome outcome = RunEntry(id, softwareVersion);
  // A CAN command whose dialog (its value, or the module it goes to) was cancelled has sent
  // nothing and did not do what was asked: that is a failure the technician is told of.
  return outcome == CommandOutcome::kCancelled && Handles(id) ? CommandOutcome::kFailed : outcome;
}

CommandOutcome CanMenuCommands::RunEntry(int id, std::uint16_t softwareVersion) {
  link::CanGateway& can = communication_.Can();
  can.SetSoftwareVersion(softwareVersion);
  link::CanGatewayCommands gateway(can);
  can::CanModuleCommands& module = *moduleCommands_;
  switch (id) {
    case 32872:
      return gateway.SetModuleID();
    case 32873:
      return gateway.ReadModuleID();
    case 32874:
      return gateway.SetServiceID();
    case 32879:
      return gateway.SetCanMode();
    case 32875:
      return gateway.SetTPDOID();
    case 32876:
      return gateway.SetRPDOID();
    case 32877:
      return gateway.SetBCR1();
    case 32878:
      return gateway.SetBCR2();
    case 32904:
      return gateway.SetRtrId();
    case 32911:
      return gateway.ConfigRTR();
    case 32909:
      return gateway.AddRTRParameter();
    case 32910:
      return gateway.GetRtrParameter();
    case 32880:
      return gateway.SendNMT();
    case 32881:
      return can.NewCommandSet() ? gateway.ConfigureModuleRtr() : gateway.SendRTR();
    case 32882:
      return gateway.SendCANmsg();
    case 32883:
      return GetRemoteData();
    case 32884:
      return ReadCanError();
    case 32906:
      return gateway.ResetModuleCanError();
    case 32907:
      return gateway.ResetModuleCan();
    case 32856:
      return module.ReadSysStatus();
    case 32859:
      return module.Enable();
    case 32857:
      return module.ReadError();
    case 32858:
      return module.ClearError();
    case 32860:
      return module.ResetSoftware();
    case 32865:
      return module.SetCurrent();
    case 32866:
      return module.SetVelocity();
    case 32867:
      return module.ReadVelocityIsMust();
    case 32887:
      return module.ReadCurrentIsMust();
    case 32869:
      return module.ResetTempParam();
    case 32870:
      return module.SaveTempParam();
    case 32871:
      return module.ReadVersion();
    case 32861:
      return module.EnterServiceMode();
    case 32863:
      return module.QuitServiceMode();
    case 32864:
      return module.EditAddrVariable();
    default:
      return CommandOutcome::kCancelled;
  }
}

}  // namespace zel::app
