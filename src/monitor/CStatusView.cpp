#include "monitor/CStatusView.h"

#include <cstdio>

#include "link/StatusGroup.h"
#include "ui/Host.h"

namespace zel::monitor {

namespace {

constexpr std::uint16_t kSummaryBit = 0x8000;
constexpr const char* kNotOnline =
    "The ZEL is not online!\nPlease check the communication settings!";

}  // namespace

CStatusView::CStatusView() : Window("Status") {
  AddLabel(kIdConnection, "No ZEL connected!");
  AddLabel(kIdHeading, "NO ERROR");
  AddList(kIdList, {"Error Number", "Description"});
  AddButton(kIdClearErrors, "&Clear Errors");
  AddButton(kIdErrorInfo, "&Error Info").sameRow = true;
  Enable(kIdClearErrors, false);
  Enable(kIdErrorInfo, false);
}

std::string CStatusView::ConnectionText(std::uint16_t softwareVersion,
                                        std::uint16_t hardwareVersion,
                                        std::uint16_t applicationNumber,
                                        std::uint16_t applicationVersion) {
  char text[128];
  std::snprintf(text, sizeof text,
                "Connected ZEL: SoftwareVersion:0x%.4x   HardwareVersion:0x%.4x   "
                "AppNumber:0x%.4x   AppVersion: 0x%.4x",
                softwareVersion, hardwareVersion, applicationNumber, applicationVersion);
  return text;
}

void CStatusView::StoreIdentity(std::uint16_t softwareVersion, std::uint16_t hardwareVersion,
                                std::uint16_t applicationNumber, std::uint16_t applicationVersion) {
  std::lock_guard lock(snapshotMutex_);
  identity_ = Identity{softwareVersion, hardwareVersion, applicationNumber, applicationVersion};
}

void CStatusView::StoreErrorWord(std::uint16_t word) {
  std::lock_guard lock(snapshotMutex_);
  errorWord_ = word;
  errorsStored_ = true;
}

void CStatusView::StoreCanErrorWord(std::uint16_t word) {
  std::lock_guard lock(snapshotMutex_);
  canErrorWord_ = word;
  errorsStored_ = true;
}

void CStatusView::Apply(bool forceList) {
  std::optional<Identity> identity;
  std::uint16_t errorWord;
  std::uint16_t canErrorWord;
  bool errorsStored;
  {
    std::lock_guard lock(snapshotMutex_);
    identity = identity_;
    errorWord = errorWord_;
    canErrorWord = canErrorWord_;
    errorsStored = errorsStored_;
  }
  if (identity) {
    SetColour(kIdConnection, ui::kDefaultColour);
    SetText(kIdConnection,
            ConnectionText(identity->softwareVersion, identity->hardwareVersion,
                           identity->applicationNumber, identity->applicationVersion));
  }
  if (!errorsStored) return;
  // The monitor delivers a pair every cycle; rebuilding an unchanged list would only lose the
  // user's selection.
  if (!forceList && listed_ && listed_->first == errorWord && listed_->second == canErrorWord)
    return;
  List(errorWord, canErrorWord);
}

void CStatusView::List(std::uint16_t errorWord, std::uint16_t canErrorWord) {
  rows_ = ListErrors(errorWord, ErrorWordKind::Standard, maps_);
  std::vector<ListedError> canRows = ListErrors(canErrorWord, ErrorWordKind::Can, maps_);
  rows_.insert(rows_.end(), std::make_move_iterator(canRows.begin()),
               std::make_move_iterator(canRows.end()));
  std::vector<std::vector<std::string>> cells;
  for (const ListedError& listed : rows_) cells.push_back({listed.row.name, listed.row.meaning});
  SetRows(kIdList, std::move(cells));
  SetSelection(kIdList, -1);
  SetText(kIdHeading, rows_.empty() ? "NO ERROR!" : "ERROR FOUND!");
  SetColour(kIdHeading, rows_.empty() ? ui::kDefaultColour : kErrorColour);
  Enable(kIdClearErrors, (errorWord & kSummaryBit) != 0);
  Enable(kIdErrorInfo, !rows_.empty());
  listed_ = std::make_pair(errorWord, canErrorWord);
  ++listCount_;
}

void CStatusView::ShowErrorWords(std::uint16_t errorWord, std::uint16_t canErrorWord) {
  {
    std::lock_guard lock(snapshotMutex_);
    errorWord_ = errorWord;
    canErrorWord_ = canErrorWord;
    errorsStored_ = true;
  }
  Apply(true);
}

bool CStatusView::RefreshErrors(bool tell) {
  std::uint16_t word = 0;
  if (!status_ || !status_->ReadError(word)) {
    if (tell) ui::CurrentHost().ShowMessage(kNotOnline);
    return false;
  }
  std::uint16_t canWord;
  {
    std::lock_guard lock(snapshotMutex_);
    canWord = canErrorWord_;
  }
  ShowErrorWords(word, canWord);
  return true;
}

void CStatusView::OnEvent(int id, ui::EventKind kind) {
  if (kind != ui::EventKind::Clicked) return;
  if (id == kIdClearErrors) {
    using Outcome = ErrorClearing::Outcome;
    const Outcome outcome = clearing_                          ? clearing_()
                            : status_ && status_->ClearError() ? Outcome::kCleared
                                                               : Outcome::kFailed;
    if (outcome == Outcome::kFailed) {
      ui::CurrentHost().ShowMessage(kNotOnline);
      return;
    }
    if (outcome == Outcome::kCleared) RefreshErrors();
  } else if (id == kIdErrorInfo) {
    CErrorInfoDlg::ShowForRow(rows_, Selection(kIdList));
  }
}

void CStatusView::ShowStale() {
  // The identity and the error list are the last the monitor read: greyed until it reads them
  // again, and the next delivery lists the errors anew (in their own colours) even if unchanged.
  SetColour(kIdConnection, ui::kStaleColour);
  SetColour(kIdHeading, ui::kStaleColour);
  listed_.reset();
}

void CStatusView::OnPrivateMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) {
  if (message == kMsgNewData) {
    Apply(false);
  } else if (message == kMsgOnline) {
    online_.store(wParam != 0);
    if (wParam == 0) ShowStale();
  }
}

}  // namespace zel::monitor
