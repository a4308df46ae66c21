#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel::firmware {

// One firmware version of a package as the tool knows it. Copied by value; two records are the
// same version when their four version words agree, whatever their texts, dates and lists say.
struct FirmwareInfo {
  std::string packagePath;       // full path of the package file
  std::string packageDirectory;  // storage below the root holding this version
  std::int32_t date = 0;         // seconds since 1970, local time
  std::string visum;
  std::string meaning;
  std::uint16_t softwareVersion = 0;
  std::uint16_t hardwareVersion = 0;
  std::uint16_t applicationNumber = 0;
  std::uint16_t applicationVersion = 0;
  std::string sampleNumber;
  std::vector<std::string> binaryFiles;
  std::vector<std::string> parameterFiles;
  std::vector<std::string> docFiles;
  std::vector<std::string> variousFiles;

  bool SameVersion(const FirmwareInfo& other) const {
    return softwareVersion == other.softwareVersion && hardwareVersion == other.hardwareVersion &&
           applicationNumber == other.applicationNumber &&
           applicationVersion == other.applicationVersion;
  }
  bool operator==(const FirmwareInfo& other) const { return SameVersion(other); }
};

}  // namespace zel::firmware
