#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "link/CAddRtrParameterDlg.h"
#include "link/CGetRemoteDataDlg.h"
#include "link/CReadVersionDlg.h"
#include "link/CRtrConfigDlg.h"
#include "link/CValueDlg.h"
#include "ui/MainFrameDesk.h"
#include "ui/Window.h"

namespace zel::app {
namespace {

using Strings = std::vector<std::string>;
using test::MainFrameDesk;
using ui::Window;

constexpr int kDestination = 1200;

sim::CanModuleConfig Module(uint16_t id, int rate) {
  sim::CanModuleConfig module;
  module.moduleId = id;
  module.bitRateIndex = rate;
  return module;
}

// The ZEL (module ID 2) at 500 kBit/s, module 5 beside it, module 6 at 125 kBit/s.
struct CanDesk : MainFrameDesk {
  CanDesk() : MainFrameDesk({}, {Module(5, 2), Module(6, 4)}) {
    EXPECT_TRUE(frame->ReadIdentity());
  }
  void Destination(const std::string& id) {
    Host().QueueModal([id](Window& w) {
      w.UserSetText(kDestination, id);
      w.Press(ui::kIdOk);
    });
  }
};

TEST(CanMenu, ModuleEntriesReachTheModuleAndFailLikeAnAbsentOneAtAnotherRate) {
  CanDesk desk;
  // Read Version for the ZEL's own module ID: the application words are its serial answer.
  desk.Destination("2");
  std::string title, number;
  desk.Host().QueueModal([&](Window& w) {
    title = w.Title();
    number = w.Text(link::CReadVersionDlg::kIdApplicationNumber);
    w.Press(ui::kIdOk);
  });
  desk.frame->OnCommand(32871);
  EXPECT_EQ(title, "ReadVersion of CAN Module 2");
  EXPECT_EQ(number, "0x0001");

  desk.Destination("5");
  desk.Host().QueueModal([](Window& w) { w.Press(ui::kIdOk); });
  desk.frame->OnCommand(32856);
  EXPECT_EQ(desk.Host().ModalTitles().back(), "ReadSysStatus of CAN Module 5");
  EXPECT_TRUE(desk.Host().Messages().empty());

  // "Get Remote Data": ReadVersion of module 5, its three answer words shown.
  desk.Host().QueueModal([](Window& w) {
    w.UserSetText(link::CGetRemoteDataDlg::kIdDestination, "5");
    w.UserSelect(link::CGetRemoteDataDlg::kIdOpCode, 6);
    w.Press(link::CGetRemoteDataDlg::kIdAdd);
    w.Press(link::CGetRemoteDataDlg::kIdAdd);
    w.Press(link::CGetRemoteDataDlg::kIdAdd);
    w.Press(ui::kIdOk);
  });
  std::vector<std::string> answer;
  desk.Host().QueueModal([&](Window& w) {
    for (int i = 0; i < 3; ++i) answer.push_back(w.Text(link::CValueDlg::kIdFirstValue + i));
    w.Press(ui::kIdOk);
  });
  desk.frame->OnCommand(32883);
  EXPECT_EQ(answer, (Strings{"0x1040", "0x0200", "0x0001"}));
  EXPECT_EQ(desk.Host().Messages(), Strings{"You can only add 2 parameters!"});
  desk.Host().Clear();

  // Module 6 listens at another bit rate; a cancelled destination sends nothing.
  desk.Destination("6");
  desk.frame->OnCommand(32856);
  const uint64_t frames = desk.zel.FramesSeen();
  desk.Host().QueueModal([](Window& w) { w.Press(ui::kIdCancel); });
  desk.frame->OnCommand(32860);
  EXPECT_EQ(desk.zel.FramesSeen(), frames);
  EXPECT_EQ(desk.Host().Messages(), (Strings{"Command failed!", "Command failed!"}));
}

TEST(CanMenu, ACancelledValueOrDestinationDialogFailsTheCommand) {
  CanDesk desk;
  desk.frame->SetMonitorRunningSource([] { return true; });
  const uint64_t frames = desk.zel.FramesSeen();
  // Nothing scripted: the value dialog of a gateway command, the destination of a module's
  // parameter edit, each cancelled.
  for (int id : {32872, 32882, 32868}) {
    desk.Host().Clear();
    desk.frame->OnCommand(id);
    EXPECT_EQ(desk.Host().Messages(), Strings{"Command failed!"}) << id;
  }
  EXPECT_EQ(desk.zel.FramesSeen(), frames) << "nothing was sent";
  // A module's value dialog, cancelled after its destination was given.
  desk.Host().Clear();
  desk.Destination("5");
  desk.frame->OnCommand(32865);
  EXPECT_EQ(desk.Host().ModalTitles().back(), "SetCurrent of CAN Module 5");
  EXPECT_EQ(desk.Host().Messages(), Strings{"Command failed!"});
}

TEST(CanMenu, ConfigRtrEditsAndStoresTheModulesChannels) {
  CanDesk desk;
  EXPECT_EQ(desk.frame->CommandLabel(32881), "Config RTR");
  desk.Destination("5");
  desk.Host().QueueModal([](Window& w) {
    w.Press(link::CRtrConfigDlg::kIdAdd);
    w.UserSetValue(link::CRtrConfigDlg::kIdActive, 1);
    w.Press(link::CRtrConfigDlg::kIdStore);
  });
  desk.Host().QueueModal([](Window& w) {
    w.UserSetValue(link::CAddRtrParameterDlg::kIdAddressMode, 1);
    w.UserSetValue(link::CAddRtrParameterDlg::kIdLongWord, 1);
    w.UserSetText(link::CAddRtrParameterDlg::kIdAddress, "0x0300");
    w.Press(ui::kIdOk);
  });
  desk.frame->OnCommand(32881);
  EXPECT_EQ(desk.Host().ModalTitles(),
            (Strings{"CanBus Destination", "RTR Channel Configuration of CAN Module 5",
                     "Add RTR Parameter channel 0 of CAN Module 5"}));
  EXPECT_TRUE(desk.Host().Messages().empty());
  sim::DeviceModel& five = *desk.zel.Sim().Bus().Find(5);
  EXPECT_EQ(five.RtrEntryCount(0), 1);
  EXPECT_EQ(five.TempParameter(41) & sim::DeviceModel::kCanConfigRtr0,
            sim::DeviceModel::kCanConfigRtr0);
}

}  // namespace
}  // namespace zel::app
