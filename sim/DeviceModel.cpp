#include "sim/DeviceModel.h"

#include "sim/CanBus.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zel::sim {
namespace {

// Factory settings of the system parameters as the ZEL leaves the works: default, limits, sign
// and whether the parameter may only change in service mode.
struct ParameterLimits {
  int32_t defaultValue;
  int32_t min;
  int32_t max;
  bool isSigned;
  bool service;
};

constexpr ParameterLimits kSystemLimits[DeviceModel::kSystemParameterCount] = {
    {3, 0, 7, true, false},           // 0 Baudrate
    {1, -32768, 32767, true, false},  // 1 SysConfig
    {3057, 0, 32767, true, false},    // 2 CurRegGainP
    {994, 0, 32767, true, false},     // 3 CurRegGainI
    {32512, 0, 32767, true, true},    // 4 MaxCurOutput
    // The speed gains lie within the maxima this firmware reports for them: parameter 9 for the
    // P gain, parameter 7 for the I gain.
    {1200, 0, 32767, true, false},        // 5 SpeedRegGainP
    {180, 0, 32767, true, false},         // 6 SpeedRegGainI
    {220, 0, 32767, true, false},         // 7 largest SpeedRegGainI
    {729, 0, 32767, true, false},         // 8
    {1600, 0, 32767, true, false},        // 9 largest SpeedRegGainP
    {32767, -32768, 32767, true, true},   // 10 MaxSpeedError
    {24576, -32768, 32767, true, false},  // 11 SettingUnitGain
    {0, -32768, 32767, true, false},      // 12 SettingUnitOffset
    {0, -32768, 32767, true, false},      // 13 SettingUnitDelay
    {15000, 0, 21500, true, false},       // 14 PeakCurrent
    {5000, 0, 7800, true, false},         // 15 MaxContCurrent
    {30400, 1000, 32767, true, false},    // 16 ThermConst
    {25000, 0, 25000, true, false},       // 17 MaxSpeed
    {6400, 0, 32767, true, false},        // 18 Acceleration
    {0, 0, 32767, true, false},           // 19 SpeedConstant
    {500, 16, 65535, false, false},       // 20 EncResolution
    {1, 1, 64, true, false},              // 21 PolePairNumber
    {960, 0, 32767, true, true},          // 22 Qep2RpmFactor
    {2184, 0, 32767, true, true},         // 23 Rpm2QepFactor
    {0, -32768, 32767, true, true},       // 24 IndexOffset
    {394, 0, 32767, true, true},          // 25 PWM_Period
    {7373, 0, 32767, true, true},         // 26 MaxDutyCycle
    {32512, 0, 32767, true, true},        // 27 CurDetPhUOffset
    {32512, 0, 32767, true, true},        // 28 CurDetPhVOffset
    {32768, 0, 65535, false, true},       // 29 ADConvOffset
    {2, 1, 127, true, false},             // 30 CanModuleID
    {127, 1, 2047, true, false},          // 31 CAN_ServiceID
    {513, 385, 1407, true, false},        // 32 CAN_RPDO_ID
    {385, 385, 1407, true, false},        // 33 CAN_TPDO_ID
    {1540, -32768, 32767, true, false},   // 34 CAN_BCR1
    {1, -32768, 32767, true, false},      // 35 CAN_BCR2
    {0, -32768, 32767, true, false},      // 36 CAN_OpMode
    {1537, 1537, 1663, true, false},      // 37 CAN_RSDO_ID
    {1409, 1409, 1535, true, false},      // 38 CAN_TSDO_ID
    {386, 385, 1407, true, false},        // 39 CAN_RTR0_ID
    {387, 385, 1407, true, false},        // 40 CAN_RTR1_ID
    {0, -32768, 32767, true, false},      // 41 CAN_Config
};

// Where the firmware keeps its variables: reading or writing one of these addresses reaches
// the parameter or status value itself. Every other address is plain RAM.
struct AddressAlias {
  uint16_t address;
  int number;
  int half;  // 0 whole 16-bit value, 1 low word, 2 high word of a 32-bit value
};

constexpr AddressAlias kAliases[] = {
    {0x006E, 138, 0}, {0x0300, 0, 0},   {0x0301, 1, 0},   {0x0302, 7, 0},   {0x0303, 8, 0},
    {0x0304, 9, 0},   {0x0305, 5, 0},   {0x0306, 6, 0},   {0x0307, 17, 0},  {0x030A, 10, 0},
    {0x030B, 14, 0},  {0x030C, 15, 0},  {0x030F, 2, 0},   {0x0310, 3, 0},   {0x0312, 27, 0},
    {0x0314, 28, 0},  {0x0316, 29, 0},  {0x0317, 21, 0},  {0x031E, 24, 0},  {0x0320, 4, 0},
    {0x0321, 16, 0},  {0x0323, 25, 0},  {0x0325, 26, 0},  {0x0326, 11, 0},  {0x0327, 13, 0},
    {0x0328, 12, 0},  {0x0329, 18, 0},  {0x032B, 23, 0},  {0x032C, 19, 0},  {0x032E, 20, 0},
    {0x0332, 41, 0},  {0x0333, 30, 0},  {0x0334, 32, 0},  {0x0335, 37, 0},  {0x0336, 39, 0},
    {0x0337, 40, 0},  {0x0338, 33, 0},  {0x0339, 38, 0},  {0x033A, 34, 0},  {0x033B, 35, 0},
    {0x0397, 129, 0}, {0x0399, 130, 0}, {0x03A3, 131, 0}, {0x03A4, 132, 0}, {0x03A9, 128, 0},
    {0x03AA, 137, 0}, {0x03AE, 133, 0}, {0x03AF, 140, 0}, {0x03B0, 134, 0}, {0x03B6, 135, 1},
    {0x03B7, 135, 2}, {0x03B8, 136, 1}, {0x03B9, 136, 2}, {0x03C6, 139, 0},
};

const AddressAlias* FindAlias(uint16_t address) {
  for (const AddressAlias& alias : kAliases) {
    if (alias.address == address) return &alias;
  }
  return nullptr;
}

bool IsSystem(int number) {
  return number >= 0 && number < DeviceModel::kSystemParameterCount;
}

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

uint16_t Word(int32_t value) {
  return static_cast<uint16_t>(static_cast<uint32_t>(value) & 0xFFFF);
}
uint16_t HighWord(int32_t value) {
  return static_cast<uint16_t>(static_cast<uint32_t>(value) >> 16);
}

// A command packs 32-bit values low word first.
int32_t Join(uint16_t low, uint16_t high) {
  return static_cast<int32_t>(static_cast<uint32_t>(low) | (static_cast<uint32_t>(high) << 16));
}

// A 16-bit word as the parameter's sign reads it.
int32_t AsValue(int number, uint16_t word) {
  if (IsSystem(number) && !kSystemLimits[number].isSigned) return word;
  return static_cast<int16_t>(word);
}

}  // namespace

DeviceModel::DeviceModel(DeviceConfig config) : config_(std::move(config)) {
  for (int i = 0; i < kSystemParameterCount; ++i) temp_[i] = DefaultParameter(i);
  eeprom_ = temp_;
}

uint16_t DeviceModel::DefaultParameter(int number) {
  if (!IsSystem(number)) return 0;
  return Word(kSystemLimits[number].defaultValue);
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

CommandResult DeviceModel::Reply(std::vector<uint16_t> words) const {
  CommandResult result;
  result.hasReply = true;
  result.replyCode = kReplyOk;
  result.words = std::move(words);
  return result;
}

CommandResult DeviceModel::Rejected() const {
  CommandResult result;
  result.hasReply = true;
  result.replyCode = kReplyRejected;
  result.words = {0};
  return result;
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
  if (std::optional<CommandResult> can = ExecuteCanLocked(opcode, words)) return *can;
  auto arg = [&](std::size_t i) -> uint16_t { return i < words.size() ? words[i] : 0; };
  switch (opcode) {
    case 1:
      return Reply({StatusWordLocked()});
    case 2:
      return Reply({ErrorWordLocked()});
    case 3:
      errorBits_ = 0;
      canErrorBits_ = 0;
      return {};
    case 4:
      // A software reset reboots the firmware: RAM parameters come back from the EEPROM,
      // service mode ends, the software enable and the stop are released.
      temp_ = eeprom_;
      temp_[1] &= static_cast<uint16_t>(~kConfigServiceMode);
      softwareEnable_ = false;
      stopped_ = false;
      speedSetValue_ = 0;
      currentSetValue_ = 0;
      return {};
    case 5:
      // The command only reaches the power stage while enabling is left to software; with
      // SysConfig bit 12 clear the input 'Enable' decides and the command is ignored.
      if ((temp_[1] & kConfigSoftwareEnable) != 0 && arg(0) <= 1) softwareEnable_ = arg(0) == 1;
      return {};
    case 16:
      return Service(words);
    case 17:
      return SetAddrVariable(words);
    case 18:
      return ReadAddrVariable(words);
    case 20:
      return ReadTempParam(words);
    case 21:
      SetTempParam(words);
      return {};
    case 22: {
      // Reloads the working copy from the EEPROM; the service session stays as it is.
      uint16_t service = temp_[1] & kConfigServiceMode;
      temp_ = eeprom_;
      temp_[1] = static_cast<uint16_t>((temp_[1] & ~kConfigServiceMode) | service);
      return {};
    }
    case 23:
      // Service mode is a session, never a stored setting: it must not survive a reset.
      eeprom_ = temp_;
      eeprom_[1] &= static_cast<uint16_t>(~kConfigServiceMode);
      return {};
    case 24:
      return Reply(std::vector<uint16_t>(temp_.begin(), temp_.end()));
    case 25:
      WriteAllTempParam(words);
      return {};
    case 26:
      if (carried && arg(0) == 1) {
        return Reply({config_.identity.applicationNumber, config_.identity.applicationVersion});
      }
      return Reply({config_.identity.softwareVersion, config_.identity.hardwareVersion,
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
      return Reply(
          {Word(Saturate16(motor_.SpeedRpm())), Word(Saturate16(motor_.SpeedDemandRpm()))});
    case 41: {
      int countsPerTurn = 4 * temp_[20];
      return Reply({Word(Saturate16(motor_.CurrentD())), Word(Saturate16(motor_.CurrentQ())),
                    Word(Saturate16(std::abs(motor_.CurrentDemand()))),
                    Word(motor_.RotorAngle(countsPerTurn))});
    }
    case 42: {
      int32_t actual = Saturate32(motor_.Position());
      int32_t demand = Saturate32(motor_.PositionDemand());
      return Reply({HighWord(actual), Word(actual), HighWord(demand), Word(demand)});
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
      if (HasReply(opcode)) return Rejected();
      return {};
  }
}

std::optional<CommandResult> DeviceModel::ExecuteCanLocked(uint8_t opcode,
                                                           std::span<const uint16_t> words) {
  auto arg = [&](std::size_t i) -> uint16_t { return i < words.size() ? words[i] : 0; };
  // The CAN commands write the CAN parameters in RAM, like a parameter write would.
  auto set = [&](int number, uint16_t word) { WriteValue(number, AsValue(number, word)); };
  auto configBit = [&](uint16_t bit, bool on) {
    temp_[kCanConfig] = on ? static_cast<uint16_t>(temp_[kCanConfig] | bit)
                           : static_cast<uint16_t>(temp_[kCanConfig] & ~bit);
  };
  switch (opcode) {
    case 56:  // NMT start: the bus is running already.
    case 66:  // RTR request: goes out on the bus, nobody answers the tool.
      return CommandResult{};
    case 57:
      set(30, arg(0));
      return CommandResult{};
    case 58:
      set(31, arg(0));
      return CommandResult{};
    case 59:
      set(33, arg(0));
      return CommandResult{};
    case 60:
      set(32, arg(0));
      return CommandResult{};
    case 61:
      // Data word A carries the opcode in its high byte; B, C, D are the command's words. A
      // message to the device's own module ID never reaches the bus: the device takes it.
      if (words.size() >= 2 && arg(0) == temp_[30]) {
        ExecuteLocked(static_cast<uint8_t>(arg(1) >> 8),
                      words.subspan(2, std::min<std::size_t>(words.size() - 2, 3)), true);
      } else if (bus_ != nullptr && words.size() >= 2) {
        bus_->Deliver(arg(0), temp_[34], temp_[35], static_cast<uint8_t>(arg(1) >> 8),
                      words.subspan(2, std::min<std::size_t>(words.size() - 2, 3)));
      }
      return CommandResult{};
    case 62:
      return Reply({temp_[30]});
    case 63:
      // Older firmware takes BCR1 alone; from 0x1040 the pair arrives in one frame.
      set(34, arg(0));
      if (words.size() >= 2) set(35, arg(1));
      return CommandResult{};
    case 64:
      set(35, arg(0));
      return CommandResult{};
    case 65:
      set(36, arg(0));
      return CommandResult{};
    case 67:
      // The CAN error word came with the CAN command set after 0x1000; older firmware does not
      // know the opcode.
      if (config_.identity.softwareVersion <= 0x1000) return Rejected();
      return Reply({CanErrorWordLocked()});
    case 68: {
      if (words.size() < 2) return CommandResult{};
      if (arg(0) == temp_[30] && (arg(1) >> 8) != 68) {
        CommandResult own =
            ExecuteLocked(static_cast<uint8_t>(arg(1) >> 8),
                          words.subspan(2, std::min<std::size_t>(words.size() - 2, 2)), true);
        if (!own.hasReply) return CommandResult{};
        if (own.words.size() > 3) own.words.resize(3);
        return own;
      }
      if (bus_ == nullptr) return CommandResult{};
      std::optional<CommandResult> answer =
          bus_->Deliver(arg(0), temp_[34], temp_[35], static_cast<uint8_t>(arg(1) >> 8),
                        words.subspan(2, std::min<std::size_t>(words.size() - 2, 2)));
      // Nobody answered on the bus: the gateway has nothing to send back.
      if (!answer) return CommandResult{};
      return answer;
    }
    case 69:
      configBit(kCanConfigPdo, arg(0) == 1);
      return CommandResult{};
    case 70:
      if (arg(0) <= 1) set(39 + arg(0), arg(1));
      return CommandResult{};
    case 71:
      if (arg(0) > 1) return CommandResult{};
      if (arg(1) == 2) {
        rtr_.Clear(arg(0));
      } else if (arg(1) <= 1) {
        configBit(arg(0) == 0 ? kCanConfigRtr0 : kCanConfigRtr1, arg(1) == 1);
      }
      return CommandResult{};
    case 74:
      return Reply({rtr_.Add(arg(0), arg(1)) ? RtrChannels::kPresent : RtrChannels::kAbsent});
    case 75: {
      RtrChannels::Entry entry;
      if (!rtr_.Get(arg(0), arg(1), entry)) return Reply({RtrChannels::kAbsent, 0, 0});
      return Reply({RtrChannels::kPresent, entry.paramSel, entry.param});
    }
    case 76:
      canErrorBits_ = 0;
      return CommandResult{};
    case 77:
      // The controller restarts: its error counters and the error word start afresh.
      canErrorBits_ = 0;
      return CommandResult{};
    default:
      return std::nullopt;
  }
}

void DeviceModel::AttachBus(CanBus* bus) {
  std::lock_guard lock(mutex_);
  bus_ = bus;
}

void DeviceModel::SetCanAddress(uint16_t moduleId, uint16_t bcr1, uint16_t bcr2) {
  std::lock_guard lock(mutex_);
  temp_[30] = eeprom_[30] = moduleId;
  temp_[34] = eeprom_[34] = bcr1;
  temp_[35] = eeprom_[35] = bcr2;
}

uint16_t DeviceModel::CanModuleId() const {
  std::lock_guard lock(mutex_);
  return temp_[30];
}

bool DeviceModel::ListensAt(uint16_t bcr1, uint16_t bcr2) const {
  std::lock_guard lock(mutex_);
  return temp_[34] == bcr1 && temp_[35] == bcr2;
}

int DeviceModel::RtrEntryCount(int channel) const {
  std::lock_guard lock(mutex_);
  return rtr_.Count(channel);
}

CommandResult DeviceModel::ReadTempParam(std::span<const uint16_t> words) const {
  if (words.size() < 2) return Rejected();
  int32_t value = 0;
  if (!ReadValue(words[0], value)) return Rejected();
  if (words[1] == 0) return Reply({Word(value)});
  if (words[1] == 1) return Reply({HighWord(value), Word(value)});
  return Rejected();
}

void DeviceModel::SetTempParam(std::span<const uint16_t> words) {
  if (words.size() < 3) return;
  int number = words[0];
  int32_t value = 0;
  if (words[1] == 0) {
    value = AsValue(number, words[2]);
  } else if (words[1] == 1 && words.size() >= 4) {
    value = Join(words[2], words[3]);
  } else {
    return;
  }
  WriteValue(number, value);
}

void DeviceModel::WriteAllTempParam(std::span<const uint16_t> words) {
  if (words.size() < static_cast<std::size_t>(kSystemParameterCount)) return;
  // Word by word: a word the device may not take (out of range, or a service parameter outside
  // service mode) keeps its old value while the others are written.
  for (int i = 0; i < kSystemParameterCount; ++i) {
    if (words[i] == temp_[i]) continue;
    WriteValue(i, AsValue(i, words[i]));
  }
}

CommandResult DeviceModel::Service(std::span<const uint16_t> words) {
  if (words.size() < 2) return Rejected();
  const char typed[4] = {static_cast<char>(words[0] & 0xFF), static_cast<char>(words[0] >> 8),
                         static_cast<char>(words[1] & 0xFF), static_cast<char>(words[1] >> 8)};
  bool accepted =
      config_.password.size() == 4 && std::equal(typed, typed + 4, config_.password.begin());
  if (!accepted) return Reply({kServiceRefused});
  temp_[1] |= kConfigServiceMode;
  return Reply({kServiceAccepted});
}

CommandResult DeviceModel::SetAddrVariable(std::span<const uint16_t> words) {
  if (words.size() < 3 || words[1] > 1 || (words[1] == 1 && words.size() < 4)) return Rejected();
  // Outside service mode the exchange itself succeeds; the answer word says the value was not set.
  if ((temp_[1] & kConfigServiceMode) == 0) return Reply({kServiceRefused});
  uint16_t address = words[0];
  bool written = false;
  if (words[1] == 0) {
    written = WriteAddress(address, words[2]);
  } else {
    const AddressAlias* alias = FindAlias(address);
    if (alias != nullptr && alias->half == 1) {
      written = WriteValue(alias->number, Join(words[2], words[3]));
    } else {
      written = WriteAddress(address, words[2]);
      written = WriteAddress(static_cast<uint16_t>(address + 1), words[3]) && written;
    }
  }
  return Reply({written ? kServiceAccepted : kServiceRefused});
}

CommandResult DeviceModel::ReadAddrVariable(std::span<const uint16_t> words) const {
  // Reading is open at any time, so the tool can show a variable before the user decides to
  // change it; only the write needs service mode.
  if (words.size() < 2 || words[1] > 1) return Rejected();
  uint16_t low = 0;
  ReadAddress(words[0], low);
  if (words[1] == 0) return Reply({low});
  // A 32-bit variable lies low word first in memory and travels high word first, like every
  // 32-bit value the device replies with.
  uint16_t high = 0;
  ReadAddress(static_cast<uint16_t>(words[0] + 1), high);
  return Reply({high, low});
}

void DeviceModel::SetupRecorder(std::span<const uint16_t> words) {
  if (words.size() < 2 || words[0] == 0 || VariableBytes(words[1]) == 0) return;
  recorder_.Setup(words[0], words[1]);
}

CommandResult DeviceModel::ReadRecordedData(std::span<const uint16_t> words) {
  int bytes = VariableBytes(recorder_.Variable());
  if (bytes == 0 || recorder_.Period() == 0) return Rejected();
  int16_t jump = words.empty() ? 0 : static_cast<int16_t>(words[0]);
  if (jump != 0) {
    // The jump replaces the set value of the regulator in charge at the first sample, so the
    // recording shows the step response.
    if ((temp_[1] & kConfigCurrentRegulation) != 0) {
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
  return Reply(recorder_.Words());
}

CommandResult DeviceModel::ReadVariables(std::span<const uint16_t> words) const {
  if (words.empty() || words[0] == 0 || words.size() < 1u + words[0]) return Rejected();
  std::vector<uint8_t> bytes;
  for (std::size_t i = 1; i <= words[0]; ++i) {
    int size = VariableBytes(words[i]);
    uint32_t value = 0;
    if (size == 0 || !ReadVariable(words[i], value)) return Rejected();
    if (bytes.size() + static_cast<std::size_t>(size) > 256) return Rejected();
    for (int b = 0; b < size; ++b) bytes.push_back(static_cast<uint8_t>(value >> (8 * b)));
  }
  std::vector<uint16_t> reply((bytes.size() + 1) / 2, 0);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    reply[i / 2] |= static_cast<uint16_t>(bytes[i] << (8 * (i % 2)));
  }
  return Reply(std::move(reply));
}

bool DeviceModel::ReadValue(int number, int32_t& value) const {
  if (IsSystem(number)) {
    value = AsValue(number, temp_[number]);
    return true;
  }
  bool currentRegulation = (temp_[1] & kConfigCurrentRegulation) != 0;
  bool analog = (temp_[1] & kConfigAnalogSetValue) != 0;
  int countsPerTurn = 4 * temp_[20];
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
      value = static_cast<int16_t>(ErrorWordLocked());
      return true;
    case 138:
      value = static_cast<int16_t>(CanErrorWordLocked());
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

bool DeviceModel::IsWritable(int number, int32_t value) const {
  const ParameterLimits& limits = kSystemLimits[number];
  if (value < limits.min || value > limits.max) return false;
  return !limits.service || (temp_[1] & kConfigServiceMode) != 0;
}

bool DeviceModel::WriteValue(int number, int32_t value) {
  if (IsSystem(number)) {
    if (!IsWritable(number, value)) return false;
    uint16_t word = Word(value);
    // Only the password opens service mode; a write may leave it, never enter it.
    if (number == 1 && (temp_[1] & kConfigServiceMode) == 0) {
      word &= static_cast<uint16_t>(~kConfigServiceMode);
    }
    temp_[number] = word;
    return true;
  }
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

bool DeviceModel::ReadAddress(uint16_t address, uint16_t& word) const {
  const AddressAlias* alias = FindAlias(address);
  if (alias == nullptr) {
    auto it = ram_.find(address);
    word = it == ram_.end() ? 0 : it->second;
    return true;
  }
  int32_t value = 0;
  if (!ReadValue(alias->number, value)) return false;
  word = alias->half == 2 ? HighWord(value) : Word(value);
  return true;
}

bool DeviceModel::WriteAddress(uint16_t address, uint16_t word) {
  const AddressAlias* alias = FindAlias(address);
  if (alias == nullptr) {
    ram_[address] = word;
    return true;
  }
  if (alias->half == 0) return WriteValue(alias->number, AsValue(alias->number, word));
  int32_t value = 0;
  if (!ReadValue(alias->number, value)) return false;
  value = alias->half == 1 ? Join(word, HighWord(value)) : Join(Word(value), word);
  return WriteValue(alias->number, value);
}

int DeviceModel::VariableBytes(uint16_t variable) const {
  if (IsStatus(variable)) return IsWide(variable) ? 4 : 2;
  // Every number that is not a parameter is a memory address, and memory holds words.
  return 2;
}

bool DeviceModel::ReadVariable(uint16_t variable, uint32_t& value) const {
  if (IsSystem(variable) || IsStatus(variable)) {
    int32_t signedValue = 0;
    if (!ReadValue(variable, signedValue)) return false;
    value = IsWide(variable) ? static_cast<uint32_t>(signedValue) : Word(signedValue);
    return true;
  }
  uint16_t word = 0;
  if (!ReadAddress(variable, word)) return false;
  value = word;
  return true;
}

bool DeviceModel::EnabledLocked() const {
  if ((temp_[1] & kConfigSoftwareEnable) != 0) return softwareEnable_;
  return config_.enableInput;
}

bool DeviceModel::PowerStageLocked() const {
  return EnabledLocked() && errorBits_ == 0;
}

uint16_t DeviceModel::StatusWordLocked() const {
  uint16_t status = kStatusIndexFound | kStatusHallFound | kStatusRotorFound;
  if (std::abs(motor_.CurrentQ()) > temp_[15]) status |= kStatusLargeCurrent;
  if ((temp_[1] & kConfigSoftwareEnable) != 0 && softwareEnable_) status |= kStatusSoftwareEnabled;
  if (stopped_) status |= kStatusStopped;
  if (EnabledLocked()) status |= kStatusEnabled;
  if (PowerStageLocked()) status |= kStatusPowerStage;
  return status;
}

uint16_t DeviceModel::ErrorWordLocked() const {
  uint16_t bits = errorBits_ & static_cast<uint16_t>(~kErrorSummary);
  return bits != 0 ? static_cast<uint16_t>(bits | kErrorSummary) : 0;
}

MotorModel::Inputs DeviceModel::MotorInputsLocked() const {
  MotorModel::Inputs inputs;
  inputs.powerStage = PowerStageLocked();
  inputs.currentRegulation = (temp_[1] & kConfigCurrentRegulation) != 0;
  int32_t speedSet = 0;
  int32_t currentSet = 0;
  ReadValue(133, speedSet);
  ReadValue(131, currentSet);
  // A stop brakes the motor to standstill with the power stage still on.
  inputs.speedDemand = stopped_ ? 0 : speedSet;
  inputs.currentDemand = stopped_ ? 0 : currentSet;
  inputs.maxSpeed = static_cast<int16_t>(temp_[17]);
  inputs.peakCurrent = static_cast<int16_t>(temp_[14]);
  inputs.loadCurrent = config_.loadCurrent;
  inputs.countsPerTurn = 4 * temp_[20];
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
  return IsSystem(number) ? temp_[number] : 0;
}

uint16_t DeviceModel::RecorderPeriod() const {
  std::lock_guard lock(mutex_);
  return recorder_.Period();
}

uint16_t DeviceModel::EepromParameter(int number) const {
  std::lock_guard lock(mutex_);
  return IsSystem(number) ? eeprom_[number] : 0;
}

bool DeviceModel::ReadParameter(int number, int32_t& value) const {
  std::lock_guard lock(mutex_);
  return ReadValue(number, value);
}

bool DeviceModel::InServiceMode() const {
  std::lock_guard lock(mutex_);
  return (temp_[1] & kConfigServiceMode) != 0;
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
  return ErrorWordLocked();
}

uint16_t DeviceModel::CanErrorWord() const {
  std::lock_guard lock(mutex_);
  return CanErrorWordLocked();
}

uint16_t DeviceModel::CanErrorWordLocked() const {
  return canErrorBits_ != 0 ? static_cast<uint16_t>(canErrorBits_ | kErrorSummary) : 0;
}

double DeviceModel::SpeedRpm() const {
  std::lock_guard lock(mutex_);
  return motor_.SpeedRpm();
}

uint16_t DeviceModel::Memory(uint16_t address) const {
  std::lock_guard lock(mutex_);
  uint16_t word = 0;
  ReadAddress(address, word);
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
  if (bit >= 0 && bit < 15) errorBits_ |= static_cast<uint16_t>(1u << bit);
}

void DeviceModel::ClearErrorBit(int bit) {
  std::lock_guard lock(mutex_);
  if (bit >= 0 && bit < 15) errorBits_ &= static_cast<uint16_t>(~(1u << bit));
}

void DeviceModel::SetErrorBits(uint16_t bits) {
  std::lock_guard lock(mutex_);
  errorBits_ = bits & static_cast<uint16_t>(~kErrorSummary);
}

void DeviceModel::RaiseCanError(int bit) {
  std::lock_guard lock(mutex_);
  if (bit >= 0 && bit < 15) canErrorBits_ |= static_cast<uint16_t>(1u << bit);
}

void DeviceModel::ClearCanErrorBit(int bit) {
  std::lock_guard lock(mutex_);
  if (bit >= 0 && bit < 15) canErrorBits_ &= static_cast<uint16_t>(~(1u << bit));
}

void DeviceModel::SetCanErrorBits(uint16_t bits) {
  std::lock_guard lock(mutex_);
  canErrorBits_ = bits & static_cast<uint16_t>(~kErrorSummary);
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
