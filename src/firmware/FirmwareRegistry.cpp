#include "firmware/FirmwareRegistry.h"

#include <algorithm>
#include <filesystem>
#include <thread>
#include <utility>

#include "files/ArchiveReader.h"
#include "files/ArchiveWriter.h"
#include "ui/Host.h"

namespace zel::firmware {

namespace {

bool PackageExists(const std::string& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_regular_file(path, error);
}

// Without a window the listeners still run off the user-interface thread, as they always do.
bool RunOnWorker(const std::function<bool()>& work) {
  bool result = false;
  std::thread worker([&] { result = work(); });
  worker.join();
  return result;
}

void WriteList(files::ArchiveWriter& archive, const std::vector<std::string>& list) {
  archive.WriteUInt32(static_cast<std::uint32_t>(list.size()));
  for (const std::string& text : list) archive.WriteString(text);
}

std::vector<std::string> ReadList(files::ArchiveReader& archive) {
  const std::uint32_t count = archive.ReadUInt32();
  std::vector<std::string> list;
  // Every text costs at least its one-byte prefix; a count beyond what is left is a lie that
  // the reads below will expose without the vector growing first.
  for (std::uint32_t i = 0; i < count; ++i) list.push_back(archive.ReadString());
  return list;
}

}  // namespace

FirmwareRegistry::FirmwareRegistry() : runner_(RunOnWorker) {}

void FirmwareRegistry::SetBrowseHook(BrowseHook hook) {
  browse_ = std::move(hook);
}

void FirmwareRegistry::SetAdjustmentRunner(AdjustmentRunner runner) {
  runner_ = runner ? std::move(runner) : AdjustmentRunner(RunOnWorker);
}

void FirmwareRegistry::SetRegistrationEditor(RegistrationEditor editor) {
  editor_ = std::move(editor);
}

bool FirmwareRegistry::ReportConnected(std::uint16_t softwareVersion, std::uint16_t hardwareVersion,
                                       std::uint16_t applicationNumber,
                                       std::uint16_t applicationVersion) {
  if (busy_) return false;
  std::lock_guard lock(mutex_);
  connected_ = FirmwareInfo{};
  connected_.softwareVersion = softwareVersion;
  connected_.hardwareVersion = hardwareVersion;
  connected_.applicationNumber = applicationNumber;
  connected_.applicationVersion = applicationVersion;
  return !connected_.SameVersion(current_);
}

FirmwareInfo FirmwareRegistry::Current() const {
  std::lock_guard lock(mutex_);
  return current_;
}

FirmwareInfo FirmwareRegistry::Connected() const {
  std::lock_guard lock(mutex_);
  return connected_;
}

void FirmwareRegistry::AddListener(AdjustmentListener& listener) {
  std::lock_guard lock(mutex_);
  listeners_.push_back(&listener);
}

void FirmwareRegistry::DropMissingPackagesLocked() {
  std::erase_if(records_, [](const FirmwareInfo& r) { return !PackageExists(r.packagePath); });
}

bool FirmwareRegistry::Register(const FirmwareInfo& info) {
  std::lock_guard lock(mutex_);
  DropMissingPackagesLocked();
  for (const FirmwareInfo& record : records_)
    if (record.SameVersion(info)) return false;
  records_.push_back(info);
  return true;
}

std::vector<FirmwareInfo> FirmwareRegistry::Records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

void FirmwareRegistry::ReplaceRecords(std::vector<FirmwareInfo> records) {
  std::lock_guard lock(mutex_);
  records_ = std::move(records);
}

bool FirmwareRegistry::RunListeners(const FirmwareInfo& current) {
  std::vector<AdjustmentListener*> listeners;
  {
    std::lock_guard lock(mutex_);
    listeners = listeners_;
  }
  for (AdjustmentListener* listener : listeners)
    if (!listener->Adjust(current)) return false;
  return true;
}

bool FirmwareRegistry::Adjust(bool force) {
  FirmwareInfo current;
  FirmwareInfo previous;
  bool registered = false;
  {
    std::lock_guard lock(mutex_);
    if (!force && connected_.SameVersion(current_)) return true;
    busy_ = true;
    previous = current_;
    current_ = connected_;
    DropMissingPackagesLocked();
    for (const FirmwareInfo& record : records_) {
      if (record.SameVersion(current_)) {
        current_ = record;
        registered = true;
        break;
      }
    }
    current = current_;
  }
  ui::WaitCursor wait;
  if (!registered) {
    FirmwareInfo chosen;
    if (!browse_ || !browse_(current, chosen)) {
      RestoreCurrent(previous);
      return false;
    }
    {
      std::lock_guard lock(mutex_);
      current_ = chosen;
    }
    current = chosen;
    Register(chosen);
  }
  const bool adjusted = runner_([this, current] { return RunListeners(current); });
  if (!adjusted) {
    ui::CurrentHost().ShowMessage("The adjustment procedure failed!");
    RestoreCurrent(previous);
    return false;
  }
  busy_ = false;
  return true;
}

void FirmwareRegistry::RestoreCurrent(const FirmwareInfo& previous) {
  // The user interface was not adjusted to the connected version, so current must not claim it
  // was: the next report of that version has to lead to a new attempt.
  {
    std::lock_guard lock(mutex_);
    current_ = previous;
  }
  busy_ = false;
}

bool FirmwareRegistry::EditRegistration() {
  std::vector<FirmwareInfo> records = Records();
  if (!editor_ || !editor_(records)) return true;
  ReplaceRecords(std::move(records));
  if (Adjust(true)) return true;
  ui::CurrentHost().ShowMessage(kNoFirmwareText);
  return false;
}

void FirmwareRegistry::Store(files::ArchiveWriter& archive) const {
  std::lock_guard lock(mutex_);
  archive.WriteUInt32(static_cast<std::uint32_t>(records_.size()));
  for (const FirmwareInfo& record : records_) {
    archive.WriteUInt16(record.applicationNumber);
    archive.WriteUInt16(record.applicationVersion);
    archive.WriteUInt16(record.softwareVersion);
    archive.WriteUInt16(record.hardwareVersion);
    archive.WriteString(record.sampleNumber);
    archive.WriteString(record.visum);
    archive.WriteString(record.meaning);
    archive.WriteInt32(record.date);
    archive.WriteString(record.packagePath);
    archive.WriteString(record.packageDirectory);
    WriteList(archive, record.binaryFiles);
    WriteList(archive, record.docFiles);
    WriteList(archive, record.parameterFiles);
    WriteList(archive, record.variousFiles);
  }
}

void FirmwareRegistry::Load(files::ArchiveReader& archive) {
  const std::uint32_t count = archive.ReadUInt32();
  std::vector<FirmwareInfo> records;
  for (std::uint32_t i = 0; i < count; ++i) {
    FirmwareInfo record;
    record.applicationNumber = archive.ReadUInt16();
    record.applicationVersion = archive.ReadUInt16();
    record.softwareVersion = archive.ReadUInt16();
    record.hardwareVersion = archive.ReadUInt16();
    record.sampleNumber = archive.ReadString();
    record.visum = archive.ReadString();
    record.meaning = archive.ReadString();
    record.date = archive.ReadInt32();
    record.packagePath = archive.ReadString();
    record.packageDirectory = archive.ReadString();
    record.binaryFiles = ReadList(archive);
    record.docFiles = ReadList(archive);
    record.parameterFiles = ReadList(archive);
    record.variousFiles = ReadList(archive);
    records.push_back(std::move(record));
  }
  ReplaceRecords(std::move(records));
}

}  // namespace zel::firmware
