#include "link/CGetRemoteDataDlg.h"

#include "parameters/NumberText.h"
#include "ui/Host.h"

namespace zel::link {

using parameters::NumberText;
using parameters::NumberTextError;

namespace {

// A number typed as the other fields take it: hexadecimal with "0x", else decimal.
NumberTextError ParseWord(const std::string& text, uint16_t& value) {
  if (text.rfind("0x", 0) == 0) return NumberText::ParseHex16(text, value);
  return NumberText::ParseUInt16(text, value);
}

}  // namespace

const std::vector<CGetRemoteDataDlg::Command>& CGetRemoteDataDlg::Commands() {
  static const std::vector<Command> kCommands = {
      {"ReadSysStatus", 1},      {"ReadError", 2},           {"Service", 16},
      {"SetAddrVariable", 17},   {"ReadAddrVariable", 18},   {"ReadTempParam", 20},
      {"ReadVersion", 26},       {"ReadVelocityIsMust", 40}, {"ReadModuleID", 62},
      {"ReadCurrentIsMust", 41}, {"GetRtrParameter", 75},
  };
  return kCommands;
}

CGetRemoteDataDlg::CGetRemoteDataDlg(uint16_t destination)
    : Window("GetRemoteData"), destination_(destination) {
  AddLabel(0, "Destination ID");
  AddEdit(kIdDestination, NumberText::FormatUInt16(destination)).sameRow = true;
  std::vector<std::string> names;
  for (const Command& command : Commands()) names.emplace_back(command.name);
  AddLabel(0, "OpCode");
  AddCombo(kIdOpCode, names).sameRow = true;
  SetSelection(kIdOpCode, 0);
  AddEdit(kIdParameter, "0");
  AddButton(kIdAdd, "&Add ").sameRow = true;
  AddButton(kIdDeleteAll, "&Delete All").sameRow = true;
  AddList(kIdParameters, {"Parameter"});
  AddOkCancel();
}

uint8_t CGetRemoteDataDlg::OpCode() const {
  const int selection = Selection(kIdOpCode);
  const auto& commands = Commands();
  return commands[selection < 0 || selection >= static_cast<int>(commands.size()) ? 0 : selection]
      .code;
}

void CGetRemoteDataDlg::ShowParameters() {
  std::vector<std::vector<std::string>> rows;
  for (uint16_t word : parameters_) rows.push_back({NumberText::FormatHex16(word)});
  SetRows(kIdParameters, rows);
}

void CGetRemoteDataDlg::OnEvent(int id, ui::EventKind /*kind*/) {
  if (id == kIdDeleteAll) {
    parameters_.clear();
    ShowParameters();
  } else if (id == kIdAdd) {
    if (parameters_.size() >= 2) {
      ui::CurrentHost().ShowMessage("You can only add 2 parameters!");
      return;
    }
    uint16_t value = 0;
    NumberTextError error = ParseWord(Text(kIdParameter), value);
    if (error != NumberTextError::kNone) {
      ui::CurrentHost().ShowMessage(NumberText::Message(error));
      return;
    }
    parameters_.push_back(value);
    ShowParameters();
  }
}

void CGetRemoteDataDlg::OnOK() {
  uint16_t value = 0;
  NumberTextError error = NumberText::ParseUInt16(Text(kIdDestination), value);
  if (error != NumberTextError::kNone) {
    ui::CurrentHost().ShowMessage(NumberText::Message(error));
    SetFocus(kIdDestination);
    return;
  }
  destination_ = value;
  EndDialog(ui::kResultOk);
}

}  // namespace zel::link
