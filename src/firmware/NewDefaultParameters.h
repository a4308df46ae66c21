#pragma once

#include <string>
#include <vector>

#include "parameters/ParameterDevice.h"
#include "parameters/SystemParameterBlock.h"

namespace zel::firmware {

// The new firmware's default system parameters, written after a successful download so that no
// value of the old version is read with the new one's meaning. The defaults are written with
// enabling by software (the drive cannot start on its input meanwhile), then the ZEL's own enable
// source is put back before everything is saved to the EEPROM.
//
// User-interface thread (or zelctl's one thread).
class NewDefaultParameters {
 public:
  static constexpr const char* kWritten = "The new default parameters are written!";
  static constexpr const char* kSaved = "The new default parameters are saved to EEPROM!";
  static constexpr const char* kSaveFailed = "Error saving the new default parameters to EEPROM!";
  static constexpr const char* kWriteFailed = "Error writing new default parameter!";
  static constexpr const char* kNoDefaults =
      "The default values of the new firmware cannot be read from 'SystemParameter.ini'!";

  struct Outcome {
    bool written = false;
    bool saved = false;
    std::vector<std::string> messages;  // the boxes, in order
  };

  // The 42 defaults of one version of a package; false unless they make exactly the 84 bytes the
  // ZEL's block holds.
  static bool Read(const std::string& packagePath, const std::string& directory,
                   parameters::SystemParameterBlock& defaults);

  static Outcome Write(const parameters::SystemParameterBlock& defaults,
                       parameters::ParameterDevice& device);
};

}  // namespace zel::firmware
