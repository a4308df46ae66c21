#include "monitor/CVariablesDlg.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "link/RecorderGroup.h"
#include "parameters/CParameterTable.h"
#include "parameters/ParameterDefinition.h"
#include "ui/Host.h"

namespace zel::monitor {

namespace {

constexpr const char* kNotAllowed = "This variable is not allowed!";
constexpr const char* kNoSelection = "No item selected";
constexpr const char* kRefreshFailed = "Failed refreshing data!";
constexpr const char* kBadAddress = "Please enter an address between 0x0100 and 0xFFFF!";

// The ZEL reads every number below this one as a parameter number, never as an address.
constexpr unsigned long kFirstAddress = 0x100;

}  // namespace

std::string WatchVariable::TypeText() const {
  std::string text = isSigned ? "Signed " : "Unsigned ";
  return text + (wide ? "32-bit value" : "16-bit value");
}

std::string WatchVariable::ValueText() const {
  if (!value) return {};
  char text[24];
  if (hexadecimal) {
    std::snprintf(text, sizeof text, wide ? "0x%.8X" : "0x%.4X", *value);
  } else if (wide) {
    std::snprintf(text, sizeof text, isSigned ? "%i" : "%u", *value);
  } else if (isSigned) {
    std::snprintf(text, sizeof text, "%i", static_cast<int>(static_cast<std::int16_t>(*value)));
  } else {
    std::snprintf(text, sizeof text, "%u", *value & 0xFFFFu);
  }
  return text;
}

CVariablesDlg::CVariablesDlg(link::RecorderGroup& recorder,
                             const parameters::CParameterTable& definitions)
    : Window("Read N Variables"), recorder_(recorder), definitions_(definitions) {
  std::vector<std::string> names;
  for (int i = 0; i < definitions_.Count(); ++i) {
    parameters::ParameterDefinition definition = definitions_.At(i);
    offered_.push_back(definition.number);
    names.push_back(std::to_string(definition.number) + " " + definition.name);
  }
  AddList(kIdList, {"Name", "Type", "Format", "Value"});
  AddLabel(0, "Parameter:");
  AddCombo(kIdParameter, std::move(names)).sameRow = true;
  AddButton(kIdAddParameter, "Add &Parameter").sameRow = true;
  AddLabel(0, "Address:");
  AddEdit(kIdAddress, "0x").sameRow = true;
  AddCombo(kIdType, {"Signed 16-bit value", "Unsigned 16-bit value"}).sameRow = true;
  AddButton(kIdAddAddress, "Add A&ddress").sameRow = true;
  AddLabel(0, "Format:");
  AddCombo(kIdFormat, {"Decimal", "Hexadecimal"}).sameRow = true;
  AddButton(kIdEdit, "&Edit").sameRow = true;
  AddButton(kIdRemove, "Re&move").sameRow = true;
  AddButton(kIdRefresh, "&Refresh");
  AddButton(ui::kIdOk, "OK").sameRow = true;
  SetSelection(kIdParameter, offered_.empty() ? -1 : 0);
  SetSelection(kIdType, kTypeSigned16);
  SetSelection(kIdFormat, kFormatDecimal);
}

bool CVariablesDlg::Accept(WatchVariable variable) {
  if (variables_.size() >= kMaxVariables) {
    ui::CurrentHost().ShowMessage(kNotAllowed);
    return false;
  }
  variable.hexadecimal = Selection(kIdFormat) == kFormatHexadecimal;
  variables_.push_back(std::move(variable));
  ShowRows();
  return true;
}

bool CVariablesDlg::AddParameter(std::int16_t number) {
  parameters::ParameterDefinition definition;
  // One read returns 16-bit values only as the list shows them; wider ones are refused.
  if (!definitions_.Find(number, definition) ||
      definition.width != parameters::ParameterDefinition::kWidth16) {
    ui::CurrentHost().ShowMessage(kNotAllowed);
    return false;
  }
  WatchVariable variable;
  variable.variable = static_cast<std::uint16_t>(number);
  variable.isParameter = true;
  variable.isSigned = definition.isSigned != 0;
  variable.name = definition.name;
  return Accept(std::move(variable));
}

bool CVariablesDlg::AddAddress(const std::string& addressText, bool isSigned) {
  const char* begin = addressText.c_str();
  char* end = nullptr;
  // "0x" introduces hexadecimal; anything else is decimal (a leading 0 is no octal prefix here).
  const bool hex = addressText.starts_with("0x") || addressText.starts_with("0X");
  unsigned long address = std::strtoul(hex ? begin + 2 : begin, &end, hex ? 16 : 10);
  bool valid = end != begin + (hex ? 2 : 0) && *end == '\0' &&
               addressText.find_first_of("-+ \t") == std::string::npos && address <= 0xFFFF;
  if (!valid) {
    ui::CurrentHost().ShowMessage(kBadAddress);
    SetFocus(kIdAddress);
    return false;
  }
  if (address < kFirstAddress) {
    ui::CurrentHost().ShowMessage(kNotAllowed);
    return false;
  }
  char name[32];
  std::snprintf(name, sizeof name, "Address 0x%.4lX", address);
  WatchVariable variable;
  variable.variable = static_cast<std::uint16_t>(address);
  variable.isSigned = isSigned;
  variable.name = name;
  return Accept(std::move(variable));
}

bool CVariablesDlg::RefreshNow() {
  if (variables_.empty()) return true;
  std::vector<std::uint16_t> numbers;
  for (const WatchVariable& variable : variables_) numbers.push_back(variable.variable);
  std::vector<std::uint8_t> bytes;
  if (!recorder_.ReadVariables(numbers, bytes)) return false;
  // The values follow each other low byte first, each as wide as its definition says.
  std::size_t offset = 0;
  for (WatchVariable& variable : variables_) {
    std::size_t size = variable.isParameter ? static_cast<std::size_t>(definitions_.ByteSize(
                                                  static_cast<std::int16_t>(variable.variable)))
                                            : 2u;
    if (offset + size > bytes.size()) return false;
    std::uint32_t value = 0;
    for (std::size_t b = 0; b < size && b < 4; ++b)
      value |= static_cast<std::uint32_t>(bytes[offset + b]) << (8 * b);
    variable.value = value;
    offset += size;
  }
  ShowRows();
  return true;
}

void CVariablesDlg::ShowRows() {
  std::vector<std::vector<std::string>> rows;
  for (const WatchVariable& variable : variables_)
    rows.push_back(
        {variable.name, variable.TypeText(), variable.FormatText(), variable.ValueText()});
  int selection = Selection(kIdList);
  SetRows(kIdList, std::move(rows));
  SetSelection(kIdList, selection < static_cast<int>(variables_.size()) ? selection : -1);
}

bool CVariablesDlg::SelectedRow(std::size_t& row) {
  int selection = Selection(kIdList);
  if (selection < 0 || static_cast<std::size_t>(selection) >= variables_.size()) {
    ui::CurrentHost().ShowMessage(kNoSelection);
    return false;
  }
  row = static_cast<std::size_t>(selection);
  return true;
}

void CVariablesDlg::OnEvent(int id, ui::EventKind kind) {
  if (kind != ui::EventKind::Clicked) return;
  std::size_t row = 0;
  switch (id) {
    case kIdAddParameter: {
      int chosen = Selection(kIdParameter);
      if (chosen < 0 || static_cast<std::size_t>(chosen) >= offered_.size()) {
        ui::CurrentHost().ShowMessage(kNoSelection);
        return;
      }
      AddParameter(offered_[static_cast<std::size_t>(chosen)]);
      break;
    }
    case kIdAddAddress:
      AddAddress(Text(kIdAddress), Selection(kIdType) != kTypeUnsigned16);
      break;
    case kIdEdit:
      if (!SelectedRow(row)) return;
      variables_[row].hexadecimal = Selection(kIdFormat) == kFormatHexadecimal;
      // A parameter's type is its definition's; an address takes the chosen one.
      if (!variables_[row].isParameter)
        variables_[row].isSigned = Selection(kIdType) != kTypeUnsigned16;
      ShowRows();
      break;
    case kIdRemove:
      if (!SelectedRow(row)) return;
      variables_.erase(variables_.begin() + static_cast<std::ptrdiff_t>(row));
      SetSelection(kIdList, -1);
      ShowRows();
      break;
    case kIdRefresh:
      if (!RefreshNow()) ui::CurrentHost().ShowMessage(kRefreshFailed);
      break;
    default:
      break;
  }
}

}  // namespace zel::monitor
