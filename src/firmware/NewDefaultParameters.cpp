#include "firmware/NewDefaultParameters.h"

#include <cstdint>

#include "firmware/FirmwarePackage.h"
#include "parameters/CParameterTable.h"
#include "parameters/ParameterDefinitionLoader.h"

namespace zel::firmware {

namespace {

constexpr std::int16_t kSysConfig = 1;
constexpr std::uint16_t kSoftwareEnablingBit = 0x1000;
constexpr int kBlockBytes = 84;

}  // namespace

bool NewDefaultParameters::Read(const std::string& packagePath, const std::string& directory,
                                parameters::SystemParameterBlock& defaults) {
  FirmwarePackage package;
  std::vector<std::uint8_t> text;
  if (!package.Open(packagePath) ||
      !package.ReadEntry(directory + "\\Parameter\\", "SystemParameter.ini", text))
    return false;
  parameters::CParameterTable table;
  table.Clear();
  if (!parameters::ParameterDefinitionLoader::LoadFile(text, true, table)) return false;
  // The block is the ZEL's 84 bytes; definitions of another size would shift every value.
  int bytes = 0;
  for (int i = 0; i < table.SystemCount(); ++i) bytes += table.ByteSize(table.NumberAt(i));
  if (bytes != kBlockBytes || table.SystemCount() != parameters::SystemParameterBlock::kWordCount)
    return false;
  table.DefaultsBlock(defaults);
  return true;
}

NewDefaultParameters::Outcome NewDefaultParameters::Write(
    const parameters::SystemParameterBlock& defaults, parameters::ParameterDevice& device) {
  Outcome outcome;
  // The enable source the ZEL has now is the one it keeps.
  std::uint32_t sysConfig = 0;
  const bool knewSource = device.ReadTempParam(kSysConfig, 0, sysConfig);
  const bool softwareEnabling = !knewSource || (sysConfig & kSoftwareEnablingBit) != 0;
  parameters::SystemParameterBlock block = defaults;
  block.words[kSysConfig] |= kSoftwareEnablingBit;
  auto restoreSource = [&] {
    parameters::SystemParameterBlock now;
    if (!device.ReadAllTempParam(now)) return false;
    std::uint16_t word = now.words[kSysConfig];
    word = softwareEnabling ? static_cast<std::uint16_t>(word | kSoftwareEnablingBit)
                            : static_cast<std::uint16_t>(word & ~kSoftwareEnablingBit);
    return word == now.words[kSysConfig] || device.SetTempParam(kSysConfig, 0, word);
  };
  if (!device.WriteAllTempParam(block)) {
    outcome.messages.push_back(kWriteFailed);
    restoreSource();
    return outcome;
  }
  outcome.written = true;
  outcome.messages.push_back(kWritten);
  restoreSource();
  outcome.saved = device.SaveTempParam();
  outcome.messages.push_back(outcome.saved ? kSaved : kSaveFailed);
  return outcome;
}

}  // namespace zel::firmware
