#include "link/SerialParameterDevice.h"

#include "link/ParameterGroup.h"
#include "link/StatusGroup.h"

namespace zel::link {

namespace {
constexpr std::int16_t kCanModuleId = 30;
}

bool SerialParameterDevice::ReadAllTempParam(parameters::SystemParameterBlock& block) {
  return parameters_.ReadAllTempParam(block);
}

bool SerialParameterDevice::WriteAllTempParam(const parameters::SystemParameterBlock& block) {
  return parameters_.WriteAllTempParam(block);
}

bool SerialParameterDevice::ReadTempParam(std::int16_t number, std::uint16_t width,
                                          std::uint32_t& value) {
  return parameters_.ReadTempParam(number, width, value);
}

bool SerialParameterDevice::SetTempParam(std::int16_t number, std::uint16_t width,
                                         std::uint32_t value) {
  return parameters_.SetTempParam(number, width, value);
}

bool SerialParameterDevice::SaveTempParam() {
  return parameters_.SaveTempParam();
}

bool SerialParameterDevice::ReadVersion(parameters::DeviceIdentity& identity) {
  return parameters_.ReadVersion(identity.softwareVersion, identity.hardwareVersion,
                                 identity.applicationNumber, identity.applicationVersion);
}

bool SerialParameterDevice::ReadModuleId(std::uint16_t& moduleId) {
  return parameters_.ReadTempParam(kCanModuleId, moduleId);
}

bool SerialParameterDevice::SuspendEnable(bool warn) {
  if (status_.EnableSuspended()) return true;
  return status_.SuspendEnable(previousSoftwareEnabling_, previousEnabled_, warn);
}

bool SerialParameterDevice::ResumeEnable(bool ask, std::optional<bool> softwareEnabling) {
  return status_.ResumeEnable(softwareEnabling.value_or(previousSoftwareEnabling_),
                              previousEnabled_, ask);
}

bool SerialParameterDevice::EnableSuspended() const {
  return status_.EnableSuspended();
}

}  // namespace zel::link
