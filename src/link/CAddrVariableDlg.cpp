#include "link/CAddrVariableDlg.h"

#include <cstdio>

#include "link/AddrVariableText.h"
#include "parameters/NumberText.h"
#include "ui/Host.h"

namespace zel::link {

using parameters::NumberText;
using parameters::NumberTextError;

namespace {

bool Refuse(NumberTextError error) {
  if (error == NumberTextError::kNone) return false;
  ui::CurrentHost().ShowMessage(NumberText::Message(error));
  return true;
}

}  // namespace

CReadAddrVariableDlg::CReadAddrVariableDlg(const AddrVariableInput& last)
    : Window("ReadAddrVariable"), address_(last.address) {
  AddLabel(0, "Address (hexadecimal)");
  AddEdit(kIdAddress, NumberText::FormatHex16(last.address)).sameRow = true;
  AddLabel(0, "Data format");
  AddCombo(kIdFormat, {"Signed 16-bit value", "Unsigned 16-bit value", "Signed 32-bit value",
                       "Unsigned 32-bit value"})
      .sameRow = true;
  SetSelection(kIdFormat, static_cast<int>(last.format));
  AddOkCancel();
}

AddrVariableFormat CReadAddrVariableDlg::Format() const {
  int selection = Selection(kIdFormat);
  return static_cast<AddrVariableFormat>(selection < 0 ? 0 : selection);
}

void CReadAddrVariableDlg::OnOK() {
  uint16_t address = 0;
  if (Refuse(NumberText::ParseHex16(Text(kIdAddress), address))) {
    SetFocus(kIdAddress);
    return;
  }
  address_ = address;
  EndDialog(ui::kResultOk);
}

CEditAddrVariableDlg::CEditAddrVariableDlg(uint16_t address, AddrVariableFormat format,
                                           uint32_t value)
    : Window("EditAddrVariable"), format_(format), value_(value) {
  AddLabel(0, "Address");
  AddLabel(kIdAddress, NumberText::FormatHex16(address)).sameRow = true;
  AddLabel(0, "Value");
  AddEdit(kIdValue, FormatValue(format, value, true)).sameRow = true;
  AddRadio(kIdHexadecimal, "Hexadecimal", 1);
  AddRadio(kIdDecimal, "Decimal", 1).sameRow = true;
  SetValue(kIdHexadecimal, 1);
  AddOkCancel();
}

std::string CEditAddrVariableDlg::FormatValue(AddrVariableFormat format, uint32_t value,
                                              bool hexadecimal) {
  return AddrVariableText::Format(format, value, hexadecimal);
}

bool CEditAddrVariableDlg::ParseValue(uint32_t& value) const {
  return !Refuse(AddrVariableText::Parse(format_, Text(kIdValue), hexadecimal_, value));
}

void CEditAddrVariableDlg::OnEvent(int id, ui::EventKind kind) {
  if (kind != ui::EventKind::Clicked || (id != kIdHexadecimal && id != kIdDecimal)) return;
  bool hexadecimal = id == kIdHexadecimal;
  if (hexadecimal == hexadecimal_) return;
  // Convert what is typed so far; text that is no number in the old format stays as typed.
  uint32_t value = 0;
  if (ParseValue(value)) {
    hexadecimal_ = hexadecimal;
    SetText(kIdValue, FormatValue(format_, value, hexadecimal_));
  } else {
    SetValue(hexadecimal_ ? kIdHexadecimal : kIdDecimal, 1);
  }
}

void CEditAddrVariableDlg::OnOK() {
  uint32_t value = 0;
  if (!ParseValue(value)) {
    SetFocus(kIdValue);
    return;
  }
  value_ = value;
  EndDialog(ui::kResultOk);
}

ui::CommandOutcome RunEditAddrVariable(ServiceGroup& service) {
  AddrVariableInput input = service.LastAddrVariable();
  CReadAddrVariableDlg ask(input);
  if (ask.DoModal() != ui::kResultOk) return ui::CommandOutcome::kCancelled;
  input.address = ask.Address();
  input.format = ask.Format();
  service.SetLastAddrVariable(input);

  uint16_t width = ServiceGroup::WidthOf(input.format);
  uint32_t value = 0;
  if (!service.ReadAddrVariable(input.address, width, value)) return ui::CommandOutcome::kFailed;
  input.value = value;
  service.SetLastAddrVariable(input);

  CEditAddrVariableDlg edit(input.address, input.format, value);
  if (edit.DoModal() != ui::kResultOk) return ui::CommandOutcome::kCancelled;
  uint16_t answer = 0;
  if (!service.SetAddrVariable(input.address, width, edit.NewValue(), answer))
    return ui::CommandOutcome::kFailed;
  input.value = edit.NewValue();
  service.SetLastAddrVariable(input);
  return ui::CommandOutcome::kDone;
}

}  // namespace zel::link
