#include "parameters/NetworkUpload.h"

#include <cstdio>

#include "parameters/CParameterFile.h"
#include "parameters/CParameterTable.h"

namespace zel::parameters {

namespace {

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
  SystemParameterBlock block;
  DeviceIdentity identity;
  if (!device || !device->SuspendEnable(false)) {
    report_ += Line("     Module %i: Upload failed\n", id);
    return true;
  }
  bool uploaded = false;
  bool blockRead = device->ReadAllTempParam(block);
  if (blockRead && device->ReadVersion(identity)) {
    CParameterFile file;
    if (file.ReadFromDevice(table_, *device)) {
      file.SetUploadHeader(path, identity, visum_, comment_);
      std::string error;
      uploaded = file.Write(path, error);
    }
  }
  // Each module that was running is enabled again only when the user says so.
  device->ResumeEnable(true);
  if (uploaded) {
    files_.push_back(path);
    report_ += Line("     Module %.3i: Upload successful\n", id);
  } else {
    report_ += Line(
        blockRead ? "     Module %.3i: Upload failed\n" : "     Module %i: Upload failed\n", id);
  }
  return true;
}

void NetworkUpload::Stop() {
  if (stopped_) return;
  stopped_ = true;
  report_ += "\n\nUpload breaked!";
}

}  // namespace zel::parameters
