#pragma once

#include <functional>
#include <thread>

#include "firmware/FirmwareRegistry.h"
#include "ui/Window.h"

namespace zel::firmware {

// The modal "Application Adjustment" window: it says that the user interface is being adjusted
// while the adjustment listeners reload on a worker thread. The worker only posts its result;
// the window closes itself on that message (OK when every listener succeeded, Cancel otherwise).
//
// The user cannot close the window while the work runs, and whatever ends the window, the worker
// has been waited for before Run returns, so no listener is left running behind the caller.
class CApplicationAdjustmentDlg : public ui::Window {
 public:
  static constexpr const char* kTitle = "Application Adjustment";
  static constexpr const char* kText = "Application Adjustment processing ...";
  static constexpr int kIdText = 1000;
  static constexpr unsigned kMsgAdjusted = ui::kWmUser + 1;

  explicit CApplicationAdjustmentDlg(std::function<bool()> work);
  ~CApplicationAdjustmentDlg() override;

  // Shows the window while work runs and returns work's result.
  static bool Run(const std::function<bool()>& work);
  // Makes Run the registry's adjustment runner.
  static void Install(FirmwareRegistry& registry);

  // The work's result once the worker has ended.
  bool Succeeded() const { return succeeded_; }

 protected:
  bool OnInitDialog() override;
  void OnCancel() override;
  void OnDestroy() override;
  void OnPrivateMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

 private:
  void JoinWorker();

  std::function<bool()> work_;
  std::thread worker_;
  bool finished_ = false;
  bool succeeded_ = false;
};

}  // namespace zel::firmware
