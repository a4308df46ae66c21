#include "parameters/ParameterDefinitionLoader.h"

#include <string>
#include <thread>
#include <vector>

#include "parameters/CIniReader.h"
#include "parameters/NumberText.h"
#include "parameters/ParameterDefinition.h"

namespace zel::parameters {

namespace {

struct Section {
  std::uint16_t number = 0;
  std::string name;
  std::string unit;
  int width = ParameterDefinition::kWidth16;
  int isSigned = 0;
  std::int32_t defaultValue = 0;
  std::int32_t min = 0;
  std::int32_t max = 0;
  int access = ParameterDefinition::kReadOnly;
  int service = 0;
};

bool ParseValue(const std::string& text, bool isSigned, std::int32_t& value) {
  if (isSigned) return NumberText::ParseInt32(text, value) == NumberTextError::kNone;
  std::uint32_t unsignedValue = 0;
  if (NumberText::ParseUInt32(text, unsignedValue) != NumberTextError::kNone) return false;
  value = static_cast<std::int32_t>(unsignedValue);
  return true;
}

bool ReadSection(const CIniReader& reader, Section& section) {
  std::string number, type, defaultText, minText, maxText, attribute;
  if (!reader.ReadKey("Number", number) || !reader.ReadKey("Name", section.name) ||
      !reader.ReadKey("Type", type) || !reader.ReadKey("Default", defaultText) ||
      !reader.ReadKey("Min", minText) || !reader.ReadKey("Max", maxText) ||
      !reader.ReadKey("Unit", section.unit) || !reader.ReadKey("Attribut", attribute))
    return false;
  if (NumberText::ParseUInt16(number, section.number) != NumberTextError::kNone) return false;
  if (type == "INT16" || type == "UINT16") {
    section.width = ParameterDefinition::kWidth16;
  } else if (type == "INT32" || type == "UINT32") {
    section.width = ParameterDefinition::kWidth32;
  } else {
    return false;  // "INT8", "UINT8" and anything else
  }
  section.isSigned = type[0] == 'I' ? 1 : 0;
  if (!ParseValue(defaultText, section.isSigned != 0, section.defaultValue) ||
      !ParseValue(minText, section.isSigned != 0, section.min) ||
      !ParseValue(maxText, section.isSigned != 0, section.max))
    return false;
  // Read as a number like the other numeric keys, so "03" is 3 and an empty value is 0.
  std::int32_t code = 0;
  if (NumberText::ParseInt32(attribute, code) != NumberTextError::kNone || code < 0 || code > 3)
    return false;
  section.access = code == 3 ? ParameterDefinition::kReadWrite : code;
  section.service = code == 3 ? 1 : 0;
  return true;
}

}  // namespace

bool ParameterDefinitionLoader::LoadFile(std::span<const std::uint8_t> text, bool system,
                                         CParameterTable& table) {
  CIniReader reader(text);
  std::string first;
  if (!reader.FindSection("Parameter*", first)) return false;
  std::size_t digits = first.size();
  while (digits > 0 && first[digits - 1] >= '0' && first[digits - 1] <= '9') --digits;
  std::uint32_t start = 0;
  if (digits == first.size() || NumberText::ParseUInt32(std::string_view(first).substr(digits),
                                                        start) != NumberTextError::kNone)
    return false;
  // The table holds at most kMaxEntries definitions, so there is no point walking further.
  for (std::uint64_t n = start, read = 0; read < CParameterTable::kMaxEntries; ++n, ++read) {
    Section section;
    if (!reader.FindSection("Parameter" + std::to_string(n)) || !ReadSection(reader, section))
      break;
    const auto number = static_cast<std::int16_t>(section.number);
    if (system)
      table.AddSystem(number, section.width, section.access, section.name, section.unit,
                      section.defaultValue, section.min, section.max, section.isSigned,
                      section.service);
    else
      table.AddStatus(number, section.width, section.access, section.name, section.unit,
                      section.defaultValue, section.min, section.max, section.isSigned,
                      section.service);
    // Loading runs beside the polling monitor; let it have the processor between sections.
    std::this_thread::yield();
  }
  return true;
}

}  // namespace zel::parameters
