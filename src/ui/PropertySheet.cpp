#include "ui/PropertySheet.h"

namespace zel::ui {

void PropertyPage::SetModified(bool modified) {
  modified_ = modified;
  if (sheet_) sheet_->PageModified();
}

PropertySheet::PropertySheet(std::string title, bool wizard)
    : Window(std::move(title)), wizard_(wizard) {
  if (wizard_) {
    AddButton(kIdBack, "< &Back");
    AddButton(kIdNext, "&Next >").sameRow = true;
    AddButton(kIdFinish, "Finish").sameRow = true;
    AddButton(kIdCancel, "Cancel").sameRow = true;
  } else {
    Add(kIdPageTabs, ControlKind::Tab);
    AddButton(kIdOk, "OK");
    AddButton(kIdCancel, "Cancel").sameRow = true;
    AddButton(kIdApply, "&Apply").sameRow = true;
    Enable(kIdApply, false);
  }
}

void PropertySheet::AddPage(PropertyPage& page) {
  page.sheet_ = this;
  pages_.push_back(&page);
  if (!wizard_) {
    std::vector<std::string> titles;
    for (const PropertyPage* p : pages_) titles.push_back(p->Title());
    SetItems(kIdPageTabs, std::move(titles));
  }
}

PropertyPage* PropertySheet::ActivePage() {
  return active_ >= 0 && active_ < PageCount() ? pages_[static_cast<std::size_t>(active_)]
                                               : nullptr;
}

bool PropertySheet::Activate(int index) {
  if (index < 0 || index >= PageCount()) return false;
  PropertyPage& page = Page(index);
  page.Initialize();
  if (!page.OnSetActive()) return false;
  active_ = index;
  if (!wizard_) SetSelection(kIdPageTabs, index);
  Notify(0);
  return true;
}

bool PropertySheet::SetActivePage(int index) {
  if (index == active_ || index < 0 || index >= PageCount()) return index == active_;
  if (PropertyPage* current = ActivePage(); current && !current->OnKillActive()) {
    if (!wizard_) SetSelection(kIdPageTabs, active_);
    return false;
  }
  int previous = active_;
  if (Activate(index)) return true;
  if (previous >= 0) Activate(previous);
  return false;
}

void PropertySheet::SetWizardButtons(unsigned flags) {
  wizardButtons_ = flags;
  if (!wizard_) return;
  Enable(kIdBack, (flags & kWizBack) != 0);
  Enable(kIdNext, (flags & kWizNext) != 0);
  // Finish replaces Next on the last page; a disabled Finish is shown but cannot be pressed.
  bool finish = (flags & (kWizFinish | kWizDisabledFinish)) != 0;
  Show(kIdFinish, finish);
  Enable(kIdFinish, (flags & kWizFinish) != 0);
  Show(kIdNext, !finish);
}

bool PropertySheet::Apply() {
  if (PropertyPage* current = ActivePage(); current && !current->OnKillActive()) return false;
  for (int i = 0; i < PageCount(); ++i) {
    PropertyPage& page = Page(i);
    if (!page.IsInitialized()) continue;
    if (!page.OnApply()) {
      SetActivePage(i);
      return false;
    }
    page.modified_ = false;
  }
  if (!wizard_) Enable(kIdApply, false);
  return true;
}

void PropertySheet::PageModified() {
  if (wizard_) return;
  bool any = false;
  for (const PropertyPage* p : pages_) any = any || p->IsModified();
  Enable(kIdApply, any);
}

bool PropertySheet::OnInitDialog() {
  SetWizardButtons(wizardButtons_);
  for (int i = 0; i < PageCount(); ++i)
    if (Activate(i)) return true;
  return true;
}

void PropertySheet::Navigate(int pageResult, int step) {
  if (pageResult == PropertyPage::kStay) return;
  int target = pageResult == PropertyPage::kDefault ? active_ + step : pageResult - 1;
  SetActivePage(target);
}

void PropertySheet::OnEvent(int id, EventKind kind) {
  PropertyPage* page = ActivePage();
  if (id == kIdPageTabs && kind == EventKind::Selection) {
    int wanted = Selection(kIdPageTabs);
    SetActivePage(wanted);
  } else if (id == kIdApply && kind == EventKind::Clicked) {
    Apply();
  } else if (!page) {
    return;
  } else if (id == kIdNext && kind == EventKind::Clicked) {
    Navigate(page->OnWizardNext(), +1);
  } else if (id == kIdBack && kind == EventKind::Clicked) {
    Navigate(page->OnWizardBack(), -1);
  } else if (id == kIdFinish && kind == EventKind::Clicked) {
    if (page->OnWizardFinish()) EndDialog(kResultFinish);
  }
}

void PropertySheet::OnOK() {
  if (wizard_) return;
  if (Apply()) EndDialog(kResultOk);
}

void PropertySheet::OnCancel() {
  for (PropertyPage* p : pages_)
    if (p->IsInitialized()) p->OnReset();
  EndDialog(kResultCancel);
}

void PropertySheet::OnDestroy() {
  for (PropertyPage* p : pages_) p->Destroy();
  active_ = -1;
}

}  // namespace zel::ui
