#include "parameters/NetworkUpload.h"

#include <cstdio>

#include "parameters/CParameterFile.h"
#include "parameters/CParameterTable.h"
#include "parameters/EnableSuspension.h"
#include "parameters/NumberText.h"

namespace zel::parameters {

namespace {

constexpr std::int16_t kSysConfig = 1;

std::string Line(const char* format, int module) {
  char text[64];
  std::snprintf(text, sizeof text, format, module);
  return text;
}

}  // namespace

NetworkUpload::NetworkUpload(const CParameterTable& table, DeviceFor deviceFor,
                             std::vector<std::uint16_t> modules, std::string chosenPath,
                             std::string visum, std::string comment)
    : table_(table),
      deviceFor_(std::move(deviceFor)),
      modules_(std::move(modules)),
      chosenPath_(std::move(chosenPath)),
      visum_(std::move(visum)),
      comment_(std::move(comment)) {}

std::uint16_t NetworkUpload::Current() const {
  return Done() ? 0 : modules_[next_];
}

std::string NetworkUpload::CurrentText() const {
  return Line("Parameter from module %i will be uploaded!", Current());
}

bool NetworkUpload::Step() {
  if (Done()) return false;
  const std::uint16_t id = modules_[next_++];
  const std::string path = CParameterFile::ModuleFileName(chosenPath_, id);
  std::unique_ptr<ParameterDevice> device = deviceFor_(id);
  bool blockRead = false;
  bool uploaded = false;
  std::string leftWith;
  std::uint32_t ownSysConfig = 0;
  if (device && device->ReadTempParam(kSysConfig, 0, ownSysConfig)) {
    EnableSuspension suspension(*device);
    if (suspension.Suspend(false)) {
      CParameterFile file;
      DeviceIdentity identity;
      blockRead = file.ReadFromDevice(table_, *device);
      if (blockRead && device->ReadVersion(identity)) {
        // The suspension set bit 12; the file keeps the enabling the module runs with.
        if (file.entries.size() > static_cast<std::size_t>(kSysConfig))
          file.entries[static_cast<std::size_t>(kSysConfig)].value =
              NumberText::FormatHex16(static_cast<std::uint16_t>(ownSysConfig));
        file.SetUploadHeader(path, identity, visum_, comment_);
        std::string error;
        uploaded = file.Write(path, error);
      }
      // Each module that was running is enabled again only when the user says so.
      if (!suspension.Resume(true)) leftWith = suspension.LeftWith();
    } else {
      leftWith = suspension.LeftWith();
    }
  }
  if (uploaded) {
    files_.push_back(path);
    report_ += Line("     Module %.3i: Upload successful\n", id);
  } else {
    report_ += Line(
        blockRead ? "     Module %.3i: Upload failed\n" : "     Module %i: Upload failed\n", id);
  }
  if (!leftWith.empty()) {
    ++notRestored_;
    report_ += "     " + leftWith + "\n";
  }
  if (!uploaded && lineCheck_) {
    brokenOff_ = lineCheck_();
    if (!brokenOff_.empty()) {
      stopped_ = true;
      report_ += "\n\n" + brokenOff_;
    }
  }
  return true;
}

void NetworkUpload::Stop() {
  if (stopped_) return;
  stopped_ = true;
  report_ += "\n\nUpload breaked!";
}

}  // namespace zel::parameters
