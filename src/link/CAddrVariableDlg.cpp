#include "link/CAddrVariableDlg.h"

#include <cstdio>

#include "parameters/NumberText.h"
#include "ui/Host.h"

namespace zel::link {

using parameters::NumberText;
using parameters::NumberTextError;

namespace {

bool Is32Bit(AddrVariableFormat format) {
  return ServiceGroup::WidthOf(format) == 1;
}

bool IsSigned(AddrVariableFormat format) {
  return format == AddrVariableFormat::kSigned16 || format == AddrVariableFormat::kSigned32;
}

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
  bool wide = Is32Bit(format);
  if (hexadecimal)
    return wide ? NumberText::FormatHex32(value)
                : NumberText::FormatHex16(static_cast<uint16_t>(value));
  switch (format) {
    case AddrVariableFormat::kSigned16:
      return NumberText::FormatInt16(static_cast<int16_t>(value));
    case AddrVariableFormat::kUnsigned16:
      return NumberText::FormatUInt16(static_cast<uint16_t>(value));
    case AddrVariableFormat::kSigned32:
      return NumberText::FormatInt32(static_cast<int32_t>(value));
    case AddrVariableFormat::kUnsigned32:
      break;
  }
  return NumberText::FormatUInt32(value);
}

bool CEditAddrVariableDlg::ParseValue(uint32_t& value) const {
  std::string text = Text(kIdValue);
  NumberTextError error = NumberTextError::kNone;
  if (hexadecimal_) {
    if (Is32Bit(format_)) return !Refuse(NumberText::ParseHex32(text, value));
    uint16_t word = 0;
    error = NumberText::ParseHex16(text, word);
    if (error == NumberTextError::kNone) value = word;
  } else if (Is32Bit(format_)) {
    if (!IsSigned(format_)) return !Refuse(NumberText::ParseUInt32(text, value));
    int32_t signedValue = 0;
    error = NumberText::ParseInt32(text, signedValue);
    if (error == NumberTextError::kNone) value = static_cast<uint32_t>(signedValue);
  } else if (IsSigned(format_)) {
    int16_t signedWord = 0;
    error = NumberText::ParseInt16(text, signedWord);
    // The ZEL takes the word's bit pattern.
    if (error == NumberTextError::kNone) value = static_cast<uint16_t>(signedWord);
  } else {
    uint16_t word = 0;
    error = NumberText::ParseUInt16(text, word);
    if (error == NumberTextError::kNone) value = word;
  }
  return !Refuse(error);
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
