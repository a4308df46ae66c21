#include "cli/DriveState.h"

#include "link/ZelCommunication.h"

namespace zel::cli {

namespace {
constexpr int16_t kSysConfig = 1;
}

bool DriveState::Read(link::ZelCommunication& zel, DriveState& state) {
  return zel.Parameter().ReadTempParam(kSysConfig, state.sysConfig) &&
         zel.Status().ReadSysStatus(state.status);
}

bool DriveState::SoftwareEnabling() const {
  return (sysConfig & link::ParameterGroup::kSoftwareEnablingBit) != 0;
}

bool DriveState::Enabled() const {
  return (status & link::StatusGroup::kDriveEnabledBit) != 0;
}

bool DriveState::Stopped() const {
  return (status & link::StatusGroup::kDriveStoppedBit) != 0;
}

std::string DriveState::EnableSource() const {
  return SoftwareEnabling() ? "enabling by software" : "enabling by the digital input 'Enable'";
}

JsonWriter DriveState::Json() const {
  return JsonWriter()
      .Add("driveEnabled", Enabled())
      .Add("softwareEnabling", SoftwareEnabling())
      .Add("stopped", Stopped())
      .AddWord("statusWord", status);
}

}  // namespace zel::cli
