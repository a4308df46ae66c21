#pragma once

#include "parameters/ParameterDevice.h"

namespace zel::link {

class ParameterGroup;
class StatusGroup;

// The parameter commands of the ZEL at the serial port. The enable guard is the status group's,
// so a suspension started here is the one the rest of the tool sees.
class SerialParameterDevice final : public parameters::ParameterDevice {
 public:
  SerialParameterDevice(ParameterGroup& parameters, StatusGroup& status)
      : parameters_(parameters), status_(status) {}

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
  std::uint16_t Module() const override { return 0; }

  // What the last suspension found: the enable source (SysConfig bit 12) and whether the drive
  // was enabled.
  bool PreviousSoftwareEnabling() const { return previousSoftwareEnabling_; }
  bool PreviousEnabled() const { return previousEnabled_; }
  // The next resume leaves the drive disabled, whatever it was before (a regulation mode change
  // ends so).
  void KeepDisabledOnResume() { previousEnabled_ = false; }

 private:
  ParameterGroup& parameters_;
  StatusGroup& status_;
  bool previousSoftwareEnabling_ = false;
  bool previousEnabled_ = false;
};

}  // namespace zel::link
