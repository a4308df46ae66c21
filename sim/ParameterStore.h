#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace zel::sim {

// The 42 system parameters: the working copy in RAM that the commands read and write, and its
// copy in the EEPROM that a reset reloads. Every parameter has a factory default, limits, a
// sign, and may need service mode to change; a write outside that changes nothing.
//
// Service mode is SysConfig bit 14: only the password opens it, a write may end it, and it is
// never saved to the EEPROM.
//
// Not locked: it is a member of DeviceModel, used under its mutex.
class ParameterStore {
 public:
  static constexpr int kCount = 42;
  static constexpr int kSysConfig = 1;
  static constexpr uint16_t kServiceMode = 0x4000;

  // Factory defaults in RAM and EEPROM.
  ParameterStore();

  static bool Holds(int number) { return number >= 0 && number < kCount; }
  // 0 for a number outside the store.
  static uint16_t Default(int number);
  // A 16-bit word as the parameter's sign reads it; numbers outside the store read signed.
  static int32_t AsValue(int number, uint16_t word);

  // The RAM and EEPROM words; 0 for a number outside the store.
  uint16_t Temp(int number) const { return Holds(number) ? temp_[number] : 0; }
  uint16_t Eeprom(int number) const { return Holds(number) ? eeprom_[number] : 0; }
  const std::array<uint16_t, kCount>& TempAll() const { return temp_; }
  // The RAM value as the parameter's sign reads it.
  int32_t Value(int number) const { return AsValue(number, Temp(number)); }
  bool ConfigBit(uint16_t bit) const { return (temp_[kSysConfig] & bit) != 0; }
  bool InServiceMode() const { return ConfigBit(kServiceMode); }

  // The password was right.
  void EnterServiceMode() { temp_[kSysConfig] |= kServiceMode; }
  // Writes the RAM copy of a parameter the store holds; false, changing nothing, when the value
  // lies outside its limits or the parameter needs service mode and the device is not in it.
  bool Write(int number, int32_t value);
  // WriteAllTempParam: every parameter in one frame of kCount words; a short frame changes
  // nothing.
  void WriteAll(std::span<const uint16_t> words);
  // Switches one bit of a parameter's RAM word, as the device's own commands do, without limits.
  void SetBit(int number, uint16_t bit, bool on);
  // RAM and EEPROM alike, as a device configured so from the start.
  void Preset(int number, uint16_t word);

  // ResetSoftware: RAM comes back from the EEPROM and service mode ends.
  void Restart();
  // ResetTempParam: RAM comes back from the EEPROM; service mode stays as it is.
  void Reload();
  // SaveTempParam: the EEPROM takes the RAM copy.
  void Save();

 private:
  bool IsWritable(int number, int32_t value) const;

  std::array<uint16_t, kCount> temp_{};
  std::array<uint16_t, kCount> eeprom_{};
};

}  // namespace zel::sim
