#pragma once

#include <array>
#include <cstdint>
#include <shared_mutex>
#include <string>
#include <string_view>

#include "parameters/NumberText.h"
#include "parameters/ParameterDefinition.h"
#include "parameters/ParameterSlots.h"
#include "parameters/SystemParameterBlock.h"

namespace zel::parameters {

// The parameter definitions of the firmware in use: at most 256 entries in insertion order,
// system parameters first, then status values. It starts with the built-in set and is refilled
// from the definition files of the firmware package that matches the connected ZEL.
//
// Every per-number operation looks the number up first (see Find). An absent number answers
// with an empty name and unit, 16-bit width, byte size 2, unsigned, and failure without a message
// from the limits, the range check and the text conversions.
//
// Threads: all operations are safe to call concurrently. The polling monitor reads the table on
// its own thread while the user-interface thread may refill it; readers share an internal lock,
// writers take it alone. Messages are shown after the lock is released, on the caller's thread,
// and only when the caller asks for them.
class CParameterTable {
 public:
  static constexpr int kMaxEntries = ParameterSlots::kSlotCount;

  CParameterTable();  // starts with the built-in definitions
  CParameterTable(const CParameterTable& other);
  CParameterTable& operator=(const CParameterTable& other);

  // Replaces the table by the built-in definitions.
  void LoadBuiltIn();
  // Empties the table (both counters 0), as a refill from definition files begins.
  void Clear();
  // Append at index Count() and count the entry as a system or status definition; does nothing
  // when kMaxEntries entries are already held.
  void AddSystem(std::int16_t number, int width, int access, std::string_view name,
                 std::string_view unit, std::int32_t defaultValue, std::int32_t min,
                 std::int32_t max, int isSigned, int service);
  void AddStatus(std::int16_t number, int width, int access, std::string_view name,
                 std::string_view unit, std::int32_t defaultValue, std::int32_t min,
                 std::int32_t max, int isSigned, int service);

  std::uint16_t Count() const;
  std::uint16_t SystemCount() const;
  std::uint16_t StatusCount() const;
  // The number held in slot index; 0 outside 0..255.
  std::int16_t NumberAt(int index) const;
  // The whole definition in slot index (an empty definition outside 0..255).
  ParameterDefinition At(int index) const;
  // The definition of number; false when the number is absent.
  bool Find(std::int16_t number, ParameterDefinition& definition) const;

  std::string Name(std::int16_t number) const;
  std::string Unit(std::int16_t number) const;
  int Width(std::int16_t number) const;
  int ByteSize(std::int16_t number) const;
  int IsSigned(std::int16_t number) const;
  bool GetLimits(std::int16_t number, std::int32_t& defaultValue, std::int32_t& min,
                 std::int32_t& max, int& service) const;

  // Writes the defaults of parameters 0..36 into block, and of 37..41 only when at least 38
  // system definitions are held (older firmware has no SDO and RTR identifiers: those words keep
  // what the ZEL sent). A word whose parameter is absent is left as it was.
  void DefaultsBlock(SystemParameterBlock& block) const;

  // True when min <= value <= max. 16-bit parameters compare the low 16 bits of all three,
  // signed or unsigned by the definition. On failure the larger-than or smaller-than box naming
  // the parameter is shown when showMessage is set.
  bool CheckRange(std::int16_t number, std::int32_t value, bool showMessage) const;

  // Converts an edit field's text by the parameter's width and sign. A 16-bit result is the
  // word sign-extended for signed parameters and zero-extended for unsigned ones; a hexadecimal
  // text is the word's bit pattern either way. value is untouched on failure.
  bool ParseText(std::int16_t number, std::string_view text, NumberFormat format, bool showMessage,
                 std::int32_t& value) const;
  // The text of value ("0x%.4X", "0x%.8X", "%hi", "%hu", "%i", "%u" by width, sign and format);
  // false and an empty text when the number is absent.
  bool FormatValue(std::int16_t number, std::int32_t value, NumberFormat format,
                   std::string& text) const;

  // Whether an editing page may let the user change the parameter, given the current SysConfig
  // word (system parameter 1).
  bool IsEditable(std::int16_t number, std::uint16_t sysConfig) const;

  // All 256 slots, field by field; CopyIn leaves the counters as they are.
  void CopyOut(ParameterSlots& slots) const;
  void CopyIn(const ParameterSlots& slots);

  // The name of the parameter stored at a ZEL variable address, from the current definitions;
  // "Address" for an address that holds no parameter or whose parameter is not defined.
  std::string NameForAddress(std::uint16_t address) const;

 private:
  void Append(const ParameterDefinition& definition, std::uint16_t& counter);
  // -1 when absent. Caller holds the lock.
  int IndexOfLocked(std::int16_t number) const;
  bool FindLocked(std::int16_t number, ParameterDefinition& definition) const;
  void LoadBuiltInLocked();

  mutable std::shared_mutex mutex_;
  std::array<ParameterDefinition, kMaxEntries> entries_;
  std::uint16_t systemCount_ = 0;
  std::uint16_t statusCount_ = 0;
};

}  // namespace zel::parameters
