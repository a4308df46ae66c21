#include "parameters/ParameterTransfer.h"

#include <algorithm>

#include "parameters/CParameterTable.h"
#include "parameters/NumberText.h"
#include "ui/Host.h"

namespace zel::parameters {

namespace {

constexpr std::int16_t kSysConfig = 1;
constexpr std::uint16_t kEnableBySoftware = 0x1000;

ParameterTransfer::Outcome Failed(std::string message) {
  return {false, std::move(message)};
}

}  // namespace

bool ParameterTransfer::KeepsDeviceValue(std::int16_t number) {
  return number == 30 || number == 31 || number == 37 || number == 38;
}

bool ParameterTransfer::Compatible(const std::string& fileVersion, const DeviceIdentity& device) {
  return CParameterFile::CompatibleVersion(fileVersion) ==
         CParameterFile::CompatibleVersion(CParameterFile::VersionText(device));
}

bool ParameterTransfer::SameSoftware(const std::string& fileVersion,
                                     const std::string& deviceVersion) {
  auto software = [](std::string text) {
    text.erase(0, std::min<std::size_t>(4, text.size()));
    if (text.size() > 5) text.erase(5, 6);
    return text;
  };
  return software(fileVersion) == software(deviceVersion);
}

ParameterTransfer::Outcome ParameterTransfer::Upload(const std::string& path,
                                                     const std::string& visum,
                                                     const std::string& comment,
                                                     CParameterFile& file) {
  if (!device_.SuspendEnable(true)) return Failed(kCommandFailed);
  CParameterFile made;
  SystemParameterBlock block;
  DeviceIdentity identity;
  Outcome outcome{true, device_.Module() ? "System Parameters from module number " +
                                               std::to_string(device_.Module()) + " are stored!"
                                         : kStored};
  if (!device_.ReadAllTempParam(block) || !device_.ReadVersion(identity) ||
      !made.ReadFromDevice(table_, device_)) {
    outcome = Failed(kCommandFailed);
  } else {
    made.SetUploadHeader(path, identity, visum, comment);
    std::string error;
    if (made.Write(path, error))
      file = made;
    else
      outcome = Failed(kCommandFailed + std::string("\n") + error);
  }
  device_.ResumeEnable(true);
  return outcome;
}

bool ParameterTransfer::ReadIdentity(DeviceIdentity& identity) {
  return device_.ReadVersion(identity);
}

bool ParameterTransfer::Plan(const CParameterFile& file, DownloadReport& report) const {
  report.written.clear();
  report.skipped.clear();
  // Entry i is parameter i; a file from firmware with fewer definitions writes fewer.
  const std::size_t count = std::min<std::size_t>(table_.SystemCount(), file.entries.size());
  for (std::size_t i = 0; i < count; ++i) {
    const auto number = static_cast<std::int16_t>(i);
    if (KeepsDeviceValue(number)) {
      report.skipped.push_back(number);
      continue;
    }
    std::uint16_t value = 0;
    if (!file.Value(i, value)) {
      report.outcome = Failed("The value '" + file.entries[i].value + "' of parameter " +
                              std::to_string(i) + " in the file is not a hexadecimal number!");
      report.written.clear();
      return false;
    }
    if (number == kSysConfig) value |= kEnableBySoftware;
    report.written.push_back({number, value});
  }
  return true;
}

ParameterTransfer::DownloadReport ParameterTransfer::Download(const CParameterFile& file,
                                                              FailedWrite mode, bool showFailures) {
  DownloadReport report;
  DeviceIdentity identity;
  if (!device_.ReadVersion(identity)) {
    report.outcome = Failed(kCommandFailed);
    return report;
  }
  if (!Compatible(file.version, identity)) {
    report.outcome = Failed(kNotCompatible);
    return report;
  }
  DownloadReport plan;
  if (!Plan(file, plan)) {
    report.outcome = plan.outcome;
    return report;
  }
  report.skipped = plan.skipped;
  if (!device_.SuspendEnable(true)) {
    report.outcome = Failed(kCommandFailed);
    return report;
  }
  for (const PlannedWrite& write : plan.written) {
    if (device_.SetTempParam(write.number, 0, write.value)) {
      report.written.push_back(write);
      continue;
    }
    report.failed.push_back(write.number);
    if (showFailures) ui::CurrentHost().ShowMessage(kCommandFailed);
    if (mode == FailedWrite::kStopAtFailure) break;
  }
  bool ok = report.failed.empty();
  if (mode == FailedWrite::kContinueAndSave || ok) {
    report.saved = device_.SaveTempParam();
    ok = ok && report.saved;
    if (!report.saved && showFailures) ui::CurrentHost().ShowMessage(kCommandFailed);
  }
  device_.ResumeEnable(true);
  if (ok)
    report.outcome = {true, device_.Module() ? kModuleFileStored : kFileStored};
  else
    report.outcome = Failed(kCommandFailed);
  return report;
}

ParameterTransfer::Outcome ParameterTransfer::DownloadDefaults() {
  // Words the definitions do not cover keep what the device holds.
  SystemParameterBlock block;
  if (!device_.ReadAllTempParam(block)) return Failed(kCommandFailed);
  table_.DefaultsBlock(block);
  if (!device_.SuspendEnable(true)) return Failed(kCommandFailed);
  if (!device_.WriteAllTempParam(block)) {
    device_.ResumeEnable(true);
    return Failed(kWriteFailed);
  }
  if (!device_.SaveTempParam()) {
    device_.ResumeEnable(true);
    return Failed(kCommandFailed);
  }
  device_.ResumeEnable(true);
  return {true, kDefaultsStored};
}

ParameterTransfer::Outcome ParameterTransfer::EditFile(
    const std::string& path, const std::function<bool(SystemParameterBlock& block)>& edit) {
  CParameterFile file;
  std::string error;
  if (file.Read(path, error) != CParameterFile::ReadResult::kOk) return Failed(kCommandFailed);
  DeviceIdentity identity;
  if (!device_.ReadVersion(identity)) return Failed(kCommandFailed);
  if (CParameterFile::VersionText(identity) != file.version)
    return Failed("The ZEL version on the RS232 and the version from the the\n " + path +
                  "\nare not compatible!");
  DownloadReport plan;
  if (!Plan(file, plan)) return plan.outcome;
  if (!device_.SuspendEnable(true)) return Failed(kCommandFailed);
  SystemParameterBlock kept;
  SystemParameterBlock working;
  Outcome outcome{false, ""};  // Cancel says nothing
  if (!device_.ReadAllTempParam(kept) || !device_.ReadAllTempParam(working)) {
    outcome = Failed(kCommandFailed);
  } else {
    for (const PlannedWrite& write : plan.written)
      if (!device_.SetTempParam(write.number, 0, write.value))
        ui::CurrentHost().ShowMessage(kCommandFailed);
    if (!device_.ReadAllTempParam(working)) {
      outcome = Failed(kCommandFailed);
    } else if (edit(working)) {
      CParameterFile edited;
      if (!device_.WriteAllTempParam(working) || !edited.ReadFromDevice(table_, device_)) {
        outcome = Failed(kCommandFailed);
      } else {
        edited.directory = path;
        edited.date = file.date;
        edited.version = file.version;
        edited.application = file.application;
        edited.visum = file.visum;
        edited.comment = file.comment;
        edited.moduleId = file.moduleId;
        if (edited.Write(path, error))
          outcome = {true, "Changed parameters saved to\n" + path};
        else
          outcome = Failed(kCommandFailed + std::string("\n") + error);
      }
    }
  }
  // The device was only a workbench for the file: its own temporary parameters come back.
  device_.WriteAllTempParam(kept);
  device_.ResumeEnable(true);
  return outcome;
}

}  // namespace zel::parameters
