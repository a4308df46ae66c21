#pragma once

#include <cstdint>

#include "link/ServiceGroup.h"
#include "ui/CommandOutcome.h"

namespace zel::monitor {
class CErrorMapList;
}

namespace zel::files {
class ArchiveReader;
class ArchiveWriter;
}  // namespace zel::files

namespace zel::can {

class CanModule;

// The "CAN Communication" entries as the user starts them: each asks for the destination, reads
// the module's version where the entry needs it (a failed read fails without a dialog), runs its
// checks and opens the module's dialog. kFailed is the caller's "Command failed!". UI thread.
class CanModuleCommands {
 public:
  CanModuleCommands(CanModule& module, const monitor::CErrorMapList* maps)
      : module_(module), maps_(maps) {}

  ui::CommandOutcome ReadSysStatus();
  ui::CommandOutcome Enable();
  ui::CommandOutcome ReadError();
  ui::CommandOutcome ClearError();
  ui::CommandOutcome ResetSoftware();
  ui::CommandOutcome SetCurrent();
  ui::CommandOutcome SetVelocity();
  ui::CommandOutcome ReadVelocityIsMust();
  ui::CommandOutcome ReadCurrentIsMust();
  ui::CommandOutcome ResetTempParam();
  ui::CommandOutcome SaveTempParam();
  ui::CommandOutcome ReadVersion();
  // Says its own outcome; never kFailed.
  ui::CommandOutcome EnterServiceMode();
  // Says "You have just quit the service mode!" or "Failed quitting service mode!".
  ui::CommandOutcome QuitServiceMode();
  ui::CommandOutcome EditAddrVariable();

  // The remembered inputs' record in the settings file. Read replaces them only when the whole
  // record was read; it throws files::ArchiveError otherwise.
  void WriteInputs(files::ArchiveWriter& archive) const;
  void ReadInputs(files::ArchiveReader& archive);

 private:
  // Destination, then the module's version; false when either failed.
  bool Begin(uint16_t& destination, uint16_t& softwareVersion);
  ui::CommandOutcome SetValue(bool velocity);

  CanModule& module_;
  const monitor::CErrorMapList* maps_;
  bool lastEnable_ = true;
  int16_t lastVelocity_ = 0;
  int16_t lastCurrent_ = 0;
  link::AddrVariableInput lastAddrVariable_;
};

}  // namespace zel::can
