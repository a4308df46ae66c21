#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "parameters/NetworkUpload.h"

namespace zel::parameters {

class CParameterTable;

// The download of one file into each module of the CAN network that has one assigned, one module
// per Step so that a progress dialog's Stop is seen between modules. Each download is the single
// device's (compatibility check, the identities kept, SysConfig's enabling bit, the EEPROM
// save), through the gateway. The report collects a line per module.
class NetworkDownload {
 public:
  struct Entry {
    std::uint16_t moduleId = 0;
    std::string path;  // empty: no download, the module keeps its state
  };

  NetworkDownload(const CParameterTable& table, NetworkUpload::DeviceFor deviceFor,
                  std::vector<Entry> entries);

  bool Done() const { return next_ >= entries_.size() || stopped_; }
  std::uint16_t Current() const;
  // "Parameter from module %i will be downloaded!" for the current module.
  std::string CurrentText() const;
  bool Step();
  void Stop();

  const std::string& Report() const { return report_; }
  std::size_t Attempted() const { return next_; }
  std::size_t Downloaded() const { return downloaded_; }
  std::size_t Failed() const { return failed_; }

 private:
  const CParameterTable& table_;
  NetworkUpload::DeviceFor deviceFor_;
  std::vector<Entry> entries_;
  std::size_t next_ = 0;
  std::size_t downloaded_ = 0;
  std::size_t failed_ = 0;
  bool stopped_ = false;
  std::string report_;
};

}  // namespace zel::parameters
