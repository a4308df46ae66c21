#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "parameters/ParameterDevice.h"
#include "ui/Host.h"

namespace zel::parameters {

class CParameterTable;

// One system parameter as a parameter file keeps it. Entries carry no number: entry i is
// parameter i.
struct ParameterFileEntry {
  std::string name;
  std::string defaultText;  // "%i"; written for the reader's eyes, never used
  std::uint16_t width = 0;
  std::string value;  // "0x%.4X" of the low 16 bits

  bool operator==(const ParameterFileEntry&) const = default;
};

// An uploaded parameter set: the ".udf" file, its text export and its printed protocol.
//
// The binary form is the framework's archive: eight strings (signature, directory, date,
// version, application, visum, comment, module ID as "0x%.4X"), the entry count as int32, then
// per entry name, default, width (word) and value. A file written by older tools has another
// signature and is refused, since its entries cannot be trusted to mean the same parameters.
class CParameterFile {
 public:
  static constexpr const char* kSignature = "ParameterFirmwareFile Version 1.01 ";
  static constexpr const char* kTooOld = "File version is to old!";
  static constexpr const char* kFilter = "UpDownload Files (*.udf)|*.udf||";

  enum class ReadResult { kOk, kTooOld, kMalformed, kUnreadable };

  std::string directory;
  std::string date;
  std::string version;
  std::string application;
  std::string visum = "-";
  std::string comment = "-";
  std::uint16_t moduleId = 0;
  std::vector<ParameterFileEntry> entries;

  bool operator==(const CParameterFile&) const = default;

  // "ZEL_%.4Xh_%.4Xh" of software and hardware version.
  static std::string VersionText(const DeviceIdentity& identity);
  // "     AppVersion: %.4Xh     AppNumber: %.4Xh".
  static std::string ApplicationText(const DeviceIdentity& identity);
  // A version text without the last two digits of the hardware version (positions 12 and 13):
  // files and devices that differ only there take each other's parameters.
  static std::string CompatibleVersion(const std::string& version);
  // The file of module m in a network upload: "_ModuleId_%i" before the last four characters.
  static std::string ModuleFileName(const std::string& chosen, int module);
  // The text export's name: the last three characters replaced by "txt".
  static std::string TextFileName(const std::string& path);
  // Now as "%d.%m.%Y %H:%M".
  static std::string Now();

  // The header of an upload made now from a device with that identity, to be written to path.
  void SetUploadHeader(const std::string& path, const DeviceIdentity& identity,
                       const std::string& visumText, const std::string& commentText);
  // Fills the entries from the device, one ReadTempParam per system definition, and the module
  // ID; header texts are the caller's. False at the first failed read, or before the next read
  // when stop says so; nothing changes then.
  bool ReadFromDevice(const CParameterTable& table, ParameterDevice& device,
                      const std::function<bool()>& stop = {});

  std::vector<std::uint8_t> Serialize() const;
  // Replaces this object only when the bytes are a whole file with the current signature.
  ReadResult Parse(const std::vector<std::uint8_t>& bytes);
  // Reads path; errorText says why not (for kTooOld it is kTooOld). Nothing changes on failure.
  ReadResult Read(const std::filesystem::path& path, std::string& errorText);
  // Writes through a temporary file renamed over path, so a failed write keeps the old file.
  bool Write(const std::filesystem::path& path, std::string& errorText) const;

  // The value of entry i as a 16-bit word; false when its text is empty or no hexadecimal word
  // (an empty value was never read from a ZEL).
  bool Value(std::size_t i, std::uint16_t& word) const;

  // The fixed-column protocol, every line ending in a blank and CR LF.
  std::string TextProtocol() const;
  // The printed protocol in pages of at most linesPerPage lines, each page closed by its footer;
  // printedAt is the footer's "%i. Month %i %.2i:%.2i".
  ui::PrintJob PrintProtocol(int linesPerPage, const std::string& printedAt) const;
  // The footer's date text for now.
  static std::string PrintDate();

 private:
  std::vector<std::string> ProtocolHeader(bool printed) const;
};

}  // namespace zel::parameters
