#include "monitor/CReadErrorDlg.h"

#include <utility>

#include "link/StatusGroup.h"
#include "ui/Host.h"

namespace zel::monitor {

namespace {

constexpr std::uint16_t kSummaryBit = 0x8000;

}  // namespace

CReadErrorDlg::CReadErrorDlg(link::StatusGroup& status, const CErrorMapList* maps)
    : CReadErrorDlg(
          "Read Error", ErrorWordKind::Standard,
          [&status](std::uint16_t& word) { return status.ReadError(word); },
          [&status] { return status.ClearError(); }, maps) {}

CReadErrorDlg::CReadErrorDlg(std::string title, ErrorWordKind kind, ReadWord read, ClearWord clear,
                             const CErrorMapList* maps)
    : CWordDlg(std::move(title), std::move(read), "Failed refreshing error!"),
      kind_(kind),
      clear_(std::move(clear)),
      maps_(maps) {
  AddList(kIdList, {"Error Number", "Description"});
  AddLabel(kIdCount, ErrorListing::CountText(0));
  AddButton(kIdRefresh, "&Manual Refresh");
  AddButton(kIdClear, "&Clear").sameRow = true;
  AddButton(kIdErrorInfo, "&Error Info").sameRow = true;
  AddCheckBox(kIdAutoRefresh, "Auto ").sameRow = true;
  AddButton(ui::kIdOk, "OK");
  Enable(kIdClear, false);
  Enable(kIdErrorInfo, false);
}

void CReadErrorDlg::ShowWord(std::uint16_t word) {
  word_ = word;
  rows_ = ListErrors(word, kind_, maps_);
  std::vector<std::vector<std::string>> cells;
  for (const ListedError& listed : rows_) cells.push_back({listed.row.name, listed.row.meaning});
  SetRows(kIdList, std::move(cells));
  SetSelection(kIdList, -1);
  SetText(kIdCount, ErrorListing::CountText(rows_.size()));
  // A rebuilt list starts with "&Clear" off; only a bound dialog with errors offers it again.
  Enable(kIdClear, false);
  Enable(kIdClear, clear_ && (word & kSummaryBit) != 0);
  Enable(kIdErrorInfo, !rows_.empty());
}

void CReadErrorDlg::OnEvent(int id, ui::EventKind kind) {
  if (kind == ui::EventKind::Clicked && id == kIdClear) {
    using Outcome = ErrorClearing::Outcome;
    const Outcome outcome = clearing_            ? clearing_()
                            : clear_ && clear_() ? Outcome::kCleared
                                                 : Outcome::kFailed;
    if (outcome == Outcome::kFailed) {
      ui::CurrentHost().ShowMessage("Failed clearing error!");
    } else if (outcome == Outcome::kCleared && !RefreshNow()) {
      ui::CurrentHost().ShowMessage("Failed refreshing error!");
    }
    return;
  }
  if (kind == ui::EventKind::Clicked && id == kIdErrorInfo) {
    CErrorInfoDlg::ShowForRow(rows_, Selection(kIdList));
    return;
  }
  CWordDlg::OnEvent(id, kind);
}

}  // namespace zel::monitor
