#pragma once

#include <cstdint>
#include <string>

#include "cli/LinkFailure.h"

namespace zel::cli {

// What the system says about a device path that the link could not open. The link only knows
// "could not be opened" (0x80); a technician needs to know whether the adapter is missing, whether
// the account lacks the device's group, or which program holds the line.
struct PortFacts {
  enum class Problem { kNone, kAbsent, kPermission, kBusy, kNotSerial };
  Problem problem = Problem::kNone;
  std::string group;   // the device's group, for kPermission
  std::string holder;  // "name (pid N)" of a process holding the device, for kBusy when known
  int osError = 0;     // errno of the failed look, for a message when no problem is recognised
};

class PortDiagnosis {
 public:
  // Looks at path the way opening it would: exists, may be read and written, takes an exclusive
  // lock, is a terminal. Opens the device briefly (without becoming its controlling terminal).
  static PortFacts Examine(const std::string& path);
  // The message naming the cause and its remedy, and the JSON cause ("absent", "permission",
  // "busy", "notSerial", "config" or "open"). code is the port's result of the failed open.
  static LinkFailure Explain(const std::string& path, const PortFacts& facts, uint8_t code,
                             int32_t baud);
};

}  // namespace zel::cli
