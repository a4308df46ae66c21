#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "parameters/SystemParameterBlock.h"

namespace zel::link {
class CanGateway;
class ParameterGroup;
}  // namespace zel::link

namespace zel::parameters {
class CParameterTable;
}

namespace zel::can {

// The device operations performed on a module on the CAN bus: the same opcodes as on the
// serial ZEL, carried by the gateway (sendToModule for commands without answer, readFromModule
// for those with one). Every operation takes the destination module ID; 0 asks for it in the
// "CanBus Destination" dialog (Cancel fails without sending).
//
// Thread rules: the operations may run on any thread (the CAN wizard's search uses them) once
// the destination is known; destination 0 (the dialog) and the messages belong to the
// user-interface thread.
class CanModule {
 public:
  static constexpr uint8_t kReadSysStatus = 1;
  static constexpr uint8_t kReadError = 2;
  static constexpr uint8_t kClearError = 3;
  static constexpr uint8_t kResetSoftware = 4;
  static constexpr uint8_t kEnableModule = 5;
  static constexpr uint8_t kService = 16;
  static constexpr uint8_t kSetAddrVariable = 17;
  static constexpr uint8_t kReadAddrVariable = 18;
  static constexpr uint8_t kWriteTempParam = 21;
  static constexpr uint8_t kResetTempParam = 22;
  static constexpr uint8_t kSaveTempParam = 23;
  static constexpr uint8_t kSetVelocity = 33;
  static constexpr uint8_t kSetCurrent = 34;
  static constexpr uint8_t kReadVelocityIsMust = 40;
  static constexpr uint8_t kReadCurrentIsMust = 41;

  static constexpr uint16_t kNewFirmware = 0x1040;
  static constexpr uint16_t kQuartzBit = 0x4000;
  static constexpr uint16_t kServiceAccepted = 79;

  // Messages of the version checks.
  static const char* const kVersionMismatch;
  static const char* const kQuartzMismatch;
  static const char* const kVersionAndQuartzMismatch;
  static const char* const kSoftwareMismatch;

  CanModule(link::CanGateway& gateway, link::ParameterGroup& serial);

  link::CanGateway& Gateway() const { return gateway_; }
  // Asks for the destination when it is 0; false when cancelled.
  bool Destination(uint16_t& destination) const;

  bool ReadSysStatus(uint16_t destination, uint16_t& status);
  bool ReadError(uint16_t destination, uint16_t& error);
  bool ClearError(uint16_t destination);
  bool ResetSoftware(uint16_t destination);
  bool EnableModule(uint16_t destination, bool enable);
  // The four characters travel as two words, the first character in the low byte.
  bool Service(uint16_t destination, const std::string& password, uint16_t& answer);
  // Width 0 (16 bit) only: a module takes one data word behind address and width.
  bool SetAddrVariable(uint16_t destination, uint16_t address, uint16_t width, uint16_t value);
  bool ReadAddrVariable(uint16_t destination, uint16_t address, uint16_t width, uint32_t& value);
  // Five tries, then 0 with success (see CanGateway::ReadModuleTempParam): for values that are
  // only shown.
  bool ReadTempParam(uint16_t destination, int16_t number, uint16_t width, uint32_t& value);
  // Five tries and no fallback: fails when no try was answered, and asks the module for every
  // number (22 and 36 too). For every value that is written back or saved.
  bool ReadTempParamChecked(uint16_t destination, int16_t number, uint16_t width, uint32_t& value);
  // Width 0 only: a 32-bit value does not fit the three carried words; fails unsent.
  bool WriteTempParam(uint16_t destination, int16_t number, uint16_t width, uint32_t value);
  bool ResetTempParam(uint16_t destination);
  bool SaveTempParam(uint16_t destination);
  bool ReadVersion(uint16_t destination, uint16_t& softwareVersion, uint16_t& hardwareVersion);
  bool ReadApplication(uint16_t destination, uint16_t& applicationNumber,
                       uint16_t& applicationVersion);
  bool SetVelocity(uint16_t destination, int16_t velocity);
  bool SetCurrent(uint16_t destination, int16_t current);
  bool ReadVelocityIsMust(uint16_t destination, uint16_t selector, int16_t& actual,
                          int16_t& demand);
  bool ReadCurrentIsMust(uint16_t destination, uint16_t selector, uint16_t second,
                         uint16_t (&values)[3]);

  // Every system definition in number order, 16 or 32 bit by its definition, each read checked
  // (no value stands in for an unanswered read). Fails at the first failed access, when the block
  // would pass 84 bytes, and (writing) on any 32-bit one.
  bool ReadAllTempParam(uint16_t destination, parameters::SystemParameterBlock& block);
  bool WriteAllTempParam(uint16_t destination, const parameters::SystemParameterBlock& block);

  // SysConfig with five tries and no fallback to 0, for a word that is changed and written back.
  bool ReadSysConfig(uint16_t destination, uint16_t& sysConfig);
  // True once GatewayLine::kTries exchanges in a row found the gateway itself silent (not a
  // module: the serial line). Checked reads then try once instead of five times, so a sequence
  // on a dead line ends in seconds; any answer of the gateway lifts it.
  bool LineDead() const;

  // Clears the module's service-mode bit (SysConfig bit 14); fails when SysConfig cannot be read.
  bool QuitServiceMode(uint16_t destination);

  // The "Read Version" entry: the serial ZEL's identity and module ID first, then the module's
  // software and hardware version and, from module firmware 0x1040, its application number
  // and version (the serial ZEL's own when the destination is its module ID).
  struct Identity {
    uint16_t softwareVersion = 0;
    uint16_t hardwareVersion = 0;
    uint16_t applicationNumber = 0;
    uint16_t applicationVersion = 0;
  };
  bool ReadIdentity(uint16_t destination, Identity& identity);

  // Asked before a module goes back to enabling by its input 'Enable' (messages wanted); the
  // desktop's "Enable CAN Module %i" confirmation unless replaced.
  using HardwareEnablingConfirmation = std::function<bool(uint16_t moduleId)>;
  void SetHardwareEnablingConfirmation(HardwareEnablingConfirmation confirm) {
    confirm_ = std::move(confirm);
  }

  // Versions of the serial ZEL and of the module, for the checks.
  struct Versions {
    uint16_t serialSoftware = 0;
    uint16_t serialHardware = 0;
    uint16_t moduleSoftware = 0;
    uint16_t moduleHardware = 0;
  };
  bool ReadVersions(uint16_t destination, Versions& versions);
  // Equal software and hardware versions; otherwise false with kVersionMismatch (when
  // messages). A failed read fails silently.
  bool SimpleVersionCheck(uint16_t destination, bool messages = true);
  // Both at or both below 0x1040, and the same quartz (hardware bit 14); otherwise false with
  // the message for the case. A failed read fails silently.
  bool CompatibilityCheck(uint16_t destination, bool messages = true);
  // The message for versions that fail the compatibility check; nullptr when they pass.
  static const char* CompatibilityMessage(const Versions& versions);

  // What writing parameters of a running module changed, to put back afterwards.
  struct Enabling {
    uint16_t sysConfig = 0;  // as read
    bool byCommand = false;  // SysConfig bit 12 as read
    bool enabled = false;    // status bit 14 as read
    bool written = false;    // the SysConfig write was sent: the module may have changed
  };
  // Switches the module to enabling by command and disables it.
  bool PrepareForWriting(uint16_t destination, bool messages, Enabling& before);
  // Puts bit 12 back and, where it was so, enables the module again (with confirmations).
  bool RestoreAfterWriting(uint16_t destination, bool messages, const Enabling& before);

 private:
  bool Send(uint16_t destination, uint8_t opcode, std::initializer_list<uint16_t> words);
  // Counts a carried exchange for LineDead(); returns ok.
  bool Counted(bool ok);

  link::CanGateway& gateway_;
  link::ParameterGroup& serial_;
  HardwareEnablingConfirmation confirm_;
  std::atomic<int> silentInARow_{0};
};

}  // namespace zel::can
