#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace zel::parameters {
class CParameterTable;
class ParameterDevice;
}  // namespace zel::parameters

namespace zel::cli {

// The ZEL's parameters saved to a parameter file in zelctl's settings directory before
// something may replace them (a firmware download). The name tells when, which module and which
// firmware it came from, ZEL_<yyyymmdd-hhmmss>_0x<module id>_<software version>.udf, with a
// counter added when a file of that name is already there, so no backup replaces another.
class ParameterBackup {
 public:
  struct Result {
    bool ok = false;
    std::string path;                   // the file written
    std::uint16_t softwareVersion = 0;  // of the firmware it came from
    std::string error;                  // why there is none
  };

  static Result Save(const parameters::CParameterTable& table, parameters::ParameterDevice& device,
                     const std::filesystem::path& directory);
};

}  // namespace zel::cli
