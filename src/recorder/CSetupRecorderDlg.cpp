#include "recorder/CSetupRecorderDlg.h"

#include <cstdio>

#include "parameters/CParameterTable.h"
#include "parameters/NumberText.h"
#include "parameters/ParameterDefinition.h"
#include "ui/Host.h"

namespace zel::recorder {

namespace {

constexpr int kRadioGroup = 1;
// The list offers status indices 0..6 and, with more than 9 status parameters, 9..12: the
// positions 7 and 8 of the status table are not offered.
constexpr int kFirstCount = 7;
constexpr int kSkipped = 2;
constexpr int kSecondCount = 4;

std::vector<std::int16_t> StatusNumbers(const parameters::CParameterTable& definitions) {
  std::vector<std::int16_t> numbers;
  for (int i = 0; i < definitions.Count(); ++i) {
    const std::int16_t number = definitions.NumberAt(i);
    if (number >= 128) numbers.push_back(number);
  }
  return numbers;
}

}  // namespace

CSetupRecorderDlg::CSetupRecorderDlg(const RecorderSetup& setup,
                                     const parameters::CParameterTable& definitions)
    : Window("SetupRecorder"), setup_(setup) {
  const std::vector<std::int16_t> status = StatusNumbers(definitions);
  std::vector<std::string> names;
  for (int p = 0; p < kFirstCount + kSecondCount; ++p) {
    if (p >= kFirstCount && status.size() <= 9) break;
    const std::size_t index = static_cast<std::size_t>(p < kFirstCount ? p : p + kSkipped);
    if (index >= status.size()) break;
    offered_.push_back(status[index]);
    names.push_back(definitions.Name(status[index]));
  }
  AddLabel(0, "Set up the recorder in current regulator!");
  AddLabel(0, "Sampling period");
  AddEdit(kIdPeriod).sameRow = true;
  AddLabel(0, "ms").sameRow = true;
  AddRadio(kIdSelectVariable, "Select variable", kRadioGroup);
  AddRadio(kIdEnterAddress, "Enter memory address", kRadioGroup).sameRow = true;
  AddLabel(kIdInputLabel, "Variable");
  AddCombo(kIdVariable, std::move(names)).sameRow = true;
  AddEdit(kIdAddress).sameRow = true;
  AddLabel(kIdHexLabel, "( Hex )").sameRow = true;
  AddLabel(0, "Data format");
  AddCombo(kIdFormat, {"Signed 16-bit value", "Unsigned 16-bit value"}).sameRow = true;
  AddOkCancel();
}

bool CSetupRecorderDlg::OnInitDialog() {
  SetText(kIdPeriod, FormatPeriod(setup_.samplePeriod));
  int selection = offered_.empty() ? -1 : 0;
  for (std::size_t p = 0; p < offered_.size(); ++p)
    if (setup_.mode == RecorderSetup::kModeParameter &&
        offered_[p] == static_cast<std::int16_t>(setup_.variable))
      selection = static_cast<int>(p);
  SetSelection(kIdVariable, selection);
  char address[16];
  std::snprintf(address, sizeof address, "0x%X", setup_.variable);
  SetText(kIdAddress, setup_.mode == RecorderSetup::kModeAddress ? address : "0x0300");
  SetSelection(kIdFormat, setup_.signedFormat == 1 ? kFormatSigned : kFormatUnsigned);
  ShowMode(setup_.mode == RecorderSetup::kModeAddress ? RecorderSetup::kModeAddress
                                                      : RecorderSetup::kModeParameter);
  return true;
}

void CSetupRecorderDlg::ShowMode(std::int32_t mode) {
  const bool address = mode == RecorderSetup::kModeAddress;
  SetValue(address ? kIdEnterAddress : kIdSelectVariable, 1);
  SetText(kIdInputLabel, address ? "Memory address" : "Variable");
  Show(kIdVariable, !address);
  Show(kIdAddress, address);
  Show(kIdHexLabel, address);
  // The data format belongs to a raw address; a parameter brings its own.
  Enable(kIdFormat, address);
}

void CSetupRecorderDlg::OnEvent(int id, ui::EventKind kind) {
  if (kind != ui::EventKind::Clicked && kind != ui::EventKind::Changed) return;
  if (id == kIdSelectVariable && Value(id) != 0) ShowMode(RecorderSetup::kModeParameter);
  if (id == kIdEnterAddress && Value(id) != 0) ShowMode(RecorderSetup::kModeAddress);
}

bool CSetupRecorderDlg::ParsePeriod(const std::string& text, std::uint16_t& tenths,
                                    std::string& message) {
  std::uint64_t value = 0;
  bool point = false;
  int decimals = 0;
  for (char c : text) {
    if (c == '.') {
      if (point) {
        message = kBadPeriod;
        return false;
      }
      point = true;
      continue;
    }
    if (c < '0' || c > '9' || (point && ++decimals > 1)) {
      message = kBadPeriod;
      return false;
    }
    // Held below the limit so a long text cannot overflow; it is too large either way.
    if (value <= 0xFFFFFFFFull) value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (decimals == 0) value *= 10;
  if (value > 65535) {
    message = kPeriodTooLarge;
    return false;
  }
  tenths = static_cast<std::uint16_t>(value);
  return true;
}

std::string CSetupRecorderDlg::FormatPeriod(std::uint16_t tenths) {
  char text[16];
  std::snprintf(text, sizeof text, "%.1f", tenths * 0.1);
  return text;
}

void CSetupRecorderDlg::OnOK() {
  RecorderSetup chosen = setup_;
  std::string message;
  if (!ParsePeriod(Text(kIdPeriod), chosen.samplePeriod, message)) {
    ui::CurrentHost().ShowMessage(message);
    SetFocus(kIdPeriod);
    return;
  }
  if (Value(kIdEnterAddress) != 0) {
    std::uint16_t address = 0;
    const parameters::NumberTextError error =
        parameters::NumberText::ParseHex16(Text(kIdAddress), address);
    if (error != parameters::NumberTextError::kNone) {
      ui::CurrentHost().ShowMessage(parameters::NumberText::Message(error));
      SetFocus(kIdAddress);
      return;
    }
    chosen.mode = RecorderSetup::kModeAddress;
    chosen.variable = address;
    chosen.signedFormat = Selection(kIdFormat) == kFormatSigned ? 1 : 0;
  } else {
    const int position = Selection(kIdVariable);
    if (position >= 0 && static_cast<std::size_t>(position) < offered_.size())
      chosen.variable = static_cast<std::uint16_t>(offered_[static_cast<std::size_t>(position)]);
    chosen.mode = RecorderSetup::kModeParameter;
  }
  setup_ = chosen;
  EndDialog(ui::kResultOk);
}

}  // namespace zel::recorder
