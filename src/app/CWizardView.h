#pragma once

#include "ui/Dispatcher.h"
#include "ui/Window.h"

namespace zel::app {

// The wizard launcher beside the regulation tabs: a caption and four large-icon items. A double
// click asks the main window, by posted message, to launch the selected wizard.
class CWizardView : public ui::Window {
 public:
  static constexpr int kIdCaption = 1300;
  static constexpr int kIdList = 1301;
  static constexpr unsigned kMsgLaunchWizard = ui::kWmUser + 1;

  CWizardView();

  // The main window that receives launch requests.
  void SetReceiver(ui::Dispatcher::TargetId receiver) { receiver_ = receiver; }

 protected:
  void OnEvent(int id, ui::EventKind kind) override;

 private:
  ui::Dispatcher::TargetId receiver_ = 0;
};

}  // namespace zel::app
