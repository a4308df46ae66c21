#pragma once

#include <filesystem>

#include "firmware/StepTimes.h"

namespace zel::cli {

// Where zelctl keeps what it remembers between runs, and the step durations of the last
// download in it: $ZELCTL_CONFIG_DIR when set, else $XDG_CONFIG_HOME/zelctl, else
// ~/.config/zelctl. A missing or unreadable file leaves the initial durations.
class StepTimesFile {
 public:
  static std::filesystem::path Directory();
  static std::filesystem::path Path() { return Directory() / "StepTimes.txt"; }
  static void Load(firmware::StepTimes& times);
  // False with errorText when the file could not be written; the old file then stays.
  static bool Save(const firmware::StepTimes& times, std::string& errorText);
};

}  // namespace zel::cli
