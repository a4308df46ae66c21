#include "parameters/CEditTempParamDlg.h"

#include <optional>

#include "parameters/CParameterTable.h"
#include "parameters/EnableSuspension.h"
#include "ui/Host.h"

namespace zel::parameters {

namespace {
constexpr std::int16_t kSysConfig = 1;
constexpr std::uint16_t kEnableBySoftware = 0x1000;

// The command's failure box follows; a drive left changed is named first.
ui::CommandOutcome Failed(const EnableSuspension& suspension) {
  if (!suspension.LeftWith().empty()) ui::CurrentHost().ShowMessage(suspension.LeftWith());
  return ui::CommandOutcome::kFailed;
}
}  // namespace

CSelectParameterDlg::CSelectParameterDlg(const CParameterTable& table)
    : ui::Window("Select a parameter"), table_(table) {
  AddList(kIdList, {"Parameter"});
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < table.Count(); ++i) rows.push_back({table.At(i).name});
  SetRows(kIdList, std::move(rows));
  AddOkCancel();
}

void CSelectParameterDlg::OnOK() {
  const int position = Selection(kIdList);
  if (position < 0) return;
  chosen_ = position < table_.SystemCount() ? position : position - table_.SystemCount() + 128;
  EndDialog(ui::kResultOk);
}

void CSelectParameterDlg::OnEvent(int id, ui::EventKind kind) {
  if (id == kIdList && kind == ui::EventKind::DoubleClick) OnOK();
}

CEditTempParamDlg::CEditTempParamDlg(const CParameterTable& table, std::int16_t number,
                                     std::uint32_t value)
    : ui::Window("EditTempParam"), table_(table), number_(number), value_(value) {
  AddLabel(kIdName, table.Name(number));
  AddEdit(kIdValue);
  AddRadio(kIdHex, "Hex Format", 1);
  AddRadio(kIdDec, "Dec Format", 1).sameRow = true;
  SetValue(kIdDec, 1);
  AddOkCancel();
  ShowValue();
}

NumberFormat CEditTempParamDlg::Format() const {
  return ui::Window::Value(kIdHex) ? NumberFormat::kHexadecimal : NumberFormat::kDecimal;
}

void CEditTempParamDlg::ShowValue() {
  std::string text;
  table_.FormatValue(number_, static_cast<std::int32_t>(value_), Format(), text);
  SetText(kIdValue, text);
}

void CEditTempParamDlg::OnEvent(int id, ui::EventKind kind) {
  if ((id != kIdHex && id != kIdDec) || kind != ui::EventKind::Clicked) return;
  // The value as typed so far is carried over to the other format when it converts.
  std::int32_t value = 0;
  const NumberFormat before = id == kIdHex ? NumberFormat::kDecimal : NumberFormat::kHexadecimal;
  if (table_.ParseText(number_, Text(kIdValue), before, false, value))
    value_ = static_cast<std::uint32_t>(value);
  ShowValue();
}

void CEditTempParamDlg::OnOK() {
  std::int32_t value = 0;
  if (!table_.ParseText(number_, Text(kIdValue), Format(), true, value) ||
      !table_.CheckRange(number_, value, true)) {
    SetFocus(kIdValue);
    return;
  }
  value_ = static_cast<std::uint32_t>(value);
  EndDialog(ui::kResultOk);
}

ui::CommandOutcome CEditTempParamDlg::EditTempParam(const CParameterTable& table,
                                                    ParameterDevice& device) {
  CSelectParameterDlg select(table);
  if (select.DoModal() != ui::kResultOk) return ui::CommandOutcome::kCancelled;
  const auto number = static_cast<std::int16_t>(select.ChosenNumber());
  // The width on the line is the one the firmware has always had for that number.
  const auto width = static_cast<std::uint16_t>(CParameterTable().Width(number));
  std::uint32_t value = 0;
  if (!device.ReadTempParam(number, width, value)) return ui::CommandOutcome::kFailed;
  CEditTempParamDlg edit(table, number, value);
  EnableSuspension suspension(device);
  if (!suspension.Suspend(true)) return Failed(suspension);
  bool ok = true;
  std::optional<bool> softwareEnabling;
  if (edit.DoModal() == ui::kResultOk) {
    std::uint32_t sysConfig = 0;
    ok = device.ReadTempParam(kSysConfig, 0, sysConfig);
    if (ok && table.IsEditable(number, static_cast<std::uint16_t>(sysConfig))) {
      std::uint32_t written = edit.Value();
      // The drive stays disabled by software while the guard holds it; the value's own bit 12
      // is the enable source the user chose, and the guard ends with that one.
      if (number == kSysConfig) {
        softwareEnabling = (written & kEnableBySoftware) != 0;
        written |= kEnableBySoftware;
      }
      ok = device.SetTempParam(number, width, written);
    }
  }
  if (!suspension.Resume(true, softwareEnabling)) return Failed(suspension);
  return ok ? ui::CommandOutcome::kDone : ui::CommandOutcome::kFailed;
}

}  // namespace zel::parameters
