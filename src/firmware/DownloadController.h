#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "firmware/BootLoaderLink.h"
#include "firmware/DownloadMethod.h"
#include "firmware/FlashSequence.h"

namespace zel::files {
class ArchiveReader;
class ArchiveWriter;
}  // namespace zel::files

namespace zel::firmware {

// Runs one download at a time on a worker thread: reads the program files of the chosen
// package version, runs the selected method's sequence over the boot link and posts Finished
// with the outcome. The boot link must hold the line (the communication stack in boot loader
// mode) for as long as the worker runs.
//
// Thread rules: Start, Stop and the setters belong to one thread (the user interface); events
// arrive through the link's sink on the worker. Stop waits for the worker without a time limit;
// during the erase and program loop the worker does not look at the stop request.
class DownloadController {
 public:
  // The port is the communication stack's; it must outlive the controller.
  explicit DownloadController(link::BootPort& port);
  ~DownloadController();
  DownloadController(const DownloadController&) = delete;
  DownloadController& operator=(const DownloadController&) = delete;

  void SetPackage(const std::string& packagePath, const std::string& packageDirectory);
  const std::string& PackagePath() const { return packagePath_; }
  const std::string& PackageDirectory() const { return packageDirectory_; }
  // -1 selects none.
  void Select(int methodIndex);
  int Selected() const { return selected_; }
  std::string Name() const;
  // In ms; -1 when no method is selected.
  int64_t ExpectedDuration() const;
  // "%.1f s", or "???" when no method is selected.
  std::string ExpectedDurationText() const;

  // False when a download is already running or no method is selected.
  bool Start();
  // Asks the worker to stop after its current step and waits for it to end.
  void Stop();
  // The same without waiting: the worker ends after its current step.
  void RequestStop() { running_ = false; }
  bool IsRunning() const { return running_; }
  // Waits for a worker that ends by itself.
  void Join();
  // The download settings' record in the settings file: the package path once per method, the
  // selected method (-1: none) and the boot link's nine step durations. Read replaces them only
  // when the whole record was read; it throws files::ArchiveError otherwise. UI thread, with no
  // download running.
  void WriteSettings(files::ArchiveWriter& archive) const;
  void ReadSettings(files::ArchiveReader& archive);
  // The boot loader link the downloads run over; its step durations are part of the settings.
  BootLoaderLink& Link() { return link_; }

  // The image of the last download's conversion (empty before one).
  std::vector<uint8_t> LastImage() const;
  // How the last download ended and where it left the ZEL; set before Finished is posted.
  DownloadOutcome LastOutcome() const;

 private:
  void Work(DownloadMethod method, std::string path, std::string directory);

  BootLoaderLink link_;
  std::string packagePath_;
  std::string packageDirectory_;
  int selected_ = 0;
  std::atomic<bool> running_{false};
  std::thread worker_;
  mutable std::mutex resultMutex_;
  std::vector<uint8_t> lastImage_;
  DownloadOutcome lastOutcome_;
};

}  // namespace zel::firmware
