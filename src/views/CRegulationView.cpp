#include "views/CRegulationView.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "common/DecimalRound.h"
#include "link/ZelCommunication.h"
#include "ui/Host.h"

namespace zel::views {

namespace {

constexpr std::int16_t kSysConfig = 1;
constexpr std::int16_t kStatusWord = 128;
std::string Format(const std::string& format, int value) {
  char text[32];
  std::snprintf(text, sizeof text, format.c_str(), value);
  return text;
}

void Tell(const std::string& text) {
  ui::CurrentHost().ShowMessage(text);
}

// An edit's text as a whole number; nothing for text that is not one.
std::optional<long> ParseWhole(const std::string& text) {
  const char* begin = text.c_str();
  while (*begin == ' ') ++begin;
  if (*begin == '\0') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  long value = std::strtol(begin, &end, 10);
  while (*end == ' ') ++end;
  if (*end != '\0' || errno == ERANGE) return std::nullopt;
  return value;
}

}  // namespace

CRegulationView::CRegulationView(std::string title, std::string setValueName, std::string unit,
                                 std::int16_t setValueParameter, bool withLimitCurve)
    : RegulationViewLayout(std::move(title), unit),
      setValueName_(std::move(setValueName)),
      unit_(std::move(unit)),
      setValueParameter_(setValueParameter),
      trend_(unit_, withLimitCurve) {}

CRegulationView::~CRegulationView() = default;

void CRegulationView::AddSetting(std::int16_t number, std::string name, std::string unitFormat,
                                 std::uint16_t softwareBit, int defaultValue, int minimum,
                                 int maximum) {
  RedrawSetting(AddSettingControls(number, std::move(name), std::move(unitFormat), softwareBit,
                                   defaultValue, minimum, maximum));
}

void CRegulationView::BuildSources(bool withStop, bool withPotentiometers14) {
  AddSourceControls(withStop, withPotentiometers14);
  ApplySysConfig();
  UpdateSetValueRange();
  RedrawSetValue();
  MarkFresh(false);
}

std::int16_t CRegulationView::ToWire(int value) const {
  return static_cast<std::int16_t>(softwareVersion_ == 0x1000 ? -value : value);
}

int CRegulationView::FromWire(std::uint16_t word) const {
  const int value = static_cast<std::int16_t>(word);
  return softwareVersion_ == 0x1000 ? -value : value;
}

int CRegulationView::ValueOf(std::int16_t number, std::uint16_t word) const {
  if (communication_ && !communication_->Definitions().IsSigned(number)) return word;
  return static_cast<std::int16_t>(word);
}

// --- Reading --------------------------------------------------------------------------------

bool CRegulationView::NotOnline() {
  MarkFresh(false);
  Tell(kNotOnlineSettings);
  return false;
}

bool CRegulationView::ReRead() {
  if (!ReadAll()) return false;
  MarkFresh(true);
  return true;
}

bool CRegulationView::ReadIdentity() {
  if (!communication_ ||
      !communication_->Parameter().ReadVersion(softwareVersion_, hardwareVersion_,
                                               applicationNumber_, applicationVersion_))
    return NotOnline();
  return true;
}

bool CRegulationView::ReadSysConfig() {
  if (!communication_ || !communication_->Parameter().ReadTempParam(kSysConfig, sysConfig_))
    return NotOnline();
  // The ranges follow the definitions of the firmware in use; the gains' maxima come from the
  // ZEL itself from 0x1020 on.
  const parameters::CParameterTable& definitions = communication_->Definitions();
  for (Setting& s : settings_) {
    std::int32_t defaultValue = 0;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    int service = 0;
    if (!definitions.GetLimits(s.number, defaultValue, minimum, maximum, service)) continue;
    const bool isSigned = definitions.IsSigned(s.number) != 0;
    auto word = [isSigned](std::int32_t v) {
      return isSigned ? static_cast<int>(static_cast<std::int16_t>(v))
                      : static_cast<int>(static_cast<std::uint16_t>(v));
    };
    s.minimum = word(minimum);
    s.maximum = word(maximum);
    if (softwareVersion_ > 0x101F && (s.number == 5 || s.number == 6)) {
      std::uint16_t readMaximum = 0;
      if (communication_->Parameter().ReadTempParam(s.number == 5 ? 9 : 7, readMaximum))
        s.maximum = ValueOf(s.number == 5 ? 9 : 7, readMaximum);
    }
    RedrawSetting(s);
  }
  ApplySysConfig();
  return true;
}

bool CRegulationView::ReadSetting(std::int16_t number) {
  std::uint16_t word = 0;
  if (!communication_ || !communication_->Parameter().ReadTempParam(number, word))
    return NotOnline();
  TakeValue(number, word);
  return true;
}

bool CRegulationView::ReadStatusBits() {
  std::uint16_t status = 0;
  if (!communication_ || !communication_->Parameter().ReadTempParam(kStatusWord, status))
    return NotOnline();
  // Whether the drive is enabled, however: by command or by the digital input. The monitor
  // reads the same bit, so the button does not change its mind at the next cycle.
  enabled_ = (status & link::StatusGroup::kDriveEnabledBit) != 0;
  stopped_ = (status & kStoppedStatus) != 0;
  return true;
}

bool CRegulationView::ReadSetValue() {
  // Old firmware reports no set value while the drive is disabled.
  if (softwareVersion_ <= 0x1000 && !enabled_) {
    setValue_ = 0;
    return true;
  }
  std::uint16_t word = 0;
  if (!communication_ || !communication_->Parameter().ReadTempParam(setValueParameter_, word))
    return NotOnline();
  setValue_ = FromWire(word);
  return true;
}

void CRegulationView::TakeValue(std::int16_t number, const std::optional<std::uint16_t>& word) {
  if (!word) return;
  for (Setting& s : settings_)
    if (s.number == number) s.value = ValueOf(number, *word);
}

void CRegulationView::TakeActual(double actual, bool feedAverage) {
  actual_ = actual;
  if (feedAverage) average_.Add(actual);
  const double shown = softwareVersion_ <= 0x1000 ? average_.Mean() : actual;
  displayedActual_ = static_cast<int>(common::Round(shown, 0));
}

// --- Redrawing ------------------------------------------------------------------------------

void CRegulationView::RedrawSetting(const Setting& s) {
  SetRange(s.sliderId, s.minimum, s.maximum);
  SetValue(s.sliderId, s.value);
  SetText(s.editId, std::to_string(s.value));
  SetText(s.minLabelId, Format(s.unitFormat, s.minimum));
  SetText(s.maxLabelId, Format(s.unitFormat, s.maximum));
}

void CRegulationView::RedrawSettingsOf(std::uint16_t softwareBit) {
  for (const Setting& s : settings_)
    if (s.softwareBit == softwareBit) RedrawSetting(s);
}

void CRegulationView::ApplySysConfig() {
  const std::uint16_t c = sysConfig_;
  for (const Box& box : kBoxes) SetValue(box.id, (c & box.bit) == 0 ? 1 : 0);
  const bool digital2 = (c & kDigital2Bit) == 0;
  SetValue(kIdSetValueInput, digital2 || (c & kAnalogSetValue) != 0 ? 1 : 0);
  RedrawMonitorRadio();
  RedrawModeRadio();

  // While the ZEL is neither online nor commanded offline every control is unusable: nothing it
  // shows can be changed, and the caption says why.
  const bool gate = CanCommand();
  auto usable = [this, gate](int id, bool on) { Enable(id, on && gate); };
  for (const Box& box : kBoxes)
    if (box.id != kIdP2) usable(box.id, true);
  usable(kIdSetValueInput, !digital2);
  usable(kIdP2, (c & kAnalogSetValue) != 0);
  for (const Setting& s : settings_) {
    bool on = (c & s.softwareBit) != 0;
    if (s.softwareBit == kP2Bit) on = on && (c & kAnalogSetValue) != 0;
    usable(s.editId, on);
    usable(s.sliderId, on);
  }
  const bool commanded = Value(kIdSetValueInput) == 0;
  for (int id : {kIdSetValue, kIdSetSlider, kIdZero, kIdPlus1, kIdMinus1, kIdPlus10, kIdMinus10})
    usable(id, commanded);
  Show(kIdDigital2Hint, digital2);
  const bool monitorBySoftware = (c & kDigital1Bit) != 0;
  usable(kIdSpeedMonitor, monitorBySoftware);
  usable(kIdCurrentMonitor, monitorBySoftware);
  for (int id : {kIdModeCurrent, kIdModeSpeed, kIdEnable, kIdStop}) usable(id, true);
}

void CRegulationView::RedrawEnable() {
  SetText(kIdEnable, enabled_ ? "Enabled" : "Disabled");
}

void CRegulationView::RedrawMonitorRadio() {
  const bool current = (sysConfig_ & kCurrentMonitorSignal) != 0;
  SetValue(kIdSpeedMonitor, current ? 0 : 1);
  SetValue(kIdCurrentMonitor, current ? 1 : 0);
}

void CRegulationView::RedrawModeRadio() {
  const int mode = ModeOf(sysConfig_);
  SetValue(kIdModeCurrent, mode == 0 ? 1 : 0);
  SetValue(kIdModeSpeed, mode == 1 ? 1 : 0);
}

void CRegulationView::UpdateSetValueRange() {
  const int limit = SetValueLimit();
  SetRange(kIdSetSlider, -limit, limit);
  SetText(kIdSetMin, Format("%i " + unit_, -limit));
  SetText(kIdSetMax, Format("%i " + unit_, limit));
}

void CRegulationView::RedrawSetValue() {
  SetText(kIdSetValue, std::to_string(setValue_));
  SetValue(kIdSetSlider, setValue_);
}

void CRegulationView::RedrawActual() {
  SetText(kIdActual, std::to_string(displayedActual_) + " " + unit_);
}

void CRegulationView::RedrawAll() {
  ApplySysConfig();
  for (const Setting& s : settings_) RedrawSetting(s);
  UpdateSetValueRange();
  RedrawEnable();
  RedrawStop();
  RedrawSetValue();
  RedrawActual();
}

void CRegulationView::ShowNewData(const std::optional<std::uint16_t>& setValueWord,
                                  std::uint16_t zelSetValue) {
  const std::uint16_t c = sysConfig_;
  MarkFresh(true);
  if (setValueWord) setValue_ = FromWire(*setValueWord);
  if ((c & kP1Bit) == 0) RedrawSettingsOf(kP1Bit);
  if ((c & kP2Bit) == 0) RedrawSettingsOf(kP2Bit);
  if ((c & kP3Bit) == 0) RedrawSettingsOf(kP3Bit);
  if ((c & kP4Bit) == 0) RedrawSettingsOf(kP4Bit);
  // A potentiometer moves the limit the set value's range follows.
  UpdateSetValueRange();
  RedrawEnable();
  RedrawStop();
  if ((c & kDigital1Bit) == 0) RedrawMonitorRadio();
  if ((c & kDigital2Bit) == 0) RedrawModeRadio();
  if ((c & kAnalogSetValue) != 0) RedrawSetValue();
  RedrawActual();
  ++newDataCount_;
  trend_.Add(setValue_, displayedActual_, TrendLimit());
  Notify(kIdTrend);
  CheckZelSetValue(zelSetValue);
}

void CRegulationView::CheckZelSetValue(std::uint16_t zelSetValue) {
  // Someone else (another tool, a reset) has changed the set value: take the ZEL's after two
  // cycles in a row, so a value the ZEL has not yet taken over is not read back too early.
  if (FromWire(zelSetValue) == setValue_ ||
      ((sysConfig_ & kAnalogSetValue) == 0 && softwareVersion_ <= 0x1000 && !enabled_)) {
    setValueMismatches_ = 0;
    return;
  }
  if (++setValueMismatches_ < 2) return;
  setValueMismatches_ = 0;
  if (ReadSetValue()) RedrawSetValue();
}

void CRegulationView::ShowOnline(bool online) {
  online_.store(online);
  if (!online) fresh_ = false;
  RedrawState();
  MarkFresh(fresh_);
  ApplySysConfig();
  if (online) ReRead();
}

void CRegulationView::SetOfflineCommanding(bool on) {
  offlineCommanding_ = on;
  ApplySysConfig();
}

void CRegulationView::SetLinkClaimedBy(std::string wizard) {
  claimedBy_ = std::move(wizard);
  RedrawState();
}

void CRegulationView::RedrawState() {
  if (online_.load()) {
    SetText(kIdState, "The ZEL is online!");
    SetValue(kIdStateLamp, 1);
  } else if (!claimedBy_.empty()) {
    SetText(kIdState, "The ZEL is busy with the " + claimedBy_ + ".");
    SetValue(kIdStateLamp, kLampBusy);
  } else {
    SetText(kIdState, "The ZEL is offline!");
    SetValue(kIdStateLamp, 0);
  }
}

void CRegulationView::MarkFresh(bool fresh) {
  fresh_ = fresh;
  const std::uint32_t colour = ShowsLiveValues() ? ui::kDefaultColour : kStaleColour;
  for (int id : {kIdSetValue, kIdSetMin, kIdSetMax, kIdActual, kIdEnable, kIdStop})
    SetColour(id, colour);
  for (const Setting& s : settings_) SetColour(s.editId, colour);
}

void CRegulationView::OnPrivateMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) {
  if (message == kMsgOnline) {
    ShowOnline(wParam != 0);
  } else if (message == kMsgNewData) {
    OnNewData();
  }
}

// --- What the user does ---------------------------------------------------------------------

bool CRegulationView::Gate(bool tell) {
  if (CanCommand()) return true;
  if (tell) Tell(kNotOnlineMonitor);
  return false;
}

void CRegulationView::OnEvent(int id, ui::EventKind kind) {
  using ui::EventKind;
  if (Setting* s = SettingOfControl(id)) {
    const bool edit = id == s->editId;
    if ((edit && (kind == EventKind::FocusLost || kind == EventKind::Enter)) ||
        (!edit && kind == EventKind::Changed))
      WriteSetting(*s, id, kind);
    return;
  }
  switch (id) {
    case kIdSetValueInput:
    case kIdStopInput:
    case kIdP1:
    case kIdP2:
    case kIdP3:
    case kIdP4:
    case kIdEnableInput:
    case kIdDigital1:
    case kIdDigital2:
      if (kind == EventKind::Clicked) OnBoxClicked(id);
      break;
    case kIdSpeedMonitor:
    case kIdCurrentMonitor:
      if (kind == EventKind::Clicked) OnMonitorRadio(id);
      break;
    case kIdModeCurrent:
    case kIdModeSpeed:
      if (kind == EventKind::Clicked) OnModeRadio(id);
      break;
    case kIdEnable:
      if (kind == EventKind::Clicked) OnEnable();
      break;
    case kIdStop:
      if (kind == EventKind::Clicked) OnStop();
      break;
    case kIdSetValue:
      if (kind == EventKind::FocusLost || kind == EventKind::Enter) OnSetValueEdit(kind);
      break;
    case kIdSetSlider:
      if (kind == EventKind::Changed) SendSetValue(Value(kIdSetSlider));
      break;
    case kIdZero:
      SendSetValue(0);
      break;
    case kIdPlus1:
    case kIdMinus1:
    case kIdPlus10:
    case kIdMinus10: {
      const int step = id == kIdPlus1 ? 1 : id == kIdMinus1 ? -1 : id == kIdPlus10 ? 10 : -10;
      const int limit = SetValueLimit();
      SendSetValue(std::clamp(setValue_ + step, -limit, limit));
      break;
    }
    default:
      break;
  }
}

void CRegulationView::WriteSetting(Setting& s, int id, ui::EventKind kind) {
  if (!Gate(kind == ui::EventKind::Enter)) return;
  if ((sysConfig_ & s.softwareBit) == 0) return;  // a potentiometer sets it
  int value = 0;
  if (id == s.sliderId) {
    value = Value(s.sliderId);
  } else {
    std::optional<long> typed = ParseWhole(Text(s.editId));
    if (!typed) {
      RedrawSetting(s);
      return;
    }
    if (*typed > s.maximum) {
      value = s.maximum;
      Tell("The value '" + s.name + "' is too large!");
    } else if (*typed < s.minimum) {
      value = s.minimum;
      Tell("The value '" + s.name + "' is too small!");
    } else {
      value = static_cast<int>(*typed);
    }
  }
  s.value = value;
  RedrawSetting(s);
  if (!communication_ ||
      !communication_->Parameter().SetTempParam(s.number, 0, static_cast<std::uint16_t>(value))) {
    NotOnline();
    return;
  }
  // The set value's range follows its maximum: Max Speed in the speed view, Max.Cont.Current in
  // the current view.
  UpdateSetValueRange();
}

bool CRegulationView::ReReadActual() {
  if (!ReadActual()) return false;
  RedrawActual();
  return true;
}

std::uint16_t CRegulationView::RebuiltSysConfig() const {
  std::uint16_t value = sysConfig_ & KeptBits();
  if (Value(kIdSetValueInput) != 0) value |= kAnalogSetValue;
  for (const Box& box : kBoxes)
    if (Find(box.id) && Value(box.id) == 0) value |= box.bit;
  return value;
}

bool CRegulationView::WriteSysConfig(std::uint16_t value) {
  if (!communication_ || !communication_->Parameter().SetTempParam(kSysConfig, 0, value)) {
    ApplySysConfig();  // the boxes show what the ZEL still has
    return NotOnline();
  }
  sysConfig_ = value;
  ApplySysConfig();
  return true;
}

void CRegulationView::OnBoxClicked(int id) {
  if (!CanCommand()) {
    SetValue(id, Value(id) != 0 ? 0 : 1);
    Tell(kNotOnlineMonitor);
    return;
  }
  std::uint16_t value = RebuiltSysConfig();
  if (id == kIdDigital2) {
    // The regulation mode passes from the input to software as the radio shows it.
    value = WithMode(value, Value(kIdModeCurrent) != 0 ? 0 : 1);
  }
  if (!WriteSysConfig(value)) return;
  switch (id) {
    case kIdP1:
      if (ReadSetting(17)) {
        RedrawSettingsOf(kP1Bit);
        UpdateSetValueRange();
      }
      break;
    case kIdP2:
      if (ReadSetting(12)) RedrawSettingsOf(kP2Bit);
      break;
    case kIdP3:
      if (ReadSetting(15) && ReadSetting(14)) {
        RedrawSettingsOf(kP3Bit);
        UpdateSetValueRange();
      }
      break;
    case kIdP4:
      if (ReadSetting(5) && ReadSetting(6)) RedrawSettingsOf(kP4Bit);
      break;
    case kIdEnableInput:
      if (ReadStatusBits()) RedrawEnable();
      break;
    case kIdStopInput:
      if (ReReadStop()) RedrawStop();
      break;
    case kIdSetValueInput:
      if ((value & kAnalogSetValue) != 0) {
        if (!ReadSetValue()) break;
        RedrawSetValue();
      } else {
        SendSetValue(setValue_);
      }
      if (ReadActual()) RedrawActual();
      break;
    default:
      break;
  }
}

void CRegulationView::OnMonitorRadio(int id) {
  if (!Gate(true)) {
    RedrawMonitorRadio();
    return;
  }
  const std::uint16_t c = sysConfig_;
  const bool bySoftware = (c & kDigital1Bit) != 0;
  const bool current = (c & kCurrentMonitorSignal) != 0;
  if (id == kIdCurrentMonitor && bySoftware && !current) {
    WriteSysConfig(c | kCurrentMonitorSignal);
  } else if (id == kIdSpeedMonitor && bySoftware && current) {
    WriteSysConfig(c & static_cast<std::uint16_t>(~kCurrentMonitorSignal));
  }
  RedrawMonitorRadio();
}

void CRegulationView::OnModeRadio(int id) {
  const int mode = id == kIdModeCurrent ? 0 : 1;
  const bool ask = IsOnline() && mode != ModeOf(sysConfig_) && modeRequest_;
  if (!IsOnline()) Gate(true);
  // The main window re-reads the view of the mode it ends in.
  RedrawModeRadio();
  if (ask) modeRequest_(mode);
}

void CRegulationView::OnEnable() {
  if (!Gate(true)) return;
  // The button shows what the drive does after the command, not what was asked: while SysConfig
  // bit 12 is clear the digital input decides, and the group's message says so.
  link::StatusGroup::DriveEnableState after;
  if (!communication_ || !communication_->Status().Enable(!enabled_, after)) {
    NotOnline();
    return;
  }
  enabled_ = after.Enabled();
  RedrawEnable();
  if (ReadSetValue()) RedrawSetValue();
}

void CRegulationView::OnSetValueEdit(ui::EventKind kind) {
  if (!Gate(kind == ui::EventKind::Enter)) return;
  std::optional<long> typed = ParseWhole(Text(kIdSetValue));
  if (!typed) {
    RedrawSetValue();
    return;
  }
  const int limit = SetValueLimit();
  int value = static_cast<int>(std::clamp<long>(*typed, -limit, limit));
  if (*typed > limit) Tell("The value '" + setValueName_ + "' is too large!");
  if (*typed < -limit) Tell("The value '" + setValueName_ + "' is too small!");
  SendSetValue(value);
}

void CRegulationView::SendSetValue(int value) {
  if (!Gate(true)) {
    RedrawSetValue();
    return;
  }
  setValue_ = value;
  RedrawSetValue();
  if (!SendSetValueToZel(ToWire(value))) {
    NotOnline();
    return;
  }
  setValueMismatches_ = 0;
  average_.Clear();
}

}  // namespace zel::views
