#include "can/CCanWizardSheet.h"

namespace zel::can {

CCanWizardSheet::CCanWizardSheet(link::ZelCommunication& communication, CanModule& module)
    : PropertySheet("CAN Wizard", true),
      page1(*this),
      page2(*this),
      page3(*this),
      page4(*this),
      page5(*this),
      page5a(*this),
      page5b(*this),
      page5c(*this),
      page5d(*this),
      page5e(*this),
      page6(*this),
      page7(*this),
      page7a(*this),
      page7b(*this),
      page7c(*this),
      page8(*this),
      page9(*this),
      communication_(communication),
      module_(module) {
  history_.reserve(kHistoryRoom);
  for (ui::PropertyPage* page : std::initializer_list<ui::PropertyPage*>{
           &page1, &page2, &page3, &page4, &page5, &page5a, &page5b, &page5c, &page5d, &page5e,
           &page6, &page7, &page7a, &page7b, &page7c, &page8, &page9})
    AddPage(*page);
}

void CCanWizardSheet::Push(int pageId) {
  // The longest path pushes 15; a full history drops its oldest entry rather than grow.
  if (Depth() >= kHistoryRoom) history_.erase(history_.begin());
  history_.push_back(pageId);
}

int CCanWizardSheet::Pop() {
  if (history_.empty()) return 0;
  const int pageId = history_.back();
  history_.pop_back();
  return pageId;
}

int CCanWizardSheet::IndexOf(int pageId) {
  for (int i = 0; i < PageCount(); ++i)
    if (static_cast<CCanWizardPage&>(Page(i)).PageId() == pageId) return i;
  return -1;
}

int CCanWizardSheet::ActivePageId() {
  ui::PropertyPage* page = ActivePage();
  return page ? static_cast<CCanWizardPage*>(page)->PageId() : 0;
}

}  // namespace zel::can
