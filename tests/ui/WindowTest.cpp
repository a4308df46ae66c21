#include "ui/Window.h"

#include <gtest/gtest.h>

#include <vector>

#include "ui/ScriptedHost.h"

namespace zel::ui {
namespace {

constexpr int kIdName = 100;
constexpr int kIdFast = 101;
constexpr int kIdSlow = 102;
constexpr int kIdOther = 103;
constexpr int kIdApplyNow = 104;

class ProbeDialog : public Window {
 public:
  ProbeDialog() : Window("Probe") {
    AddEdit(kIdName);
    AddRadio(kIdFast, "Fast", 1);
    AddRadio(kIdSlow, "Slow", 1);
    AddRadio(kIdOther, "Other group", 2);
    AddButton(kIdApplyNow, "Apply");
    AddOkCancel();
  }
  std::vector<std::pair<int, EventKind>> events;
  int inits = 0;
  int destroys = 0;
  bool refuseCancel = false;

 protected:
  bool OnInitDialog() override {
    ++inits;
    SetValue(kIdFast, 1);
    return true;
  }
  void OnEvent(int id, EventKind kind) override { events.emplace_back(id, kind); }
  void OnCancel() override {
    if (!refuseCancel) Window::OnCancel();
  }
  void OnDestroy() override { ++destroys; }
};

TEST(Window, InputReachesOnlyUsableControlsAndEndedWindowsIgnoreIt) {
  ProbeDialog dlg;
  dlg.Initialize();
  EXPECT_TRUE(dlg.UserSetText(kIdName, "abc"));
  EXPECT_EQ(dlg.Text(kIdName), "abc");

  dlg.Enable(kIdApplyNow, false);
  EXPECT_FALSE(dlg.Press(kIdApplyNow));
  dlg.Show(kIdName, false);
  EXPECT_FALSE(dlg.UserSetText(kIdName, "xyz"));
  EXPECT_EQ(dlg.Text(kIdName), "abc");
  EXPECT_FALSE(dlg.Press(999)) << "an unknown id is not a button";

  ASSERT_EQ(dlg.events.size(), 1u);
  EXPECT_EQ(dlg.events[0], std::make_pair(kIdName, EventKind::Changed));

  dlg.Press(kIdOk);
  EXPECT_TRUE(dlg.IsEnded());
  EXPECT_EQ(dlg.Result(), kResultOk);
  EXPECT_FALSE(dlg.Press(kIdCancel)) << "a closed dialog cannot be closed a second time";
  EXPECT_EQ(dlg.Result(), kResultOk);
}

TEST(Window, RadiosExcludeEachOtherOnlyInsideTheirGroup) {
  ProbeDialog dlg;
  dlg.Initialize();
  dlg.SetValue(kIdOther, 1);
  EXPECT_EQ(dlg.Value(kIdFast), 1);

  EXPECT_TRUE(dlg.UserSetValue(kIdSlow, 1));
  EXPECT_EQ(dlg.Value(kIdFast), 0);
  EXPECT_EQ(dlg.Value(kIdSlow), 1);
  EXPECT_EQ(dlg.Value(kIdOther), 1);
  EXPECT_EQ(dlg.events.back(), std::make_pair(kIdSlow, EventKind::Clicked));
}

TEST(Window, SelectionsAndRangesStayInsideTheirControl) {
  Window w("Ranges");
  w.AddCombo(1, {"a", "b"});
  w.AddList(2, {"Col"});
  w.AddProgress(3, 0, 30);
  w.SetSelection(1, 1);
  EXPECT_EQ(w.Selection(1), 1);
  w.SetSelection(1, 2);
  EXPECT_EQ(w.Selection(1), -1);
  w.SetRows(2, {{"r0"}, {"r1"}});
  w.SetSelection(2, 1);
  w.SetRows(2, {{"only"}});
  EXPECT_EQ(w.Selection(2), -1) << "a selection past the new rows would point at nothing";
  w.SetValue(3, 31);
  EXPECT_EQ(w.Value(3), 30);
  w.SetValue(3, -4);
  EXPECT_EQ(w.Value(3), 0);
}

TEST(Window, DoModalRunsTheLifeCycleOnceAndTheSilentHostCancels) {
  ProbeDialog dlg;
  EXPECT_EQ(dlg.DoModal(), kResultCancel);
  EXPECT_EQ(dlg.inits, 1);
  EXPECT_EQ(dlg.destroys, 1);

  // A window that refuses Cancel still ends on a host that cannot wait for a user.
  ProbeDialog stubborn;
  stubborn.refuseCancel = true;
  EXPECT_EQ(stubborn.DoModal(), kResultCancel);
  EXPECT_EQ(stubborn.destroys, 1);
}

TEST(Window, ScriptedHostPlaysTheUserAndCancelsWindowsLeftOpen) {
  ScriptedHost host;
  host.QueueModal([](Window& w) {
    w.UserSetText(kIdName, "typed");
    // A nested modal window takes the next script.
    Window inner("Inner");
    EXPECT_EQ(inner.DoModal(), kResultOk);
    w.Press(kIdOk);
  });
  host.QueueModal([](Window& w) { w.Press(kIdOk); });
  host.QueueModal([](Window&) {});

  ProbeDialog dlg;
  EXPECT_EQ(dlg.DoModal(), kResultOk);
  EXPECT_EQ(dlg.Text(kIdName), "typed");

  ProbeDialog forgotten;
  EXPECT_EQ(forgotten.DoModal(), kResultCancel);
  EXPECT_EQ(host.UnfinishedWindows(), 1);
  EXPECT_EQ(host.ModalTitles(), (std::vector<std::string>{"Probe", "Inner", "Probe"}));
}

TEST(Window, ObserverHearsChangesButNotNoOps) {
  Window w("Observed");
  w.AddLabel(7, "x");
  std::vector<int> heard;
  w.SetObserver([&](int id) { heard.push_back(id); });
  w.SetText(7, "x");
  w.SetText(7, "y");
  w.Enable(7, true);
  w.Enable(7, false);
  w.EndDialog(kResultOk);
  EXPECT_EQ(heard, (std::vector<int>{7, 7, -1}));
}

TEST(Window, ModelessWindowsAreShownUntilClosed) {
  ScriptedHost host;
  {
    ProbeDialog dlg;
    dlg.ShowModeless();
    EXPECT_EQ(host.ModelessTitles(), std::vector<std::string>{"Probe"});
    dlg.Close();
    EXPECT_TRUE(host.ModelessTitles().empty());
    EXPECT_EQ(dlg.destroys, 1);

    ProbeDialog outlived;
    outlived.ShowModeless();
  }
  EXPECT_TRUE(host.ModelessTitles().empty()) << "a destroyed window must leave the host";
}

}  // namespace
}  // namespace zel::ui
