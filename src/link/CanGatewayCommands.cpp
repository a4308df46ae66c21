#include "link/CanGatewayCommands.h"

#include "link/CAddRtrParameterDlg.h"
#include "link/CCanValueDlg.h"
#include "link/CRtrConfigDlg.h"
#include "link/CanBitRateTable.h"
#include "link/CanGateway.h"
#include "link/RtrConfiguration.h"
#include "parameters/NumberText.h"
#include "ui/Host.h"

namespace zel::link {

namespace {

constexpr int16_t kCanModuleId = 30;
constexpr int16_t kServiceId = 31;
constexpr int16_t kRpdoId = 32;
constexpr int16_t kTpdoId = 33;
constexpr int16_t kBcr1 = CanBitRateTable::kBcr1Parameter;
constexpr int16_t kBcr2 = CanBitRateTable::kBcr2Parameter;
constexpr int16_t kOpMode = 36;
constexpr int16_t kRtr0Id = 39;
constexpr int16_t kRtr1Id = 40;
constexpr int16_t kNoParameter = -1;

// A dialog whose fields also have to pass a check across them.
class CConfigRtrDlg final : public CCanValueDlg {
 public:
  CConfigRtrDlg(std::vector<Field> fields, bool hexadecimal,
                const parameters::CParameterTable& definitions)
      : CCanValueDlg("Config RTR", std::move(fields), hexadecimal, definitions) {}

 protected:
  bool Accept() override {
    if (Value(0) <= 1 && Value(1) <= 2) return true;
    ui::CurrentHost().ShowMessage(CanGatewayCommands::kConfigRtrRefusal);
    return false;
  }
};

// "Set RTR ID": the identifier is checked as the chosen channel's.
class CSetRtrIdDlg final : public CCanValueDlg {
 public:
  CSetRtrIdDlg(std::vector<Field> fields, bool hexadecimal,
               const parameters::CParameterTable& definitions)
      : CCanValueDlg("Set RTR ID", std::move(fields), hexadecimal, definitions) {}

 protected:
  bool Accept() override { return CheckAs(1, Value(0) == 0 ? kRtr0Id : kRtr1Id); }
};

}  // namespace

ui::CommandOutcome CanGatewayCommands::SetOne(uint8_t opcode, const char* title,
                                              const char* caption, int16_t parameter,
                                              bool (CanGateway::*command)(uint16_t)) {
  CanGateway::Remembered& last = gateway_.RememberedFor(opcode);
  CCanValueDlg dlg(title, {{caption, parameter, last.values[0]}}, last.hexadecimal,
                   *gateway_.Definitions());
  if (dlg.DoModal() != ui::kResultOk) return ui::CommandOutcome::kCancelled;
  last.values[0] = dlg.Value(0);
  last.hexadecimal = dlg.Hexadecimal();
  return Outcome((gateway_.*command)(dlg.Value(0)));
}

ui::CommandOutcome CanGatewayCommands::SetModuleID() {
  // The dialog proposes the module ID the gateway reported or was given last.
  gateway_.RememberedFor(CanGateway::kSetModuleId).values[0] = gateway_.CurrentModuleId();
  return SetOne(CanGateway::kSetModuleId, "SetModuleID", "Module ID", kCanModuleId,
                &CanGateway::SetModuleID);
}

ui::CommandOutcome CanGatewayCommands::ReadModuleID() {
  uint16_t id = 0;
  if (!gateway_.ReadModuleID(id)) return ui::CommandOutcome::kFailed;
  if (gateway_.ShowFlag()) {
    CCanValueDlg dlg("ReadModuleID", {{"Module ID", kNoParameter, id}}, false,
                     *gateway_.Definitions());
    dlg.DoModal();
  }
  return ui::CommandOutcome::kDone;
}

ui::CommandOutcome CanGatewayCommands::SetServiceID() {
  return SetOne(CanGateway::kSetServiceId, "SetServiceID", "Service ID", kServiceId,
                &CanGateway::SetServiceID);
}

ui::CommandOutcome CanGatewayCommands::SetTPDOID() {
  if (gateway_.NewCommandSet()) return ui::CommandOutcome::kDone;
  return SetOne(CanGateway::kSetTpdoId, "SetTPDOID", "Transmit PDO ID", kTpdoId,
                &CanGateway::SetTPDOID);
}

ui::CommandOutcome CanGatewayCommands::SetRPDOID() {
  return SetOne(CanGateway::kSetRpdoId, "SetRPDOID", "Receive PDO ID", kRpdoId,
                &CanGateway::SetRPDOID);
}

ui::CommandOutcome CanGatewayCommands::SetBCR1() {
  return SetBCR1(gateway_.NewCommandSet());
}

ui::CommandOutcome CanGatewayCommands::SetBCR1(bool pair) {
  if (!pair) {
    return SetOne(CanGateway::kSetBcr1, "SetCAN_BCR1", "BCR1", kBcr1, &CanGateway::SetCanBCR1);
  }
  CanGateway::Remembered& last = gateway_.RememberedFor(CanGateway::kSetBcr1);
  CCanValueDlg dlg("SetCAN_BCR1_BCR2",
                   {{"BCR1", kBcr1, last.values[0]}, {"BCR2", kBcr2, last.values[1]}},
                   last.hexadecimal, *gateway_.Definitions());
  if (dlg.DoModal() != ui::kResultOk) return ui::CommandOutcome::kCancelled;
  last.values = {dlg.Value(0), dlg.Value(1)};
  last.hexadecimal = dlg.Hexadecimal();
  return Outcome(gateway_.SetBCR1BCR2(dlg.Value(0), dlg.Value(1)));
}

ui::CommandOutcome CanGatewayCommands::SetBCR2() {
  return SetOne(CanGateway::kSetBcr2, "SetCAN_BCR2", "BCR2", kBcr2, &CanGateway::SetCanBCR2);
}

ui::CommandOutcome CanGatewayCommands::SetCanMode() {
  return SetOne(CanGateway::kSetCanMode, "SetCANmode", "CAN operation mode", kOpMode,
                &CanGateway::SetCanMode);
}

ui::CommandOutcome CanGatewayCommands::SendCANmsg() {
  CanGateway::Remembered& last = gateway_.RememberedFor(CanGateway::kSendCanMsg);
  std::vector<CCanValueDlg::Field> fields = {{"CAN 11-bit ID", kNoParameter, last.values[0]},
                                             {"CAN data A", kNoParameter, last.values[1]},
                                             {"CAN data B", kNoParameter, last.values[2]},
                                             {"CAN data C", kNoParameter, last.values[3]},
                                             {"CAN data D", kNoParameter, last.values[4]}};
  CCanValueDlg dlg("SendCANmsg", std::move(fields), last.hexadecimal, *gateway_.Definitions());
  if (dlg.DoModal() != ui::kResultOk) return ui::CommandOutcome::kCancelled;
  for (std::size_t i = 0; i < last.values.size(); ++i) last.values[i] = dlg.Value(i);
  last.hexadecimal = dlg.Hexadecimal();
  return Outcome(
      gateway_.SendCANmsg(dlg.Value(0), dlg.Value(1), dlg.Value(2), dlg.Value(3), dlg.Value(4)));
}

ui::CommandOutcome CanGatewayCommands::SetRtrId() {
  CanGateway::Remembered& last = gateway_.RememberedFor(CanGateway::kSetRtrId);
  CSetRtrIdDlg dlg(
      {{"Channel", kNoParameter, last.values[0]}, {"RTR ID", kNoParameter, last.values[1]}},
      last.hexadecimal, *gateway_.Definitions());
  if (dlg.DoModal() != ui::kResultOk) return ui::CommandOutcome::kCancelled;
  last.values = {dlg.Value(0), dlg.Value(1)};
  last.hexadecimal = dlg.Hexadecimal();
  return Outcome(gateway_.SetRTR0ID(dlg.Value(0), dlg.Value(1)));
}

ui::CommandOutcome CanGatewayCommands::ConfigRTR() {
  CanGateway::Remembered& last = gateway_.RememberedFor(CanGateway::kConfigRtr);
  CConfigRtrDlg dlg(
      {{"Channel", kNoParameter, last.values[0]}, {"Action", kNoParameter, last.values[1]}},
      last.hexadecimal, *gateway_.Definitions());
  if (dlg.DoModal() != ui::kResultOk) return ui::CommandOutcome::kCancelled;
  last.values = {dlg.Value(0), dlg.Value(1)};
  last.hexadecimal = dlg.Hexadecimal();
  return Outcome(gateway_.ConfigRTR(dlg.Value(0), dlg.Value(1)));
}

ui::CommandOutcome CanGatewayCommands::SendNMT() {
  return Outcome(gateway_.SendNMT());
}

ui::CommandOutcome CanGatewayCommands::SendRTR() {
  return Outcome(gateway_.SendRTR());
}

ui::CommandOutcome CanGatewayCommands::AddRTRParameter() {
  CAddRtrParameterDlg dlg("Add RTR Parameter", -1, *gateway_.Definitions());
  if (dlg.DoModal() != ui::kResultOk) return ui::CommandOutcome::kCancelled;
  uint16_t answer = 0;
  bool answered = false;
  if (!gateway_.AddRTRParameter(dlg.Entry(), answer, answered)) return ui::CommandOutcome::kFailed;
  if (answered && answer == CanGateway::kEntryAdded) {
    ui::CurrentHost().ShowMessage("Parameter added!");
  } else if (answered && answer == CanGateway::kBufferFull) {
    ui::CurrentHost().ShowMessage("Parameter not added. The buffer is full");
  }
  return ui::CommandOutcome::kDone;
}

ui::CommandOutcome CanGatewayCommands::ConfigureModuleRtr(uint16_t destination) {
  if (!gateway_.ObtainDestination(destination)) return ui::CommandOutcome::kFailed;
  RtrConfiguration rtr(gateway_);
  if (!rtr.Read(destination)) return ui::CommandOutcome::kFailed;
  CRtrConfigDlg dlg(rtr, *gateway_.Definitions(), false);
  dlg.DoModal();
  // Closing without "&Store" changes nothing on the module.
  if (dlg.StoreRan() && !dlg.Stored()) return ui::CommandOutcome::kFailed;
  return ui::CommandOutcome::kDone;
}

ui::CommandOutcome CanGatewayCommands::GetRtrParameter(uint16_t destination) {
  if (!gateway_.ObtainDestination(destination)) return ui::CommandOutcome::kFailed;
  RtrConfiguration rtr(gateway_);
  if (!rtr.Read(destination)) return ui::CommandOutcome::kFailed;
  CRtrConfigDlg dlg(rtr, *gateway_.Definitions(), true);
  dlg.DoModal();
  return ui::CommandOutcome::kDone;
}

ui::CommandOutcome CanGatewayCommands::ResetModuleCanError() {
  uint16_t destination = 0;
  if (!gateway_.ObtainDestination(destination)) return ui::CommandOutcome::kFailed;
  return Outcome(gateway_.ResetModuleCanError(destination));
}

ui::CommandOutcome CanGatewayCommands::ResetModuleCan() {
  uint16_t destination = 0;
  if (!gateway_.ObtainDestination(destination)) return ui::CommandOutcome::kFailed;
  return Outcome(gateway_.ResetModuleCan(destination));
}

}  // namespace zel::link
