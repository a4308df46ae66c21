#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "monitor/MonitorCycle.h"
#include "monitor/RegulationViewReceiver.h"
#include "ui/Dispatcher.h"
#include "ui/PeriodicWorker.h"

namespace zel::link {
class CanGateway;
class ParameterGroup;
class SerialLink;
class StatusGroup;
class ZelCommunication;
}  // namespace zel::link

namespace zel::parameters {
class CParameterTable;
}

namespace zel::firmware {
class FirmwareRegistry;
}

namespace zel::monitor {

class CStatusView;

// Keeps the main window's views up to date while the tool is connected: on every tick it reads
// the ZEL's identity, configuration and live values, decides whether the ZEL is online, stores
// the values in the speed, current and status views and posts them the news. Its running flag
// is what "online" means for the commands that need the ZEL.
//
// Thread rules: link everything before Start, on the user-interface thread; the links must
// outlive the monitor's run (the owner stops it first). The cycle runs on the worker thread and
// only stores into the views' snapshots and posts messages; it never shows a box. Stop blocks
// until the cycle in progress, time-outs and all, has finished.
class PollingMonitor final : public ui::PeriodicWorker {
 public:
  static constexpr std::uint32_t kInitialPeriodMs = 100;

  // Views' messages (see RegulationViewReceiver and CStatusView).
  static constexpr unsigned kMsgNewData = ui::kWmUser + 40;
  static constexpr unsigned kMsgOnline = ui::kWmUser + 43;
  // Main window's messages.
  static constexpr unsigned kMsgRepaint = ui::kWmUser + 41;
  static constexpr unsigned kMsgRegulationMode = ui::kWmUser + 42;  // 1 speed, 0 current
  static constexpr unsigned kMsgReadIdentity = ui::kWmUser + 45;
  static constexpr unsigned kMsgFirmwareCheck = ui::kWmUser + 46;

  using CycleObserver = std::function<void(const MonitorCycle&)>;

  PollingMonitor();
  explicit PollingMonitor(std::unique_ptr<ui::PeriodicTimer> timer);
  ~PollingMonitor() override;

  // The groups and the parameter definitions of the stack.
  void LinkCommunication(link::ZelCommunication& communication);
  void LinkFirmwareRegistry(firmware::FirmwareRegistry* registry) { registry_ = registry; }
  // In this order; a run without all three views ends at once.
  void LinkViews(SpeedViewReceiver* speed, CurrentViewReceiver* current, CStatusView* status);
  void SetMainWindow(ui::Dispatcher::TargetId mainWindow) { mainWindow_ = mainWindow; }
  // Called on the worker thread at the end of every cycle. Set before Start.
  void SetCycleObserver(CycleObserver observer) { observer_ = std::move(observer); }

  // Cycles completed since construction; any thread.
  std::uint64_t CycleCount() const { return cycles_.load(); }

 protected:
  void Run() override;

 private:
  bool Linked() const;
  void RunCycle();
  // Steps of the cycle; each returns whether the ZEL is still online.
  bool ReadSpeedData(bool online, std::uint16_t sysConfig, std::uint16_t statusWord,
                     MonitorCycle& cycle);
  bool ReadCurrentData(bool online, std::uint16_t sysConfig, std::uint16_t statusWord,
                       MonitorCycle& cycle);
  void ReadErrorWords(bool online, std::uint16_t softwareVersion, MonitorCycle& cycle);
  void PostToMain(unsigned message, std::uintptr_t wParam = 0) const;
  static void PostTo(ui::Dispatcher::TargetId target, unsigned message, std::uintptr_t wParam = 0);

  link::SerialLink* link_ = nullptr;
  link::ParameterGroup* parameter_ = nullptr;
  link::StatusGroup* status_ = nullptr;
  link::CanGateway* can_ = nullptr;
  parameters::CParameterTable* definitions_ = nullptr;
  firmware::FirmwareRegistry* registry_ = nullptr;
  SpeedViewReceiver* speedView_ = nullptr;
  CurrentViewReceiver* currentView_ = nullptr;
  CStatusView* statusView_ = nullptr;
  ui::Dispatcher::TargetId mainWindow_ = 0;
  CycleObserver observer_;

  // Worker thread only: whether the status view is given the error word / the CAN error word.
  // Both on at thread start; a failed read turns one off until a read succeeds again.
  struct Limits {
    std::uint16_t offset = 0;          // 12
    std::uint16_t maxContCurrent = 0;  // 15
    std::uint16_t peakCurrent = 0;     // 14
    std::uint16_t maxSpeed = 0;        // 17
  };
  Limits limits_;  // worker thread only: this cycle's reads
  bool storeError_ = true;
  bool storeCanError_ = true;
  std::atomic<std::uint64_t> cycles_{0};
  std::uint64_t runCycles_ = 0;
};

}  // namespace zel::monitor
