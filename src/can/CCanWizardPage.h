#pragma once

#include <string>

#include "ui/PropertySheet.h"

namespace zel::can {

class CCanWizardSheet;

// A page of the CAN wizard: it knows its page identifier and its step title ("Step %i: ..."),
// numbered by how deep the Back history is. Next pushes the page's identifier (or the one it
// names instead) and goes where NextPage says; Back pops. UI thread.
class CCanWizardPage : public ui::PropertyPage {
 public:
  CCanWizardPage(int pageId, std::string stepTitle, CCanWizardSheet& sheet);

  int PageId() const { return pageId_; }

  bool OnSetActive() override;
  int OnWizardNext() override;
  int OnWizardBack() override;

 protected:
  // The page Next goes to; 0 keeps the page.
  virtual int NextPage() = 0;
  // What Next pushes for Back to return to.
  virtual int PushedId() const { return pageId_; }
  // The wizard buttons when the page is shown.
  virtual unsigned Buttons() const;
  // Runs when the page has become active, after its title and buttons are set.
  virtual void Entered() {}

  CCanWizardSheet& wizard_;

 private:
  int pageId_;
  std::string stepTitle_;
};

}  // namespace zel::can
