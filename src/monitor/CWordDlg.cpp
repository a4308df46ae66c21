#include "monitor/CWordDlg.h"

#include <utility>

#include "ui/Host.h"

namespace zel::monitor {

CWordDlg::CWordDlg(std::string title, ReadWord read, std::string failureText)
    : Window(std::move(title)),
      read_(std::move(read)),
      failureText_(std::move(failureText)),
      autoRefresh_(*this, kMsgRefreshed, kAutoRefreshPeriodMs,
                   [this](std::uint16_t& word) { return read_ && read_(word); }) {}

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
  return autoRefresh_.Running();
}

void CWordDlg::StartAutoRefresh() {
  if (!autoRefresh_.Start()) SetValue(kIdAutoRefresh, 0);
}

void CWordDlg::StopAutoRefresh() {
  autoRefresh_.Stop();
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
  std::uint16_t word = 0;
  if (autoRefresh_.Take(word)) {
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
