#pragma once

#include <cstdint>

#include "link/CommandGroup.h"
#include "parameters/SystemParameterBlock.h"

namespace zel::files {
class ArchiveReader;
class ArchiveWriter;
}  // namespace zel::files

namespace zel::link {

class ServiceGroup;
class StatusGroup;

// The parameter commands (opcodes 20 to 26): temporary parameters one by one or all at once,
// the EEPROM copy, and the ZEL's identity.
class ParameterGroup : public CommandGroup {
 public:
  static constexpr uint8_t kReadTempParam = 20;
  static constexpr uint8_t kSetTempParam = 21;
  static constexpr uint8_t kResetTempParam = 22;
  static constexpr uint8_t kSaveTempParam = 23;
  static constexpr uint8_t kReadAllTempParam = 24;
  static constexpr uint8_t kWriteAllTempParam = 25;
  static constexpr uint8_t kReadVersion = 26;

  // SysConfig (temporary parameter 1) bits.
  static constexpr uint16_t kSoftwareEnablingBit = 0x1000;  // set: Enable command, clear: input
  static constexpr uint16_t kServiceModeBit = 0x4000;
  static constexpr uint16_t kCurrentRegulationBit = 0x0004;
  static constexpr uint16_t kForbiddenModeBit = 0x0020;  // a mode code the tool never allows
  // The ZEL regulates its current: bit 2 set and the forbidden mode bit 5 clear; otherwise
  // its speed.
  static constexpr bool CurrentRegulation(uint16_t sysConfig) {
    return (sysConfig & kCurrentRegulationBit) != 0 && (sysConfig & kForbiddenModeBit) == 0;
  }

  ParameterGroup(SerialLink* link, parameters::CParameterTable* definitions);

  void SetServiceGroup(ServiceGroup* service) { service_ = service; }
  void SetStatusGroup(StatusGroup* status) { status_ = status; }
  ServiceGroup* Service() const { return service_; }
  StatusGroup* Status() const { return status_; }

  // Width 0 reads a 16-bit value (zero-extended into value), width 1 a 32-bit value that the ZEL
  // sends high word first.
  bool ReadTempParam(int16_t number, uint16_t width, uint32_t& value);
  // The 16-bit form.
  bool ReadTempParam(int16_t number, uint16_t& value);
  // Width 0 sends the low 16 bits of value, width 1 all 32 bits, low word first.
  bool SetTempParam(int16_t number, uint16_t width, uint32_t value);
  // Temporary parameters back from the EEPROM copy, and into it.
  bool ResetTempParam();
  bool SaveTempParam();
  bool ReadAllTempParam(parameters::SystemParameterBlock& block);
  bool WriteAllTempParam(const parameters::SystemParameterBlock& block);
  // The ZEL's identity. Application number and version are cleared first: an older ZEL replies
  // with two words only, and they must then read 0.
  bool ReadVersion(uint16_t& softwareVersion, uint16_t& hardwareVersion,
                   uint16_t& applicationNumber, uint16_t& applicationVersion);

  // Clears the service mode bit of SysConfig. The caller reports the outcome ("You have just
  // quit the service mode!" / "Failed quitting service mode!").
  bool QuitServiceMode();

  // The parameter number last used by the read and edit dialogs, remembered between runs.
  int16_t LastParameterNumber() const { return lastParameterNumber_; }
  void SetLastParameterNumber(int16_t number) { lastParameterNumber_ = number; }

  // The remembered inputs' record in the settings file. Read replaces them only when the whole
  // record was read; it throws files::ArchiveError otherwise.
  void WriteInputs(files::ArchiveWriter& archive) const;
  void ReadInputs(files::ArchiveReader& archive);

 private:
  ServiceGroup* service_ = nullptr;
  StatusGroup* status_ = nullptr;
  int16_t lastParameterNumber_ = 0;
};

}  // namespace zel::link
