#include "can/CCanWizardNetworkPages.h"

#include <cstdio>
#include <string>

#include "can/CCanWizardSheet.h"
#include "can/CanModule.h"
#include "can/ModuleParameterEditing.h"
#include "link/CanGateway.h"
#include "link/CanGatewayCommands.h"
#include "link/RtrConfiguration.h"
#include "link/ZelCommunication.h"
#include "parameters/CParameterTable.h"
#include "parameters/NumberText.h"
#include "ui/Host.h"

namespace zel::can {

namespace {

constexpr std::int16_t kRpdoId = 32;
constexpr std::int16_t kTpdoId = 33;
constexpr std::int16_t kRsdoId = 37;
constexpr std::int16_t kTsdoId = 38;
constexpr std::int16_t kRtr0Id = 39;
constexpr std::int16_t kRtr1Id = 40;
constexpr std::int16_t kCanConfig = 41;
constexpr std::uint16_t kPdoActive = 0x4000;

std::uint16_t Read(CanModule& module, std::uint16_t id, std::int16_t number) {
  std::uint32_t value = 0;
  if (!module.ReadTempParam(id, number, 0, value)) value = 0;
  return static_cast<std::uint16_t>(value);
}

// A value that may be written back: shown as 0 too when unread, but known says so.
std::uint16_t ReadKnown(CanModule& module, std::uint16_t id, std::int16_t number, bool& known) {
  std::uint32_t value = 0;
  if (!module.ReadTempParamChecked(id, number, 0, value)) {
    known = false;
    value = 0;
  }
  return static_cast<std::uint16_t>(value);
}

std::string Printf(const char* format, int value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

CCanWizardPage7::CCanWizardPage7(CCanWizardSheet& sheet)
    : CCanWizardPage(kId, "Step %i: Connection!", sheet) {
  AddLabel(kIdRs232 + 10, "How do you want to connect the ZEL in your network?");
  AddRadio(kIdRs232, "CAN network via &RS232, CAN", 1);
  AddRadio(kIdCanInterface, "CAN network via &CAN interface", 1);
  SetValue(kIdRs232, 1);
}

int CCanWizardPage7::NextPage() {
  const bool viaCan = Value(kIdCanInterface) != 0;
  wizard_.connectionText = viaCan ? CCanWizardSheet::kViaCanInterface : CCanWizardSheet::kViaRs232;
  return viaCan ? 282 : 264;
}

CCanWizardPage7a::CCanWizardPage7a(CCanWizardSheet& sheet)
    : CCanWizardPage(kId, "Step %i: Table SDO ID!", sheet) {
  AddLabel(kIdTable + 10, "SDO Communication Channels");
  AddList(kIdTable, {"Module ID", "RxSDO ID", "TxSDO ID"});
}

void CCanWizardPage7a::Entered() {
  std::vector<std::vector<std::string>> rows;
  for (std::uint16_t id : wizard_.foundModules)
    rows.push_back({Printf("Module %i: active", id),
                    Printf("%i", Read(wizard_.Module(), id, kRsdoId)),
                    Printf("%i", Read(wizard_.Module(), id, kTsdoId))});
  SetRows(kIdTable, rows);
}

CCanWizardPage7b::CCanWizardPage7b(CCanWizardSheet& sheet)
    : CCanWizardPage(kId, "Step %i: Table PDO ID!", sheet) {
  AddLabel(kIdTable + 10, "PDO Communication Channels");
  AddList(kIdTable, {"Module ID", "RxPDO ID", "TxPDO ID", "PDO"});
  AddCheckBox(kIdPdoOn, "PDO on for the selected module");
}

void CCanWizardPage7b::ReadRow(std::size_t row) {
  CanModule& module = wizard_.Module();
  const std::uint16_t id = wizard_.foundModules[row];
  bool known = true;
  active_[row] = (ReadKnown(module, id, kCanConfig, known) & kPdoActive) != 0;
  checks_[row] = active_[row];
  rpdo_[row] = ReadKnown(module, id, kRpdoId, known);
  tpdo_[row] = ReadKnown(module, id, kTpdoId, known);
  known_[row] = known;
}

void CCanWizardPage7b::ShowRows() {
  std::vector<std::vector<std::string>> rows;
  for (std::size_t i = 0; i < wizard_.foundModules.size(); ++i)
    rows.push_back(
        {Printf(active_[i] ? "Module %i: active" : "Module %i: inactive", wizard_.foundModules[i]),
         Printf("%i", rpdo_[i]), Printf("%i", tpdo_[i]), checks_[i] ? "[x]" : "[ ]"});
  SetRows(kIdTable, rows);
  const int selected = Selection(kIdTable);
  SetValue(kIdPdoOn, selected >= 0 && static_cast<std::size_t>(selected) < checks_.size() &&
                             checks_[static_cast<std::size_t>(selected)]
                         ? 1
                         : 0);
}

void CCanWizardPage7b::Entered() {
  const std::size_t count = wizard_.foundModules.size();
  active_.assign(count, false);
  checks_.assign(count, false);
  known_.assign(count, false);
  rpdo_.assign(count, 0);
  tpdo_.assign(count, 0);
  for (std::size_t i = 0; i < count; ++i) ReadRow(i);
  ShowRows();
}

void CCanWizardPage7b::EditRow(std::size_t row) {
  const std::uint16_t id = wizard_.foundModules[row];
  // Identifiers that were never read would go back to the module as 0.
  if (!known_[row]) {
    ui::CurrentHost().ShowMessage("Command failed!");
    return;
  }
  CPdoChannelsDlg dlg(wizard_.Communication().Definitions(), id, rpdo_[row], tpdo_[row],
                      active_[row]);
  if (dlg.DoModal() != ui::kResultOk) return;
  link::CanGateway& gateway = wizard_.Communication().Can();
  gateway.SetModuleRPDOID(id, dlg.Rpdo());
  gateway.SetModuleTPDOID(id, dlg.Tpdo());
  gateway.SetModulePdo(id, dlg.On());
  wizard_.Module().SaveTempParam(id);
  ReadRow(row);
  ShowRows();
}

void CCanWizardPage7b::OnEvent(int id, ui::EventKind kind) {
  const int selected = Selection(kIdTable);
  const bool valid = selected >= 0 && static_cast<std::size_t>(selected) < checks_.size();
  if (id == kIdTable && kind == ui::EventKind::Selection) {
    ShowRows();
  } else if (id == kIdTable && kind == ui::EventKind::DoubleClick && valid) {
    EditRow(static_cast<std::size_t>(selected));
  } else if (id == kIdPdoOn && kind == ui::EventKind::Clicked && valid) {
    checks_[static_cast<std::size_t>(selected)] = Value(kIdPdoOn) != 0;
    ShowRows();
  }
}

int CCanWizardPage7b::NextPage() {
  link::CanGateway& gateway = wizard_.Communication().Can();
  for (std::size_t i = 0; i < checks_.size() && i < wizard_.foundModules.size(); ++i)
    // A module whose PDO state was not read is switched only when the user changed its box.
    if (known_[i] || checks_[i] != active_[i])
      gateway.SetModulePdo(wizard_.foundModules[i], checks_[i]);
  return 315;
}

CCanWizardPage7c::CCanWizardPage7c(CCanWizardSheet& sheet)
    : CCanWizardPage(kId, "Step %i: Table RTR ID!", sheet) {
  AddLabel(kIdTable + 10, "RTR Communication Channels");
  AddList(kIdTable, {"Module ID", "RTR Channel 0 ID", "RTR Channel 1 ID"});
}

std::vector<std::string> CCanWizardPage7c::Row(std::uint16_t id) {
  CanModule& module = wizard_.Module();
  const std::uint16_t config = Read(module, id, kCanConfig);
  const bool on0 = (config & link::RtrConfiguration::kChannel0Active) != 0;
  const bool on1 = (config & link::RtrConfiguration::kChannel1Active) != 0;
  return {Printf("Module %i", id),
          Printf("%i", Read(module, id, kRtr0Id)) + "  " +
              Printf(on0 ? "Ch %i: active" : "Ch %i: inactive", 0),
          Printf("%i", Read(module, id, kRtr1Id)) + "  " +
              Printf(on1 ? "Ch %i: active" : "Ch %i: inactive", 1)};
}

void CCanWizardPage7c::Entered() {
  std::vector<std::vector<std::string>> rows;
  for (std::uint16_t id : wizard_.foundModules) rows.push_back(Row(id));
  SetRows(kIdTable, rows);
}

void CCanWizardPage7c::OnEvent(int id, ui::EventKind kind) {
  const int selected = Selection(kIdTable);
  if (id != kIdTable || kind != ui::EventKind::DoubleClick || selected < 0 ||
      static_cast<std::size_t>(selected) >= wizard_.foundModules.size())
    return;
  const std::uint16_t module = wizard_.foundModules[static_cast<std::size_t>(selected)];
  link::CanGatewayCommands commands(wizard_.Communication().Can());
  commands.ConfigureModuleRtr(module);
  Entered();
  wizard_.Module().SaveTempParam(module);
}

CCanWizardPage8::CCanWizardPage8(CCanWizardSheet& sheet)
    : CCanWizardPage(kId, "Step %i: Edit All Parameter!", sheet) {
  AddList(kIdModules, {"Module"});
  AddButton(kIdEdit, "&Edit Actual Parameter Module No. 0");
  Enable(kIdEdit, false);
}

void CCanWizardPage8::Entered() {
  std::vector<std::vector<std::string>> rows;
  for (std::uint16_t id : wizard_.foundModules) rows.push_back({Printf("Module %i", id)});
  SetRows(kIdModules, rows);
  Enable(kIdEdit, Selection(kIdModules) >= 0);
}

void CCanWizardPage8::OnEvent(int id, ui::EventKind kind) {
  const int selected = Selection(kIdModules);
  if (selected < 0 || static_cast<std::size_t>(selected) >= wizard_.foundModules.size()) return;
  const std::uint16_t module = wizard_.foundModules[static_cast<std::size_t>(selected)];
  if (id == kIdModules && kind == ui::EventKind::Selection) {
    SetText(kIdEdit, Printf("&Edit Actual Parameter Module No. %i", module));
    Enable(kIdEdit, true);
  } else if (id == kIdEdit && kind == ui::EventKind::Clicked) {
    const ui::CommandOutcome outcome = ModuleParameterEditing::EditAll(
        wizard_.Module(), wizard_.Communication().Definitions(), module);
    if (outcome == ui::CommandOutcome::kCancelled) return;
    // What the sheet wrote is kept over the module's next power-up.
    const bool stored =
        outcome == ui::CommandOutcome::kDone && wizard_.Module().SaveTempParam(module);
    ui::CurrentHost().ShowMessage(stored ? kStored : "Command failed!");
  }
}

CCanWizardPage9::CCanWizardPage9(CCanWizardSheet& sheet)
    : CCanWizardPage(kId, "Step %i: Summary!", sheet) {
  AddLabel(kIdCount, "");
  AddLabel(kIdBaudrate + 10, "Baudrate:");
  AddLabel(kIdBaudrate, "").sameRow = true;
  AddLabel(kIdInterface + 10, "Interface:");
  AddLabel(kIdInterface, "").sameRow = true;
}

void CCanWizardPage9::Entered() {
  const int count = wizard_.moduleCount;
  SetText(kIdCount, "You have " + std::to_string(count) +
                        (count < 2 ? " module in your network!" : " modules in your network!"));
  const int rate = wizard_.networkBitRate;
  SetText(kIdBaudrate, rate >= 0 && rate < link::CanBitRateTable::kCount
                           ? link::CanBitRateTable::Text(rate)
                           : "all ZEL are in the old state!");
  SetText(kIdInterface, wizard_.connectionText);
}

CPdoChannelsDlg::CPdoChannelsDlg(const parameters::CParameterTable& table, std::uint16_t module,
                                 std::uint16_t rpdo, std::uint16_t tpdo, bool on)
    : Window(Printf("PDO Channels of CAN Module %i", module)),
      table_(table),
      rpdo_(rpdo),
      tpdo_(tpdo) {
  AddLabel(kIdRpdo + 10, "RxPDO ID");
  AddEdit(kIdRpdo, std::to_string(rpdo)).sameRow = true;
  AddLabel(kIdTpdo + 10, "TxPDO ID");
  AddEdit(kIdTpdo, std::to_string(tpdo)).sameRow = true;
  AddCheckBox(kIdPdo, "PDO active");
  SetValue(kIdPdo, on ? 1 : 0);
  AddOkCancel();
}

void CPdoChannelsDlg::OnOK() {
  std::int32_t rpdo = 0, tpdo = 0;
  const auto format = parameters::NumberFormat::kDecimal;
  if (!table_.ParseText(kRpdoId, Text(kIdRpdo), format, true, rpdo) ||
      !table_.CheckRange(kRpdoId, rpdo, true)) {
    SetFocus(kIdRpdo);
    return;
  }
  if (!table_.ParseText(kTpdoId, Text(kIdTpdo), format, true, tpdo) ||
      !table_.CheckRange(kTpdoId, tpdo, true)) {
    SetFocus(kIdTpdo);
    return;
  }
  rpdo_ = static_cast<std::uint16_t>(rpdo);
  tpdo_ = static_cast<std::uint16_t>(tpdo);
  EndDialog(ui::kResultOk);
}

}  // namespace zel::can
