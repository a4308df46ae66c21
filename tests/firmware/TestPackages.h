#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "PackageBuilder.h"
#include "support/TestOutput.h"

namespace zel::test {

// Joins lines with CR LF, the only line end the package's text members know.
inline std::string CrLf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

struct SummaryVersions {
  std::string software = "0x1040";
  std::string hardware = "0x0200";
  std::string applicationNumber = "0x0001";
  std::string applicationVersion = "0x0100";
};

// A complete "Summary.txt" listing every required file and the two error maps.
inline std::string SummaryText(const SummaryVersions& v = {}, const std::string& meaning = "Test") {
  return CrLf({"[Header]",
               "Date=05.03.2024 14:07",
               "Visum=QA",
               "Meaning=" + meaning,
               "",
               "[Version]",
               "SoftwareVersion=" + v.software,
               "HardwareVersion=" + v.hardware,
               "ApplicationNumber=" + v.applicationNumber,
               "ApplicationVersion=" + v.applicationVersion,
               "SampleNumber=S-7",
               "",
               "[BinaryFiles]",
               "BinaryFile0=BinaryFiles\\ZelCode.out",
               "BinaryFile1=BinaryFiles\\FlshCtrl.out",
               "BinaryFile2=BinaryFiles\\TiBoot.out",
               "",
               "[ParameterFiles]",
               "ParameterFile0=Parameter\\SystemParameter.ini",
               "ParameterFile1=Parameter\\StatusParameter.ini",
               "",
               "[DocFiles]",
               "DocFile0=DocFiles\\ReadMe.txt",
               "",
               "[VariousFiles]",
               "VariousFile0=StandardErrorMap.ini",
               "VariousFile1=CanErrorMap.ini",
               ""});
}

inline std::string ParameterSection(int section, int number, const std::string& name,
                                    const std::string& type = "INT16",
                                    const std::string& attribute = "2") {
  return CrLf({"[Parameter" + std::to_string(section) + "]", "Number=" + std::to_string(number),
               "Name=" + name, "Type=" + type, "Default=10", "Min=-5", "Max=100", "Unit=rpm",
               "Meaning=Test value " + name, "Attribut=" + attribute, ""});
}

inline std::string ErrorMapText(const std::string& name, const std::vector<std::string>& entries) {
  std::string text =
      CrLf({"[Header]", "Name=" + name, "Meaning=Errors", "NbOfBits=16", "Type=0", ""});
  int section = 0;
  for (const std::string& entry : entries) {
    text += CrLf({"[Error" + std::to_string(section) + "]", "Name=" + entry,
                  "ErrorBit=" + std::to_string(section), "Meaning=" + entry + " happened",
                  "CausedBy=Cause", "Effect=Stop", "Remark=None", "CrossReference=-",
                  "Date=01.02.2023 10.30", "Visum=QA", ""});
    ++section;
  }
  return text;
}

// One version storage with everything a complete version holds.
inline zelpack::PackageNode& AddVersion(zelpack::PackageNode& root, const std::string& directory,
                                        const std::string& summary = SummaryText()) {
  zelpack::PackageNode& version = root.AddStorage(directory);
  version.AddStream("Summary.txt", summary);
  zelpack::PackageNode& binaries = version.AddStorage("BinaryFiles");
  binaries.AddStream("ZelCode.out", "code");
  binaries.AddStream("FlshCtrl.out", "flash");
  binaries.AddStream("TiBoot.out", "boot");
  zelpack::PackageNode& parameters = version.AddStorage("Parameter");
  parameters.AddStream("SystemParameter.ini",
                       ParameterSection(0, 0, "Baudrate") + ParameterSection(1, 1, "SysConfig"));
  parameters.AddStream("StatusParameter.ini",
                       ParameterSection(128, 128, "SysOpStatus", "INT16", "0"));
  version.AddStorage("DocFiles").AddStream("ReadMe.txt", "Read me\r\n");
  zelpack::PackageNode& various = version.AddStorage("VariousFiles");
  various.AddStream(
      "StandardErrorMap.ini",
      ErrorMapText("StandardErrorMap", {"Overcurrent", "Overvoltage", "Undervoltage"}));
  various.AddStream("CanErrorMap.ini", ErrorMapText("CanErrorMap", {"BusOff"}));
  return version;
}

// The scratch folders of this test process, removed when it ends.
inline std::filesystem::path ScratchRoot() {
  struct Root {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("zel-firmware-" + std::to_string(::getpid()));
    ~Root() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  };
  static const Root root;
  return root.path;
}

// A folder of its own for each test, emptied first.
inline std::filesystem::path ScratchDir(const std::string& name) {
  const std::filesystem::path dir = ScratchRoot() / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline std::string WritePackage(const zelpack::PackageNode& root,
                                const std::filesystem::path& path) {
  std::string error;
  if (!zelpack::PackageBuilder::Write(root, path, error)) return {};
  return path.string();
}

inline std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

}  // namespace zel::test
