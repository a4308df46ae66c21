#include "sim/ParameterStore.h"

#include "sim/WordHalves.h"

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

constexpr ParameterLimits kSystemLimits[ParameterStore::kCount] = {
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

}  // namespace

ParameterStore::ParameterStore() {
  for (int i = 0; i < kCount; ++i) temp_[i] = Default(i);
  eeprom_ = temp_;
}

uint16_t ParameterStore::Default(int number) {
  if (!Holds(number)) return 0;
  return LowWord(kSystemLimits[number].defaultValue);
}

int32_t ParameterStore::AsValue(int number, uint16_t word) {
  if (Holds(number) && !kSystemLimits[number].isSigned) return word;
  return static_cast<int16_t>(word);
}

bool ParameterStore::IsWritable(int number, int32_t value) const {
  const ParameterLimits& limits = kSystemLimits[number];
  if (value < limits.min || value > limits.max) return false;
  return !limits.service || InServiceMode();
}

bool ParameterStore::Write(int number, int32_t value) {
  if (!Holds(number) || !IsWritable(number, value)) return false;
  uint16_t word = LowWord(value);
  // Only the password opens service mode; a write may leave it, never enter it.
  if (number == kSysConfig && !InServiceMode()) word &= static_cast<uint16_t>(~kServiceMode);
  temp_[number] = word;
  return true;
}

void ParameterStore::WriteAll(std::span<const uint16_t> words) {
  if (words.size() < static_cast<std::size_t>(kCount)) return;
  // Word by word: a word the device may not take (out of range, or a service parameter outside
  // service mode) keeps its old value while the others are written.
  for (int i = 0; i < kCount; ++i) {
    if (words[i] == temp_[i]) continue;
    Write(i, AsValue(i, words[i]));
  }
}

void ParameterStore::SetBit(int number, uint16_t bit, bool on) {
  if (!Holds(number)) return;
  temp_[number] =
      on ? static_cast<uint16_t>(temp_[number] | bit) : static_cast<uint16_t>(temp_[number] & ~bit);
}

void ParameterStore::Preset(int number, uint16_t word) {
  if (!Holds(number)) return;
  temp_[number] = eeprom_[number] = word;
}

void ParameterStore::Restart() {
  temp_ = eeprom_;
  temp_[kSysConfig] &= static_cast<uint16_t>(~kServiceMode);
}

void ParameterStore::Reload() {
  uint16_t service = temp_[kSysConfig] & kServiceMode;
  temp_ = eeprom_;
  temp_[kSysConfig] = static_cast<uint16_t>((temp_[kSysConfig] & ~kServiceMode) | service);
}

void ParameterStore::Save() {
  // Service mode is a session, never a stored setting: it must not survive a reset.
  eeprom_ = temp_;
  eeprom_[kSysConfig] &= static_cast<uint16_t>(~kServiceMode);
}

}  // namespace zel::sim
