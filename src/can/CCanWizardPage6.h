#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "can/CCanWizardPage.h"
#include "can/CanNetworkSearch.h"
#include "link/CanBitRateTable.h"

namespace zel::can {

class CSearchModulesProgressDlg;

// 262: the module search and the bit-rate run. The search runs on its own thread and reports by
// posted messages; while it runs the wizard buttons are disabled and the start button stops it.
// Next is offered only while the modules last found share one rate (or before any search), and
// the network's rate is that shared rate, which may be one outside the table, else the user's
// choice. The search is stopped (and the link freed) when the page is destroyed. UI thread.
class CCanWizardPage6 final : public CCanWizardPage, private CanNetworkSearch::Listener {
 public:
  static constexpr int kId = 262;
  static constexpr int kIdBitRate = 5200;
  static constexpr int kIdSetBitRate = 5201;
  static constexpr int kIdSearch = 5202;
  static constexpr int kIdModules = 5203;
  static constexpr unsigned kMsgFound = ui::kWmUser + 60;     // wParam id, lParam rate index
  static constexpr unsigned kMsgProbing = ui::kWmUser + 61;   // wParam candidate
  static constexpr unsigned kMsgFinished = ui::kWmUser + 62;  // wParam 1: failed
  static constexpr const char* kStartSearch = "&Start Search Modules";
  static constexpr const char* kStopSearch = "&Stop Search Modules";
  static constexpr const char* kStopBitRate = "&Stop Bitrate Setting";
  static constexpr const char* kFailed = "Command failed!";
  static constexpr const char* kNotRestored = "The search could not put the CAN gateway back.";

  explicit CCanWizardPage6(CCanWizardSheet& sheet);
  ~CCanWizardPage6() override;

  bool Searching() const { return search_ != nullptr; }
  const std::vector<std::uint16_t>& FoundModules() const { return modules_; }
  const std::vector<int>& FoundBitRates() const { return rates_; }
  // The progress window while a search runs; null otherwise.
  CSearchModulesProgressDlg* Progress() { return progress_.get(); }

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  void OnPrivateMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
  void OnReset() override { StopSearch(); }
  void OnDestroy() override;
  int NextPage() override;
  unsigned Buttons() const override;

 private:
  void ModuleFound(std::uint16_t moduleId, int bitRateIndex) override;
  void Probing(int candidate) override;
  void Finished(bool failed) override;

  void StartSearch(CanNetworkSearch::Mode mode);
  void StopSearch();
  void SearchFinished(bool failed, const CanNetworkSearch::Ending& end);
  void ShowModules();

  std::unique_ptr<CanNetworkSearch> search_;
  std::unique_ptr<CSearchModulesProgressDlg> progress_;
  std::vector<std::uint16_t> modules_;
  std::vector<int> rates_;
  int count_ = 127;
  int bitRate_ = link::CanBitRateTable::kDefaultIndex;
  // False from a search whose modules run at different rates until the next search.
  bool sameRate_ = true;
  bool destroyed_ = false;
};

}  // namespace zel::can
