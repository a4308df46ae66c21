#pragma once

#include <cstdint>
#include <string>

#include "parameters/CParameterTable.h"

namespace zel::cli {

// A parameter as a technician names it on the command line: by number ("17") or by name
// ("MaxSpeed"). Names that several definitions share ("InternalParam") must be given by number.
class ParameterRef {
 public:
  // Resolves text against the current definitions. On failure returns false and sets error.
  static bool Resolve(const parameters::CParameterTable& table, const std::string& text,
                      parameters::ParameterDefinition& definition, std::string& error);
};

}  // namespace zel::cli
