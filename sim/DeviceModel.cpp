#include "sim/DeviceModel.h"

#include "sim/WordHalves.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zel::sim {
namespace {

bool IsStatus(int number) {
  return number >= DeviceModel::kFirstStatus && number <= DeviceModel::kLastStatus;
}

bool IsWide(int number) {
  return number == 135 || number == 136;
}

int16_t Saturate16(double value) {
  double rounded = std::round(value);
  rounded = std::clamp(rounded, -32768.0, 32767.0);
  return static_cast<int16_t>(rounded);
}

int32_t Saturate32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace

DeviceModel::DeviceModel(DeviceConfig config) : config_(std::move(config)) {}

uint16_t DeviceModel::DefaultParameter(int number) {
  return ParameterStore::Default(number);
}

bool DeviceModel::HasReply(uint8_t opcode) {
  switch (opcode) {
    case 1:
    case 2:
    case 16:
    case 17:
    case 18:
    case 20:
    case 24:
    case 26:
    case 40:
    case 41:
    case 42:
    case 49:
    case 50:
    case 62:
    case 67:
    case 68:
      return true;
    default:
      return false;
  }
}

CommandResult DeviceModel::Execute(uint8_t opcode, std::span<const uint16_t> words) {
  std::lock_guard lock(mutex_);
  CommandResult result = ExecuteLocked(opcode, words, false);
  // The serial line reads an answer only for the reply set; any other answer stays inside.
  if (!HasReply(opcode)) result = {};
  return result;
}

CommandResult DeviceModel::ExecuteCarried(uint8_t opcode, std::span<const uint16_t> words) {
  std::lock_guard lock(mutex_);
  CommandResult result = ExecuteLocked(opcode, words, true);
  // A CAN answer has room for three words.
  if (result.words.size() > 3) result.words.resize(3);
  return result;
}

CommandResult DeviceModel::ExecuteLocked(uint8_t opcode, std::span<const uint16_t> words,
                                         bool carried) {
  if (std::optional<CommandResult> can =
          can_.Execute(opcode, words, config_.identity.softwareVersion)) {
    return *can;
  }
  auto arg = [&](std::size_t i) -> uint16_t { return i < words.size() ? words[i] : 0; };
  switch (opcode) {
    case 1:
      return CommandResult::Reply({StatusWordLocked()});
    case 2:
      return CommandResult::Reply({errors_.Word()});
    case 3:
      errors_.ClearAll();
      can_.Errors().ClearAll();
      return {};
    case 4:
      // A software reset reboots the firmware: RAM parameters come back from the EEPROM,
      // service mode ends, the software enable and the stop are released.
      parameters_.Restart();
      softwareEnable_ = false;
      stopped_ = false;
      speedSetValue_ = 0;
      currentSetValue_ = 0;
      return {};
    case 5:
      // The command only reaches the power stage while enabling is left to software; with
      // SysConfig bit 12 clear the input 'Enable' decides and the command is ignored.
      if (parameters_.ConfigBit(kConfigSoftwareEnable) && arg(0) <= 1)
        softwareEnable_ = arg(0) == 1;
      return {};
    case 16:
      return Service(words);
    case 17:
      return memory_.SetAddrVariable(words, parameters_.InServiceMode());
    case 18:
      return memory_.ReadAddrVariable(words);
    case 20:
      return ReadTempParam(words);
    case 21:
      SetTempParam(words);
      return {};
    case 22:
      parameters_.Reload();
      return {};
    case 23:
      parameters_.Save();
      return {};
    case 24:
      return CommandResult::Reply(
          std::vector<uint16_t>(parameters_.TempAll().begin(), parameters_.TempAll().end()));
    case 25:
      parameters_.WriteAll(words);
      return {};
    case 26:
      if (carried && arg(0) == 1) {
        return CommandResult::Reply(
            {config_.identity.applicationNumber, config_.identity.applicationVersion});
      }
      return CommandResult::Reply(
          {config_.identity.softwareVersion, config_.identity.hardwareVersion,
           config_.identity.applicationNumber, config_.identity.applicationVersion});
    case 33:
      if (!words.empty()) {
        speedSetValue_ =
            static_cast<int16_t>(std::clamp<int32_t>(static_cast<int16_t>(arg(0)), -25000, 25000));
      }
      return {};
    case 34:
      if (!words.empty()) {
        currentSetValue_ =
            static_cast<int16_t>(std::clamp<int32_t>(static_cast<int16_t>(arg(0)), -6000, 6000));
      }
      return {};
    case 35:
      stopped_ = !stopped_;
      return {};
    case 40:
      return CommandResult::Reply(
          {LowWord(Saturate16(motor_.SpeedRpm())), LowWord(Saturate16(motor_.SpeedDemandRpm()))});
    case 41: {
      int countsPerTurn = 4 * parameters_.Temp(20);
      return CommandResult::Reply({LowWord(Saturate16(motor_.CurrentD())),
                                   LowWord(Saturate16(motor_.CurrentQ())),
                                   LowWord(Saturate16(std::abs(motor_.CurrentDemand()))),
                                   LowWord(motor_.RotorAngle(countsPerTurn))});
    }
    case 42: {
      int32_t actual = Saturate32(motor_.Position());
      int32_t demand = Saturate32(motor_.PositionDemand());
      return CommandResult::Reply(
          {HighWord(actual), LowWord(actual), HighWord(demand), LowWord(demand)});
    }
    case 48:
      SetupRecorder(words);
      return {};
    case 49:
      return ReadRecordedData(words);
    case 50:
      return ReadVariables(words);
    default:
      // Opcodes this device does not know are taken off the line like any other frame; those
      // the tool expects an answer to are refused with a reply code.
      if (HasReply(opcode)) return CommandResult::Rejected();
      return {};
  }
}

void DeviceModel::AttachBus(CanBus* bus) {
  std::lock_guard lock(mutex_);
  can_.AttachBus(bus);
}

void DeviceModel::SetCanAddress(uint16_t moduleId, uint16_t bcr1, uint16_t bcr2) {
  std::lock_guard lock(mutex_);
  can_.SetAddress(moduleId, bcr1, bcr2);
}

uint16_t DeviceModel::CanModuleId() const {
  std::lock_guard lock(mutex_);
  return can_.ModuleId();
}

bool DeviceModel::ListensAt(uint16_t bcr1, uint16_t bcr2) const {
  std::lock_guard lock(mutex_);
  return can_.ListensAt(bcr1, bcr2);
}

int DeviceModel::RtrEntryCount(int channel) const {
  std::lock_guard lock(mutex_);
  return can_.RtrEntryCount(channel);
}

CommandResult DeviceModel::ReadTempParam(std::span<const uint16_t> words) const {
  if (words.size() < 2) return CommandResult::Rejected();
  int32_t value = 0;
  if (!ReadValue(words[0], value)) return CommandResult::Rejected();
  if (words[1] == 0) return CommandResult::Reply({LowWord(value)});
  if (words[1] == 1) return CommandResult::Reply({HighWord(value), LowWord(value)});
  return CommandResult::Rejected();
}

void DeviceModel::SetTempParam(std::span<const uint16_t> words) {
  if (words.size() < 3) return;
  int number = words[0];
  int32_t value = 0;
  if (words[1] == 0) {
    value = ParameterStore::AsValue(number, words[2]);
  } else if (words[1] == 1 && words.size() >= 4) {
    value = JoinWords(words[2], words[3]);
  } else {
    return;
  }
  WriteValue(number, value);
}

CommandResult DeviceModel::Service(std::span<const uint16_t> words) {
  if (words.size() < 2) return CommandResult::Rejected();
  const char typed[4] = {static_cast<char>(words[0] & 0xFF), static_cast<char>(words[0] >> 8),
                         static_cast<char>(words[1] & 0xFF), static_cast<char>(words[1] >> 8)};
  bool accepted =
      config_.password.size() == 4 && std::equal(typed, typed + 4, config_.password.begin());
  if (!accepted) return CommandResult::Reply({kServiceRefused});
  parameters_.EnterServiceMode();
  return CommandResult::Reply({kServiceAccepted});
}

void DeviceModel::SetupRecorder(std::span<const uint16_t> words) {
  if (words.size() < 2 || words[0] == 0 || VariableBytes(words[1]) == 0) return;
  recorder_.Setup(words[0], words[1]);
}

CommandResult DeviceModel::ReadRecordedData(std::span<const uint16_t> words) {
  int bytes = VariableBytes(recorder_.Variable());
  if (bytes == 0 || recorder_.Period() == 0) return CommandResult::Rejected();
  int16_t jump = words.empty() ? 0 : static_cast<int16_t>(words[0]);
  if (jump != 0) {
    // The jump replaces the set value of the regulator in charge at the first sample, so the
    // recording shows the step response.
    if (parameters_.ConfigBit(kConfigCurrentRegulation)) {
      currentSetValue_ = static_cast<int16_t>(std::clamp<int32_t>(jump, -6000, 6000));
    } else {
      speedSetValue_ = static_cast<int16_t>(std::clamp<int32_t>(jump, -25000, 25000));
    }
  }
  // The device records 256 words fresh for every upload; its clock runs through them.
  recorder_.Begin(bytes);
  std::chrono::microseconds period{static_cast<int64_t>(recorder_.Period()) * 100};
  while (!recorder_.Full()) {
    uint32_t sample = 0;
    ReadVariable(recorder_.Variable(), sample);
    recorder_.Add(sample);
    AdvanceLocked(period);
  }
  return CommandResult::Reply(recorder_.Words());
}

CommandResult DeviceModel::ReadVariables(std::span<const uint16_t> words) const {
  if (words.empty() || words[0] == 0 || words.size() < 1u + words[0])
    return CommandResult::Rejected();
  std::vector<uint8_t> bytes;
  for (std::size_t i = 1; i <= words[0]; ++i) {
    int size = VariableBytes(words[i]);
    uint32_t value = 0;
    if (size == 0 || !ReadVariable(words[i], value)) return CommandResult::Rejected();
    if (bytes.size() + static_cast<std::size_t>(size) > 256) return CommandResult::Rejected();
    for (int b = 0; b < size; ++b) bytes.push_back(static_cast<uint8_t>(value >> (8 * b)));
  }
  std::vector<uint16_t> reply((bytes.size() + 1) / 2, 0);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    reply[i / 2] |= static_cast<uint16_t>(bytes[i] << (8 * (i % 2)));
  }
  return CommandResult::Reply(std::move(reply));
}

bool DeviceModel::ReadValue(int number, int32_t& value) const {
  if (ParameterStore::Holds(number)) {
    value = parameters_.Value(number);
    return true;
  }
  bool currentRegulation = parameters_.ConfigBit(kConfigCurrentRegulation);
  bool analog = parameters_.ConfigBit(kConfigAnalogSetValue);
  int countsPerTurn = 4 * parameters_.Temp(20);
  switch (number) {
    case 128:
      value = static_cast<int16_t>(StatusWordLocked());
      return true;
    case 129:
      value = Saturate16(motor_.CurrentD());
      return true;
    case 130:
      value = Saturate16(motor_.CurrentQ());
      return true;
    case 131:
      value = analog && currentRegulation ? config_.analogSetValue : currentSetValue_;
      return true;
    case 132:
      value = motor_.RotorAngle(countsPerTurn);
      return true;
    case 133:
      value = analog && !currentRegulation ? config_.analogSetValue : speedSetValue_;
      return true;
    case 134:
      value = Saturate16(motor_.SpeedRpm());
      return true;
    case 135:
      value = Saturate32(motor_.PositionDemand());
      return true;
    case 136:
      value = Saturate32(motor_.Position());
      return true;
    case 137:
      value = static_cast<int16_t>(errors_.Word());
      return true;
    case 138:
      value = static_cast<int16_t>(can_.Errors().Word());
      return true;
    case 139:
      value = Saturate16(motor_.CurrentQ());
      return true;
    case 140:
      value = Saturate16(motor_.SpeedRpm() * countsPerTurn / 60000.0);
      return true;
    default:
      return false;
  }
}

bool DeviceModel::WriteValue(int number, int32_t value) {
  if (ParameterStore::Holds(number)) return parameters_.Write(number, value);
  switch (number) {
    case 131:
      if (value < -6000 || value > 6000) return false;
      currentSetValue_ = static_cast<int16_t>(value);
      return true;
    case 133:
      if (value < -25000 || value > 25000) return false;
      speedSetValue_ = static_cast<int16_t>(value);
      return true;
    case 135:
      motor_.SetPositionDemand(value);
      return true;
    default:
      return false;
  }
}

int DeviceModel::VariableBytes(uint16_t variable) const {
  if (IsStatus(variable)) return IsWide(variable) ? 4 : 2;
  // Every number that is not a parameter is a memory address, and memory holds words.
  return 2;
}

bool DeviceModel::ReadVariable(uint16_t variable, uint32_t& value) const {
  if (ParameterStore::Holds(variable) || IsStatus(variable)) {
    int32_t signedValue = 0;
    if (!ReadValue(variable, signedValue)) return false;
    value = IsWide(variable) ? static_cast<uint32_t>(signedValue) : LowWord(signedValue);
    return true;
  }
  uint16_t word = 0;
  if (!memory_.ReadAddress(variable, word)) return false;
  value = word;
  return true;
}

bool DeviceModel::EnabledLocked() const {
  if (parameters_.ConfigBit(kConfigSoftwareEnable)) return softwareEnable_;
  return config_.enableInput;
}

bool DeviceModel::PowerStageLocked() const {
  return EnabledLocked() && !errors_.Any();
}

uint16_t DeviceModel::StatusWordLocked() const {
  uint16_t status = kStatusIndexFound | kStatusHallFound | kStatusRotorFound;
  if (std::abs(motor_.CurrentQ()) > parameters_.Temp(15)) status |= kStatusLargeCurrent;
  if (parameters_.ConfigBit(kConfigSoftwareEnable) && softwareEnable_)
    status |= kStatusSoftwareEnabled;
  if (stopped_) status |= kStatusStopped;
  if (EnabledLocked()) status |= kStatusEnabled;
  if (PowerStageLocked()) status |= kStatusPowerStage;
  return status;
}

MotorModel::Inputs DeviceModel::MotorInputsLocked() const {
  MotorModel::Inputs inputs;
  inputs.powerStage = PowerStageLocked();
  inputs.currentRegulation = parameters_.ConfigBit(kConfigCurrentRegulation);
  int32_t speedSet = 0;
  int32_t currentSet = 0;
  ReadValue(133, speedSet);
  ReadValue(131, currentSet);
  // A stop brakes the motor to standstill with the power stage still on.
  inputs.speedDemand = stopped_ ? 0 : speedSet;
  inputs.currentDemand = stopped_ ? 0 : currentSet;
  inputs.maxSpeed = static_cast<int16_t>(parameters_.Temp(17));
  inputs.peakCurrent = static_cast<int16_t>(parameters_.Temp(14));
  inputs.loadCurrent = config_.loadCurrent;
  inputs.countsPerTurn = 4 * parameters_.Temp(20);
  return inputs;
}

void DeviceModel::AdvanceLocked(std::chrono::microseconds elapsed) {
  if (elapsed.count() <= 0) return;
  now_ += elapsed;
  // Steps of at most a millisecond keep the currents, which come from the acceleration, smooth;
  // a long idle stretch is covered in at most 10000 steps.
  int64_t step = std::max<int64_t>(1000, elapsed.count() / 10000);
  int64_t left = elapsed.count();
  MotorModel::Inputs inputs = MotorInputsLocked();
  while (left > 0) {
    int64_t now = std::min(step, left);
    motor_.Step(inputs, static_cast<double>(now) * 1e-6);
    left -= now;
  }
}

void DeviceModel::Advance(std::chrono::microseconds elapsed) {
  std::lock_guard lock(mutex_);
  AdvanceLocked(elapsed);
}

std::chrono::microseconds DeviceModel::Now() const {
  std::lock_guard lock(mutex_);
  return now_;
}

uint16_t DeviceModel::TempParameter(int number) const {
  std::lock_guard lock(mutex_);
  return parameters_.Temp(number);
}

uint16_t DeviceModel::RecorderPeriod() const {
  std::lock_guard lock(mutex_);
  return recorder_.Period();
}

uint16_t DeviceModel::EepromParameter(int number) const {
  std::lock_guard lock(mutex_);
  return parameters_.Eeprom(number);
}

bool DeviceModel::ReadParameter(int number, int32_t& value) const {
  std::lock_guard lock(mutex_);
  return ReadValue(number, value);
}

bool DeviceModel::InServiceMode() const {
  std::lock_guard lock(mutex_);
  return parameters_.InServiceMode();
}

bool DeviceModel::SoftwareEnable() const {
  std::lock_guard lock(mutex_);
  return softwareEnable_;
}

uint16_t DeviceModel::StatusWord() const {
  std::lock_guard lock(mutex_);
  return StatusWordLocked();
}

uint16_t DeviceModel::ErrorWord() const {
  std::lock_guard lock(mutex_);
  return errors_.Word();
}

uint16_t DeviceModel::CanErrorWord() const {
  std::lock_guard lock(mutex_);
  return can_.Errors().Word();
}

double DeviceModel::SpeedRpm() const {
  std::lock_guard lock(mutex_);
  return motor_.SpeedRpm();
}

uint16_t DeviceModel::Memory(uint16_t address) const {
  std::lock_guard lock(mutex_);
  uint16_t word = 0;
  memory_.ReadAddress(address, word);
  return word;
}

DeviceIdentity DeviceModel::Identity() const {
  std::lock_guard lock(mutex_);
  return config_.identity;
}

void DeviceModel::SetIdentity(const DeviceIdentity& identity) {
  std::lock_guard lock(mutex_);
  config_.identity = identity;
}

void DeviceModel::RaiseError(int bit) {
  std::lock_guard lock(mutex_);
  errors_.Raise(bit);
}

void DeviceModel::ClearErrorBit(int bit) {
  std::lock_guard lock(mutex_);
  errors_.Clear(bit);
}

void DeviceModel::SetErrorBits(uint16_t bits) {
  std::lock_guard lock(mutex_);
  errors_.Set(bits);
}

void DeviceModel::RaiseCanError(int bit) {
  std::lock_guard lock(mutex_);
  can_.Errors().Raise(bit);
}

void DeviceModel::ClearCanErrorBit(int bit) {
  std::lock_guard lock(mutex_);
  can_.Errors().Clear(bit);
}

void DeviceModel::SetCanErrorBits(uint16_t bits) {
  std::lock_guard lock(mutex_);
  can_.Errors().Set(bits);
}

bool DeviceModel::EnableInput() const {
  std::lock_guard lock(mutex_);
  return config_.enableInput;
}

void DeviceModel::SetEnableInput(bool on) {
  std::lock_guard lock(mutex_);
  config_.enableInput = on;
}

void DeviceModel::SetAnalogSetValue(int16_t value) {
  std::lock_guard lock(mutex_);
  config_.analogSetValue = value;
}

void DeviceModel::SetLoadCurrent(int16_t milliamps) {
  std::lock_guard lock(mutex_);
  config_.loadCurrent = milliamps;
}

}  // namespace zel::sim
