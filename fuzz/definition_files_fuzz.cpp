// Arbitrary bytes as "SystemParameter.ini" or "StatusParameter.ini": loading into the table and
// the formatted default values.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "firmware/FirmwarePackage.h"
#include "parameters/CParameterTable.h"
#include "parameters/ParameterDefinitionLoader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> text(data, size);
  zel::parameters::CParameterTable table;
  table.Clear();
  zel::parameters::ParameterDefinitionLoader::LoadFile(text, true, table);
  zel::parameters::ParameterDefinitionLoader::LoadFile(text, false, table);
  if (table.Count() > zel::parameters::CParameterTable::kMaxEntries) __builtin_trap();
  std::string defaults;
  zel::firmware::FirmwarePackage::FormatDefaults(text, defaults);
  return 0;
}
