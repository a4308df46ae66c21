#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "parameters/CUploadWizardPage.h"
#include "parameters/NetworkAssignment.h"
#include "ui/Window.h"

namespace zel::parameters {

// "Download file to a module": parameter files on the left, the modules found on the right, a
// file assigned to a module by dragging it over, by a double click or with "<<"; "D&ownload"
// then downloads every assigned file into its module. Dragged files travel as the clipboard
// format "ZEL_UpDownloadFile" holding the file's path as an archive string, so a file dragged in
// from another list of the tool arrives the same way. UI thread.
class CUploadWizardDownloadNetDlg final : public ui::Window {
 public:
  static constexpr const char* kClipboardFormat = "ZEL_UpDownloadFile";
  static constexpr int kIdFiles = 4300;
  static constexpr int kIdModules = 4301;
  static constexpr int kIdLoad = 4302;
  static constexpr int kIdAssign = 4303;
  static constexpr int kIdDeleteFile = 4304;
  static constexpr int kIdDeleteAllFiles = 4305;
  static constexpr int kIdClearModule = 4306;
  static constexpr int kIdClearAllModules = 4307;
  static constexpr int kIdDownload = 4308;

  CUploadWizardDownloadNetDlg(UploadWizardDevices& devices,
                              const std::vector<std::uint16_t>& modules);

  NetworkAssignment& Assignment() { return assignment_; }
  const std::string& Report() const { return report_; }
  // The path as a drag of the file list carries it, and back; false for anything else.
  static std::vector<std::uint8_t> EncodePath(const std::string& path);
  static bool DecodePath(const std::vector<std::uint8_t>& data, std::string& path);

  std::vector<std::uint8_t> DragData(int id, int row) const override;

 protected:
  bool OnInitDialog() override;
  void OnEvent(int id, ui::EventKind kind) override;
  void OnDrop(int id, int row, const std::vector<std::uint8_t>& data) override;

 private:
  void LoadFiles();
  void Assign(int fileRow, int moduleRow);
  void Refuse(const std::string& why);
  void Download();
  void ShowLists();

  UploadWizardDevices& devices_;
  std::vector<std::uint16_t> moduleIds_;
  NetworkAssignment assignment_;
  std::string report_;
};

}  // namespace zel::parameters
