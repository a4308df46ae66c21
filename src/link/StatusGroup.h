#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "link/CommandGroup.h"

namespace zel::files {
class ArchiveReader;
class ArchiveWriter;
}  // namespace zel::files

namespace zel::link {

class ParameterGroup;

// The status commands (opcodes 1 to 5) and the enable guard that parameter writes and
// regulation-mode changes put around themselves.
class StatusGroup : public CommandGroup {
 public:
  static constexpr uint8_t kReadSysStatus = 1;
  static constexpr uint8_t kReadError = 2;
  static constexpr uint8_t kClearError = 3;
  static constexpr uint8_t kResetSoftware = 4;
  static constexpr uint8_t kEnable = 5;

  // Status word bits.
  static constexpr uint16_t kDriveStoppedBit = 0x2000;
  static constexpr uint16_t kDriveEnabledBit = 0x4000;

  // Asked before the ZEL goes back to hardware enabling (the "ATTENTION!" confirmation); true
  // when the user confirmed that the digital input 'Enable' has been checked.
  using HardwareEnablingConfirmation = std::function<bool()>;

  StatusGroup(SerialLink* link, parameters::CParameterTable* definitions);

  // Wiring: the enable guard reads and writes SysConfig through the parameter group.
  void SetParameterGroup(ParameterGroup* parameters) { parameters_ = parameters; }

  bool ReadSysStatus(uint16_t& status);
  bool ReadError(uint16_t& error);
  // With the show flag: "Errors are cleared!" after success.
  bool ClearError();
  bool ResetSoftware();
  // How the drive stands after a command meant to change it, read back from the ZEL: the
  // acknowledge of Enable says only that the frame arrived, and while SysConfig bit 12 is clear
  // the digital input 'Enable' decides whatever the command asked.
  struct DriveEnableState {
    uint16_t sysConfig = 0;
    uint16_t status = 0;
    bool SoftwareEnabling() const;
    bool Enabled() const { return (status & kDriveEnabledBit) != 0; }
  };

  // Sends Enable (1) or (0), remembers the choice for the next "Enable" dialog and reads SysConfig
  // and the status word back into after. False when an exchange failed. With the show flag, says
  // what the drive does (EnableOutcome).
  bool Enable(bool enable, DriveEnableState& after);
  // Without the show flag only the command; with it as above, and false also when the drive does
  // not do what was asked.
  bool Enable(bool enable);
  // What the drive does after Enable (enable), in the words of both programs: "The System is
  // enabled!" / "The System is disabled!" only when the status word says so (with a line on the
  // input when that is what enables it); otherwise one line saying why it stays as it is.
  static std::vector<std::string> EnableOutcome(bool enable, const DriveEnableState& after);
  // The choice the "Enable" dialog is preset to (initially enable).
  bool LastEnableChoice() const { return lastEnableChoice_; }
  void SetLastEnableChoice(bool enable) { lastEnableChoice_ = enable; }

  // The remembered inputs' record in the settings file. Read replaces them only when the whole
  // record was read; it throws files::ArchiveError otherwise.
  void WriteInputs(files::ArchiveWriter& archive) const;
  void ReadInputs(files::ArchiveReader& archive);

  // Disables the drive by software before parameters are written, reporting how it was enabled
  // (SysConfig bit 12) and whether it was enabled (status bit 14). A second call while a
  // suspension is active succeeds and changes nothing. With warn and an enabled drive, shows
  // "The ZEL will be disabled!". A failure after the SysConfig write leaves the suspension active
  // (EnableSuspended), for ResumeEnable to undo.
  bool SuspendEnable(bool& previousSoftwareEnabling, bool& previousEnabled, bool warn);
  // Restores the enable source and state after SuspendEnable. Does nothing (and succeeds) when no
  // suspension is active. False when an exchange failed; see the .cpp for when the suspension
  // stays active.
  bool ResumeEnable(bool previousSoftwareEnabling, bool previousEnabled, bool ask);
  bool EnableSuspended() const { return suspended_; }

  // The confirmation shown before hardware enabling; unset means "not confirmed".
  void SetHardwareEnablingConfirmation(HardwareEnablingConfirmation confirm) {
    confirmHardwareEnabling_ = std::move(confirm);
  }

 private:
  bool SendEnable(uint16_t word);
  bool ReadWord(uint8_t opcode, uint16_t& value);

  ParameterGroup* parameters_ = nullptr;
  bool lastEnableChoice_ = true;
  bool suspended_ = false;
  HardwareEnablingConfirmation confirmHardwareEnabling_;
};

}  // namespace zel::link
