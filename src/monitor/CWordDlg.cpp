#include "monitor/CWordDlg.h"

#include <utility>

#include "ui/Host.h"

namespace zel::monitor {

class CWordDlg::RefreshWorker final : public PeriodicWorker {
 public:
  RefreshWorker(CWordDlg& dlg, std::unique_ptr<PeriodicTimer> timer)
      : PeriodicWorker(std::move(timer)), dlg_(dlg) {}
  ~RefreshWorker() override { Stop(); }

 protected:
  void Cycle() override {
    std::uint16_t word = 0;
    bool ok = dlg_.read_ && dlg_.read_(word);
    {
      std::lock_guard lock(dlg_.snapshotMutex_);
      dlg_.snapshotOk_ = ok;
      if (ok) dlg_.snapshot_ = word;
    }
    dlg_.Post(kMsgRefreshed);
  }

 private:
  CWordDlg& dlg_;
};

CWordDlg::CWordDlg(std::string title, ReadWord read, std::string failureText)
    : Window(std::move(title)), read_(std::move(read)), failureText_(std::move(failureText)) {}

CWordDlg::~CWordDlg() {
  StopAutoRefresh();
}

bool CWordDlg::RefreshNow() {
  std::uint16_t word = 0;
  if (!read_ || !read_(word)) return false;
  ShowWord(word);
  return true;
}

bool CWordDlg::AutoRefreshRunning() const {
  return worker_ && worker_->IsRunning();
}

void CWordDlg::StartAutoRefresh() {
  if (AutoRefreshRunning()) return;
  StopAutoRefresh();
  auto timer = timerFactory_ ? timerFactory_() : std::make_unique<SteadyPeriodicTimer>();
  worker_ = std::make_unique<RefreshWorker>(*this, std::move(timer));
  worker_->SetPeriod(kAutoRefreshPeriodMs);
  if (!worker_->Start()) {
    worker_.reset();
    SetValue(kIdAutoRefresh, 0);
  }
}

void CWordDlg::StopAutoRefresh() {
  if (worker_) worker_->Stop();
  worker_.reset();
}

void CWordDlg::OnEvent(int id, ui::EventKind kind) {
  if (kind != ui::EventKind::Clicked) return;
  if (id == kIdRefresh) {
    if (!RefreshNow()) ui::CurrentHost().ShowMessage(failureText_);
  } else if (id == kIdAutoRefresh) {
    if (Value(kIdAutoRefresh) != 0) {
      StartAutoRefresh();
    } else {
      StopAutoRefresh();
    }
  }
}

void CWordDlg::OnPrivateMessage(unsigned message, std::uintptr_t, std::intptr_t) {
  // Reports still queued from a worker that has since been stopped are stale.
  if (message != kMsgRefreshed || !AutoRefreshRunning()) return;
  bool ok;
  std::uint16_t word;
  {
    std::lock_guard lock(snapshotMutex_);
    ok = snapshotOk_;
    word = snapshot_;
  }
  if (ok) {
    ShowWord(word);
    return;
  }
  // One box, not five a second: the automatic refresh ends with the first failure.
  StopAutoRefresh();
  SetValue(kIdAutoRefresh, 0);
  ui::CurrentHost().ShowMessage(failureText_);
}

void CWordDlg::OnDestroy() {
  StopAutoRefresh();
}

}  // namespace zel::monitor
