#include "parameters/ParameterTransfer.h"

#include <algorithm>

#include "parameters/CParameterTable.h"
#include "parameters/EnableSuspension.h"
#include "parameters/NumberText.h"
#include "ui/Host.h"

namespace zel::parameters {

namespace {

constexpr std::int16_t kSysConfig = 1;
constexpr std::uint16_t kEnableBySoftware = 0x1000;

ParameterTransfer::Outcome Failed(std::string message) {
  return {false, std::move(message)};
}

// " 4 5 ..." for the words that differ.
std::string Differences(const SystemParameterBlock& wanted, const SystemParameterBlock& held) {
  std::string text;
  for (std::size_t i = 0; i < wanted.words.size(); ++i)
    if (wanted.words[i] != held.words[i]) text += " " + std::to_string(i);
  return text;
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

ParameterTransfer::Outcome ParameterTransfer::Close(EnableSuspension& suspension, Outcome outcome,
                                                    const std::string& done, bool& restored) {
  restored = suspension.Resume(true);
  if (!restored)
    return Failed(std::string(kCommandFailed) + "\n" + done +
                  ", but the drive's enabling could not be put back.\n" + suspension.LeftWith());
  // A Cancel (no message) stays silent.
  if (!outcome.ok && !outcome.message.empty()) outcome.message += "\n" + suspension.DriveState();
  return outcome;
}

void ParameterTransfer::StoreOwnEnabling(Outcome& outcome) {
  // The save took SysConfig with enabling by software, as the download held it. A drive enabled
  // by its input would come up disabled at the next power-on and stay so, so once its own source
  // is back in RAM that is what the EEPROM keeps too.
  std::uint32_t sysConfig = 0;
  const bool read = device_.ReadTempParam(kSysConfig, 0, sysConfig);
  if (read && (sysConfig & kEnableBySoftware) != 0) return;
  if (read && device_.SaveTempParam()) return;
  outcome = Failed(std::string(kCommandFailed) +
                   "\nThe parameters were saved to the EEPROM, but with SysConfig's enabling by "
                   "software (bit 12): the drive's own enable source could not be saved after it "
                   "was put back.");
}

ParameterTransfer::Outcome ParameterTransfer::Upload(const std::string& path,
                                                     const std::string& visum,
                                                     const std::string& comment,
                                                     CParameterFile& file) {
  // The suspension sets the enabling-by-software bit; the file keeps the ZEL's own.
  std::uint32_t ownSysConfig = 0;
  if (!device_.ReadTempParam(kSysConfig, 0, ownSysConfig))
    return Failed(std::string(kCommandFailed) + "\nReading SysConfig failed; no file was written.");
  EnableSuspension suspension(device_);
  if (!suspension.Suspend(true))
    return Failed(std::string(kCommandFailed) +
                  "\nThe drive could not be disabled; no file was written." +
                  (suspension.LeftWith().empty() ? "" : "\n" + suspension.LeftWith()));
  CParameterFile made;
  SystemParameterBlock block;
  DeviceIdentity identity;
  Outcome outcome{true, device_.Module() ? "System Parameters from module number " +
                                               std::to_string(device_.Module()) + " are stored!"
                                         : kStored};
  const auto stop = [this] { return Stopped(); };
  if (!device_.ReadAllTempParam(block) || !device_.ReadVersion(identity) ||
      !made.ReadFromDevice(table_, device_, stop)) {
    outcome = Failed(std::string(Stopped() ? kStopped : kCommandFailed) +
                     "\nThe parameters were not read completely; no file was written.");
  } else {
    std::uint16_t word = 0;
    if (made.Value(kSysConfig, word)) {
      word = static_cast<std::uint16_t>((word & ~kEnableBySoftware) |
                                        (ownSysConfig & kEnableBySoftware));
      made.entries[kSysConfig].value = NumberText::FormatHex16(word);
    }
    made.SetUploadHeader(path, identity, visum, comment);
    std::string error;
    if (made.Write(path, error))
      file = made;
    else
      outcome = Failed(kCommandFailed + std::string("\n") + error);
  }
  bool restored = true;
  return Close(suspension, outcome, "The file " + path + " was written", restored);
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
    // The ZEL drops an out-of-range value without a word: such a file is refused before
    // anything is sent. The file keeps the low 16 bits of a 32-bit parameter, so only 16-bit
    // parameters can be checked.
    ParameterDefinition definition;
    if (table_.Find(number, definition) && definition.width == ParameterDefinition::kWidth16 &&
        !table_.CheckRange(number, value, false)) {
      std::string text, min, max;
      table_.FormatValue(number, value, NumberFormat::kDecimal, text);
      table_.FormatValue(number, definition.min, NumberFormat::kDecimal, min);
      table_.FormatValue(number, definition.max, NumberFormat::kDecimal, max);
      report.outcome =
          Failed("The value " + file.entries[i].value + " (" + text + ") of parameter " +
                 std::to_string(i) + " " + definition.name + " in the file is outside its limits " +
                 min + " to " + max + "!\nNothing was written.");
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
  EnableSuspension suspension(device_);
  if (!suspension.Suspend(true)) {
    report.restored = suspension.LeftWith().empty();
    report.leftWith = suspension.LeftWith();
    report.outcome = Failed(std::string(kCommandFailed) +
                            "\nThe drive could not be disabled; nothing was written.\n" +
                            suspension.DriveState());
    return report;
  }
  for (const PlannedWrite& write : plan.written) {
    if (Stopped()) {
      report.stopped = true;
      break;
    }
    if (device_.SetTempParam(write.number, 0, write.value)) {
      report.written.push_back(write);
      continue;
    }
    report.failed.push_back(write.number);
    if (showFailures) ui::CurrentHost().ShowMessage(kCommandFailed);
    if (mode == FailedWrite::kStopAtFailure) break;
  }
  // The ZEL keeps its value when it refuses one without a word: success is what it holds now.
  if (!report.stopped && !report.written.empty() &&
      (mode == FailedWrite::kContinueAndSave || report.failed.empty())) {
    SystemParameterBlock now;
    if (Stopped()) {
      report.stopped = true;
    } else if (!device_.ReadAllTempParam(now)) {
      report.readBackFailed = true;
      if (showFailures) ui::CurrentHost().ShowMessage(kCommandFailed);
    } else {
      for (const PlannedWrite& write : report.written)
        if (now.words[static_cast<std::size_t>(write.number)] != write.value)
          report.mismatched.push_back(write.number);
    }
  }
  bool ok = !report.stopped && report.failed.empty() && report.mismatched.empty() &&
            !report.readBackFailed;
  if (!report.stopped && (mode == FailedWrite::kContinueAndSave || ok)) {
    report.saved = device_.SaveTempParam();
    ok = ok && report.saved;
    if (!report.saved && showFailures) ui::CurrentHost().ShowMessage(kCommandFailed);
  }
  Outcome outcome{true, device_.Module() ? kModuleFileStored : kFileStored};
  if (!ok) outcome = Failed(report.stopped ? kStopped : kCommandFailed);
  for (std::int16_t number : report.mismatched) {
    ParameterDefinition definition;
    const bool service = table_.Find(number, definition) && definition.service;
    outcome.message += "\nParameter " + std::to_string(number) + " " + table_.Name(number) +
                       ": the ZEL kept another value than the file's" +
                       (service ? " (a service parameter: it needs service mode)." : ".");
  }
  if (report.readBackFailed) outcome.message += "\nReading the written parameters back failed.";
  report.outcome = Close(suspension, outcome,
                         report.saved ? "The parameters were saved to the EEPROM"
                                      : "The parameters were not saved to the EEPROM",
                         report.restored);
  report.leftWith = suspension.LeftWith();
  if (report.saved && report.restored) StoreOwnEnabling(report.outcome);
  return report;
}

ParameterTransfer::Outcome ParameterTransfer::DownloadDefaults() {
  // Words the definitions do not cover keep what the device holds.
  SystemParameterBlock block;
  if (!device_.ReadAllTempParam(block)) return Failed(kCommandFailed);
  table_.DefaultsBlock(block);
  // As in every download, the drive stays under enabling by software until it is put back.
  block.words[kSysConfig] |= kEnableBySoftware;
  EnableSuspension suspension(device_);
  if (!suspension.Suspend(true))
    return Failed(std::string(kCommandFailed) +
                  "\nThe drive could not be disabled; nothing was written." +
                  (suspension.LeftWith().empty() ? "" : "\n" + suspension.LeftWith()));
  Outcome outcome{true, kDefaultsStored};
  SystemParameterBlock now;
  bool saved = false;
  if (!device_.WriteAllTempParam(block)) {
    outcome = Failed(kWriteFailed);
  } else if (!device_.ReadAllTempParam(now)) {
    outcome = Failed(std::string(kCommandFailed) +
                     "\nReading the written parameters back failed; nothing was saved.");
  } else if (now.words != block.words) {
    // Not saved: the EEPROM keeps the values the ZEL starts with.
    outcome = Failed(std::string(kWriteFailed) + "\nThe ZEL kept other values than the defaults" +
                     " for parameters" + Differences(block, now) + "; nothing was saved.");
  } else if (!(saved = device_.SaveTempParam())) {
    outcome = Failed(kCommandFailed);
  }
  bool restored = true;
  outcome = Close(suspension, outcome,
                  saved ? "The default parameters were saved to the EEPROM"
                        : "The default parameters were not saved to the EEPROM",
                  restored);
  if (saved && restored) StoreOwnEnabling(outcome);
  return outcome;
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
  EnableSuspension suspension(device_);
  if (!suspension.Suspend(true))
    return Failed(std::string(kCommandFailed) +
                  (suspension.LeftWith().empty() ? "" : "\n" + suspension.LeftWith()));
  SystemParameterBlock kept;
  SystemParameterBlock working;
  Outcome outcome{false, ""};  // Cancel says nothing
  // Only a copy that was read can put the device back; without one nothing is written at all.
  const bool keptRead = device_.ReadAllTempParam(kept);
  if (!keptRead || !device_.ReadAllTempParam(working)) {
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
        // The device was only a workbench: the file keeps its own module identity and its own
        // enable source, not the device's nor the one the workbench's suspension set.
        for (std::size_t i = 0; i < edited.entries.size() && i < file.entries.size(); ++i)
          if (KeepsDeviceValue(static_cast<std::int16_t>(i)))
            edited.entries[i].value = file.entries[i].value;
        std::uint16_t editedConfig = 0;
        std::uint16_t fileConfig = 0;
        if (edited.Value(kSysConfig, editedConfig) && file.Value(kSysConfig, fileConfig))
          edited.entries[kSysConfig].value = NumberText::FormatHex16(static_cast<std::uint16_t>(
              (editedConfig & ~kEnableBySoftware) | (fileConfig & kEnableBySoftware)));
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
  // The device's own temporary parameters come back, when they were read.
  if (keptRead && !device_.WriteAllTempParam(kept)) {
    const std::string saved = outcome.ok ? outcome.message + "\n" : std::string();
    outcome = Failed(saved + kCommandFailed +
                     std::string("\nThe ZEL's temporary parameters could not be put back: it may "
                                 "hold the file's values until it is reset."));
  }
  bool restored = true;
  return Close(suspension, outcome,
               outcome.ok ? "The file " + path + " was saved" : "The file was not changed",
               restored);
}

}  // namespace zel::parameters
