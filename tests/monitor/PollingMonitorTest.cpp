#include "monitor/PollingMonitor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "firmware/FirmwareRegistry.h"
#include "link/CommunicationSearch.h"
#include "link/ZelCommunication.h"
#include "monitor/CStatusView.h"
#include "monitor/RegulationDataSink.h"
#include "support/DeviceTree.h"
#include "support/HandFiredTimer.h"
#include "support/ScriptedChannel.h"
#include "support/SearchPorts.h"
#include "ui/Dispatcher.h"
#include "ui/ScriptedHost.h"
#include "ui/SimulatedZel.h"

namespace zel::monitor {
namespace {

using namespace std::chrono_literals;
using Message = std::pair<unsigned, std::uintptr_t>;

constexpr unsigned kNewData = PollingMonitor::kMsgNewData;
constexpr unsigned kOnline = PollingMonitor::kMsgOnline;
constexpr unsigned kRepaint = PollingMonitor::kMsgRepaint;
constexpr unsigned kMode = PollingMonitor::kMsgRegulationMode;
constexpr unsigned kIdentity = PollingMonitor::kMsgReadIdentity;
constexpr unsigned kFirmware = PollingMonitor::kMsgFirmwareCheck;

// Stands in for the main window: keeps every message the monitor posted to it, in order.
class MainWindowLog final : public ui::MessageTarget {
 public:
  MainWindowLog() : id_(ui::Dispatcher::Default().Register(this)) {}
  ~MainWindowLog() override { ui::Dispatcher::Default().Unregister(id_); }
  void OnMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) override {
    messages.emplace_back(message, wParam);
  }
  ui::Dispatcher::TargetId Id() const { return id_; }
  std::vector<Message> messages;

 private:
  ui::Dispatcher::TargetId id_;
};

// The monitor wired to a stack, the registry and three views, with a timer the test fires.
struct MonitorBench {
  explicit MonitorBench(link::ZelCommunication& comm)
      : monitor(std::make_unique<test::HandFiredTimer>(tick)) {
    status.Initialize();
    monitor.LinkCommunication(comm);
    monitor.LinkFirmwareRegistry(&registry);
    monitor.LinkViews(&speed, &current, &status);
    monitor.SetMainWindow(main.Id());
    monitor.SetCycleObserver([this](const MonitorCycle& cycle) {
      std::lock_guard lock(cyclesMutex);
      cycles.push_back(cycle);
    });
  }
  ~MonitorBench() { monitor.Stop(); }
  // The reports of the cycles run so far.
  std::vector<MonitorCycle> Cycles() {
    std::lock_guard lock(cyclesMutex);
    return cycles;
  }

  void Start() {
    ASSERT_TRUE(monitor.Start());
    ASSERT_TRUE(ui::ScriptedHost::PumpUntil([&] { return tick.load() != nullptr; }, 5s));
    // The first message, online to the status view, is delivered before the first tick.
    ASSERT_TRUE(ui::ScriptedHost::PumpUntil([&] { return status.IsOnline(); }, 5s));
  }
  // Fires one tick and delivers what the cycle posted.
  void Cycle() {
    const std::uint64_t before = monitor.CycleCount();
    (*tick.load())();
    ASSERT_TRUE(ui::ScriptedHost::PumpUntil([&] { return monitor.CycleCount() > before; }, 20s));
    ui::Dispatcher::Default().Pump();
  }
  std::vector<Message> TakeMain() { return std::exchange(main.messages, {}); }

  ui::ScriptedHost host;
  std::atomic<ui::PeriodicTimer::Callback*> tick{nullptr};
  firmware::FirmwareRegistry registry;
  SpeedViewDataSink speed;
  CurrentViewDataSink current;
  CStatusView status;
  MainWindowLog main;
  std::mutex cyclesMutex;
  std::vector<MonitorCycle> cycles;
  PollingMonitor monitor;
};

// One online cycle from the ZEL's side, in the order the monitor must ask.
struct Answers {
  std::uint16_t software = 0x1001;
  std::uint16_t sysConfig = 0;
  std::uint16_t statusWord = 0;
  std::uint16_t offset = 12, maxContCurrent = 15, peakCurrent = 14, maxSpeed = 17;
  std::uint16_t gainP = 5, gainI = 6, speedSet = 133, speedActual = 134;
  std::uint16_t currentSet = 131, dAxis = 129, qAxis = 130;
  std::uint16_t errorWord = 0, canErrorWord = 0;
};

void ScriptRead(test::ScriptedChannel& line, std::uint16_t number, std::uint16_t value) {
  line.ExpectCommand(20, {number, 0}).SendReply(0, {value});
}

void ScriptOnlineCycle(test::ScriptedChannel& line, const Answers& a) {
  line.ExpectCommand(26, {0}).SendReply(0, {a.software, 0x0200, 7, 1});
  ScriptRead(line, 1, a.sysConfig);
  ScriptRead(line, 128, a.statusWord);
  ScriptRead(line, 12, a.offset);
  ScriptRead(line, 15, a.maxContCurrent);
  ScriptRead(line, 14, a.peakCurrent);
  ScriptRead(line, 17, a.maxSpeed);
  if ((a.sysConfig & 0x0024) == 0) {
    ScriptRead(line, 5, a.gainP);
    ScriptRead(line, 6, a.gainI);
    ScriptRead(line, 133, a.speedSet);
    ScriptRead(line, 134, a.speedActual);
  } else if ((a.sysConfig & 0x0020) == 0) {
    ScriptRead(line, 131, a.currentSet);
    ScriptRead(line, 129, a.dAxis);
    ScriptRead(line, 130, a.qAxis);
  }
  line.ExpectCommand(2, {0}).SendReply(0, {a.errorWord});
  if (a.software > 0x1000) line.ExpectCommand(67, {0}).SendReply(0, {a.canErrorWord});
}

class PollingMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(comm_.OpenLink(link::CommSettings{})); }
  void TearDown() override {
    EXPECT_TRUE(line_.Mismatches().empty());
    EXPECT_TRUE(line_.ScriptDone()) << "the monitor asked fewer questions than scripted";
  }
  test::ScriptedChannel line_;
  link::ZelCommunication comm_{line_.Opener()};
};

TEST_F(PollingMonitorTest, WithoutZelTheViewsHearOnlineThenOfflineAndGetNoValues) {
  MonitorBench bench(comm_);
  bench.Start();  // the status view is told online before any cycle
  bench.Cycle();
  EXPECT_FALSE(bench.status.IsOnline());
  EXPECT_FALSE(bench.speed.ShowsOnline());
  EXPECT_EQ(bench.speed.NewDataCount(), 0);
  EXPECT_EQ(bench.current.NewDataCount(), 0);
  // Offline, both error words read as 0 and are listed (nothing to list).
  EXPECT_EQ(bench.status.ListCount(), 1);
  EXPECT_TRUE(bench.status.Rows().empty());
  // Only the identity was asked for: every further read waits for an answer to it.
  EXPECT_EQ(line_.Written().front(), 26);
  EXPECT_TRUE(bench.TakeMain().empty());
  bench.monitor.Stop();
  ui::Dispatcher::Default().Pump();
  EXPECT_EQ(bench.TakeMain(), (std::vector<Message>{{kRepaint, 0}}));
  EXPECT_FALSE(bench.monitor.IsRunning());
}

TEST_F(PollingMonitorTest, SpeedCycleReadsInOrderAndStoresWhatSysConfigLeavesToIt) {
  MonitorBench bench(comm_);
  Answers a;
  // Set value from the analogue input (bit 0), maximum speed from P1 (bit 8), the mode from the
  // input 'Digital2' (bit 15 clear); enabled and stopped.
  a.sysConfig = 0x0101;
  a.statusWord = 0x6000;
  a.errorWord = 0x8005;
  a.canErrorWord = 0x8002;
  ScriptOnlineCycle(line_, a);
  a.errorWord = 0x0000;
  a.canErrorWord = 0x0000;
  a.sysConfig = 0x8800;  // gains from P4, mode picked by software
  a.statusWord = 0x0000;
  ScriptOnlineCycle(line_, a);
  bench.Start();

  bench.Cycle();
  EXPECT_TRUE(bench.speed.ShowsOnline());
  EXPECT_TRUE(bench.current.ShowsOnline());
  EXPECT_TRUE(bench.status.IsOnline());
  ASSERT_EQ(bench.speed.NewDataCount(), 1);
  EXPECT_EQ(bench.current.NewDataCount(), 0);
  const SpeedViewData& first = *bench.speed.Shown();
  EXPECT_EQ(first.sysConfig, 0x0101);
  EXPECT_FALSE(first.maxSpeed);
  EXPECT_EQ(first.offset, 12);
  EXPECT_EQ(first.maxContCurrent, 15);
  EXPECT_EQ(first.peakCurrent, 14);
  EXPECT_EQ(first.gainP, 5);
  EXPECT_EQ(first.gainI, 6);
  EXPECT_FALSE(first.disabled);
  EXPECT_TRUE(first.stopped);
  EXPECT_EQ(first.speedSetValue, 133);
  EXPECT_EQ(first.speedActualValue, 134);
  // Errors 0 and 2, then CAN error 1.
  ASSERT_EQ(bench.status.Rows().size(), 3u);
  EXPECT_EQ(bench.status.Rows()[2].row.name, "CanError 1");
  // A new ZEL for the registry, the identity to read since the views showed offline, and the
  // speed tab twice (the mode follows the input).
  EXPECT_EQ(bench.TakeMain(),
            (std::vector<Message>{{kFirmware, 0}, {kIdentity, 0}, {kMode, 1}, {kMode, 1}}));

  bench.Cycle();
  const SpeedViewData& second = *bench.speed.Shown();
  EXPECT_EQ(second.maxSpeed, 17);
  EXPECT_FALSE(second.gainP);
  EXPECT_FALSE(second.gainI);
  EXPECT_FALSE(second.speedSetValue);
  EXPECT_TRUE(second.disabled);
  EXPECT_FALSE(second.stopped);
  EXPECT_TRUE(bench.status.Rows().empty());
  // The registry still waits for the main window's adjustment; the views are online already, and
  // the tab is asked for once.
  EXPECT_EQ(bench.TakeMain(), (std::vector<Message>{{kFirmware, 0}, {kMode, 1}}));
  const std::vector<MonitorCycle> cycles = bench.Cycles();
  ASSERT_EQ(cycles.size(), 2u);
  EXPECT_TRUE(cycles[0].online);
  EXPECT_EQ(cycles[0].number, 1u);
  EXPECT_EQ(cycles[0].errorWord, 0x8005);
  EXPECT_EQ(cycles[0].canErrorWord, 0x8002);
  EXPECT_EQ(cycles[1].mode, MonitorCycle::Mode::kSpeed);
}

TEST_F(PollingMonitorTest, CurrentModeAndForbiddenModeAndTheCanWordOnlyAboveVersion0x1000) {
  MonitorBench bench(comm_);
  Answers a;
  a.software = 0x1000;  // no CAN error word: the script has no ReadCANError
  a.sysConfig = 0x8005;
  a.statusWord = 0x0000;
  a.errorWord = 0x8001;
  ScriptOnlineCycle(line_, a);
  a.sysConfig = 0x0024;  // bit 5: neither view gets values
  ScriptOnlineCycle(line_, a);
  bench.Start();

  bench.Cycle();
  EXPECT_EQ(bench.speed.NewDataCount(), 0);
  ASSERT_EQ(bench.current.NewDataCount(), 1);
  const CurrentViewData& data = *bench.current.Shown();
  EXPECT_EQ(data.currentSetValue, 131);
  EXPECT_EQ(data.currentDAxis, 129);
  EXPECT_EQ(data.currentQAxis, 130);
  EXPECT_EQ(data.offset, 12);
  EXPECT_TRUE(data.disabled);
  ASSERT_EQ(bench.status.Rows().size(), 1u);
  EXPECT_EQ(bench.TakeMain(), (std::vector<Message>{{kFirmware, 0}, {kIdentity, 0}, {kMode, 0}}));

  bench.Cycle();
  EXPECT_EQ(bench.speed.NewDataCount(), 0);
  EXPECT_EQ(bench.current.NewDataCount(), 1);
  EXPECT_EQ(bench.TakeMain(), (std::vector<Message>{{kFirmware, 0}}));
  EXPECT_TRUE(bench.status.IsOnline());
}

TEST_F(PollingMonitorTest, ARefusedErrorReadKeepsTheListedErrorsUntilAReadSucceeds) {
  MonitorBench bench(comm_);
  Answers a;
  a.sysConfig = 0x0020;  // no regulation reads: the error words follow the limits at once
  a.errorWord = 0x8004;
  a.canErrorWord = 0x8001;
  ScriptOnlineCycle(line_, a);
  // The ZEL refuses ReadError: the CAN word is not asked for, and the error word is no longer
  // stored.
  line_.ExpectCommand(26, {0}).SendReply(0, {a.software, 0x0200, 7, 1});
  for (std::uint16_t number : {1, 128, 12, 15, 14, 17}) ScriptRead(line_, number, 0x0020);
  line_.ExpectCommand(2, {0}).SendReply(0x05, {0});
  a.errorWord = 0x0000;
  a.canErrorWord = 0x0000;
  ScriptOnlineCycle(line_, a);
  bench.Start();

  bench.Cycle();
  ASSERT_EQ(bench.status.Rows().size(), 2u);
  bench.Cycle();
  // The standard error word listed before stays; the CAN word, not read, is stored as 0.
  ASSERT_EQ(bench.status.Rows().size(), 1u);
  EXPECT_EQ(bench.status.Rows().front().row.name, "Error 2");
  bench.Cycle();
  EXPECT_TRUE(bench.status.Rows().empty());
  const std::vector<MonitorCycle> cycles = bench.Cycles();
  ASSERT_EQ(cycles.size(), 3u);
  EXPECT_FALSE(cycles[1].errorWord);
  EXPECT_EQ(cycles[1].canErrorWord, 0x0000);
  EXPECT_EQ(cycles[2].errorWord, 0x0000);
}

// Against the simulated ZEL over a real line.
TEST(PollingMonitorSimTest, AClaimedLinkShowsOfflineUntilReleasedAndStopWaitsForTheCycle) {
  test::SimulatedZel zel;
  MonitorBench bench(zel.Comm());
  zel.Device().RaiseError(0);
  bench.Start();
  bench.Cycle();
  EXPECT_TRUE(bench.speed.ShowsOnline());
  EXPECT_EQ(bench.speed.NewDataCount(), 1);
  ASSERT_FALSE(bench.status.Rows().empty());
  bench.TakeMain();

  // A wizard's transfer holds the line: the cycle fails at once, without traffic.
  const std::uint64_t frames = zel.FramesSeen();
  zel.Comm().ClaimLink();
  bench.Cycle();
  EXPECT_EQ(zel.FramesSeen(), frames);
  EXPECT_FALSE(bench.speed.ShowsOnline());
  EXPECT_FALSE(bench.current.ShowsOnline());
  EXPECT_FALSE(bench.status.IsOnline());
  zel.Comm().ReleaseLink();
  bench.Cycle();
  EXPECT_TRUE(bench.speed.ShowsOnline());
  EXPECT_TRUE(bench.status.IsOnline());
  EXPECT_EQ(bench.speed.NewDataCount(), 2);
  const std::vector<Message> main = bench.TakeMain();
  EXPECT_NE(std::find(main.begin(), main.end(), Message{kIdentity, 0}), main.end());

  // The ZEL goes away with its terminal and comes back on the same path: offline, then online
  // again by itself.
  zel.Sim().Stop();
  bench.Cycle();
  EXPECT_FALSE(bench.speed.ShowsOnline());
  EXPECT_FALSE(bench.status.IsOnline());
  std::string error;
  ASSERT_TRUE(zel.Sim().Start(&error)) << error;
  bench.Cycle();
  bench.Cycle();
  EXPECT_TRUE(bench.speed.ShowsOnline());
  EXPECT_TRUE(bench.status.IsOnline());

  // The ZEL stops answering: a cycle now waits for the frame time-outs, and Stop returns only
  // once that cycle has finished.
  zel.Sim().Faults().SetNeverAnswer(true);
  const std::uint64_t before = bench.monitor.CycleCount();
  (*bench.tick.load())();
  // Long enough for a loaded machine to begin the cycle, well inside the first unanswered
  // opcode's time-out of more than a second.
  std::this_thread::sleep_for(300ms);
  bench.monitor.Stop();
  EXPECT_EQ(bench.monitor.CycleCount(), before + 1);
  EXPECT_FALSE(bench.monitor.IsRunning());
}

// The communication search beside a running monitor, on the desk's pseudo-terminal ports: the ZEL
// on Com3 at 38400, the other ports absent.
TEST(PollingMonitorSimTest, BesideASearchTheMonitorNeverTakesBackThePortThatWasOpenBefore) {
  test::SearchPorts ports;
  for (int n : {1, 2, 4, 5, 6}) ports.Absent(n);
  ports.Zel(3, 38400);
  link::ZelCommunication comm;
  link::CommSettings stored;
  stored.portName = "Com3";
  stored.baudRate = 38400;
  stored.timeoutMs = 10;
  stored.transmitTrials = 1;
  ASSERT_TRUE(comm.OpenLink(stored));
  MonitorBench bench(comm);
  bench.Start();
  bench.Cycle();
  ASSERT_TRUE(bench.status.IsOnline());

  // A candidate whose port does not open: the monitor's cycle meanwhile fails, and the probe
  // must fail with it instead of reaching the ZEL through the port that was open before.
  link::CommSettings com1 = stored;
  com1.portName = "Com1";
  com1.baudRate = 9600;
  EXPECT_FALSE(comm.OpenLink(com1));
  bench.Cycle();
  EXPECT_FALSE(bench.status.IsOnline());
  EXPECT_FALSE(comm.Link().IsOpen());
  std::uint16_t errorWord = 0;
  EXPECT_FALSE(comm.Status().ReadError(errorWord)) << "no ZEL on Com1";

  // The whole search with the monitor ticking beside it finds the ZEL where it is.
  ASSERT_TRUE(comm.OpenLink(stored));
  bench.Cycle();
  ASSERT_TRUE(bench.status.IsOnline());
  link::CommunicationSearch search(comm, bench.main.Id());
  ASSERT_TRUE(search.Start());
  while (search.IsRunning()) {
    (*bench.tick.load())();
    ui::Dispatcher::Default().Pump();
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_TRUE(search.Found());
  EXPECT_EQ(search.Tried(), 14) << "Com3 at 38400 is the 14th candidate";
  EXPECT_EQ(comm.Settings().portName, "Com3");
  EXPECT_EQ(comm.Settings().baudRate, 38400);
  bench.Cycle();
  bench.Cycle();
  EXPECT_TRUE(bench.status.IsOnline());
}

// An FTDI adapter on a laptop, mapped to Com1 by its by-id name, is pulled and plugged back in as
// another ttyUSB number: the running monitor finds the ZEL again through the name.
TEST(PollingMonitorSimTest, ARepluggedAdapterIsFoundAgainByItsName) {
  test::DeviceTree tree;
  sim::Simulator& first = tree.PlugAdapter(0, 38400, 1);
  link::ZelCommunication comm;
  link::CommSettings settings;
  settings.portName = "Com1";
  settings.timeoutMs = 10;
  settings.transmitTrials = 1;
  ASSERT_TRUE(comm.OpenLink(settings));
  MonitorBench bench(comm);
  bench.Start();
  bench.Cycle();
  ASSERT_TRUE(bench.status.IsOnline());

  tree.PullAdapter(first);
  bench.Cycle();
  EXPECT_FALSE(bench.status.IsOnline());
  bench.Cycle();  // the name leads nowhere meanwhile: still offline, and tried again later
  EXPECT_FALSE(bench.status.IsOnline());

  sim::Simulator& second = tree.PlugAdapter(1, 38400, 1);
  bench.Cycle();
  bench.Cycle();
  EXPECT_TRUE(bench.status.IsOnline());
  EXPECT_TRUE(bench.speed.ShowsOnline());
  EXPECT_GT(second.Stats().framesAccepted, 0u);
  EXPECT_EQ(comm.Settings().portName, "Com1");
}

}  // namespace
}  // namespace zel::monitor
