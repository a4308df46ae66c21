#pragma once

#include <cstdint>
#include <span>

#include "parameters/CParameterTable.h"

namespace zel::parameters {

// Reads parameter definition files ("SystemParameter.ini", "StatusParameter.ini") into a table.
//
// A file is a run of sections "Parameter%i" numbered consecutively from the number of its first
// "Parameter*" section; the first missing or invalid section ends the run without complaint.
class ParameterDefinitionLoader {
 public:
  // Appends the sections of one definition file to table (as system or as status definitions).
  // False when the file has no "Parameter*" section ending in a number.
  static bool LoadFile(std::span<const std::uint8_t> text, bool system, CParameterTable& table);
};

}  // namespace zel::parameters
