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

class CValueDlg::RefreshWorker final : public monitor::PeriodicWorker {
 public:
  RefreshWorker(CValueDlg& dlg, std::unique_ptr<monitor::PeriodicTimer> timer)
      : PeriodicWorker(std::move(timer)), dlg_(dlg) {}
  ~RefreshWorker() override { Stop(); }

 protected:
  void Cycle() override {
    std::vector<std::string> texts;
    bool ok = dlg_.ReadTexts(texts);
    {
      std::lock_guard lock(dlg_.snapshotMutex_);
      dlg_.snapshotOk_ = ok;
      if (ok) dlg_.snapshot_ = std::move(texts);
    }
    dlg_.Post(kMsgRefreshed);
  }

 private:
  CValueDlg& dlg_;
};

CValueDlg::CValueDlg(std::string title, std::vector<std::string> captions, bool autoRefresh)
    : Window(std::move(title)), count_(captions.size()) {
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
  return worker_ && worker_->IsRunning();
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
  if (AutoRefreshRunning()) return;
  auto timer = timerFactory_ ? timerFactory_() : std::make_unique<monitor::SteadyPeriodicTimer>();
  worker_ = std::make_unique<RefreshWorker>(*this, std::move(timer));
  worker_->SetPeriod(kAutoRefreshPeriodMs);
  if (!worker_->Start()) {
    worker_.reset();
    SetValue(kIdAutoRefresh, 0);
  }
}

void CValueDlg::StopAutoRefresh() {
  if (worker_) worker_->Stop();
  worker_.reset();
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
  bool ok;
  std::vector<std::string> texts;
  {
    std::lock_guard lock(snapshotMutex_);
    ok = snapshotOk_;
    texts = snapshot_;
  }
  if (ok) {
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
