#include "can/CCanWizardPage6.h"

#include "can/CCanWizardSearchDialogs.h"
#include "can/CCanWizardSheet.h"
#include "link/CanBitRateTable.h"
#include "ui/Host.h"

namespace zel::can {

using link::CanBitRateTable;

CCanWizardPage6::CCanWizardPage6(CCanWizardSheet& sheet)
    : CCanWizardPage(kId, "Step %i: Set Bitrate!", sheet) {
  std::vector<std::string> rates;
  for (int i = 0; i < CanBitRateTable::kCount; ++i) rates.push_back(CanBitRateTable::Text(i));
  AddButton(kIdSetBitRate, "Set &bitrate:");
  AddCombo(kIdBitRate, rates).sameRow = true;
  SetSelection(kIdBitRate, CanBitRateTable::kDefaultIndex);
  AddButton(kIdSearch, kStartSearch);
  AddLabel(kIdModules + 10, "Found Modules:");
  AddList(kIdModules, {"Module ID", "Bitrate"});
}

CCanWizardPage6::~CCanWizardPage6() {
  StopSearch();
}

void CCanWizardPage6::OnDestroy() {
  // The wizard is closing: the search ends (the gateway restored, the line freed) and what it
  // still posts finds nobody to show it to.
  destroyed_ = true;
  StopSearch();
  search_.reset();
  if (progress_) progress_->Close();
  progress_.reset();
}

void CCanWizardPage6::OnEvent(int id, ui::EventKind kind) {
  if (id == kIdBitRate && kind == ui::EventKind::Selection) {
    bitRate_ = Selection(kIdBitRate);
    return;
  }
  if (kind != ui::EventKind::Clicked) return;
  if (id == kIdSearch) {
    if (search_)
      StopSearch();
    else
      StartSearch(CanNetworkSearch::Mode::kSearch);
  } else if (id == kIdSetBitRate && !search_) {
    StartSearch(CanNetworkSearch::Mode::kBitRate);
  }
}

void CCanWizardPage6::StartSearch(CanNetworkSearch::Mode mode) {
  CNumberOfModulesDlg ask(count_);
  if (ask.DoModal() != ui::kResultOk) return;
  count_ = ask.Count();
  modules_.clear();
  rates_.clear();
  ShowModules();
  Enable(kIdSetBitRate, false);
  SetText(kIdSearch, mode == CanNetworkSearch::Mode::kSearch ? kStopSearch : kStopBitRate);
  wizard_.SetWizardButtons(0);
  progress_ = std::make_unique<CSearchModulesProgressDlg>([this] { StopSearch(); });
  progress_->ShowModeless();
  CanNetworkSearch::Listener& listener = *this;
  search_ = std::make_unique<CanNetworkSearch>(wizard_.Communication(), wizard_.Module(), listener);
  search_->Configure(count_, mode, CanBitRateTable::RegistersOf(Selection(kIdBitRate)));
  if (!search_->Start()) {
    search_.reset();
    SearchFinished(true, {});
  }
}

void CCanWizardPage6::StopSearch() {
  // The thread finishes its probe, restores the gateway, frees the link and posts finished.
  if (search_) search_->Stop();
}

void CCanWizardPage6::ModuleFound(std::uint16_t moduleId, int bitRateIndex) {
  Post(kMsgFound, moduleId, bitRateIndex);
}

void CCanWizardPage6::Probing(int candidate) {
  Post(kMsgProbing, static_cast<std::uintptr_t>(candidate));
}

void CCanWizardPage6::Finished(bool failed) {
  Post(kMsgFinished, failed ? 1u : 0u);
}

void CCanWizardPage6::OnPrivateMessage(unsigned message, std::uintptr_t wParam,
                                       std::intptr_t lParam) {
  if (destroyed_) return;
  if (message == kMsgFound) {
    modules_.push_back(static_cast<std::uint16_t>(wParam));
    rates_.push_back(static_cast<int>(lParam));
    ShowModules();
  } else if (message == kMsgProbing) {
    if (progress_)
      progress_->SetValue(CSearchModulesProgressDlg::kIdProgress, static_cast<int>(wParam));
  } else if (message == kMsgFinished) {
    if (search_) search_->Stop();  // joins the thread, which has posted its last message
    CanNetworkSearch::Ending end;
    if (search_) end = search_->End();
    search_.reset();
    SearchFinished(wParam != 0, end);
  }
}

void CCanWizardPage6::SearchFinished(bool failed, const CanNetworkSearch::Ending& end) {
  Enable(kIdSetBitRate, true);
  SetText(kIdSearch, kStartSearch);
  if (progress_) progress_->Close();
  progress_.reset();
  if (failed) {
    // The gateway was left as it was and nobody was asked: nothing to settle or to judge.
    sameRate_ = true;
    ui::CurrentHost().ShowMessage(kFailed);
    wizard_.SetWizardButtons(Buttons());
    return;
  }
  std::string leftWith = end.leftWith;
  if (!end.brokenOff.empty() || !end.restored ||
      !CanSearchOutcome::Settle(wizard_.Communication(), wizard_.Module(), modules_, rates_,
                                end.kept, leftWith)) {
    // The list shows what answered before; the network cannot be built on it until the
    // gateway is back at its rate.
    std::string text = end.brokenOff.empty() ? kNotRestored : end.brokenOff;
    if (!leftWith.empty()) text += "\n" + leftWith;
    ui::CurrentHost().ShowMessage(text);
    sameRate_ = false;
    wizard_.SetWizardButtons(Buttons());
    return;
  }
  const CanSearchOutcome outcome = CanSearchOutcome::Judge(modules_, rates_, count_);
  if (!outcome.allFound) {
    CNotAllModulesFoundDlg dlg(outcome.notAllFoundText);
    dlg.DoModal();
  }
  sameRate_ = outcome.sameRate;
  if (!sameRate_) {
    ui::CurrentHost().ShowMessage(CanSearchOutcome::kDifferentRates);
  } else if (outcome.bitRateIndex >= 0) {
    // Modules that all run at a rate outside the table keep it: the summary tells so.
    bitRate_ = outcome.bitRateIndex;
    if (bitRate_ < CanBitRateTable::kCount) SetSelection(kIdBitRate, bitRate_);
  }
  wizard_.SetWizardButtons(Buttons());
}

unsigned CCanWizardPage6::Buttons() const {
  // Modules at different rates cannot talk to each other: the network is not built yet.
  return (wizard_.Depth() > 0 ? ui::kWizBack : 0u) | (sameRate_ ? ui::kWizNext : 0u);
}

void CCanWizardPage6::ShowModules() {
  std::vector<std::vector<std::string>> rows;
  for (std::size_t i = 0; i < modules_.size(); ++i)
    rows.push_back({std::to_string(modules_[i]), CanBitRateTable::Text(rates_[i])});
  SetRows(kIdModules, rows);
}

int CCanWizardPage6::NextPage() {
  wizard_.foundModules = modules_;
  wizard_.foundBitRates = rates_;
  wizard_.moduleCount = static_cast<int>(modules_.size());
  wizard_.networkBitRate = bitRate_;
  return 263;
}

}  // namespace zel::can
