#include "parameters/NetworkDownload.h"

#include <cstdio>

#include "parameters/CParameterFile.h"
#include "parameters/ParameterTransfer.h"

namespace zel::parameters {

namespace {

std::string Line(const char* format, int module) {
  char text[80];
  std::snprintf(text, sizeof text, format, module);
  return text;
}

}  // namespace

NetworkDownload::NetworkDownload(const CParameterTable& table, NetworkUpload::DeviceFor deviceFor,
                                 std::vector<Entry> entries)
    : table_(table), deviceFor_(std::move(deviceFor)), entries_(std::move(entries)) {}

std::uint16_t NetworkDownload::Current() const {
  return Done() ? 0 : entries_[next_].moduleId;
}

std::string NetworkDownload::CurrentText() const {
  return Line("Parameter from module %i will be downloaded!", Current());
}

bool NetworkDownload::Step() {
  if (Done()) return false;
  const Entry& entry = entries_[next_++];
  if (entry.path.empty()) {
    report_ += Line("   Module %.3i: No download (old state)\n", entry.moduleId);
    return true;
  }
  CParameterFile file;
  std::string error;
  std::unique_ptr<ParameterDevice> device = deviceFor_ ? deviceFor_(entry.moduleId) : nullptr;
  if (file.Read(entry.path, error) != CParameterFile::ReadResult::kOk || !device) {
    ++failed_;
    report_ += Line("   Module %.3i Command failed\n", entry.moduleId);
    return true;
  }
  ParameterTransfer transfer(table_, *device);
  // One box per module would stop the whole network for each; the report says how it went.
  const ParameterTransfer::DownloadReport result =
      transfer.Download(file, ParameterTransfer::FailedWrite::kContinueAndSave, false);
  if (result.outcome.ok) {
    ++downloaded_;
    report_ += Line("   Module %.3i: Download successful\n", entry.moduleId);
  } else if (result.written.empty() && result.failed.empty() &&
             result.outcome.message.starts_with(ParameterTransfer::kCommandFailed)) {
    // The module did not even answer its version or its enable guard.
    ++failed_;
    report_ += Line("   Module %.3i Command failed\n", entry.moduleId);
  } else {
    ++failed_;
    report_ += Line("   Module %.3i: Download failed\n", entry.moduleId);
  }
  // A module whose enabling could not be put back is named with what it holds.
  if (!result.restored) report_ += "      " + result.leftWith + "\n";
  return true;
}

void NetworkDownload::Stop() {
  if (stopped_) return;
  stopped_ = true;
  report_ += "\nDownload breaked!";
}

}  // namespace zel::parameters
