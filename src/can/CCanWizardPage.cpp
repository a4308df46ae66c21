#include "can/CCanWizardPage.h"

#include <cstdio>

#include "can/CCanWizardSheet.h"

namespace zel::can {

CCanWizardPage::CCanWizardPage(int pageId, std::string stepTitle, CCanWizardSheet& sheet)
    : PropertyPage(stepTitle), wizard_(sheet), pageId_(pageId), stepTitle_(std::move(stepTitle)) {}

unsigned CCanWizardPage::Buttons() const {
  return (wizard_.Depth() > 0 ? ui::kWizBack : 0u) | ui::kWizNext;
}

bool CCanWizardPage::OnSetActive() {
  char title[160];
  std::snprintf(title, sizeof title, stepTitle_.c_str(), wizard_.Depth() + 1);
  SetTitle(title);
  wizard_.SetWizardButtons(Buttons());
  Entered();
  return true;
}

int CCanWizardPage::OnWizardNext() {
  const int next = NextPage();
  const int index = wizard_.IndexOf(next);
  if (next == 0 || index < 0) return kStay;
  wizard_.Push(PushedId());
  return JumpTo(index);
}

int CCanWizardPage::OnWizardBack() {
  const int previous = wizard_.Pop();
  const int index = wizard_.IndexOf(previous);
  return index < 0 ? kStay : JumpTo(index);
}

}  // namespace zel::can
