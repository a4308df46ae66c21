#include "cli/DriveState.h"

#include "cli/CommandContext.h"

#include "link/ZelCommunication.h"

namespace zel::cli {

namespace {
constexpr int16_t kSysConfig = 1;
}

int DriveState::ReadBack(CommandContext& ctx, link::ZelCommunication& zel, const std::string& done,
                         DriveState& state) {
  const std::string but = done + ", but reading the drive's state back failed. ";
  if (!zel.Parameter().ReadTempParam(kSysConfig, state.sysConfig))
    return ctx.CommandFailed(but + "ReadTempParam");
  if (!zel.Status().ReadSysStatus(state.status)) return ctx.CommandFailed(but + "ReadSysStatus");
  return kExitOk;
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
