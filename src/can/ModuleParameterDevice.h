#pragma once

#include "can/CanModule.h"
#include "parameters/ParameterDevice.h"

namespace zel::can {

// The parameter commands of one module on the CAN bus, carried by the gateway. Its enable guard
// is the module's own: the module is switched to enabling by command and disabled while its
// parameters are written.
class ModuleParameterDevice final : public parameters::ParameterDevice {
 public:
  ModuleParameterDevice(CanModule& module, std::uint16_t moduleId)
      : module_(module), id_(moduleId) {}

  bool ReadAllTempParam(parameters::SystemParameterBlock& block) override;
  bool WriteAllTempParam(const parameters::SystemParameterBlock& block) override;
  bool ReadTempParam(std::int16_t number, std::uint16_t width, std::uint32_t& value) override;
  bool SetTempParam(std::int16_t number, std::uint16_t width, std::uint32_t value) override;
  bool SaveTempParam() override;
  bool ReadVersion(parameters::DeviceIdentity& identity) override;
  bool ReadModuleId(std::uint16_t& moduleId) override;
  bool SuspendEnable(bool warn) override;
  bool ResumeEnable(bool ask, std::optional<bool> softwareEnabling) override;
  bool EnableSuspended() const override;
  std::uint16_t Module() const override { return id_; }

 private:
  CanModule& module_;
  std::uint16_t id_;
  bool suspended_ = false;
  CanModule::Enabling before_;
};

}  // namespace zel::can
