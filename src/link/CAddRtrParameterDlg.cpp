#include "link/CAddRtrParameterDlg.h"

#include "parameters/CParameterTable.h"
#include "parameters/NumberText.h"
#include "ui/Host.h"

namespace zel::link {

using parameters::NumberText;
using parameters::NumberTextError;

CAddRtrParameterDlg::CAddRtrParameterDlg(std::string title, int channel,
                                         const parameters::CParameterTable& table)
    : Window(std::move(title)), table_(table) {
  AddGroup(0, "Parameter Selection");
  AddRadio(kIdChannel0, "Channel &0", 1);
  AddRadio(kIdChannel1, "Channel &1", 1).sameRow = true;
  SetValue(channel == 1 ? kIdChannel1 : kIdChannel0, 1);
  if (channel >= 0) {
    Enable(kIdChannel0, false);
    Enable(kIdChannel1, false);
  }
  AddRadio(kIdParameterMode, "&Parameter Mode", 2);
  AddRadio(kIdAddressMode, "&Address Mode", 2).sameRow = true;
  SetValue(kIdParameterMode, 1);
  AddRadio(kIdWord, "&Word", 3);
  AddRadio(kIdLongWord, "&LWord", 3).sameRow = true;
  SetValue(kIdWord, 1);
  std::vector<std::string> names;
  for (int index = 0; index < table.Count(); ++index) names.push_back(table.At(index).name);
  AddCombo(kIdParameters, names);
  SetSelection(kIdParameters, names.empty() ? -1 : 0);
  AddLabel(0, "Address Number");
  AddEdit(kIdAddress, "0x0000").sameRow = true;
  AddRadio(kIdHex, "Hex Format", 4);
  AddRadio(kIdDec, "Dec Format", 4).sameRow = true;
  SetValue(kIdHex, 1);
  AddOkCancel();
  UpdateModes();
}

void CAddRtrParameterDlg::UpdateModes() {
  const bool address = Value(kIdAddressMode) != 0;
  // In parameter mode the definition decides the width.
  Enable(kIdWord, address);
  Enable(kIdLongWord, address);
  Enable(kIdParameters, !address);
  Enable(kIdAddress, address);
  Enable(kIdHex, address);
  Enable(kIdDec, address);
}

void CAddRtrParameterDlg::OnEvent(int id, ui::EventKind /*kind*/) {
  if (id == kIdParameterMode || id == kIdAddressMode) UpdateModes();
  if (id == kIdHex || id == kIdDec) {
    const bool hexadecimal = id == kIdHex;
    uint16_t value = 0;
    const std::string text = Text(kIdAddress);
    NumberTextError error =
        hexadecimal_ ? NumberText::ParseHex16(text, value) : NumberText::ParseUInt16(text, value);
    if (error == NumberTextError::kNone && hexadecimal != hexadecimal_) {
      SetText(kIdAddress,
              hexadecimal ? NumberText::FormatHex16(value) : NumberText::FormatUInt16(value));
    }
    hexadecimal_ = hexadecimal;
  }
}

void CAddRtrParameterDlg::OnOK() {
  const int channel = Value(kIdChannel1) != 0 ? 1 : 0;
  if (Value(kIdAddressMode) != 0) {
    uint16_t address = 0;
    const std::string text = Text(kIdAddress);
    NumberTextError error = hexadecimal_ ? NumberText::ParseHex16(text, address)
                                         : NumberText::ParseUInt16(text, address);
    if (error != NumberTextError::kNone) {
      ui::CurrentHost().ShowMessage(NumberText::Message(error));
      SetFocus(kIdAddress);
      return;
    }
    entry_ = RtrEntry::Make(channel, true, Value(kIdLongWord) != 0, address);
  } else {
    const int position = Selection(kIdParameters);
    if (position < 0 || position >= table_.Count()) return;
    const parameters::ParameterDefinition d = table_.At(position);
    // Status values count from 128 after the system definitions, whatever their numbers.
    const int systems = table_.SystemCount();
    const int number = position < systems ? position : 128 + (position - systems);
    entry_ = RtrEntry::Make(channel, false, d.width == parameters::ParameterDefinition::kWidth32,
                            static_cast<uint16_t>(number));
  }
  EndDialog(ui::kResultOk);
}

}  // namespace zel::link
