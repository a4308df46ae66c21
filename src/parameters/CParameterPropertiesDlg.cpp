#include "parameters/CParameterPropertiesDlg.h"

#include <algorithm>

#include "parameters/CParameterTable.h"
#include "parameters/NumberText.h"
#include "parameters/ParameterDevice.h"
#include "ui/Host.h"

namespace zel::parameters {

namespace {

// SysConfig (parameter 1) bit 14: the ZEL runs in service mode.
constexpr std::int16_t kSysConfigNumber = 1;
constexpr std::uint32_t kServiceModeBit = 0x4000;

const std::vector<std::string> kAccessTexts{"ReadOnly", "WriteOnly", "ReadWrite"};
// The list shows "Signed"/"Unsigned"; the edit dialog's entry carries a trailing blank.
const std::vector<std::string> kSignEntries{"Unsigned ", "Signed"};

std::string LimitText(std::int32_t value, int width, int isSigned) {
  if (width == ParameterDefinition::kWidth16) {
    return isSigned ? NumberText::FormatInt16(static_cast<std::int16_t>(value))
                    : NumberText::FormatUInt16(static_cast<std::uint16_t>(value));
  }
  return isSigned ? NumberText::FormatInt32(value)
                  : NumberText::FormatUInt32(static_cast<std::uint32_t>(value));
}

// Limits compare as the parameter's own type, like the range check does.
long long AsTyped(std::int32_t value, int width, int isSigned) {
  if (width == ParameterDefinition::kWidth16)
    return isSigned ? static_cast<std::int16_t>(value) : static_cast<std::uint16_t>(value);
  return isSigned ? static_cast<long long>(value) : static_cast<std::uint32_t>(value);
}

bool Refuse(NumberTextError error) {
  if (error == NumberTextError::kNone) return false;
  ui::CurrentHost().ShowMessage(NumberText::Message(error));
  return true;
}

}  // namespace

CParameterPropertiesDlg::CParameterPropertiesDlg(CParameterTable& table, ParameterDevice& device)
    : Window("Parameter Properties"), table_(table), device_(device) {
  AddList(kIdList, {"Parameter", "Nb", "Attr", "Type", "Signed", "Service", "Default", "Min", "Max",
                    "Unit"});
  AddButton(kIdEdit, "&Edit Properties");
  AddButton(kIdDefault, "&Default").sameRow = true;
  AddButton(ui::kIdOk, "OK").sameRow = true;
  AddButton(ui::kIdCancel, "Cancel").sameRow = true;
}

std::vector<std::string> CParameterPropertiesDlg::RowOf(const ParameterSlots& slots, int index) {
  auto i = static_cast<std::size_t>(index);
  int width = slots.widths[i];
  int isSigned = slots.signs[i];
  int access = slots.accesses[i];
  return {slots.names[i],
          std::to_string(slots.numbers[i]),
          access >= 0 && access < 3 ? kAccessTexts[static_cast<std::size_t>(access)] : "",
          width == ParameterDefinition::kWidth32 ? "32-bit" : "16-bit",
          isSigned ? "Signed" : "Unsigned",
          slots.services[i] ? "Service" : "",
          LimitText(slots.defaults[i], width, isSigned),
          LimitText(slots.mins[i], width, isSigned),
          LimitText(slots.maxima[i], width, isSigned),
          slots.units[i]};
}

bool CParameterPropertiesDlg::OnInitDialog() {
  table_.CopyOut(slots_);
  count_ = table_.Count();
  FillRows();
  std::uint32_t sysConfig = 0;
  bool serviceMode =
      device_.ReadTempParam(kSysConfigNumber, ParameterDefinition::kWidth16, sysConfig) &&
      (sysConfig & kServiceModeBit) != 0;
  Enable(kIdEdit, serviceMode);
  // Restoring the built-in definitions from here was never offered to the user.
  Enable(kIdDefault, false);
  return true;
}

void CParameterPropertiesDlg::FillRows() {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < count_ && i < ParameterSlots::kSlotCount; ++i)
    rows.push_back(RowOf(slots_, i));
  int selection = Selection(kIdList);
  SetRows(kIdList, std::move(rows));
  SetSelection(kIdList, selection);
}

void CParameterPropertiesDlg::EditSelected() {
  int selection = Selection(kIdList);
  if (selection < 0) {
    ui::CurrentHost().ShowMessage("No item selected!");
    return;
  }
  CParameterPropertyEditDlg edit(slots_, selection);
  if (edit.DoModal() == ui::kResultOk) FillRows();
}

void CParameterPropertiesDlg::OnEvent(int id, ui::EventKind kind) {
  if (kind != ui::EventKind::Clicked) return;
  if (id == kIdEdit) {
    EditSelected();
  } else if (id == kIdDefault) {
    CParameterTable builtIn;
    builtIn.CopyOut(slots_);
    count_ = builtIn.Count();
    FillRows();
  }
}

void CParameterPropertiesDlg::OnOK() {
  table_.CopyIn(slots_);
  EndDialog(ui::kResultOk);
}

CParameterPropertyEditDlg::CParameterPropertyEditDlg(ParameterSlots& slots, int index)
    : Window("Parameter Properties"), slots_(slots), index_(index) {
  auto i = static_cast<std::size_t>(index);
  int width = slots.widths[i];
  int isSigned = slots.signs[i];
  AddLabel(0, "Parameter");
  AddEdit(kIdName, slots.names[i]).sameRow = true;
  AddLabel(0, "Number");
  AddEdit(kIdNumber, std::to_string(slots.numbers[i])).sameRow = true;
  AddLabel(0, "Attribute");
  AddCombo(kIdAttribute, kAccessTexts).sameRow = true;
  SetSelection(kIdAttribute, slots.accesses[i]);
  AddLabel(0, "Type");
  AddCombo(kIdType, {"16-bit", "32-bit"}).sameRow = true;
  SetSelection(kIdType, width == ParameterDefinition::kWidth32 ? 1 : 0);
  AddLabel(0, "Signed");
  AddCombo(kIdSigned, kSignEntries).sameRow = true;
  SetSelection(kIdSigned, isSigned ? 1 : 0);
  AddLabel(0, "Service");
  AddCombo(kIdService, {"FALSE", "TRUE"}).sameRow = true;
  SetSelection(kIdService, slots.services[i] ? 1 : 0);
  AddLabel(0, "Default Value");
  AddEdit(kIdDefaultValue, LimitText(slots.defaults[i], width, isSigned)).sameRow = true;
  AddLabel(0, "Min Value");
  AddEdit(kIdMinValue, LimitText(slots.mins[i], width, isSigned)).sameRow = true;
  AddLabel(0, "Max Value");
  AddEdit(kIdMaxValue, LimitText(slots.maxima[i], width, isSigned)).sameRow = true;
  AddLabel(0, "Unit");
  AddEdit(kIdUnit, slots.units[i]).sameRow = true;
  AddOkCancel();
}

bool CParameterPropertyEditDlg::ParseLimit(int id, int width, int isSigned, std::int32_t& value) {
  std::string text = Text(id);
  NumberTextError error;
  if (width == ParameterDefinition::kWidth16 && isSigned) {
    std::int16_t v = 0;
    error = NumberText::ParseInt16(text, v);
    value = v;
  } else if (width == ParameterDefinition::kWidth16) {
    std::uint16_t v = 0;
    error = NumberText::ParseUInt16(text, v);
    value = v;
  } else if (isSigned) {
    error = NumberText::ParseInt32(text, value);
  } else {
    std::uint32_t v = 0;
    error = NumberText::ParseUInt32(text, v);
    value = static_cast<std::int32_t>(v);
  }
  if (Refuse(error)) {
    SetFocus(id);
    return false;
  }
  return true;
}

void CParameterPropertyEditDlg::OnOK() {
  int width =
      Selection(kIdType) == 1 ? ParameterDefinition::kWidth32 : ParameterDefinition::kWidth16;
  int isSigned = Selection(kIdSigned) == 1 ? 1 : 0;
  std::uint16_t number = 0;
  if (Refuse(NumberText::ParseUInt16(Text(kIdNumber), number))) {
    SetFocus(kIdNumber);
    return;
  }
  if (number > 255) {
    ui::CurrentHost().ShowMessage("Value is too large!");
    SetFocus(kIdNumber);
    return;
  }
  std::int32_t defaultValue = 0, minimum = 0, maximum = 0;
  if (!ParseLimit(kIdDefaultValue, width, isSigned, defaultValue) ||
      !ParseLimit(kIdMinValue, width, isSigned, minimum) ||
      !ParseLimit(kIdMaxValue, width, isSigned, maximum))
    return;
  if (AsTyped(minimum, width, isSigned) > AsTyped(maximum, width, isSigned)) {
    ui::CurrentHost().ShowMessage("Min Value is larger than Max Value!");
    SetFocus(kIdMinValue);
    return;
  }
  auto i = static_cast<std::size_t>(index_);
  slots_.names[i] = Text(kIdName);
  slots_.numbers[i] = static_cast<std::int16_t>(number);
  slots_.accesses[i] = std::max(0, Selection(kIdAttribute));
  slots_.widths[i] = width;
  slots_.signs[i] = isSigned;
  slots_.services[i] = Selection(kIdService) == 1 ? 1 : 0;
  slots_.defaults[i] = defaultValue;
  slots_.mins[i] = minimum;
  slots_.maxima[i] = maximum;
  slots_.units[i] = Text(kIdUnit);
  EndDialog(ui::kResultOk);
}

}  // namespace zel::parameters
