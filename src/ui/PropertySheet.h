#pragma once

#include <vector>

#include "ui/Window.h"

namespace zel::ui {

// Sheet and wizard buttons (the classic ID_APPLY_NOW, ID_WIZBACK, ID_WIZNEXT, ID_WIZFINISH) and
// the tab strip of a plain sheet.
inline constexpr int kIdPageTabs = 12320;
inline constexpr int kIdApply = 12321;
inline constexpr int kIdBack = 12323;
inline constexpr int kIdNext = 12324;
inline constexpr int kIdFinish = 12325;
inline constexpr int kResultFinish = kIdFinish;

// Flags for SetWizardButtons.
inline constexpr unsigned kWizBack = 0x1;
inline constexpr unsigned kWizNext = 0x2;
inline constexpr unsigned kWizFinish = 0x4;
inline constexpr unsigned kWizDisabledFinish = 0x8;

class PropertySheet;

// One page of a sheet or wizard. Its controls are its own; the sheet calls the life cycle:
// OnInitDialog the first time the page becomes active, OnSetActive each time it does,
// OnKillActive before it is left (false keeps it), OnApply when a plain sheet's OK or Apply is
// pressed, OnReset on Cancel, and the wizard's OnWizardNext/Back/Finish.
class PropertyPage : public Window {
 public:
  // Results of OnWizardNext and OnWizardBack besides JumpTo(index).
  static constexpr int kStay = -1;
  static constexpr int kDefault = 0;
  static constexpr int JumpTo(int pageIndex) { return pageIndex + 1; }

  using Window::Window;

  PropertySheet* Sheet() const { return sheet_; }

  virtual bool OnSetActive() { return true; }
  virtual bool OnKillActive() { return true; }
  virtual bool OnApply() { return true; }
  virtual void OnReset() {}
  virtual int OnWizardNext() { return kDefault; }
  virtual int OnWizardBack() { return kDefault; }
  virtual bool OnWizardFinish() { return true; }

  // Marks the page changed, which enables a plain sheet's Apply button.
  void SetModified(bool modified = true);
  bool IsModified() const { return modified_; }

 private:
  friend class PropertySheet;
  PropertySheet* sheet_ = nullptr;
  bool modified_ = false;
};

// A property sheet (tabs with OK, Cancel, Apply) or a wizard (Back, Next, Finish, Cancel) over
// pages it does not own; the pages must outlive the sheet's modal run. The renderer shows the
// sheet's own buttons and the active page.
class PropertySheet : public Window {
 public:
  PropertySheet(std::string title, bool wizard);

  void AddPage(PropertyPage& page);
  int PageCount() const { return static_cast<int>(pages_.size()); }
  PropertyPage& Page(int index) { return *pages_.at(static_cast<std::size_t>(index)); }
  int ActiveIndex() const { return active_; }
  PropertyPage* ActivePage();
  bool IsWizard() const { return wizard_; }

  // Switches pages through the life cycle; false when the current page refused to be left or
  // the new page refused to become active (the current page then stays).
  bool SetActivePage(int index);

  void SetWizardButtons(unsigned flags);
  unsigned WizardButtons() const { return wizardButtons_; }
  // The page whose OnApply failed is activated; false then.
  bool Apply();

  void PageModified();

 protected:
  bool OnInitDialog() override;
  void OnEvent(int id, EventKind kind) override;
  void OnOK() override;
  void OnCancel() override;
  void OnDestroy() override;

 private:
  bool Activate(int index);
  void Navigate(int pageResult, int step);

  std::vector<PropertyPage*> pages_;
  bool wizard_;
  int active_ = -1;
  unsigned wizardButtons_ = kWizBack | kWizNext;
};

}  // namespace zel::ui
