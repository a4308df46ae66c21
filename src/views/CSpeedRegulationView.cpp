#include "views/CSpeedRegulationView.h"

#include "link/ZelCommunication.h"

namespace zel::views {

CSpeedRegulationView::CSpeedRegulationView()
    : CRegulationView("Speed regulation", "Speed Setting", "rpm", 133, false) {
  AddSetting(17, "Max Speed", "%i rpm", 0x0100, 25000, 0, 25000);
  AddSetting(12, "Offset", "%i rpm", 0x0200, 0, -100, 100);
  AddSetting(15, "Max.Cont.Current", "%i mA", 0x0400, 5000, 0, 5000);
  AddSetting(14, "Max.PeakCurrent", "%i mA", 0x0400, 15000, 0, 18000);
  AddSetting(5, "Gain P", "%i", 0x0800, 50, 0, 100);
  AddSetting(6, "Gain I", "%i", 0x0800, 50, 0, 100);
  BuildSources(true, true);
  RedrawAll();
}

int CSpeedRegulationView::SetValueLimit() const {
  const Setting* maxSpeed = FindSetting(17);
  return maxSpeed ? maxSpeed->value : 0;
}

bool CSpeedRegulationView::SendSetValueToZel(std::int16_t wire) {
  return Comm() && Comm()->Drive().SetVelocity(wire);
}

bool CSpeedRegulationView::ReadActual() {
  std::uint16_t word = 0;
  if (!Comm() || !Comm()->Parameter().ReadTempParam(134, word)) return NotOnline();
  TakeActual(static_cast<std::int16_t>(word), true);
  return true;
}

bool CSpeedRegulationView::ReadAll() {
  if (!ReadIdentity() || !ReadSysConfig()) return false;
  for (std::int16_t number : {17, 12, 15, 14, 5, 6})
    if (!ReadSetting(number)) return false;
  if (!ReadStatusBits() || !ReadSetValue() || !ReadActual()) return false;
  RedrawAll();
  return true;
}

void CSpeedRegulationView::RedrawStop() {
  SetText(kIdStop, stopped_ ? "Stopped" : "Not Stopped");
}

void CSpeedRegulationView::OnStop() {
  if (!Gate(true)) return;
  const bool stop = !stopped_;
  std::uint16_t status = 0;
  if (!Comm() || !Comm()->Parameter().ReadTempParam(128, status)) {
    NotOnline();
    return;
  }
  // The ZEL only toggles; it is told only when it is not in the wanted state already.
  if (((status & kStoppedStatus) != 0) != stop && !Comm()->Drive().ToggleStop()) {
    NotOnline();
    return;
  }
  stopped_ = stop;
  RedrawStop();
}

void CSpeedRegulationView::OnNewData() {
  std::optional<monitor::SpeedViewData> data = snapshot_.Load();
  if (!data) return;
  sysConfig_ = data->sysConfig;
  TakeValue(17, data->maxSpeed);
  TakeValue(12, data->offset);
  TakeValue(15, data->maxContCurrent);
  TakeValue(14, data->peakCurrent);
  TakeValue(5, data->gainP);
  TakeValue(6, data->gainI);
  enabled_ = !data->disabled;
  stopped_ = data->stopped;
  TakeActual(static_cast<std::int16_t>(data->speedActualValue), true);
  ShowNewData(data->speedSetValue, data->zelSetValue);
}

}  // namespace zel::views
