#pragma once

#include <cstdint>
#include <vector>

#include "firmware/CDownloadWizardPages.h"
#include "firmware/CDownloadWizardRunPages.h"
#include "firmware/DownloadController.h"
#include "firmware/DownloadOutcome.h"
#include "firmware/FirmwareInfo.h"
#include "link/CommSettings.h"
#include "ui/PropertySheet.h"

namespace zel::link {
class ZelCommunication;
}

namespace zel::firmware {

class FirmwareRegistry;

// The "&Firmware Download Wizard": warning, serial settings, method, package, download, summary
// and the new default parameters. While it is open the line belongs to the UI thread, so the
// polling monitor sees the ZEL offline instead of cutting into the download; the boot loader
// talks at 38400 baud, so the ZEL is set to it for the wizard's time and given back its own rate
// when the wizard closes (however it closes).
//
// Lives on the stack of the command that runs it; the communication stack, the controller and
// the registry outlive it. UI thread.
class CDownloadWizardSheet final : public ui::PropertySheet {
 public:
  enum PageIndex { kIntro, kCom, kMethod, kSourceFile, kDownload, kSummary, kSystemParameter };
  static constexpr std::uint16_t kBootBaudCode = 3;  // parameter 0: 38400 baud
  static constexpr std::int32_t kBootBaudRate = 38400;
  static constexpr std::size_t kMostHistory = 8;
  static constexpr const char* kRateNotRestored =
      "The ZEL's baud rate could not be set back!\nThe ZEL stays at 38400 baud (system "
      "parameter 0 = 3).";

  CDownloadWizardSheet(link::ZelCommunication& communication, DownloadController& controller,
                       FirmwareRegistry& registry);
  ~CDownloadWizardSheet() override;

  link::ZelCommunication& Communication() { return communication_; }
  DownloadController& Controller() { return controller_; }
  FirmwareRegistry& Registry() { return registry_; }

  // The wizard's state, shared by its pages.
  FirmwareInfo chosen;
  bool chosenDescribed = false;
  bool noRunningFirmware = false;
  bool serviceMode = false;  // SysConfig bit 14 when last read
  bool downloadSucceeded = false;
  DownloadOutcome outcome;       // how the last download ended and where it left the ZEL
  std::vector<int> resultCodes;  // the last download's StepResult codes in arrival order

  bool Parameter0Changed() const { return parameter0Changed_; }
  std::uint16_t SavedParameter0() const { return parameter0_; }
  const std::vector<int>& PageHistory() const { return pageHistory_; }

  // The pages' navigation: Visit records the page just shown and gives its step number; Back
  // forgets it and gives the page to return to.
  int Visit(int pageIndex);
  int Back();

  CDownloadWizardPageDownload& DownloadPage() { return download_; }

 protected:
  bool OnInitDialog() override;
  void OnEvent(int id, ui::EventKind kind) override;
  void OnCancel() override;
  void OnDestroy() override;

 private:
  void Open();
  void Close();

  link::ZelCommunication& communication_;
  DownloadController& controller_;
  FirmwareRegistry& registry_;
  link::CommSettings userSettings_;
  std::uint16_t parameter0_ = 0;
  bool parameter0Changed_ = false;
  bool opened_ = false;
  bool goingBack_ = false;
  std::vector<int> pageHistory_;
  CDownloadWizardPageIntro intro_;
  CDownloadWizardPageCom com_;
  CDownloadWizardPageMethod method_;
  CDownloadWizardPageSourceFile sourceFile_;
  CDownloadWizardPageDownload download_;
  CDownloadWizardPageSummary summary_;
  CDownloadWizardPageSystemParameter systemParameter_;
};

}  // namespace zel::firmware
