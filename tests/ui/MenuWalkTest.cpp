#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "app/MenuCommandTable.h"
#include "ui/MainFrameDesk.h"

namespace zel::app {
namespace {

using ui::ScriptedHost;

constexpr const char* kNotOnline = "\"The ZEL is not online!\nSwitch on the monitor!\"";

// The tool bar's ids; each repeats a menu command.
const std::vector<int> kToolIds{32821, 32840, 32839, 32822, 32823, 32830,
                                32831, 32824, 32833, 32825, 32832, 32902};

// Commands that first ask whether the monitor runs.
const std::set<int> kOnlineOnly{32789, 32774, 32775, 32849, 32857, 32886,
                                32868, 32903, 32823, 32824, 32902};

// Availability by the ZEL's software version.
bool VersionAllows(int id, std::uint16_t version) {
  static const std::set<int> below1040{32874, 32879, 32878};
  static const std::set<int> from1040{32904, 32911, 32909, 32910, 32906, 32907, 32913};
  static const std::set<int> above1000{32883, 32884, 32856, 32857, 32867, 32887,
                                       32886, 32868, 32871, 32861, 32863, 32864};
  if (below1040.count(id)) return version < 0x1040;
  if (from1040.count(id)) return version >= 0x1040;
  if (above1000.count(id)) return version > 0x1000;
  return true;
}

bool MonitorStateAllows(int id, bool running) {
  if (id == 32836 || id == 32840) return !running;
  if (id == 32837 || id == 32839) return running;
  return true;
}

struct Expected {
  int id;
  // What the user meets when the command runs with every window left by Cancel (a cancelled
  // value or destination of a CAN command fails it): [modal],
  // {modeless}, "box", "file EXT" for a file chooser, and the state the command switches.
  const char* seen;
  // The command reaches the ZEL even when its window is cancelled or it has none.
  bool sends;
};

// With a ZEL of 0x1040; the commands whose operation changes below 0x1040 follow.
const std::vector<Expected> kFrom1040{
    {32892, "[Setup Firmware Files]", false},
    {32893, "file bin", false},
    {32895, "file bin", false},
    {32896, "file bin", false},
    {57665, "closed", false},
    {32771, "[Communication]", false},
    {32843, "[Search Communication] | \"No communication setting found!\"", false},
    {32836, "monitor on", false},
    {32837, "monitor off", false},
    {32851, "checked", false},
    {32838, "[Monitor Refresh]", false},
    {32782, "{ReadSysStatus}", true},
    {32785, "[Enable]", false},
    {32789, "{Read Error}", false},
    {32784, "\"Errors are cleared!\"", true},
    {32850, "", true},
    {32777, "[Velocity]", true},
    {32778, "[Current]", true},
    {32781, "{Read N Variables}", false},
    {32780, "[SetupRecorder]", false},
    {32774, "[EditAllTempParam] | [ATTENTION!] | \"The ZEL will be disabled!\"", false},
    {32775, "[Select a parameter]", false},
    {32849, "[Parameter Properties]", false},
    {32791, "", true},
    {32790, "", true},
    {32792, "[ReadVersion]", true},
    {32786, "[Service]", false},
    {32788, "\"You have just quit the service mode!\"", true},
    {32787, "[ReadAddrVariable]", false},
    {32872, "[SetModuleID] | \"Command failed!\"", false},
    {32873, "[ReadModuleID]", true},
    {32874, "", false},
    {32879, "", false},
    {32875, "", false},
    {32876, "[SetRPDOID] | \"Command failed!\"", false},
    {32877, "[SetCAN_BCR1_BCR2] | \"Command failed!\"", false},
    {32878, "", false},
    {32904, "[Set RTR ID] | \"Command failed!\"", false},
    {32911, "[Config RTR] | \"Command failed!\"", false},
    {32909, "[Add RTR Parameter] | \"Command failed!\"", false},
    {32910, "[CanBus Destination] | \"Command failed!\"", false},
    {32880, "", true},
    {32881, "[CanBus Destination] | \"Command failed!\"", false},
    {32882, "[SendCANmsg] | \"Command failed!\"", false},
    {32883, "[GetRemoteData] | \"Command failed!\"", false},
    {32884, "[Read CAN Error]", true},
    {32906, "[CanBus Destination] | \"Command failed!\"", false},
    {32907, "[CanBus Destination] | \"Command failed!\"", false},
    {32856, "[CanBus Destination] | \"Command failed!\"", false},
    {32859, "[CanBus Destination] | \"Command failed!\"", false},
    {32857, "[CanBus Destination] | \"Command failed!\"", false},
    {32858, "[CanBus Destination] | \"Command failed!\"", false},
    {32860, "[CanBus Destination] | \"Command failed!\"", false},
    {32865, "[CanBus Destination] | \"Command failed!\"", false},
    {32866, "[CanBus Destination] | \"Command failed!\"", false},
    {32867, "[CanBus Destination] | \"Command failed!\"", false},
    {32887, "[CanBus Destination] | \"Command failed!\"", false},
    {32886, "[CanBus Destination] | \"Command failed!\"", false},
    {32868, "[CanBus Destination] | \"Command failed!\"", false},
    {32869, "[CanBus Destination] | \"Command failed!\"", false},
    {32870, "[CanBus Destination] | \"Command failed!\"", false},
    {32871, "[CanBus Destination] | \"Command failed!\"", false},
    {32861, "[CanBus Destination] | \"The communication failed!\" | \"Command failed!\"", false},
    {32863, "[CanBus Destination] | \"Failed quitting service mode!\"", false},
    {32864, "[CanBus Destination] | \"Command failed!\"", false},
    {32903, "[CAN Network]", false},
    {32842, "unchecked", false},
    {32841, "[Startup Wizard]", false},
    {32913, "[CAN Wizard]", true},
    {32885, "[Step 1: Download WARNING!]", true},
    {32920, "[Download ]", false},
    {32900, "[Parameter Up/Download Wizard]", true},
    {59392, "", false},
    {59393, "", false},
    {32894, "\"Unable to open file!\"", false},
    {32897, "\"Unable to open file!\"", false},
    {32898, "\"Unable to open file!\"", false},
    {57664, "[About ZEL_UserInterface]", false},
    {32821, "[Communication]", false},
    {32840, "monitor on", false},
    {32839, "monitor off", false},
    {32822, "{ReadSysStatus}", true},
    {32823, "{Read Error}", false},
    {32830, "{Read N Variables}", false},
    {32831, "[SetupRecorder]", false},
    {32824, "[EditAllTempParam]", false},
    {32833, "[ReadVersion]", true},
    {32825, "[Service]", false},
    {32832, "\"You have just quit the service mode!\"", true},
    {32902, "[CAN Network]", false},
};
const std::vector<Expected> kBelow1040{
    {32874, "[SetServiceID] | \"Command failed!\"", false},
    {32879, "[SetCANmode] | \"Command failed!\"", false},
    {32875, "[SetTPDOID] | \"Command failed!\"", false},
    {32877, "[SetCAN_BCR1] | \"Command failed!\"", false},
    {32878, "[SetCAN_BCR2] | \"Command failed!\"", false},
    {32881, "", true},
};

Expected Find(int id, std::uint16_t version) {
  if (version < 0x1040)
    for (const Expected& e : kBelow1040)
      if (e.id == id) return e;
  for (const Expected& e : kFrom1040)
    if (e.id == id) return e;
  ADD_FAILURE() << id << " has no expectation";
  return {id, "", false};
}

std::string Seen(ScriptedHost& host, int closed) {
  std::string seen;
  auto add = [&seen](const std::string& part) {
    if (!seen.empty()) seen += " | ";
    seen += part;
  };
  for (const ui::FileRequest& request : host.FileRequests())
    add("file " + request.defaultExtension);
  for (const std::string& title : host.ModalTitles()) add("[" + title + "]");
  for (const auto& text : host.ShownTexts()) add("text " + text.first);
  for (const std::string& message : host.Messages()) add("\"" + message + "\"");
  for (const std::string& title : host.ModelessTitles()) add("{" + title + "}");
  if (closed) add("closed");
  return seen;
}

// Every command of the menu and the tool bar against a simulated ZEL of one software version,
// with the polling monitor running (online) or stopped. Each command starts from the same desk:
// windows it toggled open are closed again, the monitor is put back.
void Walk(std::uint16_t software, bool online) {
  sim::DeviceConfig config;
  config.identity.softwareVersion = software;
  test::MainFrameDesk desk(config);
  CMainFrame& frame = *desk.frame;
  int closed = 0;
  frame.SetCloseHandler([&closed] { ++closed; });
  ASSERT_TRUE(frame.ReadIdentity());
  EXPECT_EQ(frame.CommandLabel(32877),
            software >= 0x1040 ? "Set CAN BCR1 and BCR2" : "Set CAN BCR1");
  EXPECT_EQ(frame.CommandLabel(32881), software >= 0x1040 ? "Config RTR" : "Send RTR");

  std::vector<int> ids;
  for (const MenuCommand& c : MenuCommandTable::Commands()) ids.push_back(c.id);
  ids.insert(ids.end(), kToolIds.begin(), kToolIds.end());
  // Exit comes last: a window that is closing commands nothing more.
  std::stable_partition(ids.begin(), ids.end(), [](int id) { return id != 57665; });
  for (int id : ids) {
    SCOPED_TRACE(id);
    if (online && !frame.MonitorRunning()) frame.StartMonitor();
    if (!online && frame.MonitorRunning()) frame.StopMonitor();
    ASSERT_EQ(frame.MonitorRunning(), online);
    // Whatever the previous command posted is delivered before this one runs.
    ScriptedHost::PumpUntil([] { return false; }, std::chrono::milliseconds(1));
    desk.Host().Clear();
    closed = 0;
    const bool checkedBefore = frame.IsCommandChecked(id);
    const bool allowed = VersionAllows(id, software) && MonitorStateAllows(id, online);
    EXPECT_EQ(frame.IsCommandEnabled(id), allowed);
    const uint64_t frames = desk.zel.FramesSeen();
    frame.OnCommand(id);

    std::string seen = Seen(desk.Host(), closed);
    if (frame.MonitorRunning() != online) {
      seen = frame.MonitorRunning() ? "monitor on" : "monitor off";
    } else if (id == CMainFrame::kCmdOfflineCommanding || id == CMainFrame::kCmdAutostart) {
      if (frame.IsCommandChecked(id) != checkedBefore)
        seen = frame.IsCommandChecked(id) ? "checked" : "unchecked";
      frame.OnCommand(id);  // back as it was
    } else if (frame.IsCommandChecked(id)) {
      frame.OnCommand(id);  // the window it opened closes again
    }

    if (!allowed) {
      EXPECT_EQ(seen, "") << "a disabled command does nothing";
    } else if (kOnlineOnly.count(id) && !online) {
      EXPECT_EQ(seen, kNotOnline);
    } else {
      const Expected expected = Find(id, software);
      EXPECT_EQ(seen, expected.seen);
      if (!online && expected.sends) {
        EXPECT_NE(desk.zel.FramesSeen(), frames) << "nothing sent";
      }
    }
    // Refused commands leave the ZEL alone (with the monitor stopped nothing else talks to it).
    if (!online && (!allowed || kOnlineOnly.count(id))) {
      EXPECT_EQ(desk.zel.FramesSeen(), frames) << "a refused command sent something";
    }
  }
}

TEST(MenuWalk, EveryCommandReachesItsOperationOrItsRefusalOfflineAndOnlineForEachVersion) {
  for (std::uint16_t version : {0x1000, 0x1001, 0x103F, 0x1040}) {
    for (bool online : {false, true}) {
      SCOPED_TRACE(::testing::Message()
                   << "software 0x" << std::hex << version << (online ? " online" : " offline"));
      Walk(version, online);
    }
  }
}

TEST(MenuWalk, CanWizardFlaggedAtStartReadsTheIdentityBeforeDeciding) {
  // Nothing has read the identity when the start wizards open.
  for (std::uint16_t version : {0x1040, 0x103F}) {
    sim::DeviceConfig config;
    config.identity.softwareVersion = version;
    test::MainFrameDesk desk(config);
    desk.frame->Wizards().SetStartupWizardAtStart(0);
    desk.frame->Wizards().SetCanWizardAtStart(true);
    desk.frame->RunWizardsAtStart();
    if (version == 0x1040) {
      EXPECT_EQ(desk.Host().ModalTitles(), std::vector<std::string>{"CAN Wizard"});
      EXPECT_TRUE(desk.Host().Messages().empty());
    } else {
      EXPECT_TRUE(desk.Host().ModalTitles().empty());
      EXPECT_EQ(desk.Host().Messages(),
                std::vector<std::string>{
                    "CAN Wizard only available for Software Version 0x1040 and higher!"});
    }
  }
}

}  // namespace
}  // namespace zel::app
