#pragma once

#include <cstdint>

#include "firmware/FirmwareBrowseModel.h"
#include "firmware/FirmwareRegistry.h"
#include "ui/Window.h"

namespace zel::firmware {

// The "Browse Firmware File" dialog, shown when no registered package matches a newly
// connected ZEL. The ZEL row holds the versions wanted, the FILE row those of the package the
// user picked with "..."; a FILE value that differs is drawn in red, and OK closes the dialog
// only when all four agree.
class CBrowseFirmwareDlg : public ui::Window {
 public:
  static constexpr const char* kTitle = "Browse Firmware File";
  static constexpr const char* kFileFilter = "Firmware Files (*.bin)|*.bin||";
  static constexpr std::uint32_t kDifferentColour = 0xFF0000;
  static constexpr int kIdFileName = 1000;
  static constexpr int kIdBrowse = 1001;
  static constexpr int kIdDetails = 1002;
  // The four ZEL and the four FILE cells, in column order.
  static constexpr int kIdFirstZelCell = 1010;
  static constexpr int kIdFirstFileCell = 1020;

  explicit CBrowseFirmwareDlg(const FirmwareInfo& wanted);

  const FirmwareBrowseModel& Model() const { return model_; }

  // The registry's browse hook: true with the chosen package's description on OK.
  static bool Browse(const FirmwareInfo& wanted, FirmwareInfo& chosen);
  static void Install(FirmwareRegistry& registry);

 protected:
  bool OnInitDialog() override;
  void OnEvent(int id, ui::EventKind kind) override;
  void OnOK() override;

 private:
  void ShowFileRow();
  void BrowseFile();

  FirmwareBrowseModel model_;
};

}  // namespace zel::firmware
