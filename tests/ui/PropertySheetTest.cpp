#include "ui/PropertySheet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/ScriptedHost.h"

namespace zel::ui {
namespace {

// Records the life cycle calls of all pages in one journal.
class JournalPage : public PropertyPage {
 public:
  JournalPage(std::string name, std::vector<std::string>& journal)
      : PropertyPage(name), name_(std::move(name)), journal_(journal) {}
  bool leave = true;
  bool apply = true;
  int next = kDefault;
  bool finish = true;

  bool OnInitDialog() override { return Log("init"); }
  bool OnSetActive() override { return Log("set"); }
  bool OnKillActive() override { return Log("kill") && leave; }
  bool OnApply() override { return Log("apply") && apply; }
  void OnReset() override { Log("reset"); }
  int OnWizardNext() override {
    Log("next");
    return next;
  }
  bool OnWizardFinish() override { return Log("finish") && finish; }

 private:
  bool Log(const char* what) {
    journal_.push_back(name_ + ":" + what);
    return true;
  }
  std::string name_;
  std::vector<std::string>& journal_;
};

using Journal = std::vector<std::string>;

TEST(PropertySheet, PlainSheetCreatesPagesLazilyAndAppliesOnlyThoseShown) {
  Journal j;
  JournalPage a("A", j), b("B", j), c("C", j);
  PropertySheet sheet("Sheet", false);
  sheet.AddPage(a);
  sheet.AddPage(b);
  sheet.AddPage(c);
  ScriptedHost host;
  host.QueueModal([&](Window& w) {
    w.UserSelect(kIdPageTabs, 1);
    w.Press(kIdOk);
  });
  EXPECT_EQ(sheet.DoModal(), kResultOk);
  EXPECT_EQ(
      j, (Journal{"A:init", "A:set", "A:kill", "B:init", "B:set", "B:kill", "A:apply", "B:apply"}));
}

TEST(PropertySheet, APageThatRefusesToBeLeftKeepsTheSheetOnIt) {
  Journal j;
  JournalPage a("A", j), b("B", j);
  PropertySheet sheet("Sheet", false);
  sheet.AddPage(a);
  sheet.AddPage(b);
  sheet.Initialize();
  a.leave = false;
  EXPECT_FALSE(sheet.UserSelect(kIdPageTabs, 1) && sheet.ActiveIndex() == 1);
  EXPECT_EQ(sheet.ActiveIndex(), 0);
  EXPECT_EQ(sheet.Selection(kIdPageTabs), 0) << "the tab strip must follow the refusal";
  sheet.Press(kIdOk);
  EXPECT_FALSE(sheet.IsEnded()) << "OK must not close past a page that refuses";
  sheet.Destroy();
}

TEST(PropertySheet, FailedApplyShowsTheFailingPageAndApplyButtonFollowsModified) {
  Journal j;
  JournalPage a("A", j), b("B", j);
  PropertySheet sheet("Sheet", false);
  sheet.AddPage(a);
  sheet.AddPage(b);
  sheet.Initialize();
  EXPECT_FALSE(sheet.IsEnabled(kIdApply));
  sheet.UserSelect(kIdPageTabs, 1);
  b.SetModified();
  EXPECT_TRUE(sheet.IsEnabled(kIdApply));
  sheet.UserSelect(kIdPageTabs, 0);
  a.apply = false;
  sheet.Press(kIdOk);
  EXPECT_FALSE(sheet.IsEnded());
  EXPECT_EQ(sheet.ActiveIndex(), 0);
  a.apply = true;
  sheet.Press(kIdApply);
  EXPECT_FALSE(sheet.IsEnabled(kIdApply));
  sheet.Press(kIdCancel);
  EXPECT_EQ(sheet.Result(), kResultCancel);
  sheet.Destroy();
  EXPECT_EQ(j.back(), "B:reset");
}

TEST(PropertySheet, WizardNavigatesByPageAnswersAndFinishes) {
  Journal j;
  JournalPage p0("P0", j), p1("P1", j), p2("P2", j);
  PropertySheet wizard("Wizard", true);
  wizard.AddPage(p0);
  wizard.AddPage(p1);
  wizard.AddPage(p2);
  wizard.Initialize();
  p0.next = PropertyPage::JumpTo(2);
  wizard.Press(kIdNext);
  EXPECT_EQ(wizard.ActiveIndex(), 2);
  EXPECT_FALSE(p1.IsInitialized()) << "a skipped page is never created";
  wizard.Press(kIdBack);
  EXPECT_EQ(wizard.ActiveIndex(), 1);
  p1.next = PropertyPage::kStay;
  wizard.Press(kIdNext);
  EXPECT_EQ(wizard.ActiveIndex(), 1);

  wizard.SetWizardButtons(kWizBack | kWizDisabledFinish);
  EXPECT_FALSE(wizard.IsVisible(kIdNext));
  EXPECT_TRUE(wizard.IsVisible(kIdFinish));
  EXPECT_FALSE(wizard.Press(kIdFinish));
  wizard.SetWizardButtons(kWizBack | kWizFinish);
  p1.finish = false;
  wizard.Press(kIdFinish);
  EXPECT_FALSE(wizard.IsEnded());
  p1.finish = true;
  wizard.Press(kIdFinish);
  EXPECT_EQ(wizard.Result(), kResultFinish);
  wizard.Destroy();
  EXPECT_FALSE(p2.IsInitialized());
}

}  // namespace
}  // namespace zel::ui
