#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "parameters/ParameterDevice.h"

namespace zel::parameters {

class CParameterTable;

// The upload of every module found on the CAN network, one file per module, one module per
// Step so that a progress dialog's Stop is seen between modules (a module already started is
// finished). The report collects a line per module. A file holds only values read from its
// module, SysConfig with the module's own enabling bit (as it was before its enabling was
// suspended for the upload). A failed module step asks the line check: a dead serial line ends
// the upload there, with the line named, instead of failing module after module.
class NetworkUpload {
 public:
  // The device of one module; the upload owns it for that module's step.
  using DeviceFor = std::function<std::unique_ptr<ParameterDevice>(std::uint16_t moduleId)>;
  // Empty while the line answers, else why it does not.
  using LineCheck = std::function<std::string()>;

  NetworkUpload(const CParameterTable& table, DeviceFor deviceFor,
                std::vector<std::uint16_t> modules, std::string chosenPath, std::string visum,
                std::string comment);

  bool Done() const { return next_ >= modules_.size() || stopped_; }
  // The module the next Step uploads; 0 when done.
  std::uint16_t Current() const;
  // "Parameter from module %i will be uploaded!" for the current module.
  std::string CurrentText() const;
  // Uploads the next module; false when nothing was left.
  bool Step();
  // Ends the upload after the module in hand.
  void Stop();
  void SetLineCheck(LineCheck check) { lineCheck_ = std::move(check); }
  // Empty, or why the upload broke off (the line).
  const std::string& BrokenOff() const { return brokenOff_; }

  const std::string& Report() const { return report_; }
  // The files written, in module order.
  const std::vector<std::string>& Files() const { return files_; }
  std::size_t Succeeded() const { return files_.size(); }
  std::size_t Attempted() const { return next_; }
  // Modules whose enabling could not be put back (the report names what each is left with).
  std::size_t NotRestored() const { return notRestored_; }

 private:
  const CParameterTable& table_;
  DeviceFor deviceFor_;
  std::vector<std::uint16_t> modules_;
  std::string chosenPath_, visum_, comment_;
  std::size_t next_ = 0;
  bool stopped_ = false;
  LineCheck lineCheck_;
  std::string brokenOff_;
  std::size_t notRestored_ = 0;
  std::string report_ = "System Parameters from ZEL Modules \n\n";
  std::vector<std::string> files_;
};

}  // namespace zel::parameters
