#include "link/CValueDlg.h"

#include <cmath>
#include <cstdio>

#include "common/DecimalRound.h"
#include "link/MeasurementGroup.h"
#include "ui/Host.h"

namespace zel::link {

namespace {

std::string WithUnit(long long value, const char* unit) {
  char text[40];
  std::snprintf(text, sizeof text, "%lli%s%s", value, *unit ? " " : "", unit);
  return text;
}

}  // namespace

CValueDlg::CValueDlg(std::string title, std::vector<std::string> captions, bool autoRefresh)
    : Window(std::move(title)),
      count_(captions.size()),
      autoRefresh_(*this, kMsgRefreshed, kAutoRefreshPeriodMs,
                   [this](std::vector<std::string>& texts) { return ReadTexts(texts); }) {
  for (std::size_t i = 0; i < captions.size(); ++i) {
    AddLabel(0, captions[i]);
    AddLabel(kIdFirstValue + static_cast<int>(i), "").sameRow = true;
  }
  AddButton(kIdRefresh, "&Refresh");
  if (autoRefresh) AddCheckBox(kIdAutoRefresh, "&Automatic refresh").sameRow = true;
  AddButton(ui::kIdOk, "OK");
}

CValueDlg::~CValueDlg() {
  // Before the derived reader is gone the worker must be: it calls ReadTexts.
  StopAutoRefresh();
}

void CValueDlg::ShowTexts(const std::vector<std::string>& texts) {
  for (std::size_t i = 0; i < count_ && i < texts.size(); ++i)
    SetText(kIdFirstValue + static_cast<int>(i), texts[i]);
}

bool CValueDlg::AutoRefreshRunning() const {
  return autoRefresh_.Running();
}

bool CValueDlg::RefreshNow() {
  std::vector<std::string> texts;
  if (!ReadTexts(texts)) return false;
  ShowTexts(texts);
  return true;
}

ui::CommandOutcome CValueDlg::Run() {
  if (!RefreshNow()) return ui::CommandOutcome::kFailed;
  DoModal();
  return ui::CommandOutcome::kDone;
}

void CValueDlg::StartAutoRefresh() {
  if (!autoRefresh_.Start()) SetValue(kIdAutoRefresh, 0);
}

void CValueDlg::StopAutoRefresh() {
  autoRefresh_.Stop();
}

void CValueDlg::OnEvent(int id, ui::EventKind kind) {
  if (kind != ui::EventKind::Clicked) return;
  if (id == kIdRefresh) {
    if (!RefreshNow()) ui::CurrentHost().ShowMessage("Failed refreshing data!");
  } else if (id == kIdAutoRefresh) {
    if (Value(kIdAutoRefresh) != 0) {
      StartAutoRefresh();
    } else {
      StopAutoRefresh();
    }
  }
}

void CValueDlg::OnPrivateMessage(unsigned message, std::uintptr_t, std::intptr_t) {
  // Reports still queued from a worker that has since been stopped are stale.
  if (message != kMsgRefreshed || !AutoRefreshRunning()) return;
  std::vector<std::string> texts;
  if (autoRefresh_.Take(texts)) {
    ShowTexts(texts);
    return;
  }
  // One box, not one per period: the automatic refresh ends with the first failure.
  StopAutoRefresh();
  SetValue(kIdAutoRefresh, 0);
  ui::CurrentHost().ShowMessage("Failed refreshing data!");
}

void CValueDlg::OnDestroy() {
  StopAutoRefresh();
}

CVelocityDlg::CVelocityDlg(MeasurementGroup& measurement)
    : CValueDlg("Velocity", {"Velocity actual", "Velocity demand"}, true),
      measurement_(measurement) {}

bool CVelocityDlg::ReadTexts(std::vector<std::string>& texts) {
  int16_t actual = 0, demand = 0;
  if (!measurement_.ReadVelocityIsMust(0, actual, demand)) return false;
  texts = {WithUnit(actual, "rpm"), WithUnit(demand, "rpm")};
  return true;
}

CCurrentDlg::CCurrentDlg(MeasurementGroup& measurement, std::uint16_t softwareVersion)
    : CValueDlg("Current", {"Current actual", "Current demand", "Rotor angle"}, true),
      measurement_(measurement),
      softwareVersion_(softwareVersion) {}

int CCurrentDlg::ActualCurrent(std::int16_t dCurrent, std::int16_t qCurrent,
                               std::uint16_t softwareVersion) {
  if (softwareVersion >= 0x1020) return qCurrent;
  double d = dCurrent;
  double q = qCurrent;
  return static_cast<int>(common::Round(2.0 * std::sqrt(d * d + q * q), 0));
}

bool CCurrentDlg::ReadTexts(std::vector<std::string>& texts) {
  int16_t d = 0, q = 0, demand = 0, angle = 0;
  if (!measurement_.ReadCurrentsWithRotorAngle(0, d, q, demand, angle)) return false;
  texts = {WithUnit(ActualCurrent(d, q, softwareVersion_), "mA"), WithUnit(demand, "mA"),
           WithUnit(angle, "qc")};
  return true;
}

CPositionDlg::CPositionDlg(MeasurementGroup& measurement)
    : CValueDlg("Position", {"Position actual", "Position demand"}, false),
      measurement_(measurement) {}

bool CPositionDlg::ReadTexts(std::vector<std::string>& texts) {
  int32_t actual = 0, demand = 0;
  if (!measurement_.ReadPositionIsMust(actual, demand)) return false;
  texts = {WithUnit(actual, "qc"), WithUnit(demand, "qc")};
  return true;
}

}  // namespace zel::link
