#include "can/CZelCanNetworkConfigPages.h"

#include <array>

#include "can/CZelCanNetworkConfigDlg.h"
#include "can/CanBusCommands.h"
#include "can/CanModule.h"
#include "can/CanModuleCommands.h"
#include "can/ModuleParameterEditing.h"
#include "link/CanGateway.h"
#include "link/CanGatewayCommands.h"
#include "link/ParameterGroup.h"
#include "link/RtrConfiguration.h"
#include "link/ZelCommunication.h"
#include "parameters/CParameterTable.h"
#include "ui/Host.h"

namespace zel::can {

namespace {

using ui::CommandOutcome;

constexpr std::int16_t kSysConfig = 1;
constexpr std::int16_t kCanConfig = 41;
constexpr std::uint16_t kPdoActive = 0x4000;

// A cancelled dialog (the value, or the module a command goes to) fails the command as well.
void Report(CommandOutcome outcome) {
  if (outcome != CommandOutcome::kDone)
    ui::CurrentHost().ShowMessage(CZelCanNetworkConfigDlg::kFailed);
}

void Report(bool ok) {
  if (!ok) ui::CurrentHost().ShowMessage(CZelCanNetworkConfigDlg::kFailed);
}

}  // namespace

// --- the settings pages' block -----------------------------------------------------------------

CZelCanNetworkSettingsPage::CZelCanNetworkSettingsPage(std::string caption,
                                                       CZelCanNetworkConfigDlg& sheet)
    : PropertyPage(std::move(caption)), sheet_(sheet) {}

bool CZelCanNetworkSettingsPage::Load() {
  parameters::SystemParameterBlock block;
  if (!sheet_.Communication().Parameter().ReadAllTempParam(block)) return false;
  block_ = block;
  blockRead_ = true;
  return true;
}

void CZelCanNetworkSettingsPage::ShowField(const Field& field) {
  const parameters::CParameterTable& table = sheet_.Communication().Definitions();
  std::string text;
  table.FormatValue(field.number, block_.words[static_cast<std::size_t>(field.number)],
                    parameters::NumberFormat::kHexadecimal, text);
  SetText(field.id, text);
  Enable(field.id, table.IsEditable(field.number, block_.words[kSysConfig]));
}

bool CZelCanNetworkSettingsPage::Validate(const std::vector<Field>& fields) {
  const parameters::CParameterTable& table = sheet_.Communication().Definitions();
  parameters::SystemParameterBlock accepted = block_;
  for (const Field& field : fields) {
    std::int32_t value = 0;
    if (!table.ParseText(field.number, Text(field.id), parameters::NumberFormat::kHexadecimal, true,
                         value) ||
        !table.CheckRange(field.number, value, true)) {
      SetFocus(field.id);
      return false;
    }
    accepted.words[static_cast<std::size_t>(field.number)] = static_cast<std::uint16_t>(value);
  }
  block_ = accepted;
  return true;
}

bool CZelCanNetworkSettingsPage::WriteBlock() {
  // Without a block read from this ZEL there is nothing of its own to write back.
  if (!blockRead_) return false;
  link::ParameterGroup& serial = sheet_.Communication().Parameter();
  const bool ok = serial.WriteAllTempParam(block_) && serial.SaveTempParam();
  Report(ok);
  return ok;
}

bool CZelCanNetworkSettingsPage::OwnModuleId(std::uint16_t& moduleId) const {
  moduleId = block_.words[30];
  return blockRead_;
}

bool CZelCanNetworkSettingsPage::ReadCanConfig(std::uint16_t& config) {
  if (!sheet_.Communication().Parameter().ReadTempParam(kCanConfig, config)) return false;
  // The switches change CAN_Config in the ZEL; the block written on leaving must not undo them.
  block_.words[kCanConfig] = config;
  return true;
}

// --- page 1 ------------------------------------------------------------------------------------

namespace {

using Field = CZelCanNetworkSettingsPage::Field;
using Pdo = CZelCanNetworkConfig_PdoDlg;
// In the order they are checked when the page is left.
const std::vector<Field> kPdoFields{
    {Pdo::kIdBcr1, 34},   {Pdo::kIdBcr2, 35}, {Pdo::kIdModuleId, 30}, {Pdo::kIdServiceId, 31},
    {Pdo::kIdOpMode, 36}, {Pdo::kIdRpdo, 32}, {Pdo::kIdTpdo, 33}};
using Rtr = CZelCanNetworkConfig_RtrDlg;
const std::vector<Field> kRtrFields{
    {Rtr::kIdTsdo, 38}, {Rtr::kIdRsdo, 37}, {Rtr::kIdRtr0, 39}, {Rtr::kIdRtr1, 40}};

}  // namespace

CZelCanNetworkConfig_PdoDlg::CZelCanNetworkConfig_PdoDlg(CZelCanNetworkConfigDlg& sheet)
    : CZelCanNetworkSettingsPage("PDO", sheet) {
  const std::array<std::pair<int, const char*>, 7> fields{{{kIdModuleId, "Module ID"},
                                                           {kIdServiceId, "Service ID"},
                                                           {kIdRpdo, "RPDO ID"},
                                                           {kIdTpdo, "TPDO ID"},
                                                           {kIdBcr1, "BCR1"},
                                                           {kIdBcr2, "BCR2"},
                                                           {kIdOpMode, "Operation Mode"}}};
  for (const auto& [id, caption] : fields) {
    AddLabel(id + kLabelOffset, caption);
    AddEdit(id).sameRow = true;
    AddLabel(id + 2 * kLabelOffset, "( Hex )").sameRow = true;
  }
  AddCheckBox(kIdPdo, "PDO");
  AddButton(kIdSetModuleId, "&Set Module ID");
  AddButton(kIdReadModuleId, "&Read Module ID").sameRow = true;
  AddButton(kIdSetServiceId, "Set Ser&vice ID").sameRow = true;
  AddButton(kIdSetBcr1, "Set CAN BCR&1");
  AddButton(kIdSetBcr2, "Set CAN BCR&2").sameRow = true;
}

void CZelCanNetworkConfig_PdoDlg::Reload() {
  if (Load())
    for (const Field& field : kPdoFields) ShowField(field);
  const bool newSet = sheet_.NewCommandSet();
  if (newSet) {
    Enable(kIdModuleId, false);
  } else {
    Enable(kIdRpdo, true);
    Enable(kIdTpdo, true);
  }
  ShowPdoState();
}

void CZelCanNetworkConfig_PdoDlg::ShowPdoState() {
  if (!sheet_.NewCommandSet()) return;
  std::uint16_t config = 0;
  if (ReadCanConfig(config)) pdoOn_ = (config & kPdoActive) != 0;
  SetValue(kIdPdo, pdoOn_ ? 1 : 0);
  // The identifiers of a running PDO cannot change under it.
  const parameters::CParameterTable& table = sheet_.Communication().Definitions();
  Enable(kIdRpdo, !pdoOn_ && table.IsEditable(32, block_.words[kSysConfig]));
  Enable(kIdTpdo, !pdoOn_ && table.IsEditable(33, block_.words[kSysConfig]));
}

bool CZelCanNetworkConfig_PdoDlg::OnSetActive() {
  const bool newSet = sheet_.NewCommandSet();
  for (int id :
       {kIdSetServiceId, kIdServiceId, kIdServiceId + kLabelOffset, kIdServiceId + 2 * kLabelOffset,
        kIdOpMode, kIdOpMode + kLabelOffset, kIdOpMode + 2 * kLabelOffset, kIdSetBcr2})
    Show(id, !newSet);
  Show(kIdPdo, newSet);
  SetText(kIdSetBcr1, newSet ? "Set CAN &BCR" : "Set CAN BCR&1");
  Reload();
  return true;
}

bool CZelCanNetworkConfig_PdoDlg::OnKillActive() {
  if (!blockRead_) return true;
  if (!Validate(kPdoFields)) return false;
  WriteBlock();
  return true;
}

void CZelCanNetworkConfig_PdoDlg::TogglePdo() {
  std::uint16_t own = 0;
  if (!OwnModuleId(own)) {
    Report(false);
    SetValue(kIdPdo, pdoOn_ ? 1 : 0);
    return;
  }
  link::CanGateway& can = sheet_.Communication().Can();
  if (can.SetModulePdo(own, !pdoOn_)) {
    std::uint16_t config = 0;
    ReadCanConfig(config);
    if (Validate({{kIdRpdo, 32}, {kIdTpdo, 33}})) WriteBlock();
  } else {
    Report(false);
  }
  ShowPdoState();
}

void CZelCanNetworkConfig_PdoDlg::OnEvent(int id, ui::EventKind kind) {
  if (kind == ui::EventKind::Changed && id >= kIdModuleId && id <= kIdOpMode) {
    SetModified();
    return;
  }
  if (kind != ui::EventKind::Clicked) return;
  link::CanGatewayCommands commands(sheet_.Communication().Can());
  switch (id) {
    case kIdPdo:
      TogglePdo();
      break;
    case kIdSetModuleId:
      Report(commands.SetModuleID());
      Reload();
      break;
    case kIdReadModuleId:
      Report(commands.ReadModuleID());
      break;
    case kIdSetServiceId:
      Report(commands.SetServiceID());
      Reload();
      break;
    case kIdSetBcr1: {
      // Definitions that know both registers (more than 37 system parameters) set them as a
      // pair, from the values the ZEL holds now.
      const bool pair = sheet_.Communication().Definitions().SystemCount() > 37;
      if (pair) Load();
      Report(commands.SetBCR1(pair));
      Reload();
      if (pair) Load();
      break;
    }
    case kIdSetBcr2:
      Report(commands.SetBCR2());
      Reload();
      break;
    default:
      break;
  }
}

// --- page 2 ------------------------------------------------------------------------------------

namespace {

enum ParamButton {
  kReadSysStatus,
  kEnableSystem,
  kReadError,
  kClearError,
  kResetSoftware,
  kSetCurrent,
  kSetVelocity,
  kReadVelocity,
  kReadCurrent,
  kEditAll,
  kEditOne,
  kSaveTemp,
  kResetTemp,
  kReadVersion,
  kParamButtons
};

}  // namespace

CZelCanNetworkConfig_ParamDlg::CZelCanNetworkConfig_ParamDlg(CZelCanNetworkConfigDlg& sheet)
    : PropertyPage("Parameter/Motion/Status"), sheet_(sheet) {
  constexpr int kStatus = kIdFirst + 50, kMotion = kIdFirst + 51, kParameter = kIdFirst + 52;
  AddGroup(kStatus, "Status");
  AddGroup(kMotion, "Motion");
  AddGroup(kParameter, "Parameter");
  const std::array<std::pair<const char*, int>, kParamButtons> buttons{{
      {"ReadSysStat&us", kStatus},
      {"&Enable System", kStatus},
      {"Read Err&or", kStatus},
      {"C&lear Error", kStatus},
      {"Reset Soft&ware", kStatus},
      {"Set &Current", kMotion},
      {"Set Velocit&y", kMotion},
      {"Read Velocity &IsMust", kMotion},
      {"Read Current Is&Must", kMotion},
      {"Edit &All Temp Param", kParameter},
      {"Edit &Temp Systemparameter", kParameter},
      {"&Save Temp Systemparameter", kParameter},
      {"&Reset Temp Systemparameter", kParameter},
      {"Read &Version", kParameter},
  }};
  for (int i = 0; i < kParamButtons; ++i)
    AddButton(kIdFirst + i, buttons[static_cast<std::size_t>(i)].first,
              buttons[static_cast<std::size_t>(i)].second);
}

void CZelCanNetworkConfig_ParamDlg::OnEvent(int id, ui::EventKind kind) {
  if (kind != ui::EventKind::Clicked || id < kIdFirst || id >= kIdFirst + kParamButtons) return;
  CanModuleCommands& module = sheet_.ModuleCommands();
  switch (id - kIdFirst) {
    case kReadSysStatus:
      return Report(module.ReadSysStatus());
    case kEnableSystem:
      return Report(module.Enable());
    case kReadError:
      return Report(module.ReadError());
    case kClearError:
      return Report(module.ClearError());
    case kResetSoftware:
      return Report(module.ResetSoftware());
    case kSetCurrent:
      return Report(module.SetCurrent());
    case kSetVelocity:
      return Report(module.SetVelocity());
    case kReadVelocity:
      return Report(module.ReadVelocityIsMust());
    case kReadCurrent:
      return Report(module.ReadCurrentIsMust());
    case kEditAll:
    case kEditOne: {
      std::uint16_t destination = 0;
      if (!sheet_.Module().Destination(destination)) return Report(CommandOutcome::kFailed);
      const parameters::CParameterTable& table = sheet_.Communication().Definitions();
      if (id - kIdFirst == kEditOne)
        return Report(ModuleParameterEditing::EditOne(sheet_.Module(), table, destination));
      // The sheet closed with Cancel is a choice, not a failure.
      const CommandOutcome outcome =
          ModuleParameterEditing::EditAll(sheet_.Module(), table, destination);
      return Report(outcome == CommandOutcome::kCancelled ? CommandOutcome::kDone : outcome);
    }
    case kSaveTemp:
      return Report(module.SaveTempParam());
    case kResetTemp:
      return Report(module.ResetTempParam());
    case kReadVersion:
      return Report(module.ReadVersion());
    default:
      return;
  }
}

// --- page 3 ------------------------------------------------------------------------------------

CZelCanNetworkConfig_BusDlg::CZelCanNetworkConfig_BusDlg(CZelCanNetworkConfigDlg& sheet)
    : PropertyPage("Bus Commands/Service/Reset"), sheet_(sheet) {
  constexpr int kBus = kIdSendNmt + 20, kService = kIdSendNmt + 21;
  AddGroup(kBus, "Bus Commands");
  AddButton(kIdSendNmt, "Send &NMT", kBus);
  AddButton(kIdSendRtr, "Send R&TR", kBus);
  AddButton(kIdSendCanMsg, "&Send CAN Message", kBus);
  AddButton(kIdGetRemoteData, "&Get Remote Data", kBus);
  AddButton(kIdReadCanError, "Rea&d CAN Error", kBus);
  AddGroup(kService, "Service");
  AddButton(kIdEnterService, "&Enter Service Mode", kService);
  AddButton(kIdQuitService, "&Quit Service Mode", kService);
  AddButton(kIdAddrVariable, "Edit Adress &Variable", kService);
  AddGroup(kIdResetGroup, "Reset");
  AddButton(kIdResetCan, "&Reset CAN", kIdResetGroup);
  AddButton(kIdResetCanError, "Reset C&AN Error", kIdResetGroup);
}

bool CZelCanNetworkConfig_BusDlg::OnSetActive() {
  const bool newSet = sheet_.NewCommandSet();
  Show(kIdSendNmt, !newSet);
  Show(kIdSendRtr, !newSet);
  Show(kIdResetGroup, newSet);
  Show(kIdResetCan, newSet);
  Show(kIdResetCanError, newSet);
  return true;
}

void CZelCanNetworkConfig_BusDlg::OnEvent(int id, ui::EventKind kind) {
  if (kind != ui::EventKind::Clicked) return;
  link::CanGateway& can = sheet_.Communication().Can();
  link::CanGatewayCommands commands(can);
  CanModuleCommands& module = sheet_.ModuleCommands();
  switch (id) {
    case kIdSendNmt:
      return Report(commands.SendNMT());
    case kIdSendRtr:
      return Report(commands.SendRTR());
    case kIdSendCanMsg:
      return Report(commands.SendCANmsg());
    case kIdGetRemoteData:
      return Report(CanBusCommands::GetRemoteData(can));
    case kIdReadCanError:
      return Report(CanBusCommands::ReadCanError(can, sheet_.Maps()));
    case kIdEnterService:
      module.EnterServiceMode();
      return;
    case kIdQuitService:
      module.QuitServiceMode();
      return;
    case kIdAddrVariable:
      return Report(module.EditAddrVariable());
    case kIdResetCan:
      return Report(can.ResetCAN());
    case kIdResetCanError:
      return Report(can.ResetCANError());
    default:
      return;
  }
}

// --- page 4 ------------------------------------------------------------------------------------

CZelCanNetworkConfig_RtrDlg::CZelCanNetworkConfig_RtrDlg(CZelCanNetworkConfigDlg& sheet)
    : CZelCanNetworkSettingsPage("RTR/SDO", sheet) {
  AddLabel(kIdOldVersion, kOldVersionText);
  const std::array<std::pair<int, const char*>, 4> fields{
      {{kIdRtr0, "RTR ID 0"}, {kIdRtr1, "RTR ID 1"}, {kIdRsdo, "RSDO ID"}, {kIdTsdo, "TSDO ID"}}};
  for (const auto& [id, caption] : fields) {
    AddLabel(id + kLabelOffset, caption);
    AddEdit(id).sameRow = true;
    AddLabel(id + 2 * kLabelOffset, "( Hex )").sameRow = true;
  }
  AddCheckBox(kIdRtr0Active, "RTR ID 0");
  AddCheckBox(kIdRtr1Active, "RTR ID 1").sameRow = true;
  AddButton(kIdConfigRtr, "&Config RTR");
  AddButton(kIdGetRtr, "&GetRTRParameter").sameRow = true;
}

bool CZelCanNetworkConfig_RtrDlg::NewVersion() const {
  return sheet_.NewCommandSet();
}

void CZelCanNetworkConfig_RtrDlg::ShowStates() {
  std::uint16_t config = 0;
  if (ReadCanConfig(config)) {
    on_[0] = (config & link::RtrConfiguration::kChannel0Active) != 0;
    on_[1] = (config & link::RtrConfiguration::kChannel1Active) != 0;
  }
  SetValue(kIdRtr0Active, on_[0] ? 1 : 0);
  SetValue(kIdRtr1Active, on_[1] ? 1 : 0);
  const parameters::CParameterTable& table = sheet_.Communication().Definitions();
  // An active channel's identifier is in use on the bus.
  Enable(kIdRtr0, !on_[0] && table.IsEditable(39, block_.words[kSysConfig]));
  Enable(kIdRtr1, !on_[1] && table.IsEditable(40, block_.words[kSysConfig]));
}

void CZelCanNetworkConfig_RtrDlg::Reload() {
  if (Load())
    for (const Field& field : kRtrFields) ShowField(field);
  if (NewVersion()) ShowStates();
}

bool CZelCanNetworkConfig_RtrDlg::OnSetActive() {
  const bool newSet = NewVersion();
  for (const ui::Control& control : Controls())
    if (control.id != kIdOldVersion) Show(control.id, newSet);
  Show(kIdOldVersion, !newSet);
  Reload();
  return true;
}

bool CZelCanNetworkConfig_RtrDlg::WriteValues() {
  if (!blockRead_) return true;
  // Older firmware has no RTR/SDO page: the block goes back as it was read.
  if (NewVersion() && !Validate(kRtrFields)) return false;
  WriteBlock();
  return true;
}

bool CZelCanNetworkConfig_RtrDlg::OnKillActive() {
  return WriteValues();
}

void CZelCanNetworkConfig_RtrDlg::OnEvent(int id, ui::EventKind kind) {
  if (kind == ui::EventKind::Changed && id >= kIdRtr0 && id <= kIdTsdo) {
    SetModified();
    return;
  }
  if (kind != ui::EventKind::Clicked) return;
  link::CanGateway& can = sheet_.Communication().Can();
  link::CanGatewayCommands commands(can);
  if (id == kIdRtr0Active || id == kIdRtr1Active) {
    const int channel = id == kIdRtr0Active ? 0 : 1;
    std::uint16_t own = 0;
    if (!OwnModuleId(own)) {
      Report(false);
      SetValue(id, on_[channel] ? 1 : 0);
      return;
    }
    Report(
        can.ConfigModuleRtr(own, static_cast<std::uint16_t>(channel),
                            on_[channel] ? link::CanGateway::kRtrOff : link::CanGateway::kRtrOn));
    ShowStates();
  } else if (id == kIdConfigRtr) {
    if (!WriteValues()) return;
    Report(commands.ConfigureModuleRtr());
    Reload();
  } else if (id == kIdGetRtr) {
    if (!WriteValues()) return;
    Report(commands.GetRtrParameter());
    WriteValues();
    Reload();
  }
}

}  // namespace zel::can
