#include "monitor/PollingMonitor.h"

#include <thread>

#include "firmware/FirmwareRegistry.h"
#include "link/ZelCommunication.h"
#include "monitor/CStatusView.h"

namespace zel::monitor {

namespace {

// SysConfig bits.
constexpr std::uint16_t kAnalogSetValue = 0x0001;
constexpr std::uint16_t kCurrentRegulation = 0x0004;
constexpr std::uint16_t kForbiddenMode = 0x0020;
constexpr std::uint16_t kP1 = 0x0100;
constexpr std::uint16_t kP2 = 0x0200;
constexpr std::uint16_t kP3 = 0x0400;
constexpr std::uint16_t kP4 = 0x0800;
constexpr std::uint16_t kManualMode = 0x8000;  // clear: the input 'Digital2' picks the mode
// Status word bits.
constexpr std::uint16_t kStatusStopped = 0x2000;
constexpr std::uint16_t kStatusEnabled = 0x4000;
// Firmware up to this version has no CAN error word.
constexpr std::uint16_t kLastVersionWithoutCan = 0x1000;

constexpr std::uintptr_t kSpeedMode = 1;
constexpr std::uintptr_t kCurrentMode = 0;

std::optional<std::uint16_t> Unless(std::uint16_t sysConfig, std::uint16_t bit,
                                    std::uint16_t value) {
  if ((sysConfig & bit) != 0) return std::nullopt;
  return value;
}

MonitorCycle::Mode ModeOf(std::uint16_t sysConfig) {
  if ((sysConfig & kForbiddenMode) != 0) return MonitorCycle::Mode::kNone;
  return (sysConfig & kCurrentRegulation) != 0 ? MonitorCycle::Mode::kCurrent
                                               : MonitorCycle::Mode::kSpeed;
}

}  // namespace

PollingMonitor::PollingMonitor() : PollingMonitor(std::make_unique<ui::SteadyPeriodicTimer>()) {}

PollingMonitor::PollingMonitor(std::unique_ptr<ui::PeriodicTimer> timer)
    : ui::PeriodicWorker(std::move(timer)) {
  SetPeriod(kInitialPeriodMs);
}

PollingMonitor::~PollingMonitor() {
  Stop();
}

void PollingMonitor::LinkCommunication(link::ZelCommunication& communication) {
  link_ = &communication.Link();
  parameter_ = &communication.Parameter();
  status_ = &communication.Status();
  can_ = &communication.Can();
  definitions_ = &communication.Definitions();
}

void PollingMonitor::LinkViews(SpeedViewReceiver* speed, CurrentViewReceiver* current,
                               CStatusView* status) {
  speedView_ = speed;
  currentView_ = current;
  statusView_ = status;
}

bool PollingMonitor::Linked() const {
  return link_ && parameter_ && status_ && can_ && definitions_ && speedView_ && currentView_ &&
         statusView_;
}

void PollingMonitor::PostTo(ui::Dispatcher::TargetId target, unsigned message,
                            std::uintptr_t wParam) {
  ui::Dispatcher::Default().Post(target, message, wParam, 0);
}

void PollingMonitor::PostToMain(unsigned message, std::uintptr_t wParam) const {
  if (mainWindow_ != 0) PostTo(mainWindow_, message, wParam);
}

void PollingMonitor::Run() {
  if (!Linked()) return;
  storeError_ = true;
  storeCanError_ = true;
  runCycles_ = 0;
  PostTo(statusView_->TargetId(), kMsgOnline, 1);
  while (IsRunning()) {
    if (!WaitForTick()) break;
    RunCycle();
  }
  PostTo(statusView_->TargetId(), kMsgOnline, 0);
  PostTo(speedView_->ReceiverId(), kMsgOnline, 0);
  PostTo(currentView_->ReceiverId(), kMsgOnline, 0);
  PostToMain(kMsgRepaint);
}

void PollingMonitor::RunCycle() {
  MonitorCycle cycle;
  cycle.number = ++runCycles_;
  bool online = false;
  std::uint16_t sysConfig = 0;
  std::uint16_t statusWord = 0;
  if (parameter_->ReadVersion(cycle.softwareVersion, cycle.hardwareVersion, cycle.applicationNumber,
                              cycle.applicationVersion)) {
    cycle.identityRead = true;
    if (registry_ && registry_->ReportConnected(cycle.softwareVersion, cycle.hardwareVersion,
                                                cycle.applicationNumber, cycle.applicationVersion))
      PostToMain(kMsgFirmwareCheck);
    // A ZEL that answers its identity but not its configuration and limits is not online.
    online = parameter_->ReadTempParam(1, sysConfig) &&
             parameter_->ReadTempParam(128, statusWord) &&
             parameter_->ReadTempParam(12, limits_.offset) &&
             parameter_->ReadTempParam(15, limits_.maxContCurrent) &&
             parameter_->ReadTempParam(14, limits_.peakCurrent) &&
             parameter_->ReadTempParam(17, limits_.maxSpeed);
  } else {
    // A line that went away (adapter pulled, terminal closed) is opened again for the next
    // cycle, so the ZEL comes back online by itself when it returns on the same port.
    link_->ReopenAfterLoss();
  }
  cycle.sysConfig = sysConfig;
  cycle.statusWord = statusWord;
  cycle.mode = ModeOf(sysConfig);

  if (online && (!speedView_->ShowsOnline() || !currentView_->ShowsOnline()))
    PostToMain(kMsgReadIdentity);
  const std::uintptr_t onlineParam = online ? 1 : 0;
  if (speedView_->ShowsOnline() != online)
    PostTo(speedView_->ReceiverId(), kMsgOnline, onlineParam);
  if (currentView_->ShowsOnline() != online)
    PostTo(currentView_->ReceiverId(), kMsgOnline, onlineParam);
  if (statusView_->IsOnline() != online) PostTo(statusView_->TargetId(), kMsgOnline, onlineParam);

  // A failed read of the live values ends the cycle as offline: no error words then.
  if ((sysConfig & (kCurrentRegulation | kForbiddenMode)) == 0)
    online = ReadSpeedData(online, sysConfig, statusWord, cycle);
  if ((sysConfig & kForbiddenMode) == 0 && (sysConfig & kCurrentRegulation) != 0)
    online = ReadCurrentData(online, sysConfig, statusWord, cycle);

  ReadErrorWords(online, cycle.softwareVersion, cycle);
  cycle.online = online;
  cycles_.fetch_add(1);
  if (observer_) observer_(cycle);
}

bool PollingMonitor::ReadSpeedData(bool online, std::uint16_t sysConfig, std::uint16_t statusWord,
                                   MonitorCycle& cycle) {
  if (!online) {
    std::this_thread::yield();
    return false;
  }
  PostToMain(kMsgRegulationMode, kSpeedMode);
  std::uint16_t gainP = 0;
  std::uint16_t gainI = 0;
  std::uint16_t setValue = 0;
  std::uint16_t actualValue = 0;
  if (!parameter_->ReadTempParam(5, gainP) || !parameter_->ReadTempParam(6, gainI) ||
      !parameter_->ReadTempParam(133, setValue) || !parameter_->ReadTempParam(134, actualValue)) {
    std::this_thread::yield();
    return false;
  }
  SpeedViewData data;
  data.sysConfig = sysConfig;
  data.maxSpeed = Unless(sysConfig, kP1, limits_.maxSpeed);
  data.offset = Unless(sysConfig, kP2, limits_.offset);
  data.maxContCurrent = Unless(sysConfig, kP3, limits_.maxContCurrent);
  data.peakCurrent = Unless(sysConfig, kP3, limits_.peakCurrent);
  data.gainP = Unless(sysConfig, kP4, gainP);
  data.gainI = Unless(sysConfig, kP4, gainI);
  data.disabled = (statusWord & kStatusEnabled) == 0;
  data.stopped = (statusWord & kStatusStopped) != 0;
  if ((sysConfig & kAnalogSetValue) != 0) data.speedSetValue = setValue;
  data.speedActualValue = actualValue;
  data.zelSetValue = setValue;
  speedView_->StoreMonitorData(data);
  cycle.speed = data;
  if ((sysConfig & kManualMode) == 0) PostToMain(kMsgRegulationMode, kSpeedMode);
  PostTo(speedView_->ReceiverId(), kMsgNewData);
  return true;
}

bool PollingMonitor::ReadCurrentData(bool online, std::uint16_t sysConfig, std::uint16_t statusWord,
                                     MonitorCycle& cycle) {
  if (!online) {
    std::this_thread::yield();
    return false;
  }
  PostToMain(kMsgRegulationMode, kCurrentMode);
  std::uint16_t setValue = 0;
  std::uint16_t dAxis = 0;
  std::uint16_t qAxis = 0;
  if (!parameter_->ReadTempParam(131, setValue) || !parameter_->ReadTempParam(129, dAxis) ||
      !parameter_->ReadTempParam(130, qAxis)) {
    std::this_thread::yield();
    return false;
  }
  CurrentViewData data;
  data.sysConfig = sysConfig;
  data.offset = Unless(sysConfig, kP2, limits_.offset);
  data.maxContCurrent = Unless(sysConfig, kP3, limits_.maxContCurrent);
  data.peakCurrent = Unless(sysConfig, kP3, limits_.peakCurrent);
  data.disabled = (statusWord & kStatusEnabled) == 0;
  if ((sysConfig & kAnalogSetValue) != 0) data.currentSetValue = setValue;
  data.currentDAxis = dAxis;
  data.currentQAxis = qAxis;
  data.zelSetValue = setValue;
  currentView_->StoreMonitorData(data);
  cycle.current = data;
  if ((sysConfig & kManualMode) == 0) PostToMain(kMsgRegulationMode, kCurrentMode);
  PostTo(currentView_->ReceiverId(), kMsgNewData);
  return true;
}

void PollingMonitor::ReadErrorWords(bool online, std::uint16_t softwareVersion,
                                    MonitorCycle& cycle) {
  std::uint16_t errorWord = 0;
  std::uint16_t canErrorWord = 0;
  if (online) {
    storeError_ = status_->ReadError(errorWord);
    if (!storeError_) errorWord = 0;
    cycle.errorWordRead = storeError_;
    if (storeError_ && softwareVersion > kLastVersionWithoutCan) {
      storeCanError_ = can_->ReadCANError(canErrorWord);
      if (!storeCanError_) canErrorWord = 0;
      cycle.canErrorWordRead = storeCanError_;
    }
  }
  if (storeError_) {
    statusView_->StoreErrorWord(errorWord);
    cycle.errorWord = errorWord;
  }
  if (storeCanError_) {
    statusView_->StoreCanErrorWord(canErrorWord);
    cycle.canErrorWord = canErrorWord;
  }
  if (storeError_ || storeCanError_) PostTo(statusView_->TargetId(), kMsgNewData);
}

}  // namespace zel::monitor
