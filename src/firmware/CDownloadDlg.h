#pragma once

#include <optional>
#include <string>
#include <vector>

#include "firmware/BootLoaderSession.h"
#include "firmware/DownloadController.h"
#include "firmware/DownloadEventQueue.h"
#include "ui/Window.h"

namespace zel::link {
class ZelCommunication;
}

namespace zel::firmware {

// "Download ": the firmware download without the wizard's pages. The file and version, the
// method, the expected duration, the history of result texts, the step's progress and the
// critical warning. While the flash is erased and programmed the dialog cannot be closed.
//
// Thread rules: UI thread. The worker's events come through a queue; each push posts the
// dialog a message, and the dialog drains the queue on the UI thread.
class CDownloadDlg final : public ui::Window {
 public:
  static constexpr int kIdFileLabel = 2100;
  static constexpr int kIdFile = 2101;
  static constexpr int kIdBrowse = 2102;
  static constexpr int kIdMethodLabel = 2103;
  static constexpr int kIdMethod = 2104;
  static constexpr int kIdDurationLabel = 2105;
  static constexpr int kIdDuration = 2106;
  static constexpr int kIdHistory = 2107;
  static constexpr int kIdStatus = 2108;
  static constexpr int kIdProgress = 2109;
  static constexpr int kIdStart = 2110;
  static constexpr int kIdStop = 2111;
  static constexpr int kIdFileSettings = 2112;
  static constexpr int kIdReadVersion = 2113;
  static constexpr int kIdCritical = 2114;

  // The private message that tells the dialog its queue holds events.
  static constexpr unsigned kMsgDownloadEvents = 0x400 + 60;
  static constexpr std::uint32_t kCriticalColour = 0xFF0000;

  CDownloadDlg(link::ZelCommunication& communication, DownloadController& controller);
  ~CDownloadDlg() override;

  // The hardware version check at Start (on unless a service technician turns it off).
  void SetHardwareCheck(bool on) { hardwareCheck_ = on; }
  bool Succeeded() const { return succeeded_; }
  bool InCriticalPhase() const { return critical_; }

 protected:
  bool OnInitDialog() override;
  void OnEvent(int id, ui::EventKind kind) override;
  void OnOK() override;
  void OnCancel() override;
  void OnDestroy() override;
  void OnPrivateMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

 private:
  void Browse();
  void Start();
  void FileSettings();
  void ReadVersion();
  void Close(int result);
  void Apply(const DownloadEvent& event);
  void EnableInputs(bool enabled);
  void ShowDuration();
  // Takes the line back from the boot loader and lifts the claim, once the worker has ended.
  void Finish();
  bool CheckHardware(bool& firmwareAnswered);

  link::ZelCommunication& communication_;
  DownloadController& controller_;
  DownloadEventQueue queue_;
  std::vector<int> history_;  // result codes in arrival order
  bool hardwareCheck_ = true;
  std::optional<BootLoaderSession> session_;  // while a download holds the line
  bool critical_ = false;
  bool succeeded_ = false;
  int64_t stepExpectedMs_ = 0;
};

}  // namespace zel::firmware
