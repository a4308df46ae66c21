#include "can/ModuleIdSetting.h"

#include "link/CanGateway.h"
#include "link/ParameterGroup.h"
#include "link/ZelCommunication.h"

namespace zel::can {

bool ModuleIdSetting::ReadBitRate() {
  link::ParameterGroup& serial = communication_.Parameter();
  const bool first = serial.ReadTempParam(34, bcr1_);
  const bool second = serial.ReadTempParam(35, bcr2_);
  bitRateRead_ = first && second;
  return bitRateRead_;
}

ModuleIdSetting::Result ModuleIdSetting::Set(std::uint16_t moduleId,
                                             const std::function<bool(const char*)>& ask) {
  // Unread registers would be written back as 0/0 and saved: the ZEL would keep no valid rate.
  if (!bitRateRead_ || moduleId < kFirstId || moduleId > kLastId) return Result::kFailed;
  link::ParameterGroup& serial = communication_.Parameter();
  link::CanGateway& gateway = communication_.Can();
  std::uint16_t software = 0, hardware = 0, number = 0, version = 0;
  if (!serial.ReadVersion(software, hardware, number, version)) return Result::kFailed;
  if (hardware >= kDipSwitchHardware && !(ask && ask(kDipSwitchQuestion))) return Result::kDeclined;
  bool ok = gateway.SetModuleID(moduleId);
  if (ok) {
    if (software < link::CanGateway::kNewCommandSet)
      ok = gateway.SetCanBCR1(bcr1_) && gateway.SetCanBCR2(bcr2_);
    else
      ok = gateway.SetBCR1BCR2(bcr1_, bcr2_);
  }
  // Saved also after a failed write-back: the new ID is in the working copy already.
  const bool saved = serial.SaveTempParam();
  return ok && saved ? Result::kDone : Result::kFailed;
}

}  // namespace zel::can
