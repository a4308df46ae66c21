#include "app/RegulationModeSequence.h"

#include <string>

#include "link/ParameterGroup.h"
#include "link/SerialParameterDevice.h"
#include "link/StatusGroup.h"
#include "parameters/EnableSuspension.h"
#include "ui/Host.h"
#include "views/CRegulationView.h"

namespace zel::app {

namespace {

using views::CRegulationView;

constexpr std::uint16_t kModeBits = 0x002C;       // bits 2, 3 and 5
constexpr std::uint16_t kManualModeBit = 0x8000;  // clear: the input 'Digital2' decides

// A drive left changed is named; the caller reports the failure itself.
bool Failed(const parameters::EnableSuspension& suspension) {
  if (!suspension.LeftWith().empty()) ui::CurrentHost().ShowMessage(suspension.LeftWith());
  return false;
}

}  // namespace

int RegulationModeSequence::Check(link::ParameterGroup& parameters) {
  std::uint16_t sysConfig = 0;
  if (!parameters.ReadTempParam(1, sysConfig)) return kNone;
  if ((sysConfig & link::ParameterGroup::kForbiddenModeBit) == 0)
    return CRegulationView::ModeOf(sysConfig);
  if (parameters.SetTempParam(1, 0, CRegulationView::WithMode(sysConfig, kSpeed))) {
    ui::CurrentHost().ShowMessage(
        "This regulation mode is not allowed!\nThe ZEL is set to the speed regulation mode!");
    return kNone;
  }
  return kSpeed;
}

bool RegulationModeSequence::Change(link::ParameterGroup& parameters, link::StatusGroup& status,
                                    int mode) {
  std::uint16_t sysConfig = 0;
  if (!parameters.ReadTempParam(1, sysConfig)) return false;
  const bool speed = mode == kSpeed;
  const std::string name = speed ? "speed" : "current";
  if ((sysConfig & kManualModeBit) == 0) {
    ui::CurrentHost().ShowMessage(
        "Regulation mode is selected by 'Digital2' input!\nImpossible to "
        "change to the " +
        name + " regulation mode manually!");
    return true;
  }
  const std::uint16_t wanted = CRegulationView::WithMode(sysConfig, mode);
  if ((sysConfig & kModeBits) == (wanted & kModeBits)) return true;
  if (!ui::CurrentHost().AskYesNo("Do you really want to change to the " + name +
                                  " regulation mode!"))
    return true;
  link::SerialParameterDevice device(parameters, status);
  parameters::EnableSuspension suspension(device);
  // A drive that could not be switched off keeps its mode: changing the regulation under a
  // running motor is what the suspension is there to prevent.
  if (!suspension.Suspend(true)) return Failed(suspension);
  const bool written = parameters.SetTempParam(1, 0, wanted);
  // The drive ends disabled under software enabling, whatever it was before.
  device.KeepDisabledOnResume();
  if (!suspension.Resume(true, true)) return Failed(suspension);
  return written;
}

}  // namespace zel::app
