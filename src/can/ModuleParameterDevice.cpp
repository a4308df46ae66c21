#include "can/ModuleParameterDevice.h"

#include "link/ParameterGroup.h"

namespace zel::can {

bool ModuleParameterDevice::ReadAllTempParam(parameters::SystemParameterBlock& block) {
  return module_.ReadAllTempParam(id_, block);
}

bool ModuleParameterDevice::WriteAllTempParam(const parameters::SystemParameterBlock& block) {
  return module_.WriteAllTempParam(id_, block);
}

bool ModuleParameterDevice::ReadTempParam(std::int16_t number, std::uint16_t width,
                                          std::uint32_t& value) {
  // Everything read through a device ends in a file, a block written back or an upload report.
  return module_.ReadTempParamChecked(id_, number, width, value);
}

bool ModuleParameterDevice::SetTempParam(std::int16_t number, std::uint16_t width,
                                         std::uint32_t value) {
  return module_.WriteTempParam(id_, number, width, value);
}

bool ModuleParameterDevice::SaveTempParam() {
  return module_.SaveTempParam(id_);
}

bool ModuleParameterDevice::ReadVersion(parameters::DeviceIdentity& identity) {
  identity = {};
  if (!module_.ReadVersion(id_, identity.softwareVersion, identity.hardwareVersion)) return false;
  // Modules before the new command set know no application words; they then read 0.
  if (identity.softwareVersion >= CanModule::kNewFirmware)
    module_.ReadApplication(id_, identity.applicationNumber, identity.applicationVersion);
  return true;
}

bool ModuleParameterDevice::ReadModuleId(std::uint16_t& moduleId) {
  moduleId = id_;
  return true;
}

bool ModuleParameterDevice::SuspendEnable(bool warn) {
  if (suspended_) return true;
  before_ = {};
  if (!module_.PrepareForWriting(id_, warn, before_)) {
    // Once SysConfig went out the module may run on enabling by command: it must be put back.
    suspended_ = before_.written;
    return false;
  }
  suspended_ = true;
  return true;
}

bool ModuleParameterDevice::ResumeEnable(bool ask, std::optional<bool> softwareEnabling) {
  if (!suspended_) return true;
  CanModule::Enabling wanted = before_;
  if (softwareEnabling) {
    wanted.byCommand = *softwareEnabling;
    wanted.sysConfig = static_cast<std::uint16_t>(
        *softwareEnabling ? wanted.sysConfig | link::ParameterGroup::kSoftwareEnablingBit
                          : wanted.sysConfig & ~link::ParameterGroup::kSoftwareEnablingBit);
  }
  if (!module_.RestoreAfterWriting(id_, ask, wanted)) return false;
  suspended_ = false;
  return true;
}

bool ModuleParameterDevice::EnableSuspended() const {
  return suspended_;
}

}  // namespace zel::can
