#include "parameters/CZelParameterPage.h"

#include "parameters/CParameterTable.h"
#include "parameters/CZelParameterDlg.h"

namespace zel::parameters {

CZelParameterPage::CZelParameterPage(std::string title, CZelParameterDlg& sheet)
    : ui::PropertyPage(std::move(title)), sheet_(sheet) {}

const CParameterTable& CZelParameterPage::Table() const {
  return sheet_.Table();
}

void CZelParameterPage::AddField(std::int16_t number, const std::string& caption,
                                 NumberFormat format, const std::string& unit, int parent) {
  AddLabel(CaptionId(number), caption, parent);
  AddEdit(EditId(number), {}, parent).sameRow = true;
  AddLabel(UnitId(number), unit, parent).sameRow = true;
  fields_.push_back({number, format});
}

void CZelParameterPage::AddSetDefault() {
  AddButton(kIdSetDefault, "Set &Default");
}

void CZelParameterPage::Fill(const SystemParameterBlock& block) {
  block_ = block;
  sysConfig_ = block.words[1];
  FillControls(block);
}

void CZelParameterPage::FillControls(const SystemParameterBlock& block) {
  for (const Field& field : fields_) {
    std::string text;
    Table().FormatValue(field.number, block.words[static_cast<std::size_t>(field.number)],
                        field.format, text);
    SetText(EditId(field.number), text);
  }
}

void CZelParameterPage::GatherInto(SystemParameterBlock& block) const {
  for (const Field& field : fields_) {
    std::int32_t value = 0;
    // A text that does not convert keeps the word last shown; Validate has said why.
    if (Table().ParseText(field.number, Text(EditId(field.number)), field.format, false, value))
      block.words[static_cast<std::size_t>(field.number)] = static_cast<std::uint16_t>(value);
  }
}

bool CZelParameterPage::Validate() {
  for (const Field& field : fields_) {
    const int id = EditId(field.number);
    if (!IsEnabled(id)) continue;
    std::int32_t value = 0;
    if (!Table().ParseText(field.number, Text(id), field.format, true, value) ||
        !Table().CheckRange(field.number, value, true)) {
      SetFocus(id);
      return false;
    }
  }
  return true;
}

bool CZelParameterPage::FieldEditable(std::int16_t number) const {
  return Table().IsEditable(number, sysConfig_);
}

void CZelParameterPage::UpdateEnabled() {
  for (const Field& field : fields_)
    Enable(EditId(field.number), !readOnly_ && FieldEditable(field.number));
  Enable(kIdSetDefault, !readOnly_ && !defaultDisabled_);
  if (readOnly_) {
    for (const ui::Control& control : Controls())
      if (control.kind != ui::ControlKind::Label && control.kind != ui::ControlKind::Group)
        Enable(control.id, false);
    return;
  }
  UpdateOwnEnabled();
}

bool CZelParameterPage::OnSetActive() {
  sheet_.Redistribute();
  UpdateEnabled();
  return true;
}

bool CZelParameterPage::OnKillActive() {
  return Validate();
}

bool CZelParameterPage::OnApply() {
  return sheet_.ApplyFromPage(*this);
}

void CZelParameterPage::OnEvent(int id, ui::EventKind kind) {
  if (id == kIdSetDefault && kind == ui::EventKind::Clicked) {
    sheet_.SetDefaults();
    UpdateEnabled();
    SetModified();
    return;
  }
  if (kind == ui::EventKind::Changed || kind == ui::EventKind::Clicked ||
      kind == ui::EventKind::Selection)
    SetModified();
  OnPageEvent(id, kind);
}

void CZelParameterPage::SetRadioPair(int firstId, bool second) {
  SetValue(firstId, second ? 0 : 1);
  SetValue(firstId + 1, second ? 1 : 0);
}

}  // namespace zel::parameters
