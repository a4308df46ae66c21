#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "firmware/AdjustmentListener.h"
#include "firmware/FirmwareInfo.h"

namespace zel::files {
class ArchiveReader;
class ArchiveWriter;
}  // namespace zel::files

namespace zel::firmware {

// The firmware packages the user has registered, the versions of the connected ZEL and the
// version the user interface is adjusted to. When a ZEL of another version connects, Adjust
// finds its package (or lets the user browse for one) and has every listener reload from it.
//
// One per application, owned by the main window. Adjust, Register and the record operations
// belong to the user-interface thread; the listeners run on the adjustment worker thread while
// the "Application Adjustment" window waits. Current and ReportConnected may be called from any
// thread.
class FirmwareRegistry {
 public:
  // "Browse Firmware File" for the versions in wanted; true with the chosen package's
  // description (FirmwareBrowseModel holds the dialog's logic).
  using BrowseHook = std::function<bool(const FirmwareInfo& wanted, FirmwareInfo& chosen)>;
  // Shows the modal "Application Adjustment" window ("Application Adjustment processing ...")
  // while work runs on a worker thread, and returns work's result once the window has closed.
  using AdjustmentRunner = std::function<bool(const std::function<bool()>& work)>;
  // The "Setup Firmware Files" dialog over a copy of the records (FirmwareRegistrationList
  // holds its logic); true on OK with records replaced by the dialog's list.
  using RegistrationEditor = std::function<bool(std::vector<FirmwareInfo>& records)>;

  static constexpr const char* kNoFirmwareText =
      "The application was not able to find the correct firmware file!\nPlease download the "
      "correct firmware file from the internet!\n\nThe application is going to be closed!";

  FirmwareRegistry();

  // Without a browse hook every browse is cancelled; without a runner the listeners run on a
  // plain worker thread that the caller waits for; without an editor nothing is edited.
  void SetBrowseHook(BrowseHook hook);
  void SetAdjustmentRunner(AdjustmentRunner runner);
  void SetRegistrationEditor(RegistrationEditor editor);

  // Ignored (false) while an adjustment runs. Otherwise remembers the versions and tells
  // whether they differ from the version the user interface is adjusted to.
  bool ReportConnected(std::uint16_t softwareVersion, std::uint16_t hardwareVersion,
                       std::uint16_t applicationNumber, std::uint16_t applicationVersion);
  bool Adjust(bool force);
  FirmwareInfo Current() const;
  FirmwareInfo Connected() const;
  bool IsBusy() const { return busy_; }

  // Listeners are called in the order they were added; not owned, they must outlive the
  // registry's use.
  void AddListener(AdjustmentListener& listener);

  // Drops records whose package file is gone, then appends a copy unless the version is
  // already registered; true when appended.
  bool Register(const FirmwareInfo& info);
  std::vector<FirmwareInfo> Records() const;
  void ReplaceRecords(std::vector<FirmwareInfo> records);

  // The "Setup Firmware Files" step: on OK the records are replaced and the user interface is
  // adjusted anew. False only when that adjustment failed; the message has then been shown and
  // the caller closes the application.
  bool EditRegistration();

  // The records in the settings file's form. Load throws files::ArchiveError for a malformed
  // archive and leaves the records as they were; otherwise it replaces them.
  void Store(files::ArchiveWriter& archive) const;
  void Load(files::ArchiveReader& archive);

 private:
  void DropMissingPackagesLocked();
  bool RunListeners(const FirmwareInfo& current);
  void RestoreCurrent(const FirmwareInfo& previous);

  mutable std::mutex mutex_;
  std::atomic<bool> busy_{false};
  FirmwareInfo connected_;
  FirmwareInfo current_;
  std::vector<AdjustmentListener*> listeners_;
  std::vector<FirmwareInfo> records_;
  BrowseHook browse_;
  AdjustmentRunner runner_;
  RegistrationEditor editor_;
};

}  // namespace zel::firmware
