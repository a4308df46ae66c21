#pragma once

#include <cstdint>
#include <string>

#include "cli/JsonWriter.h"

namespace zel::link {
class ZelCommunication;
}

namespace zel::cli {

class CommandContext;

// How the drive stands, read back from the ZEL after a command that meant to change it: the
// enable source (SysConfig bit 12: set = by software, clear = by the digital input 'Enable') and
// the status word (bit 13 stopped, bit 14 enabled). A command's own acceptance says only that
// the frame arrived; this is what the drive actually does.
struct DriveState {
  uint16_t sysConfig = 0;
  uint16_t status = 0;

  // Reads both words after `done` (what the command already did, "Enable was sent"). Returns
  // kExitOk, or the exit status of a failure that names the read that failed.
  static int ReadBack(CommandContext& ctx, link::ZelCommunication& zel, const std::string& done,
                      DriveState& state);

  bool SoftwareEnabling() const;
  bool Enabled() const;
  bool Stopped() const;
  // "enabling by software" or "enabling by the digital input 'Enable'".
  std::string EnableSource() const;
  // driveEnabled, softwareEnabling, stopped and the status word.
  JsonWriter Json() const;
};

}  // namespace zel::cli
