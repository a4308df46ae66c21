#include "can/CanModule.h"

#include <array>
#include <span>
#include <string>

#include "can/GatewayLine.h"
#include "link/CAttentionDlg.h"
#include "link/CanGateway.h"
#include "link/ParameterGroup.h"
#include "parameters/CParameterTable.h"
#include "ui/Host.h"

namespace zel::can {

namespace {

constexpr int16_t kSysConfig = 1;
constexpr uint16_t kSoftwareEnabling = 0x1000;
constexpr uint16_t kStatusEnabled = 0x4000;
constexpr std::size_t kBlockBytes = 84;

std::string ModuleText(const char* before, uint16_t id, const char* after) {
  return before + std::to_string(id) + after;
}

}  // namespace

const char* const CanModule::kVersionMismatch =
    "The ZEL version in the CAN network is not the same as the connected ZEL at the RS232 "
    "port!\n\nBecause of compatiblity the following dialog can't be displayed. Update your ZEL "
    "or connected the ZEL to the RS232 port!";
const char* const CanModule::kQuartzMismatch =
    "The quartz frequence from the ZEL version in the CAN network \nis not the same as the "
    "connected ZEL at the RS232 port!\n\nBecause of compatibility the following dialog can't be "
    "displayed. \n\nEnclose your ZEL or connected the ZEL to the RS232 port!";
const char* const CanModule::kVersionAndQuartzMismatch =
    "The ZEL version in the CAN network is not the same as the connected ZEL at the RS232 "
    "port!\n\nBecause of compatiblity the following dialog can't be displayed. \n\nUpdate your "
    "ZEL or connected the ZEL to the RS232 port!";
const char* const CanModule::kSoftwareMismatch =
    "The software version of the ZEL in the CAN network is not \nthe same as the connected ZEL "
    "at the RS232 port!\n\nBecause of compatiblity the following dialog can't be displayed. "
    "\n\nDownload another firmware becauce of the compatibility!";

CanModule::CanModule(link::CanGateway& gateway, link::ParameterGroup& serial)
    : gateway_(gateway), serial_(serial) {}

bool CanModule::Destination(uint16_t& destination) const {
  return gateway_.ObtainDestination(destination);
}

bool CanModule::Send(uint16_t destination, uint8_t opcode, std::initializer_list<uint16_t> words) {
  if (!Destination(destination)) return false;
  return Counted(
      gateway_.sendToModule(destination, opcode, std::span(words.begin(), words.size())));
}

bool CanModule::Counted(bool ok) {
  if (ok || gateway_.Link() == nullptr || !GatewayLine(*gateway_.Link()).GatewaySilent())
    silentInARow_.store(0);
  else
    silentInARow_.fetch_add(1);
  return ok;
}

bool CanModule::LineDead() const {
  return silentInARow_.load() >= GatewayLine::kTries;
}

bool CanModule::ReadSysStatus(uint16_t destination, uint16_t& status) {
  if (!Destination(destination)) return false;
  const uint16_t params[] = {0};
  return Counted(
      gateway_.readFromModule(destination, kReadSysStatus, params, std::span(&status, 1)));
}

bool CanModule::ReadError(uint16_t destination, uint16_t& error) {
  if (!Destination(destination)) return false;
  const uint16_t params[] = {0};
  return gateway_.readFromModule(destination, kReadError, params, std::span(&error, 1));
}

bool CanModule::ClearError(uint16_t destination) {
  return Send(destination, kClearError, {0});
}

bool CanModule::ResetSoftware(uint16_t destination) {
  return Send(destination, kResetSoftware, {0});
}

bool CanModule::EnableModule(uint16_t destination, bool enable) {
  return Send(destination, kEnableModule, {static_cast<uint16_t>(enable ? 1 : 0)});
}

bool CanModule::Service(uint16_t destination, const std::string& password, uint16_t& answer) {
  if (password.size() != 4) return false;
  if (!Destination(destination)) return false;
  auto byte = [&](std::size_t i) {
    return static_cast<uint16_t>(static_cast<uint8_t>(password[i]));
  };
  const uint16_t params[] = {static_cast<uint16_t>(byte(0) | (byte(1) << 8)),
                             static_cast<uint16_t>(byte(2) | (byte(3) << 8))};
  return gateway_.readFromModule(destination, kService, params, std::span(&answer, 1));
}

bool CanModule::SetAddrVariable(uint16_t destination, uint16_t address, uint16_t width,
                                uint16_t value) {
  if (width != 0) return false;
  return Send(destination, kSetAddrVariable, {address, 0, value});
}

bool CanModule::ReadAddrVariable(uint16_t destination, uint16_t address, uint16_t width,
                                 uint32_t& value) {
  if (!Destination(destination)) return false;
  const uint16_t params[] = {address, static_cast<uint16_t>(width == 0 ? 0 : 1)};
  std::array<uint16_t, 2> answer{};
  const std::size_t count = width == 0 ? 1 : 2;
  if (!gateway_.readFromModule(destination, kReadAddrVariable, params,
                               std::span(answer).first(count))) {
    return false;
  }
  value = width == 0 ? answer[0] : (static_cast<uint32_t>(answer[0]) << 16) | answer[1];
  return true;
}

bool CanModule::ReadTempParam(uint16_t destination, int16_t number, uint16_t width,
                              uint32_t& value) {
  if (!Destination(destination)) return false;
  return gateway_.ReadModuleTempParam(destination, number, width, value);
}

bool CanModule::ReadTempParamChecked(uint16_t destination, int16_t number, uint16_t width,
                                     uint32_t& value) {
  if (!Destination(destination)) return false;
  const uint16_t params[] = {static_cast<uint16_t>(number), width == 0 ? uint16_t{0} : uint16_t{1}};
  std::array<uint16_t, 2> answer{};
  const std::size_t count = width == 0 ? 1 : 2;
  for (int attempt = 0; attempt < link::CanGateway::kTempParamTries; ++attempt) {
    if (Counted(gateway_.readFromModule(destination, link::ParameterGroup::kReadTempParam, params,
                                        std::span(answer).first(count)))) {
      // A 32-bit value comes high word first.
      value = width == 0 ? answer[0] : (static_cast<uint32_t>(answer[0]) << 16) | answer[1];
      return true;
    }
    if (LineDead()) return false;
  }
  return false;
}

bool CanModule::WriteTempParam(uint16_t destination, int16_t number, uint16_t width,
                               uint32_t value) {
  if (width != 0) return false;
  return Send(destination, kWriteTempParam,
              {static_cast<uint16_t>(number), 0, static_cast<uint16_t>(value)});
}

bool CanModule::ResetTempParam(uint16_t destination) {
  return Send(destination, kResetTempParam, {0});
}

bool CanModule::SaveTempParam(uint16_t destination) {
  return Send(destination, kSaveTempParam, {0});
}

bool CanModule::ReadVersion(uint16_t destination, uint16_t& softwareVersion,
                            uint16_t& hardwareVersion) {
  if (!Destination(destination)) return false;
  return gateway_.ReadModuleVersion(destination, softwareVersion, hardwareVersion);
}

bool CanModule::ReadApplication(uint16_t destination, uint16_t& applicationNumber,
                                uint16_t& applicationVersion) {
  if (!Destination(destination)) return false;
  const uint16_t params[] = {1};
  std::array<uint16_t, 2> answer{};
  if (!gateway_.readFromModule(destination, link::ParameterGroup::kReadVersion, params, answer)) {
    return false;
  }
  applicationNumber = answer[0];
  applicationVersion = answer[1];
  return true;
}

bool CanModule::SetVelocity(uint16_t destination, int16_t velocity) {
  return Send(destination, kSetVelocity, {static_cast<uint16_t>(velocity)});
}

bool CanModule::SetCurrent(uint16_t destination, int16_t current) {
  return Send(destination, kSetCurrent, {static_cast<uint16_t>(current)});
}

bool CanModule::ReadVelocityIsMust(uint16_t destination, uint16_t selector, int16_t& actual,
                                   int16_t& demand) {
  if (!Destination(destination)) return false;
  const uint16_t params[] = {selector};
  std::array<uint16_t, 2> answer{};
  if (!gateway_.readFromModule(destination, kReadVelocityIsMust, params, answer)) return false;
  actual = static_cast<int16_t>(answer[0]);
  demand = static_cast<int16_t>(answer[1]);
  return true;
}

bool CanModule::ReadCurrentIsMust(uint16_t destination, uint16_t selector, uint16_t second,
                                  uint16_t (&values)[3]) {
  if (!Destination(destination)) return false;
  const uint16_t params[] = {selector, second};
  return gateway_.readFromModule(destination, kReadCurrentIsMust, params, values);
}

bool CanModule::ReadAllTempParam(uint16_t destination, parameters::SystemParameterBlock& block) {
  if (!Destination(destination)) return false;
  const parameters::CParameterTable* table = gateway_.Definitions();
  if (table == nullptr) return false;
  std::size_t offset = 0;
  for (int index = 0; index < table->SystemCount(); ++index) {
    const parameters::ParameterDefinition definition = table->At(index);
    const bool wide = definition.width == parameters::ParameterDefinition::kWidth32;
    const std::size_t bytes = wide ? 4 : 2;
    if (offset + bytes > kBlockBytes) return false;
    uint32_t value = 0;
    // The block is saved to files and written back: a 0 given for an unanswered read would be
    // taken for the module's value.
    if (!ReadTempParamChecked(destination, definition.number, wide ? 1 : 0, value)) return false;
    // The block holds the values packed in number order, a 32-bit one low word first.
    block.words[offset / 2] = static_cast<uint16_t>(value);
    if (wide) block.words[offset / 2 + 1] = static_cast<uint16_t>(value >> 16);
    offset += bytes;
  }
  return true;
}

bool CanModule::WriteAllTempParam(uint16_t destination,
                                  const parameters::SystemParameterBlock& block) {
  if (!Destination(destination)) return false;
  const parameters::CParameterTable* table = gateway_.Definitions();
  if (table == nullptr) return false;
  std::size_t offset = 0;
  for (int index = 0; index < table->SystemCount(); ++index) {
    const parameters::ParameterDefinition definition = table->At(index);
    if (definition.width == parameters::ParameterDefinition::kWidth32) return false;
    if (offset + 2 > kBlockBytes) return false;
    if (!WriteTempParam(destination, definition.number, 0, block.words[offset / 2])) return false;
    offset += 2;
  }
  return true;
}

bool CanModule::ReadSysConfig(uint16_t destination, uint16_t& sysConfig) {
  // Unlike a parameter shown on a page, a word that is read, changed and written back must not
  // fall back to 0: that would write 0 over the module's configuration.
  const uint16_t params[] = {static_cast<uint16_t>(kSysConfig), 0};
  for (int attempt = 0; attempt < link::CanGateway::kTempParamTries; ++attempt) {
    if (Counted(gateway_.readFromModule(destination, link::ParameterGroup::kReadTempParam, params,
                                        std::span(&sysConfig, 1)))) {
      return true;
    }
    if (LineDead()) return false;
  }
  return false;
}

bool CanModule::QuitServiceMode(uint16_t destination) {
  if (!Destination(destination)) return false;
  uint16_t sysConfig = 0;
  if (!ReadSysConfig(destination, sysConfig)) return false;
  return WriteTempParam(destination, kSysConfig, 0, sysConfig & 0xBFFF);
}

bool CanModule::ReadIdentity(uint16_t destination, Identity& identity) {
  if (!Destination(destination)) return false;
  Identity serial;
  if (!serial_.ReadVersion(serial.softwareVersion, serial.hardwareVersion, serial.applicationNumber,
                           serial.applicationVersion)) {
    return false;
  }
  uint16_t ownId = 0;
  if (!gateway_.ReadModuleID(ownId)) return false;
  if (!ReadVersion(destination, identity.softwareVersion, identity.hardwareVersion)) return false;
  identity.applicationNumber = 0;
  identity.applicationVersion = 0;
  if (identity.softwareVersion < kNewFirmware) return true;
  if (destination == ownId) {
    identity.applicationNumber = serial.applicationNumber;
    identity.applicationVersion = serial.applicationVersion;
    return true;
  }
  return ReadApplication(destination, identity.applicationNumber, identity.applicationVersion);
}

bool CanModule::ReadVersions(uint16_t destination, Versions& versions) {
  if (!Destination(destination)) return false;
  uint16_t applicationNumber = 0;
  uint16_t applicationVersion = 0;
  if (!serial_.ReadVersion(versions.serialSoftware, versions.serialHardware, applicationNumber,
                           applicationVersion)) {
    return false;
  }
  return ReadVersion(destination, versions.moduleSoftware, versions.moduleHardware);
}

bool CanModule::SimpleVersionCheck(uint16_t destination, bool messages) {
  Versions versions;
  if (!ReadVersions(destination, versions)) return false;
  if (versions.serialSoftware == versions.moduleSoftware &&
      versions.serialHardware == versions.moduleHardware) {
    return true;
  }
  if (messages) ui::CurrentHost().ShowMessage(kVersionMismatch);
  return false;
}

const char* CanModule::CompatibilityMessage(const Versions& versions) {
  const bool s = versions.serialSoftware >= kNewFirmware;
  const bool m = versions.moduleSoftware >= kNewFirmware;
  const bool q = (versions.serialHardware & kQuartzBit) == (versions.moduleHardware & kQuartzBit);
  if (s == m) return q ? nullptr : kQuartzMismatch;
  return q ? kSoftwareMismatch : kVersionAndQuartzMismatch;
}

bool CanModule::CompatibilityCheck(uint16_t destination, bool messages) {
  Versions versions;
  if (!ReadVersions(destination, versions)) return false;
  const char* message = CompatibilityMessage(versions);
  if (message == nullptr) return true;
  if (messages) ui::CurrentHost().ShowMessage(message);
  return false;
}

bool CanModule::PrepareForWriting(uint16_t destination, bool messages, Enabling& before) {
  if (!Destination(destination)) return false;
  uint16_t sysConfig = 0;
  uint16_t status = 0;
  if (!ReadSysConfig(destination, sysConfig)) return false;
  if (!ReadSysStatus(destination, status)) return false;
  before.sysConfig = static_cast<uint16_t>(sysConfig);
  before.byCommand = (sysConfig & kSoftwareEnabling) != 0;
  before.enabled = (status & kStatusEnabled) != 0;
  if (messages && before.enabled) {
    ui::CurrentHost().ShowMessage(ModuleText("The CAN Module ", destination, " will be disabled!"));
  }
  // The service bit is the module's session; writing it back unchanged keeps it.
  before.written = true;
  if (!WriteTempParam(destination, kSysConfig, 0, before.sysConfig | kSoftwareEnabling)) {
    return false;
  }
  return EnableModule(destination, false);
}

bool CanModule::RestoreAfterWriting(uint16_t destination, bool messages, const Enabling& before) {
  if (!Destination(destination)) return false;
  uint16_t current = 0;
  if (!ReadSysConfig(destination, current)) return false;
  // Only the enabling bit goes back: the parameters just written stay.
  const uint16_t restored = static_cast<uint16_t>((current & ~kSoftwareEnabling) |
                                                  (before.sysConfig & kSoftwareEnabling));
  if (!before.byCommand) {
    // The module follows its input 'Enable' as soon as the word is written.
    if (messages) {
      const bool confirmed =
          confirm_ ? confirm_(destination) : link::CAttentionDlg::ConfirmModule(destination);
      if (!confirmed) return true;
    }
    return WriteTempParam(destination, kSysConfig, 0, restored);
  }
  if (!WriteTempParam(destination, kSysConfig, 0, restored)) return false;
  if (!before.enabled) return EnableModule(destination, false);
  bool enable = true;
  if (messages) {
    enable = ui::CurrentHost().AskYesNo(
        ModuleText("Do you really want to enable the CAN Module ", destination, "?"));
  }
  return EnableModule(destination, enable);
}

}  // namespace zel::can
