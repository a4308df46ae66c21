#include "link/StatusGroup.h"

#include <cstdio>

#include "files/ArchiveReader.h"
#include "files/ArchiveWriter.h"

#include "link/ParameterGroup.h"
#include "ui/Host.h"

namespace zel::link {

namespace {
constexpr int16_t kSysConfig = 1;
}

StatusGroup::StatusGroup(SerialLink* link, parameters::CParameterTable* definitions)
    : CommandGroup(link, definitions) {}

bool StatusGroup::ReadWord(uint8_t opcode, uint16_t& value) {
  CommandFrame frame(opcode);
  frame.Bind(value, ResultType::kWord);
  return Execute(frame);
}

bool StatusGroup::ReadSysStatus(uint16_t& status) {
  return ReadWord(kReadSysStatus, status);
}

bool StatusGroup::ReadError(uint16_t& error) {
  return ReadWord(kReadError, error);
}

bool StatusGroup::ClearError() {
  if (!ExecuteBare(kClearError)) return false;
  ShowIfAllowed("Errors are cleared!");
  return true;
}

bool StatusGroup::ResetSoftware() {
  return ExecuteBare(kResetSoftware);
}

bool StatusGroup::SendEnable(uint16_t word) {
  CommandFrame frame(kEnable);
  frame.Put16(word);
  return Execute(frame);
}

bool StatusGroup::DriveEnableState::SoftwareEnabling() const {
  return (sysConfig & ParameterGroup::kSoftwareEnablingBit) != 0;
}

bool StatusGroup::Enable(bool enable, DriveEnableState& after) {
  lastEnableChoice_ = enable;
  if (!SendEnable(enable ? 1 : 0)) return false;
  if (parameters_ == nullptr || !parameters_->ReadTempParam(kSysConfig, after.sysConfig) ||
      !ReadSysStatus(after.status))
    return false;
  std::string text;
  for (const std::string& line : EnableOutcome(enable, after))
    text += (text.empty() ? "" : "\n") + line;
  ShowIfAllowed(text.c_str());
  return true;
}

bool StatusGroup::Enable(bool enable) {
  if (!ShowFlag()) {
    lastEnableChoice_ = enable;
    return SendEnable(enable ? 1 : 0);
  }
  DriveEnableState after;
  return Enable(enable, after) && after.Enabled() == enable;
}

std::vector<std::string> StatusGroup::EnableOutcome(bool enable, const DriveEnableState& after) {
  const bool hardware = !after.SoftwareEnabling();
  if (after.Enabled() == enable) {
    std::vector<std::string> lines{enable ? "The System is enabled!" : "The System is disabled!"};
    if (hardware)
      lines.push_back(std::string("The drive is ") + (enable ? "enabled" : "disabled") +
                      " by the digital input 'Enable' (SysConfig bit 12 clear), not by software.");
    return lines;
  }
  const std::string stays = enable ? "disabled" : "enabled";
  if (hardware)
    return {"The drive stays " + stays +
            ": the digital input 'Enable' decides (SysConfig bit 12 clear), and the Enable "
            "command does not override it. Switch the input " +
            (enable ? "on" : "off") + ", or set SysConfig bit 12 for enabling by software."};
  char word[8];
  std::snprintf(word, sizeof word, "0x%.4X", after.status);
  return {"The ZEL took the Enable command but reports the drive " + stays + " (status word " +
          word + ")."};
}

bool StatusGroup::SuspendEnable(bool& previousSoftwareEnabling, bool& previousEnabled, bool warn) {
  if (suspended_) return true;
  if (parameters_ == nullptr) return false;

  uint16_t sysConfig = 0;
  uint16_t status = 0;
  if (!parameters_->ReadTempParam(kSysConfig, sysConfig)) return false;
  if (!ReadSysStatus(status)) return false;

  previousSoftwareEnabling = (sysConfig & ParameterGroup::kSoftwareEnablingBit) != 0;
  previousEnabled = (status & kDriveEnabledBit) != 0;
  if (warn && previousEnabled) {
    ui::CurrentHost().ShowMessage("The ZEL will be disabled!", ui::Icon::Information);
  }

  // Take the enable source over to software, then switch the drive off by command. From the
  // SysConfig write on the drive may be changed even when an answer is lost, so the suspension
  // counts as active and ResumeEnable has to put it back.
  sysConfig |= ParameterGroup::kSoftwareEnablingBit;
  suspended_ = true;
  if (!parameters_->SetTempParam(kSysConfig, 0, sysConfig)) return false;
  return SendEnable(0);
}

bool StatusGroup::ResumeEnable(bool previousSoftwareEnabling, bool previousEnabled, bool ask) {
  if (!suspended_) return true;
  if (parameters_ == nullptr) return false;

  uint16_t sysConfig = 0;
  if (!parameters_->ReadTempParam(kSysConfig, sysConfig)) return false;

  if (!previousSoftwareEnabling) {
    // Back to hardware enabling: the digital input decides, so no Enable command is sent. The
    // user must confirm that the input is safe before the source changes; without that
    // confirmation SysConfig is left under software enabling (drive off) and the guard ends.
    sysConfig &= static_cast<uint16_t>(~ParameterGroup::kSoftwareEnablingBit);
    bool write = true;
    if (ask) write = confirmHardwareEnabling_ && confirmHardwareEnabling_();
    if (write && !parameters_->SetTempParam(kSysConfig, 0, sysConfig)) return false;
    suspended_ = false;
    return true;
  }

  sysConfig |= ParameterGroup::kSoftwareEnablingBit;
  if (!parameters_->SetTempParam(kSysConfig, 0, sysConfig)) return false;
  uint16_t enableWord = 0;
  if (previousEnabled) {
    enableWord = 1;
    if (ask && !ui::CurrentHost().AskYesNo("Do you really want to enable the ZEL?")) enableWord = 0;
  }
  if (!SendEnable(enableWord)) return false;
  suspended_ = false;
  return true;
}

}  // namespace zel::link

namespace zel::link {

void StatusGroup::WriteInputs(files::ArchiveWriter& archive) const {
  archive.WriteInt32(lastEnableChoice_ ? 1 : 0);
}

void StatusGroup::ReadInputs(files::ArchiveReader& archive) {
  lastEnableChoice_ = archive.ReadInt32() != 0;
}

}  // namespace zel::link
