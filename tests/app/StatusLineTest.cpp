#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "app/CMainFrame.h"
#include "ui/MainFrameDesk.h"

namespace zel::app {
namespace {

using ui::ScriptedHost;

// The monitor loses the line and finds it again with another firmware answering: the status
// line says so, and a present error is named there whichever view is in front.
TEST(StatusLine, AnotherZelAfterALostLineAndAPresentErrorAreNamedInTheMessagePane) {
  test::MainFrameDesk desk;
  CMainFrame& frame = *desk.frame;
  auto message = [&frame] { return frame.StatusPaneTexts().front(); };
  frame.Refresh();
  EXPECT_EQ(message(), "Ready");
  frame.StartMonitor();
  ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return frame.SpeedView().ShowsOnline(); },
                                      std::chrono::seconds(60)));
  EXPECT_EQ(message(), "Ready") << "the ZEL the refresh read is no other one";

  desk.zel.Sim().Faults().SetNeverAnswer(true);
  ASSERT_TRUE(ScriptedHost::PumpUntil([&] { return !frame.SpeedView().ShowsOnline(); },
                                      std::chrono::seconds(60)));
  sim::DeviceIdentity other = desk.zel.Device().Identity();
  other.softwareVersion = 0x1041;
  desk.zel.Device().SetIdentity(other);
  desk.zel.Device().RaiseError(4);
  desk.zel.Sim().Faults().SetNeverAnswer(false);
  ASSERT_TRUE(
      ScriptedHost::PumpUntil([&] { return frame.ErrorPresent(); }, std::chrono::seconds(60)));
  EXPECT_EQ(frame.Identity().softwareVersion, 0x1041);
  EXPECT_EQ(message(), "Another ZEL is connected: software version 0x1041. ERROR FOUND! Error 4");

  // The note goes with the monitor; the error stays until it is cleared.
  frame.StopMonitor();
  EXPECT_EQ(message(), "ERROR FOUND! Error 4");
  EXPECT_TRUE(desk.Host().Questions().empty());
}

}  // namespace
}  // namespace zel::app
