#pragma once

#include <optional>
#include <string>
#include <vector>

#include "firmware/BootLoaderSession.h"
#include "firmware/CDownloadWizardPages.h"
#include "firmware/DownloadEventQueue.h"
#include "parameters/SystemParameterBlock.h"
#include "ui/Window.h"

namespace zel::firmware {

// "Download History": the result texts of the last download in order, each marked as a success
// (a code ending in 01) or a failure.
class CDownloadHistoryDlg final : public ui::Window {
 public:
  static constexpr int kIdList = 3100;
  static constexpr int kIdExit = 3101;

  explicit CDownloadHistoryDlg(const std::vector<int>& codes);

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
};

// The download itself. The worker's events come through a queue that posts the page a message,
// and the page applies them on the UI thread. While the flash is erased and programmed nothing
// may leave the page.
class CDownloadWizardPageDownload final : public CDownloadWizardPage {
 public:
  static constexpr int kIdMethod = 3110;
  static constexpr int kIdStatus = 3111;
  static constexpr int kIdProgress = 3112;
  static constexpr int kIdStart = 3113;
  static constexpr int kIdStop = 3114;
  static constexpr int kIdDurationLabel = 3115;
  static constexpr int kIdDuration = 3116;
  static constexpr int kIdHistory = 3117;
  static constexpr int kIdCritical = 3118;
  static constexpr unsigned kMsgDownloadEvents = 0x400 + 61;
  static constexpr std::uint32_t kCriticalColour = 0xFF0000;
  static constexpr const char* kLineNotBack =
      "The serial line could not be given back to the ZEL's communication!\nCheck the "
      "communication settings!";

  explicit CDownloadWizardPageDownload(CDownloadWizardSheet& sheet);
  ~CDownloadWizardPageDownload() override;

  bool OnSetActive() override;
  bool OnKillActive() override;
  int OnWizardNext() override;
  bool Running() const;
  bool InCriticalPhase() const { return critical_; }
  bool Finished() const { return finished_; }
  // Stops a running download (not in the critical phase) and takes the line back.
  void Abandon();

 protected:
  void OnEvent(int id, ui::EventKind kind) override;
  void OnPrivateMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

 private:
  void Start();
  void Apply(const DownloadEvent& event);
  void EnableInputs(bool enabled);
  void Finish();
  void UpdateButtons();

  DownloadEventQueue queue_;
  std::optional<BootLoaderSession> session_;  // while a download holds the line
  bool critical_ = false;
  bool finished_ = false;
  bool blink_ = false;
  int64_t stepExpectedMs_ = 1;
};

class CDownloadWizardPageSummary final : public CDownloadWizardPage {
 public:
  static constexpr int kIdVerdict = 3120;
  static constexpr int kIdDetail = 3121;  // three lines: 3121..3123
  static constexpr int kIdMeaning = 3125;
  static constexpr int kIdVersion = 3126;  // four lines: 3126..3129

  explicit CDownloadWizardPageSummary(CDownloadWizardSheet& sheet);
  bool OnSetActive() override;
  int OnWizardNext() override;
};

class CDownloadWizardPageSystemParameter final : public CDownloadWizardPage {
 public:
  static constexpr int kIdWriteQuestion = 3130;
  static constexpr int kIdWrite = 3131;
  static constexpr int kIdEditQuestion = 3132;
  static constexpr int kIdEdit = 3133;
  static constexpr int kIdInfo = 3134;

  explicit CDownloadWizardPageSystemParameter(CDownloadWizardSheet& sheet);
  bool OnSetActive() override;

 protected:
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  void WriteDefaults();
  void EditParameters();

  bool haveDefaults_ = false;
  parameters::SystemParameterBlock defaults_;
};

}  // namespace zel::firmware
