#include "app/CWizardView.h"

#include <cstdint>

namespace zel::app {

CWizardView::CWizardView() : Window("Wizards") {
  AddLabel(kIdCaption, "Wizards");
  AddList(kIdList, {""});
  SetRows(kIdList, {{"Startup Wizard"},
                    {"CAN Wizard"},
                    {"Firmware Download Wizard"},
                    {"Parameter Up/Download Wizard"}});
}

void CWizardView::OnEvent(int id, ui::EventKind kind) {
  if (id != kIdList || kind != ui::EventKind::DoubleClick || receiver_ == 0) return;
  // -1 (nothing selected) travels as is; the receiver launches nothing for it.
  auto index = static_cast<std::intptr_t>(Selection(kIdList));
  ui::Dispatcher::Default().Post(receiver_, kMsgLaunchWizard, static_cast<std::uintptr_t>(index));
}

}  // namespace zel::app
