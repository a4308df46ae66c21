#pragma once

#include <functional>
#include <string>

#include "ui/Window.h"

namespace zel::parameters {

// The progress dialogs of the up/download wizard's CAN page ("Search Modules", "Upload
// Parameter", "Download Parameter"). The work is done one step per message the dialog posts to
// itself, so "Stop" is seen between two steps and a step already begun is finished.
class CUploadWizardProgressDlg final : public ui::Window {
 public:
  static constexpr int kIdText = 4000;
  static constexpr int kIdStopHint = 4001;
  static constexpr int kIdCurrent = 4002;
  static constexpr int kIdProgress = 4003;
  static constexpr int kIdCounter = 4004;
  static constexpr int kIdStop = 4005;
  static constexpr unsigned kMsgShow = 0x400 + 70;
  static constexpr unsigned kMsgStep = 0x400 + 71;

  struct Work {
    int steps = 1;
    std::function<bool()> done;
    std::function<void()> step;
    std::function<void()> stop;
    std::function<std::string()> current;  // the text naming the next step; may be empty
    std::function<std::string()> counter;  // shown after each step; may be empty
  };

  CUploadWizardProgressDlg(std::string title, std::string text, Work work);
  bool Stopped() const { return stopped_; }

 protected:
  bool OnInitDialog() override;
  void OnEvent(int id, ui::EventKind kind) override;
  void OnCancel() override;
  void OnPrivateMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

 private:
  void StopWork();

  Work work_;
  int stepsDone_ = 0;
  bool stopped_ = false;
};

// "Additional Information": the visum and comment an upload writes into its files.
class CAdditionalInformationDlg final : public ui::Window {
 public:
  static constexpr int kIdVisumLabel = 4010;
  static constexpr int kIdVisum = 4011;
  static constexpr int kIdCommentLabel = 4012;
  static constexpr int kIdComment = 4013;

  CAdditionalInformationDlg(const std::string& visum, const std::string& comment);
  // OK takes the texts entered; Cancel makes both "-".
  static void Ask(std::string& visum, std::string& comment);
};

}  // namespace zel::parameters
