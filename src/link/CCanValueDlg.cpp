#include "link/CCanValueDlg.h"

#include "parameters/CParameterTable.h"
#include "parameters/NumberText.h"
#include "ui/Host.h"

namespace zel::link {

using parameters::NumberFormat;
using parameters::NumberText;
using parameters::NumberTextError;

CCanValueDlg::CCanValueDlg(std::string title, std::vector<Field> fields, bool hexadecimal,
                           const parameters::CParameterTable& definitions)
    : Window(std::move(title)),
      fields_(std::move(fields)),
      hexadecimal_(hexadecimal),
      definitions_(definitions) {
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    AddLabel(0, fields_[i].caption);
    AddEdit(kIdFirstField + static_cast<int>(i), Format(i, fields_[i].value, hexadecimal_))
        .sameRow = true;
  }
  AddRadio(kIdHex, "Hex Format", 1);
  AddRadio(kIdDec, "Dec Format", 1).sameRow = true;
  SetValue(hexadecimal_ ? kIdHex : kIdDec, 1);
  AddOkCancel();
}

bool CCanValueDlg::Parse(std::size_t field, bool hexadecimal, uint16_t& value,
                         bool showMessage) const {
  const std::string text = Text(kIdFirstField + static_cast<int>(field));
  const int16_t number = fields_[field].parameter;
  parameters::ParameterDefinition definition;
  if (number >= 0 && definitions_.Find(number, definition)) {
    int32_t parsed = 0;
    const NumberFormat format = hexadecimal ? NumberFormat::kHexadecimal : NumberFormat::kDecimal;
    if (!definitions_.ParseText(number, text, format, showMessage, parsed)) return false;
    if (!definitions_.CheckRange(number, parsed, showMessage)) return false;
    value = static_cast<uint16_t>(parsed);
    return true;
  }
  NumberTextError error = text.size() > kMaxPlainDigits ? NumberTextError::kTooLarge
                          : hexadecimal                 ? NumberText::ParseHex16(text, value)
                                                        : NumberText::ParseUInt16(text, value);
  if (error == NumberTextError::kNone) return true;
  if (showMessage) ui::CurrentHost().ShowMessage(NumberText::Message(error));
  return false;
}

std::string CCanValueDlg::Format(std::size_t field, uint16_t value, bool hexadecimal) const {
  std::string text;
  const NumberFormat format = hexadecimal ? NumberFormat::kHexadecimal : NumberFormat::kDecimal;
  if (fields_[field].parameter >= 0 &&
      definitions_.FormatValue(fields_[field].parameter, static_cast<int16_t>(value), format,
                               text)) {
    return text;
  }
  return hexadecimal ? NumberText::FormatHex16(value) : NumberText::FormatUInt16(value);
}

void CCanValueDlg::OnEvent(int id, ui::EventKind /*kind*/) {
  if (id != kIdHex && id != kIdDec) return;
  const bool hexadecimal = id == kIdHex;
  if (hexadecimal == hexadecimal_) return;
  // The texts follow the switch when they still read as numbers in the old format.
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    uint16_t value = 0;
    if (Parse(i, hexadecimal_, value, false)) {
      SetText(kIdFirstField + static_cast<int>(i), Format(i, value, hexadecimal));
    }
  }
  hexadecimal_ = hexadecimal;
}

void CCanValueDlg::OnOK() {
  std::vector<uint16_t> values(fields_.size());
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (!Parse(i, hexadecimal_, values[i], true)) {
      SetFocus(kIdFirstField + static_cast<int>(i));
      return;
    }
  }
  std::vector<uint16_t> previous(fields_.size());
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    previous[i] = fields_[i].value;
    fields_[i].value = values[i];
  }
  if (!Accept()) {
    for (std::size_t i = 0; i < fields_.size(); ++i) fields_[i].value = previous[i];
    return;
  }
  EndDialog(ui::kResultOk);
}

bool CCanValueDlg::CheckAs(std::size_t field, int16_t parameter) {
  parameters::ParameterDefinition definition;
  if (!definitions_.Find(parameter, definition)) return true;
  // The field was read as a plain word; read it again by the parameter's definition.
  int32_t parsed = 0;
  const NumberFormat format = hexadecimal_ ? NumberFormat::kHexadecimal : NumberFormat::kDecimal;
  const std::string text = Text(kIdFirstField + static_cast<int>(field));
  if (!definitions_.ParseText(parameter, text, format, true, parsed) ||
      !definitions_.CheckRange(parameter, parsed, true)) {
    SetFocus(kIdFirstField + static_cast<int>(field));
    return false;
  }
  fields_[field].value = static_cast<uint16_t>(parsed);
  return true;
}

}  // namespace zel::link
