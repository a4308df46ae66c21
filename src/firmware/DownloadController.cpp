#include "firmware/DownloadController.h"

#include "files/ArchiveReader.h"
#include "files/ArchiveWriter.h"

#include "firmware/FirmwarePackage.h"

namespace zel::firmware {

DownloadController::DownloadController(link::BootPort& port) : link_(port) {}

DownloadController::~DownloadController() {
  Stop();
}

void DownloadController::SetPackage(const std::string& packagePath,
                                    const std::string& packageDirectory) {
  packagePath_ = packagePath;
  packageDirectory_ = packageDirectory;
}

void DownloadController::Select(int methodIndex) {
  selected_ = methodIndex >= 0 && methodIndex < kDownloadMethodCount ? methodIndex : -1;
}

std::string DownloadController::Name() const {
  return selected_ < 0 ? std::string() : MethodName(static_cast<DownloadMethod>(selected_));
}

int64_t DownloadController::ExpectedDuration() const {
  if (selected_ < 0) return -1;
  return firmware::ExpectedDuration(static_cast<DownloadMethod>(selected_), link_.Times());
}

std::string DownloadController::ExpectedDurationText() const {
  return selected_ < 0 ? std::string("???") : DurationText(ExpectedDuration());
}

bool DownloadController::Start() {
  if (running_ || selected_ < 0) return false;
  Join();
  {
    std::lock_guard lock(resultMutex_);
    lastOutcome_ = {};
  }
  running_ = true;
  worker_ = std::thread(&DownloadController::Work, this, static_cast<DownloadMethod>(selected_),
                        packagePath_, packageDirectory_);
  return true;
}

void DownloadController::Stop() {
  running_ = false;
  Join();
}

void DownloadController::Join() {
  if (worker_.joinable()) worker_.join();
}

std::vector<uint8_t> DownloadController::LastImage() const {
  std::lock_guard lock(resultMutex_);
  return lastImage_;
}

DownloadOutcome DownloadController::LastOutcome() const {
  std::lock_guard lock(resultMutex_);
  return lastOutcome_;
}

void DownloadController::Work(DownloadMethod method, std::string path, std::string directory) {
  DownloadOutcome outcome;
  FirmwarePackage package;
  if (package.Open(path)) {
    DownloadImages images;
    const std::string storage = directory + "\\BinaryFiles\\";
    // A program file that cannot be read stops the download before its first step.
    const bool read =
        package.ReadEntry(storage, "ZelCode.out", images.zelCode) &&
        package.ReadEntry(storage, "FlshCtrl.out", images.flshCtrl) &&
        (method != DownloadMethod::kTi || package.ReadEntry(storage, "TiBoot.out", images.tiBoot));
    package.Close();
    FlashSequence sequence(link_, images);
    if (read) {
      outcome = sequence.Run(method, running_);
    } else {
      link_.Post(DownloadEvent::kStarted);
      link_.Disconnect();
    }
    std::lock_guard lock(resultMutex_);
    lastImage_ = sequence.Image();
  } else {
    link_.Disconnect();
  }
  {
    std::lock_guard lock(resultMutex_);
    lastOutcome_ = outcome;
  }
  running_ = false;
  link_.Post(DownloadEvent::kFinished, outcome.success ? 1 : 0);
}

}  // namespace zel::firmware

namespace zel::firmware {

void DownloadController::WriteSettings(files::ArchiveWriter& archive) const {
  // One path per method; the selected method's is copied to the others, so all three agree.
  for (int method = 0; method < kDownloadMethodCount; ++method) archive.WriteString(packagePath_);
  archive.WriteInt32(selected_);
  const StepTimes& times = link_.Times();
  for (int slot = 0; slot < StepTimes::kCount; ++slot) archive.WriteInt32(times.At(slot));
}

void DownloadController::ReadSettings(files::ArchiveReader& archive) {
  std::string paths[kDownloadMethodCount];
  for (std::string& path : paths) path = archive.ReadString();
  const std::int32_t selected = archive.ReadInt32();
  StepTimes times;
  for (int slot = 0; slot < StepTimes::kCount; ++slot) times.SetAt(slot, archive.ReadInt32());
  const int method = selected >= 0 && selected < kDownloadMethodCount ? selected : -1;
  packagePath_ = paths[method >= 0 ? method : 0];
  Select(method);
  link_.Times() = times;
}

}  // namespace zel::firmware
