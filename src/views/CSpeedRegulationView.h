#pragma once

#include "monitor/RegulationViewReceiver.h"
#include "views/CRegulationView.h"

namespace zel::views {

// The "Speed regulation" tab: the speed regulation settings and live speed, the settings the
// ZEL takes from software, and the speed set value.
//
// Thread rules: the polling monitor stores its data from its own thread (StoreMonitorData only
// fills the snapshot) and reads ShowsOnline; everything else on the user-interface thread.
class CSpeedRegulationView final : public CRegulationView, public monitor::SpeedViewReceiver {
 public:
  CSpeedRegulationView();

  bool Stopped() const { return stopped_; }

  void StoreMonitorData(const monitor::SpeedViewData& data) override { snapshot_.Store(data); }
  bool ShowsOnline() const override { return IsOnline(); }
  ui::Dispatcher::TargetId ReceiverId() const override { return TargetId(); }

 protected:
  bool ReadAll() override;
  int SetValueLimit() const override;
  bool SendSetValueToZel(std::int16_t wire) override;
  bool ReadActual() override;
  std::uint16_t KeptBits() const override { return 0x407E; }  // bits 1 to 6 and 14
  void RedrawStop() override;
  void OnStop() override;
  bool ReReadStop() override { return ReadStatusBits(); }
  void OnNewData() override;

 private:
  monitor::RegulationSnapshot<monitor::SpeedViewData> snapshot_;
};

}  // namespace zel::views
