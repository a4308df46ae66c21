#include "views/CCurrentRegulationView.h"

#include <cmath>

#include "common/DecimalRound.h"
#include "link/ZelCommunication.h"

namespace zel::views {

CCurrentRegulationView::CCurrentRegulationView()
    : CRegulationView("Current regulation", "Current Setting", "mA", 131, true) {
  AddSetting(12, "Offset", "%i mA", 0x0200, 0, -100, 100);
  AddSetting(15, "Max.Cont.Current", "%i mA", 0x0400, 5000, 0, 5000);
  AddSetting(14, "Max.PeakCurrent", "%i mA", 0x0400, 15000, 0, 18000);
  BuildSources(false, false);
  RedrawAll();
}

double CCurrentRegulationView::ActualCurrent(std::uint16_t softwareVersion, std::int16_t d,
                                             std::int16_t q) {
  if (softwareVersion > 0x101F) return q;
  const double dd = d;
  const double qq = q;
  return common::Round(2 * std::sqrt(dd * dd + qq * qq), 0);
}

int CCurrentRegulationView::SetValueLimit() const {
  const Setting* maxCont = FindSetting(15);
  return maxCont ? maxCont->value : 0;
}

bool CCurrentRegulationView::SendSetValueToZel(std::int16_t wire) {
  return Comm() && Comm()->Drive().SetCurrent(wire);
}

void CCurrentRegulationView::TakeAxisCurrents(std::uint16_t d, std::uint16_t q) {
  // Only the computed magnitude is averaged; q from 0x1020 on is shown as it is.
  TakeActual(
      ActualCurrent(softwareVersion_, static_cast<std::int16_t>(d), static_cast<std::int16_t>(q)),
      softwareVersion_ <= 0x101F);
}

bool CCurrentRegulationView::ReadActual() {
  std::uint16_t d = 0;
  std::uint16_t q = 0;
  if (!Comm() || !Comm()->Parameter().ReadTempParam(129, d) ||
      !Comm()->Parameter().ReadTempParam(130, q))
    return NotOnline();
  TakeAxisCurrents(d, q);
  return true;
}

bool CCurrentRegulationView::ReadAll() {
  if (!ReadIdentity() || !ReadSysConfig()) return false;
  for (std::int16_t number : {12, 15, 14})
    if (!ReadSetting(number)) return false;
  if (!ReadStatusBits() || !ReadSetValue()) return false;
  RedrawAll();
  return true;
}

void CCurrentRegulationView::OnNewData() {
  std::optional<monitor::CurrentViewData> data = snapshot_.Load();
  if (!data) return;
  sysConfig_ = data->sysConfig;
  TakeValue(12, data->offset);
  TakeValue(15, data->maxContCurrent);
  TakeValue(14, data->peakCurrent);
  enabled_ = !data->disabled;
  TakeAxisCurrents(data->currentDAxis, data->currentQAxis);
  ShowNewData(data->currentSetValue, data->zelSetValue);
}

}  // namespace zel::views
