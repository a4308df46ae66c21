#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "parameters/CParameterFile.h"
#include "parameters/ParameterDevice.h"

namespace zel::parameters {

class CParameterTable;
class EnableSuspension;

// Upload of a ZEL's parameters to a parameter file and download of a file or of the defaults
// back into it, for one device (the serial ZEL or one CAN module). The up/download pages and
// zelctl drive these steps; the boxes the pages show are theirs, from the outcome texts here.
// The enable guard (its warning and its question before re-enabling) runs inside each step.
// User-interface thread.
class ParameterTransfer {
 public:
  static constexpr const char* kCommandFailed = "Command failed!";
  static constexpr const char* kStopped = "Stopped by the user.";
  static constexpr const char* kNotCompatible = "Firmware is not compatible!";
  static constexpr const char* kWriteFailed = "Failed writing system parameter!";
  static constexpr const char* kStored = "System Parameter are stored!";
  static constexpr const char* kDefaultsStored = "Default system parameters are permanent stored!";
  static constexpr const char* kFileStored = "System parameters are permanent stored!";
  static constexpr const char* kModuleFileStored =
      "System parameter are permanently stored (the module Id is the old)!";

  struct Outcome {
    bool ok = false;
    std::string message;  // the box text for the outcome
  };

  // How a download treats a failed write. The desktop goes on with the next parameter (a box
  // per failure) and still saves to the EEPROM; a script cannot answer boxes, so it stops at the
  // first failure and then leaves the EEPROM alone (a complete download is saved either way).
  enum class FailedWrite { kContinueAndSave, kStopAtFailure };

  struct PlannedWrite {
    std::int16_t number = 0;
    std::uint16_t value = 0;
  };
  struct DownloadReport {
    Outcome outcome;
    std::vector<PlannedWrite> written;  // written and, unless listed in mismatched, read back
    std::vector<std::int16_t> failed;
    std::vector<std::int16_t> mismatched;  // written, but the ZEL holds another value
    std::vector<std::int16_t> skipped;     // kept at the device's own values
    bool readBackFailed = false;
    bool stopped = false;
    bool saved = false;
    // Whether the drive's enabling was put back; when not, leftWith names what it holds.
    bool restored = true;
    std::string leftWith;
  };
  // Asked between exchanges of a transfer; true ends it there (the drive is put back).
  using StopCheck = std::function<bool()>;

  ParameterTransfer(const CParameterTable& table, ParameterDevice& device)
      : table_(table), device_(device) {}

  void SetStopCheck(StopCheck stop) { stop_ = std::move(stop); }

  // Parameters a download never writes: module ID, service ID, RSDO and TSDO ID stay the
  // module's own, or two modules would end up with one identity.
  static bool KeepsDeviceValue(std::int16_t number);
  // True when the file's version and the device's differ at most in the last two digits of the
  // hardware version.
  static bool Compatible(const std::string& fileVersion, const DeviceIdentity& device);
  // The network assignment's looser test: the software versions only.
  static bool SameSoftware(const std::string& fileVersion, const std::string& deviceVersion);

  // Reads the device and writes path (module ID, entries, version and application from the
  // device; date now; SysConfig with the enable source the ZEL had before the upload disabled
  // it). file receives what was written.
  Outcome Upload(const std::string& path, const std::string& visum, const std::string& comment,
                 CParameterFile& file);

  // The device's identity; false when it does not answer.
  bool ReadIdentity(DeviceIdentity& identity);
  // What a download of file writes, in order, with SysConfig's enabling-by-software bit set;
  // false with report.outcome when a value is empty, no hexadecimal word or outside its
  // definition's limits (nothing would be sent).
  bool Plan(const CParameterFile& file, DownloadReport& report) const;
  // Checks compatibility, then writes the file parameter by parameter.
  DownloadReport Download(const CParameterFile& file, FailedWrite mode, bool showFailures);
  // Writes the definitions' defaults over the device's block and saves them to the EEPROM.
  Outcome DownloadDefaults();

  // Edits a file against the device: the file's values go into the device's temporary
  // parameters, edit (the parameter sheet) works on the block read back, and OK writes the
  // block and the file (parameters 30, 31, 37 and 38 and SysConfig's enable source stay the
  // file's own). The device's own temporary parameters are put back whenever they were read.
  // edit returns false for Cancel.
  Outcome EditFile(const std::string& path,
                   const std::function<bool(SystemParameterBlock& block)>& edit);

 private:
  bool Stopped() const { return stop_ && stop_(); }
  // The outcome once the drive has been put back: a failure that names what the drive is left
  // with when that failed (done says what had been achieved), else outcome with the drive's
  // state added to a failure.
  static Outcome Close(EnableSuspension& suspension, Outcome outcome, const std::string& done,
                       bool& restored);
  // After a save made while the drive was held under enabling by software and put back since:
  // saves again when the drive's own source is the input, so that the EEPROM keeps it.
  void StoreOwnEnabling(Outcome& outcome);

  const CParameterTable& table_;
  ParameterDevice& device_;
  StopCheck stop_;
};

}  // namespace zel::parameters
