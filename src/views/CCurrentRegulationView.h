#pragma once

#include "monitor/RegulationViewReceiver.h"
#include "views/CRegulationView.h"

namespace zel::views {

// The "Current regulation" tab: as the speed regulation view, with the current offset and
// limits, the current set value and the actual current; no maximum speed, gains or stop.
//
// Thread rules as CSpeedRegulationView.
class CCurrentRegulationView final : public CRegulationView, public monitor::CurrentViewReceiver {
 public:
  CCurrentRegulationView();

  // The actual current from the two axis currents by the firmware's version: q itself from
  // 0x1020, otherwise 2 * sqrt(d * d + q * q) rounded (and averaged).
  static double ActualCurrent(std::uint16_t softwareVersion, std::int16_t d, std::int16_t q);

  void StoreMonitorData(const monitor::CurrentViewData& data) override { snapshot_.Store(data); }
  bool ShowsOnline() const override { return IsOnline(); }
  ui::Dispatcher::TargetId ReceiverId() const override { return TargetId(); }

 protected:
  bool ReadAll() override;
  int SetValueLimit() const override;
  bool SendSetValueToZel(std::int16_t wire) override;
  bool ReadActual() override;
  // Bit 0 is the 'Set value' box's own; keeping it as read would make the box impossible to clear.
  std::uint16_t KeptBits() const override { return 0x49FE; }  // bits 1 to 8, 11 and 14
  double TrendLimit() const override { return SetValueLimit(); }
  void OnNewData() override;

 private:
  void TakeAxisCurrents(std::uint16_t d, std::uint16_t q);

  monitor::RegulationSnapshot<monitor::CurrentViewData> snapshot_;
};

}  // namespace zel::views
