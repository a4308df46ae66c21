#pragma once

#include <cstdint>
#include <string>

#include "parameters/CParameterTable.h"

namespace zel::cli {

// A parameter as a technician names it on the command line: by number ("17", "0x11") or by name
// in any case ("MaxSpeed", "maxspeed"). Names that several definitions share ("InternalParam")
// must be given by number. An unknown name is answered with the nearest known names, since the
// usual cause is a typo or a half-remembered name.
class ParameterRef {
 public:
  enum class Outcome { kFound, kMalformed, kUnknown };

  // Resolves text against the current definitions; on failure error says why. kMalformed is a
  // wrong command line (an empty text, a number that is no number); kUnknown names nothing the
  // ZEL's definitions hold.
  static Outcome Resolve(const parameters::CParameterTable& table, const std::string& text,
                         parameters::ParameterDefinition& definition, std::string& error);

  // The edit distance between a and b, ignoring case.
  static int Distance(const std::string& a, const std::string& b);
};

}  // namespace zel::cli
