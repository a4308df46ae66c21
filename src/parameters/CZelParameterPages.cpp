#include "parameters/CZelParameterPages.h"

#include "parameters/CParameterTable.h"
#include "parameters/CZelParameterDlg.h"

namespace zel::parameters {

namespace {

constexpr NumberFormat kHex = NumberFormat::kHexadecimal;
constexpr NumberFormat kDec = NumberFormat::kDecimal;
constexpr const char* kHexUnit = "( Hex )";

constexpr std::uint16_t kBit(int bit) {
  return static_cast<std::uint16_t>(1u << bit);
}

// The radio pairs of the System Configuration page: the first radio stands for the bit clear.
struct SourcePair {
  int firstId;
  int bit;
  int groupId;
  const char* group;
  const char* clear;
  const char* set;
};

constexpr SourcePair kSourcePairs[] = {
    {CZelPar_SystemConfigurationDlg::kIdMaxSpeedPotentiometer, 8, 1640, "Max. Speed",
     "Set by potentiometer 'P1'", "Set by software"},
    {CZelPar_SystemConfigurationDlg::kIdOffsetPotentiometer, 9, 1641, "Offset",
     "Set by potentiometer 'P2'", "Set by software"},
    {CZelPar_SystemConfigurationDlg::kIdMaxCurrentPotentiometer, 10, 1642, "Max. Current",
     "Set by potentiometer 'P3'", "Set by software"},
    {CZelPar_SystemConfigurationDlg::kIdGainPotentiometer, 11, 1643, "Gain",
     "Set by potentiometer 'P4'", "Set by software"},
    {CZelPar_SystemConfigurationDlg::kIdEnableInput, 12, 1644, "Enable", "Set by input 'Enable'",
     "Set by software"},
    {CZelPar_SystemConfigurationDlg::kIdStopInput, 7, 1645, "Stop", "Set by input 'STOP'",
     "Set by software"},
};

void SetBit(std::uint16_t& word, int bit, bool on) {
  word = static_cast<std::uint16_t>(on ? word | kBit(bit) : word & ~kBit(bit));
}

}  // namespace

// --- System Configuration -----------------------------------------------------------------

CZelPar_SystemConfigurationDlg::CZelPar_SystemConfigurationDlg(CZelParameterDlg& sheet)
    : CZelParameterPage("System Configuration", sheet) {
  AddCheckBox(kIdDigital2, "Regulation mode selected by 'Digital2' input");
  AddCombo(kIdRegulationMode, {"Current regulator", "Speed regulator"});
  AddRadio(kIdSetValueSoftware, "Set value by software", 1);
  AddRadio(kIdSetValueSoftware + 1, "Set value by analog input", 1).sameRow = true;
  AddCheckBox(kIdDigital1, "Monitor signal selected by 'Digital1' input");
  AddRadio(kIdSpeedMonitor, "Speed monitor signal", 2);
  AddRadio(kIdSpeedMonitor + 1, "Current monitor signal", 2).sameRow = true;
  int group = 3;
  for (const SourcePair& pair : kSourcePairs) {
    AddGroup(pair.groupId, pair.group);
    AddRadio(pair.firstId, pair.clear, group, pair.groupId);
    AddRadio(pair.firstId + 1, pair.set, group, pair.groupId).sameRow = true;
    ++group;
  }
  AddSetDefault();
}

int CZelPar_SystemConfigurationDlg::RegulationMode(std::uint16_t sysConfig) {
  if (sysConfig & kBit(5)) return 3;
  if (sysConfig & kBit(2)) return 0;
  if (sysConfig & kBit(3)) return 2;
  return 1;
}

std::uint16_t CZelPar_SystemConfigurationDlg::WithRegulationMode(std::uint16_t word, int code) {
  switch (code) {
    case 0:
      SetBit(word, 2, true);
      SetBit(word, 5, false);
      break;
    case 1:
      SetBit(word, 2, false);
      SetBit(word, 3, false);
      SetBit(word, 5, false);
      break;
    case 2:
      SetBit(word, 3, true);
      SetBit(word, 2, false);
      SetBit(word, 5, false);
      break;
    case 3:
      SetBit(word, 5, true);
      break;
    default:
      break;
  }
  return word;
}

void CZelPar_SystemConfigurationDlg::FillControls(const SystemParameterBlock& block) {
  const std::uint16_t word = block.words[1];
  SetValue(kIdDigital2, (word & kBit(15)) ? 0 : 1);
  const int code = RegulationMode(word);
  SetSelection(kIdRegulationMode, code <= 1 ? code : -1);
  SetRadioPair(kIdSetValueSoftware, (word & kBit(0)) != 0);
  SetValue(kIdDigital1, (word & kBit(13)) ? 0 : 1);
  SetRadioPair(kIdSpeedMonitor, (word & kBit(4)) != 0);
  for (const SourcePair& pair : kSourcePairs)
    SetRadioPair(pair.firstId, (word & kBit(pair.bit)) != 0);
}

void CZelPar_SystemConfigurationDlg::GatherInto(SystemParameterBlock& block) const {
  std::uint16_t word = block.words[1];
  SetBit(word, 15, Value(kIdDigital2) == 0);
  // Codes 2 and 3 are not in the list: they stay as received until the user picks a mode.
  const int selection = Selection(kIdRegulationMode);
  word = WithRegulationMode(word, selection >= 0 ? selection : RegulationMode(word));
  SetBit(word, 0, RadioPairSecond(kIdSetValueSoftware));
  SetBit(word, 13, Value(kIdDigital1) == 0);
  SetBit(word, 4, RadioPairSecond(kIdSpeedMonitor));
  for (const SourcePair& pair : kSourcePairs) SetBit(word, pair.bit, RadioPairSecond(pair.firstId));
  if (Sheet().ForModule()) {
    SetBit(word, 1, false);
    SetBit(word, 6, false);
  }
  block.words[1] = word;
}

void CZelPar_SystemConfigurationDlg::UpdateOwnEnabled() {
  const bool editable = Table().IsEditable(1, sysConfig_);
  for (const ui::Control& control : Controls())
    if (control.kind != ui::ControlKind::Label && control.kind != ui::ControlKind::Group &&
        control.id != kIdSetDefault)
      Enable(control.id, editable);
  if (!editable) return;
  const bool byDigital2 = Value(kIdDigital2) != 0;
  Enable(kIdRegulationMode, !byDigital2);
  Enable(kIdSetValueSoftware, !byDigital2);
  Enable(kIdSetValueSoftware + 1, !byDigital2);
  const bool byDigital1 = Value(kIdDigital1) != 0;
  Enable(kIdSpeedMonitor, !byDigital1);
  Enable(kIdSpeedMonitor + 1, !byDigital1);
}

void CZelPar_SystemConfigurationDlg::OnPageEvent(int id, ui::EventKind kind) {
  if ((id == kIdDigital1 || id == kIdDigital2) && kind == ui::EventKind::Clicked) UpdateEnabled();
}

// --- Communication ------------------------------------------------------------------------

CZelPar_CommunicationDlg::CZelPar_CommunicationDlg(CZelParameterDlg& sheet)
    : CZelParameterPage("Communication", sheet) {
  AddLabel(CaptionId(0), "Baudrate");
  AddCombo(kIdBaudrate, {"9600", "14400", "19200", "38400", "57600"}).sameRow = true;
  AddLabel(UnitId(0), "baud").sameRow = true;
  AddCheckBox(kIdServiceMode, "Service Mode");
  AddSetDefault();
}

void CZelPar_CommunicationDlg::FillControls(const SystemParameterBlock& block) {
  const std::uint16_t baud = block.words[0];
  SetSelection(kIdBaudrate, baud < 5 ? baud : -1);
  SetValue(kIdServiceMode, (block.words[1] & kBit(14)) ? 1 : 0);
}

void CZelPar_CommunicationDlg::GatherInto(SystemParameterBlock& block) const {
  const int selection = Selection(kIdBaudrate);
  if (selection >= 0) block.words[0] = static_cast<std::uint16_t>(selection);
  SetBit(block.words[1], 14, Value(kIdServiceMode) != 0);
}

bool CZelPar_CommunicationDlg::Validate() {
  // A rate the list does not offer stays as the ZEL has it.
  if (!IsEnabled(kIdBaudrate) || Selection(kIdBaudrate) < 0) return true;
  if (Table().CheckRange(0, Selection(kIdBaudrate), true)) return true;
  SetFocus(kIdBaudrate);
  return false;
}

void CZelPar_CommunicationDlg::UpdateOwnEnabled() {
  Enable(kIdBaudrate, Table().IsEditable(0, sysConfig_));
  Enable(kIdServiceMode, Table().IsEditable(1, sysConfig_));
}

void CZelPar_CommunicationDlg::OnPageEvent(int id, ui::EventKind kind) {
  if (id != kIdServiceMode || kind != ui::EventKind::Clicked) return;
  // Only an accepted password checks the box; unchecking needs none.
  if (Value(kIdServiceMode) == 0) return;
  SetValue(kIdServiceMode, 0);
  if (Sheet().EnterServiceMode()) SetValue(kIdServiceMode, 1);
}

// --- Regulation ---------------------------------------------------------------------------

CZelPar_RegulationDlg::CZelPar_RegulationDlg(CZelParameterDlg& sheet)
    : CZelParameterPage("Regulation", sheet) {
  AddGroup(1660, "Speed Regulation");
  AddField(5, "Proportional gain", kDec, {}, 1660);
  AddField(6, "Integral gain", kDec, {}, 1660);
  AddGroup(1661, "Current Regulation");
  AddField(2, "Proportional gain", kDec, {}, 1661);
  AddField(3, "Integral gain", kDec, {}, 1661);
  AddField(14, "Max. peak current", kDec, "mA");
  AddField(15, "Max. contiuous current", kDec, "mA");
  AddField(4, "Max. output of current regulator", kHex, kHexUnit);
  AddField(16, "Thermal constant", kDec);
  AddSetDefault();
}

// --- System -------------------------------------------------------------------------------

CZelPar_SystemDlg::CZelPar_SystemDlg(CZelParameterDlg& sheet)
    : CZelParameterPage("System ", sheet) {
  AddField(25, "PWM period", kDec, "Clock");
  AddField(26, "Max. duty-cycle", kDec);
  AddField(24, "Offset of index pulse", kDec, "qc");
  AddField(29, "Offset of AD converter", kHex, kHexUnit);
  AddGroup(1662, "Offset of current detection");
  AddField(27, "Phase U", kHex, kHexUnit, 1662);
  AddField(28, "Phase V", kHex, kHexUnit, 1662);
  AddField(11, "Gain of setting Unit", kDec);
  AddField(12, "Offset of setting Unit", kDec);
  AddField(13, "Delay of setting Unit", kDec);
  AddSetDefault();
}

// --- Miscellaneous ------------------------------------------------------------------------

CZelPar_MiscellaneousDlg::CZelPar_MiscellaneousDlg(CZelParameterDlg& sheet)
    : CZelParameterPage("Miscellaneous", sheet) {
  AddField(10, "Limitation of speed error", kHex, kHexUnit);
  AddField(17, "Maximum speed", kDec, "rpm");
  AddField(18, "Acceleration", kDec, "rpm/(128*ms)");
  AddField(19, "Speed constant", kDec, "rpm/V");
  AddField(20, "Encoder resolution", kDec, "pulse/turn");
  AddField(21, "Pole-pair number", kDec);
  AddField(22, "Factor qc/ms to rpm", kDec, "(rpm*ms)/(32*qc)");
  AddField(23, "Factor rpm to qc/ms", kDec, "qc/(65535*rpm*ms)");
  AddCheckBox(kIdAccelerationProfile, "Enable Acceleration Profile ");
  AddSetDefault();
}

bool CZelPar_MiscellaneousDlg::ProfileSwitchable() const {
  return Sheet().SoftwareVersion() > 0x101F || (sysConfig_ & kBit(5)) != 0;
}

void CZelPar_MiscellaneousDlg::FillControls(const SystemParameterBlock& block) {
  CZelParameterPage::FillControls(block);
  SetValue(kIdAccelerationProfile, (block.words[1] & kBit(1)) ? 0 : 1);
}

void CZelPar_MiscellaneousDlg::GatherInto(SystemParameterBlock& block) const {
  CZelParameterPage::GatherInto(block);
  SetBit(block.words[1], 1, Value(kIdAccelerationProfile) == 0);
}

bool CZelPar_MiscellaneousDlg::FieldEditable(std::int16_t number) const {
  // Without the profile the ZEL ignores the acceleration, so it is not offered.
  if (number == 18 && ProfileSwitchable() && Value(kIdAccelerationProfile) == 0) return false;
  return CZelParameterPage::FieldEditable(number);
}

void CZelPar_MiscellaneousDlg::UpdateOwnEnabled() {
  Enable(kIdAccelerationProfile, ProfileSwitchable());
}

void CZelPar_MiscellaneousDlg::OnPageEvent(int id, ui::EventKind kind) {
  if (id == kIdAccelerationProfile && kind == ui::EventKind::Clicked) UpdateEnabled();
}

// --- CAN Parameter ------------------------------------------------------------------------

CZelPar_CanParamDlg::CZelPar_CanParamDlg(CZelParameterDlg& sheet)
    : CZelParameterPage("CAN Parameter", sheet) {
  AddField(30, "Module ID", kHex, kHexUnit);
  AddField(31, "Service ID", kHex, kHexUnit);
  AddField(32, "RPDO ID", kHex, kHexUnit);
  AddField(33, "TPDO ID", kHex, kHexUnit);
  AddField(34, "BCR1", kHex, kHexUnit);
  AddField(35, "BCR2", kHex, kHexUnit);
  AddField(36, "Operation Mode", kHex, kHexUnit);
  AddField(37, "RSDO ID", kHex, kHexUnit);
  AddField(38, "TSDO ID", kHex, kHexUnit);
  AddField(39, "RTR0 ID", kHex, kHexUnit);
  AddField(40, "RTR1 ID", kHex, kHexUnit);
  AddSetDefault();
}

}  // namespace zel::parameters
