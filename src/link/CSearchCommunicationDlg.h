#pragma once

#include <memory>
#include <string>

#include "link/CommSettings.h"
#include "ui/Window.h"

namespace zel::link {

class CommunicationSearch;
class ZelCommunication;

// "Search Communication": a progress bar over the candidates while the search runs, and "&Exit"
// to give up after the candidate in progress. The dialog closes when the search reports done.
// UI thread only.
class CSearchCommunicationDlg final : public ui::Window {
 public:
  static constexpr int kIdText = 1700;
  static constexpr int kIdProgress = 1701;
  static constexpr int kIdExit = 1702;

  static constexpr const char* kNotFoundText = "No communication setting found!";
  // "Correct communication setting found!" with the port and rate of settings.
  static std::string FoundText(const CommSettings& settings);

  explicit CSearchCommunicationDlg(ZelCommunication& communication);
  ~CSearchCommunicationDlg() override;

  bool Found() const { return found_; }

 protected:
  bool OnInitDialog() override;
  void OnEvent(int id, ui::EventKind kind) override;
  void OnCancel() override;
  void OnDestroy() override;
  void OnPrivateMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

 private:
  void Exit();

  ZelCommunication& communication_;
  std::unique_ptr<CommunicationSearch> search_;
  bool found_ = false;
};

// Runs the search dialog modally; true when a setting was found (it is then open and stored).
// With messages, says what came of it.
bool SearchCommunication(ZelCommunication& communication, bool showMessages);

}  // namespace zel::link
