#pragma once

#include <cstdint>
#include <optional>

#include "parameters/SystemParameterBlock.h"

namespace zel::parameters {

// The ZEL's identity as ReadVersion gives it.
struct DeviceIdentity {
  std::uint16_t softwareVersion = 0;
  std::uint16_t hardwareVersion = 0;
  std::uint16_t applicationNumber = 0;
  std::uint16_t applicationVersion = 0;
};

// The parameter commands of one ZEL, wherever it sits: the amplifier at the serial port, or a
// module on the CAN bus reached through it. Parameter files, the up/download steps and the
// parameter sheet work on this, so each of them is written once for both.
//
// SuspendEnable disables the drive by software before parameters are written and remembers how
// it was enabled; ResumeEnable puts that back (asking before the drive is enabled again), with
// the enable source the caller now wants when one is given. A second suspension while one is
// active changes nothing. User-interface thread, like the messages it may show.
class ParameterDevice {
 public:
  virtual ~ParameterDevice() = default;

  virtual bool ReadAllTempParam(SystemParameterBlock& block) = 0;
  virtual bool WriteAllTempParam(const SystemParameterBlock& block) = 0;
  // Width 0: 16 bits in the low half of value; width 1: 32 bits.
  virtual bool ReadTempParam(std::int16_t number, std::uint16_t width, std::uint32_t& value) = 0;
  virtual bool SetTempParam(std::int16_t number, std::uint16_t width, std::uint32_t value) = 0;
  virtual bool SaveTempParam() = 0;
  virtual bool ReadVersion(DeviceIdentity& identity) = 0;
  // The module ID a parameter file records: parameter 30 of the serial ZEL, the number of a
  // module.
  virtual bool ReadModuleId(std::uint16_t& moduleId) = 0;
  virtual bool SuspendEnable(bool warn) = 0;
  virtual bool ResumeEnable(bool ask, std::optional<bool> softwareEnabling = std::nullopt) = 0;
  // True while a suspension may have changed the drive and has not been put back, also after a
  // SuspendEnable or ResumeEnable that failed half-way.
  virtual bool EnableSuspended() const = 0;
  // 0 for the serial ZEL, else the module number on the CAN bus.
  virtual std::uint16_t Module() const = 0;
};

}  // namespace zel::parameters
