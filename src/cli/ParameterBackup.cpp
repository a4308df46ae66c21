#include "cli/ParameterBackup.h"

#include <cstdio>
#include <ctime>
#include <system_error>

#include "parameters/CParameterFile.h"
#include "parameters/ParameterDevice.h"
#include "parameters/ParameterTransfer.h"

namespace zel::cli {

namespace {

constexpr std::int16_t kModuleIdParameter = 30;

std::string Stamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
  return text;
}

}  // namespace

ParameterBackup::Result ParameterBackup::Save(const parameters::CParameterTable& table,
                                              parameters::ParameterDevice& device,
                                              const std::filesystem::path& directory) {
  Result result;
  parameters::DeviceIdentity identity;
  std::uint32_t moduleId = 0;
  if (!device.ReadVersion(identity) || !device.ReadTempParam(kModuleIdParameter, 0, moduleId)) {
    result.error = "The ZEL does not answer: its parameters cannot be read.";
    return result;
  }
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (error) {
    result.error = "Cannot create " + directory.string() + ": " + error.message();
    return result;
  }
  char base[64];
  std::snprintf(base, sizeof base, "ZEL_%s_0x%.2x_%.4x", Stamp().c_str(),
                static_cast<unsigned>(moduleId & 0xFFFF), identity.softwareVersion);
  std::filesystem::path path = directory / (std::string(base) + ".udf");
  for (int n = 2; std::filesystem::exists(path, error); ++n)
    path = directory / (std::string(base) + "_" + std::to_string(n) + ".udf");
  parameters::ParameterTransfer transfer(table, device);
  parameters::CParameterFile file;
  const auto outcome =
      transfer.Upload(path.string(), "-", "Backup before a firmware download", file);
  if (!outcome.ok) {
    result.error = outcome.message;
    return result;
  }
  result.ok = true;
  result.path = path.string();
  result.softwareVersion = identity.softwareVersion;
  return result;
}

}  // namespace zel::cli
