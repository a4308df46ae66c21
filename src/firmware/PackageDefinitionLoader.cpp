#include "firmware/PackageDefinitionLoader.h"

#include <cstdint>
#include <vector>

#include "firmware/FirmwarePackage.h"
#include "parameters/ParameterDefinitionLoader.h"

namespace zel::firmware {
namespace {

bool LoadFromPackageFile(const FirmwareInfo& current, const char* file, bool system,
                         parameters::CParameterTable& table) {
  FirmwarePackage package;
  std::vector<std::uint8_t> text;
  if (!package.Open(current.packagePath) ||
      !package.ReadEntry(current.packageDirectory + "\\Parameter\\", file, text))
    return false;
  package.Close();
  return parameters::ParameterDefinitionLoader::LoadFile(text, system, table);
}

}  // namespace

bool PackageDefinitionLoader::LoadFromPackage(const FirmwareInfo& current) {
  parameters::CParameterTable loaded;
  loaded.Clear();
  const bool systemRead = LoadFromPackageFile(current, "SystemParameter.ini", true, loaded);
  const bool statusRead =
      systemRead && LoadFromPackageFile(current, "StatusParameter.ini", false, loaded);
  table_ = loaded;
  return systemRead && statusRead;
}

}  // namespace zel::firmware
