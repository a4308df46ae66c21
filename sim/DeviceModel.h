#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>

#include "sim/AddressMemory.h"
#include "sim/CanGateway.h"
#include "sim/CommandResult.h"
#include "sim/ErrorBits.h"
#include "sim/MotorModel.h"
#include "sim/NumberedValues.h"
#include "sim/ParameterStore.h"
#include "sim/Recorder.h"

namespace zel::sim {

class CanBus;

struct DeviceIdentity {
  uint16_t softwareVersion = 0x1040;
  uint16_t hardwareVersion = 0x0200;
  uint16_t applicationNumber = 0x0001;
  uint16_t applicationVersion = 0x0100;
};

struct DeviceConfig {
  DeviceIdentity identity;
  // Four characters; Service (16) compares them byte by byte.
  std::string password = "ZELS";
  // The digital input 'Enable', which decides while SysConfig bit 12 is clear.
  bool enableInput = true;
  // The analog set value input (rpm in speed regulation, mA in current regulation), used while
  // SysConfig bit 0 is set.
  int16_t analogSetValue = 0;
  // Constant load the motor works against, in mA of Q-axis current.
  int16_t loadCurrent = 100;
};

// The ZEL behind the frame protocol: identity, the 42 system parameters in RAM with their EEPROM
// copy, the status values 128..140 of a small motor model, the error words, service mode, the
// address variables and the recorder. It decodes the commands and keeps the drive's state (enable,
// stop, set values, the standard error word); its parts hold the rest: ParameterStore the system
// parameters, AddressMemory the address variables, CanGateway the CAN side, MotorModel and
// Recorder.
//
// Thread rules: every public member locks one mutex, so the serving thread executes commands
// while a test advances the clock or raises errors from its own thread. The parts are not locked
// themselves; they are used only under this mutex.
//
// Rejections: a command of the reply set that the device refuses answers reply code
// kReplyRejected with one data word 0. A command without a reply has no way to report a refusal;
// the device ignores it and changes nothing.
class DeviceModel final : private NumberedValues {
 public:
  static constexpr uint8_t kReplyOk = CommandResult::kReplyOk;
  static constexpr uint8_t kReplyRejected = CommandResult::kReplyRejected;
  static constexpr uint8_t kOpReadRecordedData = 49;
  static constexpr int kSystemParameterCount = ParameterStore::kCount;
  static constexpr int kFirstStatus = 128;
  static constexpr int kLastStatus = 140;

  // Reply words of Service (16).
  static constexpr uint16_t kServiceAccepted = 0x004F;
  static constexpr uint16_t kServiceRefused = 0x0046;

  // SysConfig (parameter 1) bits the device acts on.
  static constexpr uint16_t kConfigAnalogSetValue = 0x0001;
  static constexpr uint16_t kConfigCurrentRegulation = 0x0004;
  static constexpr uint16_t kConfigSoftwareEnable = 0x1000;
  static constexpr uint16_t kConfigServiceMode = ParameterStore::kServiceMode;

  // CAN_Config (parameter 41) bits.
  static constexpr int kCanConfig = CanGateway::kCanConfig;
  static constexpr uint16_t kCanConfigRtr0 = CanGateway::kCanConfigRtr0;
  static constexpr uint16_t kCanConfigRtr1 = CanGateway::kCanConfigRtr1;
  static constexpr uint16_t kCanConfigPdo = CanGateway::kCanConfigPdo;

  // Status word (status value 128).
  static constexpr uint16_t kStatusIndexFound = 0x0001;
  static constexpr uint16_t kStatusHallFound = 0x0002;
  static constexpr uint16_t kStatusRotorFound = 0x0004;
  static constexpr uint16_t kStatusLargeCurrent = 0x0100;
  static constexpr uint16_t kStatusSoftwareEnabled = 0x0400;
  static constexpr uint16_t kStatusStopped = 0x2000;
  static constexpr uint16_t kStatusEnabled = 0x4000;
  static constexpr uint16_t kStatusPowerStage = 0x8000;

  // Standard error word (ReadError, status value 137). Bit 15 summarises: it is set whenever any
  // of bits 0..14 is. While an error is present the power stage stays off.
  // The same bits as the sample firmware package's standard error map documents.
  static constexpr uint16_t kErrorOverCurrent = 0x0001;
  static constexpr uint16_t kErrorOverVoltage = 0x0002;
  static constexpr uint16_t kErrorUnderVoltage = 0x0004;
  static constexpr uint16_t kErrorPowerStageTemperature = 0x0008;
  static constexpr uint16_t kErrorEncoder = 0x0020;
  static constexpr uint16_t kErrorSpeed = 0x0080;
  static constexpr uint16_t kErrorSummary = ErrorBits::kSummary;

  explicit DeviceModel(DeviceConfig config = {});

  // True for the opcodes whose command frame is followed by a reply frame.
  static bool HasReply(uint8_t opcode);

  // Executes one accepted command frame (opcode and its data words).
  CommandResult Execute(uint8_t opcode, std::span<const uint16_t> words);
  // Executes a command that reached this device over the CAN bus. Every command that has an
  // answer gives it here (AddRTRParameter and GetRtrParameter too, which the serial line does
  // not read), at most three words; ReadVersion with parameter 1 gives the application words.
  CommandResult ExecuteCarried(uint8_t opcode, std::span<const uint16_t> words);

  // The bus behind this device when it is the gateway (not owned; nullptr: no bus).
  void AttachBus(CanBus* bus);
  // Module ID (parameter 30) and bit-rate registers (34, 35), in RAM and EEPROM.
  void SetCanAddress(uint16_t moduleId, uint16_t bcr1, uint16_t bcr2);
  uint16_t CanModuleId() const;
  bool ListensAt(uint16_t bcr1, uint16_t bcr2) const;
  int RtrEntryCount(int channel) const;

  // Runs the motor model and the recorder forward by `elapsed` of device time.
  void Advance(std::chrono::microseconds elapsed);
  std::chrono::microseconds Now() const;

  // Inspection and stimulus, for tests and the program's verbose output.
  uint16_t TempParameter(int number) const;
  // The recorder's sampling period in tenths of a millisecond.
  uint16_t RecorderPeriod() const;
  uint16_t EepromParameter(int number) const;
  // System parameter (0..41) or status value (128..140); false for any other number.
  bool ReadParameter(int number, int32_t& value) const;
  bool InServiceMode() const;
  bool SoftwareEnable() const;
  uint16_t StatusWord() const;
  uint16_t ErrorWord() const;
  uint16_t CanErrorWord() const;
  double SpeedRpm() const;
  uint16_t Memory(uint16_t address) const;
  DeviceIdentity Identity() const;
  // A new firmware has started from the flash.
  void SetIdentity(const DeviceIdentity& identity);

  // Error bits 0..14; the summary bit follows by itself, so it is ignored in the words set here.
  void RaiseError(int bit);
  void ClearErrorBit(int bit);
  void SetErrorBits(uint16_t bits);
  void RaiseCanError(int bit);
  void ClearCanErrorBit(int bit);
  void SetCanErrorBits(uint16_t bits);
  void SetEnableInput(bool on);
  bool EnableInput() const;
  void SetAnalogSetValue(int16_t value);
  void SetLoadCurrent(int16_t milliamps);

  // Built-in default of system parameter `number` (0..41).
  static uint16_t DefaultParameter(int number);

 private:
  CommandResult ExecuteLocked(uint8_t opcode, std::span<const uint16_t> words, bool carried);
  CommandResult ReadTempParam(std::span<const uint16_t> words) const;
  void SetTempParam(std::span<const uint16_t> words);
  CommandResult Service(std::span<const uint16_t> words);
  void SetupRecorder(std::span<const uint16_t> words);
  CommandResult ReadRecordedData(std::span<const uint16_t> words);
  CommandResult ReadVariables(std::span<const uint16_t> words) const;

  bool ReadValue(int number, int32_t& value) const override;
  bool WriteValue(int number, int32_t value) override;
  // Width of a variable the recorder or opcode 50 reads: 2 or 4 bytes, 0 when unknown.
  int VariableBytes(uint16_t variable) const;
  bool ReadVariable(uint16_t variable, uint32_t& value) const;

  uint16_t StatusWordLocked() const;
  bool EnabledLocked() const;
  bool PowerStageLocked() const;
  MotorModel::Inputs MotorInputsLocked() const;
  void AdvanceLocked(std::chrono::microseconds elapsed);

  mutable std::mutex mutex_;
  DeviceConfig config_;
  ParameterStore parameters_;
  bool softwareEnable_ = false;
  bool stopped_ = false;
  ErrorBits errors_;
  int16_t speedSetValue_ = 0;
  int16_t currentSetValue_ = 0;
  AddressMemory memory_{*this};
  // A command to the device's own module ID runs here as carried over the bus.
  CanGateway can_{parameters_, [this](uint8_t opcode, std::span<const uint16_t> words) {
                    return ExecuteLocked(opcode, words, true);
                  }};
  MotorModel motor_;
  Recorder recorder_;
  std::chrono::microseconds now_{0};
};

}  // namespace zel::sim
