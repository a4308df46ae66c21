#include "app/RegulationModeSequence.h"

#include <string>

#include "link/ParameterGroup.h"
#include "link/StatusGroup.h"
#include "ui/Host.h"

namespace zel::app {

namespace {

constexpr std::uint16_t kCurrentRegulationBit = 0x0004;
constexpr std::uint16_t kForbiddenModeBit = 0x0020;
constexpr std::uint16_t kSpeedModeMask = 0xFFD3;    // clears bits 2, 3 and 5
constexpr std::uint16_t kCurrentModeMask = 0xFFD7;  // clears bits 3 and 5
constexpr std::uint16_t kModeBits = 0x002C;         // bits 2, 3 and 5
constexpr std::uint16_t kManualModeBit = 0x8000;    // clear: the input 'Digital2' decides

}  // namespace

int RegulationModeSequence::Check(link::ParameterGroup& parameters) {
  std::uint16_t sysConfig = 0;
  if (!parameters.ReadTempParam(1, sysConfig)) return kNone;
  if ((sysConfig & kForbiddenModeBit) == 0)
    return (sysConfig & kCurrentRegulationBit) != 0 ? kCurrent : kSpeed;
  if (parameters.SetTempParam(1, 0, sysConfig & kSpeedModeMask)) {
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
  const std::uint16_t wanted =
      speed ? sysConfig & kSpeedModeMask
            : static_cast<std::uint16_t>((sysConfig & kCurrentModeMask) | kCurrentRegulationBit);
  if ((sysConfig & kModeBits) == (wanted & kModeBits)) return true;
  if (!ui::CurrentHost().AskYesNo("Do you really want to change to the " + name +
                                  " regulation mode!"))
    return true;
  bool softwareEnabling = false;
  bool enabled = false;
  // A drive that could not be switched off keeps its mode: changing the regulation under a
  // running motor is what the suspension is there to prevent.
  if (!status.SuspendEnable(softwareEnabling, enabled, true)) return false;
  const bool written = parameters.SetTempParam(1, 0, wanted);
  // The drive ends disabled under software enabling, whatever it was before.
  const bool resumed = status.ResumeEnable(true, false, true);
  return written && resumed;
}

}  // namespace zel::app
