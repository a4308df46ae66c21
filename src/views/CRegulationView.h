#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "views/MovingAverage.h"
#include "views/RegulationTrend.h"
#include "views/RegulationViewLayout.h"

namespace zel::link {
class ZelCommunication;
}

namespace zel::views {

// What the speed and the current regulation view do with the controls of their layout: the
// SysConfig boxes and radios, the
// gate that lets the controls command the ZEL only while it is online or offline commanding is
// on, the settings with their limits, clamping messages and write-then-redraw sequence, the
// enable button, the set value with its step buttons, the actual value with its moving average,
// the online caption and the live trend.
//
// Thread rules: UI thread only, except ShowsOnline (read by the monitor's thread). The views'
// derived classes take the monitor's data through a snapshot.
class CRegulationView : public RegulationViewLayout {
 public:
  static constexpr unsigned kMsgNewData = ui::kWmUser + 40;
  static constexpr unsigned kMsgOnline = ui::kWmUser + 43;

  static constexpr const char* kNotOnlineSettings =
      "The ZEL is not online!\nPlease check the communication settings!";
  static constexpr const char* kNotOnlineMonitor =
      "The ZEL is not online!\nCheck the communication settings and switch on the monitor!";
  ~CRegulationView() override;

  // Wiring: the stack the view reads and writes through; null leaves every command failing.
  void SetCommunication(link::ZelCommunication* communication) { communication_ = communication; }
  // The main window's change of regulation mode, asked for by the mode radio (0 current,
  // 1 speed).
  void SetModeRequest(std::function<void(int)> request) { modeRequest_ = std::move(request); }
  void SetOfflineCommanding(bool on);
  bool OfflineCommanding() const { return offlineCommanding_; }
  // A wizard has claimed the link (its name as the wizard view lists it; empty: nobody). The
  // monitor's commands then fail, which is no offline ZEL: the caption says which wizard is
  // busy with it.
  void SetLinkClaimedBy(std::string wizard);
  const std::string& LinkClaimedBy() const { return claimedBy_; }

  // Reads everything the view shows from the ZEL and redraws; false (after the message) at the
  // first read that fails.
  bool ReRead();
  // Reads and shows the actual value alone; the current view's re-read leaves it to the monitor,
  // so a caller without a monitor asks for it here.
  bool ReReadActual();

  // The state the view shows.
  bool IsOnline() const { return online_.load(); }
  // Whether the values shown are the ZEL's of this moment: online, and read or delivered since
  // the line was last lost. Otherwise they are drawn in kStaleColour.
  bool ShowsLiveValues() const { return online_.load() && fresh_; }
  std::uint16_t SysConfig() const { return sysConfig_; }
  std::uint16_t SoftwareVersion() const { return softwareVersion_; }
  bool DriveEnabled() const { return enabled_; }
  int SetValueShown() const { return setValue_; }
  // The actual value as displayed (the mean at 0x1000 and below).
  int DisplayedActual() const { return displayedActual_; }
  int NewDataCount() const { return newDataCount_; }
  RegulationTrend& Trend() { return trend_; }
  ui::PlotSource* PlotFor(int id) override { return id == kIdTrend ? &trend_ : nullptr; }

 protected:
  // Status word bit 13: the drive is stopped.
  static constexpr std::uint16_t kStoppedStatus = 0x2000;

  // setValueName: "Speed Setting" or "Current Setting"; unit "rpm" or "mA".
  CRegulationView(std::string title, std::string setValueName, std::string unit,
                  std::int16_t setValueParameter, bool withLimitCurve);

  // Building, in the derived constructor.
  void AddSetting(std::int16_t number, std::string name, std::string unitFormat,
                  std::uint16_t softwareBit, int defaultValue, int minimum, int maximum);
  // After the settings: the SysConfig boxes ("'STOP' input active", "P1 active" and "P4 active"
  // only where the view has them), the monitor signal radios and the hint.
  void BuildSources(bool withStop, bool withPotentiometers14);

  // The derived view's differences.
  // The reads of ReRead, each false after the message.
  virtual bool ReadAll() = 0;
  // Range of the set value: plus and minus this.
  virtual int SetValueLimit() const = 0;
  virtual bool SendSetValueToZel(std::int16_t wire) = 0;
  // Reads and redraws the actual value from the ZEL.
  virtual bool ReadActual() = 0;
  // SysConfig bits the boxes of this view do not stand for.
  virtual std::uint16_t KeptBits() const = 0;
  virtual double TrendLimit() const { return 0; }

  // Steps of the re-read, each false after the message.
  bool ReadIdentity();
  bool ReadSysConfig();
  bool ReadSetting(std::int16_t number);
  bool ReadStatusBits();
  bool ReadSetValue();
  // An exchange that failed: the message, the values marked as no longer live, and false.
  bool NotOnline();

  // Redraws.
  void ApplySysConfig();
  void RedrawSetting(const Setting& setting);
  void RedrawSettingsOf(std::uint16_t softwareBit);
  void RedrawEnable();
  virtual void RedrawStop() {}
  void RedrawMonitorRadio();
  void RedrawModeRadio();
  void RedrawSetValue();
  void UpdateSetValueRange();
  void RedrawActual();
  void RedrawAll();
  // The caption and lamp from the online state and the wizard holding the link.
  void RedrawState();
  // Live values in the default colour, stale ones greyed.
  void MarkFresh(bool fresh);

  // New data from the monitor: the derived view has stored SysConfig, the values and the actual
  // value; this redraws what the software bits allow, the actual value last, and feeds the
  // trend.
  void TakeValue(std::int16_t number, const std::optional<std::uint16_t>& word);
  void ShowNewData(const std::optional<std::uint16_t>& setValueWord, std::uint16_t zelSetValue);
  // The caption and, on online, the re-read.
  void ShowOnline(bool online);

  // The actual value as it arrives; at 0x1000 and below the display is the mean.
  void TakeActual(double actual, bool feedAverage);

  // Sign rule: firmware 0x1000 counts set values the other way round.
  std::int16_t ToWire(int value) const;
  int FromWire(std::uint16_t word) const;
  int ValueOf(std::int16_t number, std::uint16_t word) const;
  // Whether the controls may command the ZEL; if not and tell, says so.
  bool Gate(bool tell);
  bool CanCommand() const { return online_.load() || offlineCommanding_; }
  link::ZelCommunication* Comm() const { return communication_; }

  void OnEvent(int id, ui::EventKind kind) override;
  void OnPrivateMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;
  virtual void OnNewData() = 0;
  // Stop button and STOP box exist only in the speed view.
  virtual void OnStop() {}
  virtual bool ReReadStop() { return true; }

  std::uint16_t sysConfig_ = 0;
  std::uint16_t softwareVersion_ = 0;
  std::uint16_t hardwareVersion_ = 0;
  std::uint16_t applicationNumber_ = 0;
  std::uint16_t applicationVersion_ = 0;
  bool enabled_ = false;
  bool stopped_ = false;
  int setValue_ = 0;
  double actual_ = 0;
  int displayedActual_ = 0;
  MovingAverage average_;
  int newDataCount_ = 0;

 private:
  void WriteSetting(Setting& setting, int id, ui::EventKind kind);
  void OnBoxClicked(int id);
  void OnMonitorRadio(int id);
  void OnModeRadio(int id);
  void OnEnable();
  void OnSetValueEdit(ui::EventKind kind);
  void SendSetValue(int value);
  std::uint16_t RebuiltSysConfig() const;
  bool WriteSysConfig(std::uint16_t value);
  void CheckZelSetValue(std::uint16_t zelSetValue);

  std::string setValueName_;
  std::string unit_;
  std::int16_t setValueParameter_;
  link::ZelCommunication* communication_ = nullptr;
  std::function<void(int)> modeRequest_;
  bool offlineCommanding_ = false;
  std::atomic<bool> online_{false};
  // Values read or delivered since the line was last lost.
  bool fresh_ = false;
  std::string claimedBy_;
  int setValueMismatches_ = 0;
  RegulationTrend trend_;
};

}  // namespace zel::views
