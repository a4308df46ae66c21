#include "parameters/CParameterTable.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include "ui/Host.h"

namespace zel::parameters {
namespace {

constexpr int kW16 = ParameterDefinition::kWidth16;
constexpr int kW32 = ParameterDefinition::kWidth32;
constexpr int kR = ParameterDefinition::kReadOnly;
constexpr int kRW = ParameterDefinition::kReadWrite;

struct BuiltInRow {
  std::int16_t number;
  const char* name;
  const char* unit;
  int width;
  int access;
  int isSigned;
  int service;
  std::int32_t defaultValue;
  std::int32_t min;
  std::int32_t max;
};

constexpr std::int32_t kInt32Min = -2147483647 - 1;
constexpr std::int32_t kInt32Max = 2147483647;

// What a ZEL without a firmware package is assumed to hold. Rows 0..41 are system parameters,
// the rest status values.
constexpr BuiltInRow kBuiltInSystem[] = {
    {0, "Baudrate", "baud", kW16, kRW, 1, 0, 3, 0, 7},
    {1, "SysConfig", "", kW16, kRW, 1, 0, 1, -32768, 32767},
    {2, "CurRegGainP", "", kW16, kRW, 1, 0, 3057, 0, 32767},
    {3, "CurRegGainI", "", kW16, kRW, 1, 0, 994, 0, 32767},
    {4, "MaxCurOutput", "", kW16, kRW, 1, 1, 32512, 0, 32767},
    {5, "SpeedRegGainP", "", kW16, kRW, 1, 0, 3379, 0, 32767},
    {6, "SpeedRegGainI", "", kW16, kRW, 1, 0, 1236, 0, 32767},
    {7, "InternalParam", "", kW16, kRW, 1, 0, 220, 0, 32767},
    {8, "InternalParam", "", kW16, kRW, 1, 0, 729, 0, 32767},
    {9, "InternalParam", "", kW16, kRW, 1, 0, 1600, 0, 32767},
    {10, "MaxSpeedError", "", kW16, kRW, 1, 1, 32767, -32768, 32767},
    {11, "SettingUnitGain", "", kW16, kRW, 1, 0, 24576, -32768, 32767},
    {12, "SettingUnitOffset", "", kW16, kRW, 1, 0, 0, -32768, 32767},
    {13, "SettingUnitDelay", "", kW16, kRW, 1, 0, 0, -32768, 32767},
    {14, "PeakCurrent", "mA", kW16, kRW, 1, 0, 15000, 0, 21500},
    {15, "MaxContCurrent", "mA", kW16, kRW, 1, 0, 5000, 0, 7800},
    {16, "ThermConst", "", kW16, kRW, 1, 0, 30400, 1000, 32767},
    {17, "MaxSpeed", "rpm", kW16, kRW, 1, 0, 25000, 0, 25000},
    {18, "Acceleration", "rpm/(128*ms)", kW16, kRW, 1, 0, 6400, 0, 32767},
    {19, "SpeedConstant", "", kW16, kRW, 1, 0, 0, 0, 32767},
    {20, "EncResolution", "pulse/turn", kW16, kRW, 0, 0, 500, 16, 65535},
    {21, "PolePairNumber", "", kW16, kRW, 1, 0, 1, 1, 64},
    {22, "Qep2RpmFactor", "", kW16, kRW, 1, 1, 960, 0, 32767},
    {23, "Rpm2QepFactor", "", kW16, kRW, 1, 1, 2184, 0, 32767},
    {24, "IndexOffset", "qc", kW16, kRW, 1, 1, 0, -32768, 32767},
    {25, "PWM_Period", "clock", kW16, kR, 1, 1, 394, 0, 32767},
    {26, "MaxDutyCycle", "", kW16, kRW, 1, 1, 7373, 0, 32767},
    {27, "CurDetPhUOffset", "", kW16, kRW, 1, 1, 32512, 0, 32767},
    {28, "CurDetPhVOffset", "", kW16, kRW, 1, 1, 32512, 0, 32767},
    {29, "ADConvOffset", "", kW16, kRW, 0, 1, 32768, 0, 65535},
    {30, "CanModuleID", "", kW16, kR, 1, 0, 2, 1, 127},
    {31, "CAN_ServiceID", "", kW16, kR, 1, 0, 127, 1, 2047},
    {32, "CAN_RPDO_ID", "", kW16, kRW, 1, 0, 513, 385, 1407},
    {33, "CAN_TPDO_ID", "", kW16, kR, 1, 0, 385, 385, 1407},
    {34, "CAN_BCR1", "", kW16, kR, 1, 0, 1540, -32768, 32767},
    {35, "CAN_BCR2", "", kW16, kR, 1, 0, 1, -32768, 32767},
    {36, "CAN_OpMode", "", kW16, kRW, 1, 0, 0, -32768, 32767},
    {37, "CAN_RSDO_ID", "", kW16, kR, 1, 0, 1537, 1537, 1663},
    {38, "CAN_TSDO_ID", "", kW16, kR, 1, 0, 1409, 1409, 1535},
    {39, "CAN_RTR0_ID", "", kW16, kR, 1, 0, 386, 385, 1407},
    {40, "CAN_RTR1_ID", "", kW16, kR, 1, 0, 387, 385, 1407},
    {41, "CAN_Config", "", kW16, kR, 1, 0, 0, -32768, 32767},
};

constexpr BuiltInRow kBuiltInStatus[] = {
    {128, "SysOpStatus", "", kW16, kR, 1, 0, 0, -32768, 32767},
    {129, "CurrentDetDAxis", "mA", kW16, kR, 1, 0, 0, -32768, 32767},
    {130, "CurrentMeanQAxis", "mA", kW16, kR, 1, 0, 0, -32768, 32767},
    {131, "CurrentSetValue", "mA", kW16, kRW, 1, 0, 0, -6000, 6000},
    {132, "RelRotorPosition", "qc", kW16, kR, 1, 0, 0, 0, 32767},
    {133, "SpeedSetValue", "rpm", kW16, kRW, 1, 0, 0, -25000, 25000},
    {134, "SpeedDetValue", "rpm", kW16, kR, 1, 0, 0, -32768, 32767},
    {135, "PosSetValue", "qc", kW32, kRW, 1, 0, 0, kInt32Min, kInt32Max},
    {136, "PosDetValue", "qc", kW32, kR, 1, 0, 0, kInt32Min, kInt32Max},
    {137, "StandardError", "", kW16, kR, 1, 0, 0, -32768, 32767},
    {138, "CAN_Error", "", kW16, kR, 1, 0, 0, -32768, 32767},
    {139, "CurrentDetQAxis", "mA", kW16, kR, 1, 0, 0, -32768, 32767},
    {140, "SpeedDetValue", "qc/ms", kW16, kR, 1, 0, 0, -32768, 32767},
};

// Where the ZEL keeps each parameter in its variable memory; the RTR channels transmit words
// by address, and the channel dialogs label them with the parameter's name.
struct AddressRow {
  std::uint16_t address;
  std::int16_t number;
};

constexpr AddressRow kAddresses[] = {
    {0x006E, 138}, {0x0300, 0},   {0x0301, 1},   {0x0302, 7},   {0x0303, 8},   {0x0304, 9},
    {0x0305, 5},   {0x0306, 6},   {0x0307, 17},  {0x030A, 10},  {0x030B, 14},  {0x030C, 15},
    {0x030F, 2},   {0x0310, 3},   {0x0312, 27},  {0x0314, 28},  {0x0316, 29},  {0x0317, 21},
    {0x031E, 24},  {0x0320, 4},   {0x0321, 16},  {0x0323, 25},  {0x0325, 26},  {0x0326, 11},
    {0x0327, 13},  {0x0328, 12},  {0x0329, 18},  {0x032B, 23},  {0x032C, 19},  {0x032E, 20},
    {0x0332, 41},  {0x0333, 30},  {0x0334, 32},  {0x0335, 37},  {0x0336, 39},  {0x0337, 40},
    {0x0338, 33},  {0x0339, 38},  {0x033A, 34},  {0x033B, 35},  {0x0397, 129}, {0x0399, 130},
    {0x03A3, 131}, {0x03A4, 132}, {0x03A9, 128}, {0x03AA, 137}, {0x03AE, 133}, {0x03AF, 140},
    {0x03B0, 134}, {0x03B6, 135}, {0x03B7, 135}, {0x03B8, 136}, {0x03B9, 136}, {0x03C6, 139},
};

ParameterDefinition FromRow(const BuiltInRow& row) {
  return ParameterDefinition{row.number,   row.name,    row.unit,         row.width, row.access,
                             row.isSigned, row.service, row.defaultValue, row.min,   row.max};
}

// The comparison happens in the parameter's own type: a 16-bit unsigned limit of 65535 must not
// turn into -1, and a signed one of -32768 must not turn into 32768.
std::int64_t AsQuantity(const ParameterDefinition& definition, std::int32_t value) {
  if (definition.width == ParameterDefinition::kWidth16) {
    return definition.isSigned ? std::int64_t{static_cast<std::int16_t>(value)}
                               : std::int64_t{static_cast<std::uint16_t>(value)};
  }
  return definition.isSigned ? std::int64_t{value}
                             : std::int64_t{static_cast<std::uint32_t>(value)};
}

std::string RangeMessage(const ParameterDefinition& definition, bool larger, std::int64_t limit) {
  const char* format =
      larger ? (definition.isSigned ? "' is larger than %i !\nPlease enter a smaller value!"
                                    : "' is larger than %u !\nPlease enter a smaller value!")
             : (definition.isSigned ? "' is smaller than %i !\nPlease enter a larger value!"
                                    : "' is smaller than %u !\nPlease enter a larger value!");
  char tail[96];
  if (definition.isSigned) {
    std::snprintf(tail, sizeof tail, format, static_cast<int>(limit));
  } else {
    std::snprintf(tail, sizeof tail, format, static_cast<unsigned>(limit));
  }
  return "The parameter '" + definition.name + tail;
}

void ShowInformation(const std::string& text) {
  ui::CurrentHost().ShowMessage(text, ui::Icon::Information);
}

}  // namespace

CParameterTable::CParameterTable() {
  LoadBuiltInLocked();
}

CParameterTable::CParameterTable(const CParameterTable& other) {
  std::shared_lock lock(other.mutex_);
  entries_ = other.entries_;
  systemCount_ = other.systemCount_;
  statusCount_ = other.statusCount_;
}

CParameterTable& CParameterTable::operator=(const CParameterTable& other) {
  if (this == &other) return *this;
  // Copy first, then swap in: the two locks are never held together, so two tables assigned to
  // each other from two threads cannot deadlock.
  CParameterTable copy(other);
  std::unique_lock lock(mutex_);
  entries_ = std::move(copy.entries_);
  systemCount_ = copy.systemCount_;
  statusCount_ = copy.statusCount_;
  return *this;
}

void CParameterTable::LoadBuiltIn() {
  std::unique_lock lock(mutex_);
  LoadBuiltInLocked();
}

void CParameterTable::LoadBuiltInLocked() {
  entries_.fill(ParameterDefinition{});
  systemCount_ = 0;
  statusCount_ = 0;
  for (const BuiltInRow& row : kBuiltInSystem) Append(FromRow(row), systemCount_);
  for (const BuiltInRow& row : kBuiltInStatus) Append(FromRow(row), statusCount_);
}

void CParameterTable::Clear() {
  std::unique_lock lock(mutex_);
  // Stale slots would otherwise reappear in the Parameter Properties copy.
  entries_.fill(ParameterDefinition{});
  systemCount_ = 0;
  statusCount_ = 0;
}

void CParameterTable::Append(const ParameterDefinition& definition, std::uint16_t& counter) {
  const int count = systemCount_ + statusCount_;
  if (count >= kMaxEntries) return;
  entries_[static_cast<std::size_t>(count)] = definition;
  ++counter;
}

void CParameterTable::AddSystem(std::int16_t number, int width, int access, std::string_view name,
                                std::string_view unit, std::int32_t defaultValue, std::int32_t min,
                                std::int32_t max, int isSigned, int service) {
  std::unique_lock lock(mutex_);
  Append(ParameterDefinition{number, std::string(name), std::string(unit), width, access, isSigned,
                             service, defaultValue, min, max},
         systemCount_);
}

void CParameterTable::AddStatus(std::int16_t number, int width, int access, std::string_view name,
                                std::string_view unit, std::int32_t defaultValue, std::int32_t min,
                                std::int32_t max, int isSigned, int service) {
  std::unique_lock lock(mutex_);
  Append(ParameterDefinition{number, std::string(name), std::string(unit), width, access, isSigned,
                             service, defaultValue, min, max},
         statusCount_);
}

std::uint16_t CParameterTable::Count() const {
  std::shared_lock lock(mutex_);
  return static_cast<std::uint16_t>(systemCount_ + statusCount_);
}

std::uint16_t CParameterTable::SystemCount() const {
  std::shared_lock lock(mutex_);
  return systemCount_;
}

std::uint16_t CParameterTable::StatusCount() const {
  std::shared_lock lock(mutex_);
  return statusCount_;
}

std::int16_t CParameterTable::NumberAt(int index) const {
  if (index < 0 || index >= kMaxEntries) return 0;
  std::shared_lock lock(mutex_);
  return entries_[static_cast<std::size_t>(index)].number;
}

ParameterDefinition CParameterTable::At(int index) const {
  if (index < 0 || index >= kMaxEntries) return {};
  std::shared_lock lock(mutex_);
  return entries_[static_cast<std::size_t>(index)];
}

int CParameterTable::IndexOfLocked(std::int16_t number) const {
  const int count = systemCount_ + statusCount_;
  if (count == 0) return -1;
  // In a table built in the usual order the entry sits right at the start index, so the search
  // normally ends at its first comparison; the wrap-around covers any other order.
  int start = number;
  if (number >= 128 && number < 256) start = systemCount_ + number - 128;
  start %= count;
  if (start < 0) start += count;
  for (int step = 0; step < count; ++step) {
    const int index = (start + step) % count;
    if (entries_[static_cast<std::size_t>(index)].number == number) return index;
  }
  return -1;
}

bool CParameterTable::FindLocked(std::int16_t number, ParameterDefinition& definition) const {
  const int index = IndexOfLocked(number);
  if (index < 0) return false;
  definition = entries_[static_cast<std::size_t>(index)];
  return true;
}

bool CParameterTable::Find(std::int16_t number, ParameterDefinition& definition) const {
  std::shared_lock lock(mutex_);
  return FindLocked(number, definition);
}

std::string CParameterTable::Name(std::int16_t number) const {
  ParameterDefinition definition;
  return Find(number, definition) ? definition.name : std::string();
}

std::string CParameterTable::Unit(std::int16_t number) const {
  ParameterDefinition definition;
  return Find(number, definition) ? definition.unit : std::string();
}

int CParameterTable::Width(std::int16_t number) const {
  ParameterDefinition definition;
  return Find(number, definition) ? definition.width : ParameterDefinition::kWidth16;
}

int CParameterTable::ByteSize(std::int16_t number) const {
  return Width(number) == ParameterDefinition::kWidth32 ? 4 : 2;
}

int CParameterTable::IsSigned(std::int16_t number) const {
  ParameterDefinition definition;
  return Find(number, definition) ? definition.isSigned : 0;
}

bool CParameterTable::GetLimits(std::int16_t number, std::int32_t& defaultValue, std::int32_t& min,
                                std::int32_t& max, int& service) const {
  ParameterDefinition definition;
  if (!Find(number, definition)) return false;
  defaultValue = definition.defaultValue;
  min = definition.min;
  max = definition.max;
  service = definition.service;
  return true;
}

void CParameterTable::DefaultsBlock(SystemParameterBlock& block) const {
  std::shared_lock lock(mutex_);
  const int last = systemCount_ >= 38 ? SystemParameterBlock::kWordCount - 1 : 36;
  for (int number = 0; number <= last; ++number) {
    ParameterDefinition definition;
    if (FindLocked(static_cast<std::int16_t>(number), definition)) {
      block.words[static_cast<std::size_t>(number)] =
          static_cast<std::uint16_t>(definition.defaultValue);
    }
  }
}

bool CParameterTable::CheckRange(std::int16_t number, std::int32_t value, bool showMessage) const {
  ParameterDefinition definition;
  if (!Find(number, definition)) return false;
  const std::int64_t quantity = AsQuantity(definition, value);
  const std::int64_t max = AsQuantity(definition, definition.max);
  const std::int64_t min = AsQuantity(definition, definition.min);
  if (quantity > max) {
    if (showMessage) ShowInformation(RangeMessage(definition, true, max));
    return false;
  }
  if (quantity < min) {
    if (showMessage) ShowInformation(RangeMessage(definition, false, min));
    return false;
  }
  return true;
}

bool CParameterTable::ParseText(std::int16_t number, std::string_view text, NumberFormat format,
                                bool showMessage, std::int32_t& value) const {
  ParameterDefinition definition;
  if (!Find(number, definition)) return false;
  const bool wide = definition.width == ParameterDefinition::kWidth32;
  std::int32_t result = 0;
  NumberTextError error = NumberTextError::kNone;
  if (format == NumberFormat::kHexadecimal) {
    if (wide) {
      std::uint32_t word = 0;
      error = NumberText::ParseHex32(text, word);
      result = static_cast<std::int32_t>(word);
    } else {
      std::uint16_t word = 0;
      error = NumberText::ParseHex16(text, word);
      result =
          definition.isSigned ? std::int32_t{static_cast<std::int16_t>(word)} : std::int32_t{word};
    }
  } else if (wide) {
    if (definition.isSigned) {
      error = NumberText::ParseInt32(text, result);
    } else {
      std::uint32_t word = 0;
      error = NumberText::ParseUInt32(text, word);
      result = static_cast<std::int32_t>(word);
    }
  } else if (definition.isSigned) {
    std::int16_t word = 0;
    error = NumberText::ParseInt16(text, word);
    result = word;
  } else {
    std::uint16_t word = 0;
    error = NumberText::ParseUInt16(text, word);
    result = word;
  }
  if (error != NumberTextError::kNone) {
    if (showMessage) ShowInformation(NumberText::Message(error));
    return false;
  }
  value = result;
  return true;
}

bool CParameterTable::FormatValue(std::int16_t number, std::int32_t value, NumberFormat format,
                                  std::string& text) const {
  ParameterDefinition definition;
  if (!Find(number, definition)) {
    text.clear();
    return false;
  }
  const auto word = static_cast<std::uint16_t>(value);
  if (format == NumberFormat::kHexadecimal) {
    text = definition.width == ParameterDefinition::kWidth32
               ? NumberText::FormatHex32(static_cast<std::uint32_t>(value))
               : NumberText::FormatHex16(word);
  } else if (definition.width == ParameterDefinition::kWidth32) {
    text = definition.isSigned ? NumberText::FormatInt32(value)
                               : NumberText::FormatUInt32(static_cast<std::uint32_t>(value));
  } else {
    text = definition.isSigned ? NumberText::FormatInt16(static_cast<std::int16_t>(word))
                               : NumberText::FormatUInt16(word);
  }
  return true;
}

bool CParameterTable::IsEditable(std::int16_t number, std::uint16_t sysConfig) const {
  constexpr std::uint16_t kServiceMode = 0x4000;
  constexpr std::uint16_t kCurrentRegulator = 0x0004;
  constexpr std::uint16_t kGainBySoftware = 0x0800;
  constexpr std::uint16_t kOffsetBySoftware = 0x0200;
  constexpr std::uint16_t kMaxCurrentBySoftware = 0x0400;
  constexpr std::uint16_t kMaxSpeedBySoftware = 0x0100;

  ParameterDefinition definition;
  if (!Find(number, definition)) return false;
  if (definition.access == ParameterDefinition::kReadOnly) return false;
  if (definition.service && !(sysConfig & kServiceMode)) return false;
  switch (number) {
    case 5:
    case 6:
      // The speed regulator's gains mean nothing in current regulation, and a potentiometer
      // that sets them would overwrite whatever is typed.
      return !(sysConfig & kCurrentRegulator) && (sysConfig & kGainBySoftware);
    case 12:
      return (sysConfig & kOffsetBySoftware) != 0;
    case 14:
    case 15:
      return (sysConfig & kMaxCurrentBySoftware) != 0;
    case 17:
      return (sysConfig & kMaxSpeedBySoftware) != 0;
    case 13:
    case 135:
      return false;
    default:
      return true;
  }
}

void CParameterTable::CopyOut(ParameterSlots& slots) const {
  std::shared_lock lock(mutex_);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const ParameterDefinition& entry = entries_[i];
    slots.numbers[i] = entry.number;
    slots.names[i] = entry.name;
    slots.units[i] = entry.unit;
    slots.widths[i] = entry.width;
    slots.accesses[i] = entry.access;
    slots.signs[i] = entry.isSigned;
    slots.services[i] = entry.service;
    slots.defaults[i] = entry.defaultValue;
    slots.mins[i] = entry.min;
    slots.maxima[i] = entry.max;
  }
}

void CParameterTable::CopyIn(const ParameterSlots& slots) {
  std::unique_lock lock(mutex_);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    ParameterDefinition& entry = entries_[i];
    entry.number = slots.numbers[i];
    entry.name = slots.names[i];
    entry.unit = slots.units[i];
    entry.width = slots.widths[i];
    entry.access = slots.accesses[i];
    entry.isSigned = slots.signs[i];
    entry.service = slots.services[i];
    entry.defaultValue = slots.defaults[i];
    entry.min = slots.mins[i];
    entry.max = slots.maxima[i];
  }
}

std::string CParameterTable::NameForAddress(std::uint16_t address) const {
  for (const AddressRow& row : kAddresses) {
    if (row.address != address) continue;
    std::string name = Name(row.number);
    return name.empty() ? std::string("Address") : name;
  }
  return "Address";
}

}  // namespace zel::parameters
