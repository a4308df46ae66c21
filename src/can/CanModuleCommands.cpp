#include "can/CanModuleCommands.h"

#include <cstdio>
#include <string>
#include <vector>

#include "can/CCanReadValuesDlg.h"
#include "can/CanModule.h"
#include "files/ArchiveReader.h"
#include "files/ArchiveWriter.h"
#include "link/CAddrVariableDlg.h"
#include "link/CCanValueDlg.h"
#include "link/CEnableDlg.h"
#include "link/CReadVersionDlg.h"
#include "link/CServiceDlg.h"
#include "link/CanGateway.h"
#include "monitor/CReadErrorDlg.h"
#include "monitor/CSysStatusDlg.h"
#include "parameters/CParameterTable.h"
#include "ui/Host.h"

namespace zel::can {

namespace {

using ui::CommandOutcome;

constexpr int16_t kCurrentSetValue = 131;
constexpr int16_t kSpeedSetValue = 133;

std::string Titled(const char* what, uint16_t destination) {
  return std::string(what) + " of CAN Module " + std::to_string(destination);
}

CommandOutcome Outcome(bool ok) {
  return ok ? CommandOutcome::kDone : CommandOutcome::kFailed;
}

std::string Hex(uint16_t word) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%.4x", word);
  return text;
}

}  // namespace

bool CanModuleCommands::Begin(uint16_t& destination, uint16_t& softwareVersion) {
  destination = 0;
  if (!module_.Destination(destination)) return false;
  uint16_t hardware = 0;
  return module_.ReadVersion(destination, softwareVersion, hardware);
}

CommandOutcome CanModuleCommands::ReadSysStatus() {
  uint16_t d = 0, software = 0;
  if (!Begin(d, software)) return CommandOutcome::kFailed;
  monitor::CSysStatusDlg dlg(Titled("ReadSysStatus", d),
                             [this, d](uint16_t& word) { return module_.ReadSysStatus(d, word); });
  if (!dlg.RefreshNow()) return CommandOutcome::kFailed;
  dlg.DoModal();
  return CommandOutcome::kDone;
}

CommandOutcome CanModuleCommands::Enable() {
  uint16_t d = 0, software = 0;
  if (!Begin(d, software)) return CommandOutcome::kFailed;
  link::CEnableDlg dlg(lastEnable_);
  dlg.SetTitle("Enable CAN Module " + std::to_string(d));
  if (dlg.DoModal() != ui::kResultOk) return CommandOutcome::kCancelled;
  lastEnable_ = dlg.EnableChosen();
  return Outcome(module_.EnableModule(d, lastEnable_));
}

CommandOutcome CanModuleCommands::ReadError() {
  uint16_t d = 0;
  if (!module_.Destination(d)) return CommandOutcome::kFailed;
  // The errors are named by the connected ZEL's maps: both must run the same firmware.
  if (!module_.SimpleVersionCheck(d)) return CommandOutcome::kFailed;
  monitor::CReadErrorDlg dlg(
      Titled("ReadError", d), monitor::ErrorWordKind::Standard,
      [this, d](uint16_t& word) { return module_.ReadError(d, word); },
      [this, d] { return module_.ClearError(d); }, maps_);
  if (!dlg.RefreshNow()) return CommandOutcome::kFailed;
  dlg.DoModal();
  return CommandOutcome::kDone;
}

CommandOutcome CanModuleCommands::ClearError() {
  return Outcome(module_.ClearError(0));
}

CommandOutcome CanModuleCommands::ResetSoftware() {
  return Outcome(module_.ResetSoftware(0));
}

CommandOutcome CanModuleCommands::SetValue(bool velocity) {
  uint16_t d = 0, software = 0;
  if (!Begin(d, software)) return CommandOutcome::kFailed;
  int16_t& last = velocity ? lastVelocity_ : lastCurrent_;
  const parameters::CParameterTable& table = *module_.Gateway().Definitions();
  link::CCanValueDlg dlg(
      Titled(velocity ? "SetVelocity" : "SetCurrent", d),
      {{velocity ? "Velocity" : "Current", velocity ? kSpeedSetValue : kCurrentSetValue,
        static_cast<uint16_t>(last)}},
      false, table);
  if (dlg.DoModal() != ui::kResultOk) return CommandOutcome::kCancelled;
  last = static_cast<int16_t>(dlg.Value(0));
  return Outcome(velocity ? module_.SetVelocity(d, last) : module_.SetCurrent(d, last));
}

CommandOutcome CanModuleCommands::SetCurrent() {
  return SetValue(false);
}

CommandOutcome CanModuleCommands::SetVelocity() {
  return SetValue(true);
}

CommandOutcome CanModuleCommands::ReadVelocityIsMust() {
  uint16_t d = 0, software = 0;
  if (!Begin(d, software)) return CommandOutcome::kFailed;
  CCanReadValuesDlg dlg(
      Titled("ReadVelocityIsMust", d), {"Velocity actual", "Velocity demand"},
      [this, d](std::vector<std::string>& texts) {
        int16_t actual = 0, demand = 0;
        if (!module_.ReadVelocityIsMust(d, 0, actual, demand)) return false;
        texts = {std::to_string(actual) + " rpm", std::to_string(demand) + " rpm"};
        return true;
      });
  return dlg.Run();
}

CommandOutcome CanModuleCommands::ReadCurrentIsMust() {
  uint16_t d = 0, software = 0;
  if (!Begin(d, software)) return CommandOutcome::kFailed;
  const parameters::CParameterTable& table = *module_.Gateway().Definitions();
  const bool direct = software >= CanModule::kNewFirmware;
  std::vector<std::string> captions;
  if (direct) {
    captions = {"D-axis current", "Q-axis current", "Current demand", table.Name(132)};
  } else {
    for (int16_t n = 129; n <= 132; ++n) captions.push_back(table.Name(n));
  }
  CCanReadValuesDlg dlg(Titled("ReadCurrentIsMust", d), captions,
                        [this, d, direct](std::vector<std::string>& texts) {
                          texts.clear();
                          uint32_t value = 0;
                          if (direct) {
                            uint16_t words[3] = {};
                            if (!module_.ReadCurrentIsMust(d, 0, 0, words)) return false;
                            for (uint16_t word : words)
                              texts.push_back(std::to_string(static_cast<int16_t>(word)));
                            if (!module_.ReadTempParam(d, 132, 0, value)) return false;
                            texts.push_back(std::to_string(static_cast<int16_t>(value)));
                            return true;
                          }
                          for (int16_t n = 129; n <= 132; ++n) {
                            if (!module_.ReadTempParam(d, n, 0, value)) return false;
                            texts.push_back(std::to_string(static_cast<int16_t>(value)));
                          }
                          return true;
                        });
  return dlg.Run();
}

CommandOutcome CanModuleCommands::ResetTempParam() {
  return Outcome(module_.ResetTempParam(0));
}

CommandOutcome CanModuleCommands::SaveTempParam() {
  return Outcome(module_.SaveTempParam(0));
}

CommandOutcome CanModuleCommands::ReadVersion() {
  uint16_t d = 0;
  if (!module_.Destination(d)) return CommandOutcome::kFailed;
  CanModule::Identity id;
  if (!module_.ReadIdentity(d, id)) return CommandOutcome::kFailed;
  link::CReadVersionDlg dlg(id.softwareVersion, id.hardwareVersion, id.applicationNumber,
                            id.applicationVersion);
  dlg.SetTitle(Titled("ReadVersion", d));
  dlg.SetText(link::CReadVersionDlg::kIdApplicationNumber, Hex(id.applicationNumber));
  dlg.SetText(link::CReadVersionDlg::kIdApplicationVersion, Hex(id.applicationVersion));
  dlg.DoModal();
  return CommandOutcome::kDone;
}

CommandOutcome CanModuleCommands::EnterServiceMode() {
  uint16_t d = 0, software = 0;
  if (!Begin(d, software)) {
    ui::CurrentHost().ShowMessage("The communication failed!");
    return CommandOutcome::kCancelled;
  }
  link::CServiceDlg dlg;
  dlg.SetTitle(Titled("Service", d));
  if (dlg.DoModal() != ui::kResultOk) return CommandOutcome::kCancelled;
  uint16_t answer = 0;
  if (!module_.Service(d, dlg.Password(), answer)) {
    ui::CurrentHost().ShowMessage("The communication failed!");
  } else if (answer == CanModule::kServiceAccepted) {
    ui::CurrentHost().ShowMessage("The password is correct!\nYou are in service mode now!");
  } else {
    ui::CurrentHost().ShowMessage("The password is NOT correct!");
  }
  return CommandOutcome::kDone;
}

CommandOutcome CanModuleCommands::QuitServiceMode() {
  uint16_t d = 0, software = 0;
  const bool ok = Begin(d, software) && module_.QuitServiceMode(d);
  ui::CurrentHost().ShowMessage(ok ? "You have just quit the service mode!"
                                   : "Failed quitting service mode!");
  return CommandOutcome::kDone;
}

CommandOutcome CanModuleCommands::EditAddrVariable() {
  uint16_t d = 0, software = 0;
  if (!Begin(d, software)) return CommandOutcome::kFailed;
  link::CReadAddrVariableDlg ask(lastAddrVariable_);
  ask.SetTitle(Titled("ReadAddrVariable", d));
  if (ask.DoModal() != ui::kResultOk) return CommandOutcome::kCancelled;
  lastAddrVariable_.address = ask.Address();
  lastAddrVariable_.format = ask.Format();
  const uint16_t width = link::ServiceGroup::WidthOf(lastAddrVariable_.format);
  uint32_t value = 0;
  if (!module_.ReadAddrVariable(d, lastAddrVariable_.address, width, value))
    return CommandOutcome::kFailed;
  lastAddrVariable_.value = value;
  link::CEditAddrVariableDlg edit(lastAddrVariable_.address, lastAddrVariable_.format, value);
  edit.SetTitle(Titled("EditAddrVariable", d));
  if (edit.DoModal() != ui::kResultOk) return CommandOutcome::kCancelled;
  // A module takes a 16-bit write only; a 32-bit format fails here, unsent.
  if (!module_.SetAddrVariable(d, lastAddrVariable_.address, width,
                               static_cast<uint16_t>(edit.NewValue()))) {
    return CommandOutcome::kFailed;
  }
  lastAddrVariable_.value = edit.NewValue();
  return CommandOutcome::kDone;
}

}  // namespace zel::can

namespace zel::can {

void CanModuleCommands::WriteInputs(files::ArchiveWriter& archive) const {
  archive.WriteInt32(lastEnable_ ? 1 : 0);
  archive.WriteInt16(lastVelocity_);
  archive.WriteInt16(lastCurrent_);
  archive.WriteUInt16(lastAddrVariable_.address);
  archive.WriteUInt8(static_cast<std::uint8_t>(lastAddrVariable_.format));
  archive.WriteUInt32(lastAddrVariable_.value);
}

void CanModuleCommands::ReadInputs(files::ArchiveReader& archive) {
  const bool enable = archive.ReadInt32() != 0;
  const std::int16_t velocity = archive.ReadInt16();
  const std::int16_t current = archive.ReadInt16();
  link::AddrVariableInput addrVariable;
  addrVariable.address = archive.ReadUInt16();
  const std::uint8_t format = archive.ReadUInt8();
  addrVariable.value = archive.ReadUInt32();
  if (format <= static_cast<std::uint8_t>(link::AddrVariableFormat::kUnsigned32))
    addrVariable.format = static_cast<link::AddrVariableFormat>(format);
  lastEnable_ = enable;
  lastVelocity_ = velocity;
  lastCurrent_ = current;
  lastAddrVariable_ = addrVariable;
}

}  // namespace zel::can
