#include <gtest/gtest.h>

#include <algorithm>

#include "firmware/CDownloadDlg.h"
#include "firmware/CoffImage.h"
#include "firmware/FirmwarePackage.h"
#include "ui/FirmwareSamplePackage.h"
#include "ui/SimulatedZel.h"

namespace zel::firmware {
namespace {

using test::SamplePackage;
using test::SimulatedZel;
using ui::Window;

sim::DeviceConfig Disabled() {
  sim::DeviceConfig device;
  device.enableInput = false;
  return device;
}

std::vector<uint16_t> ImageWords(const std::string& package, const std::string& version) {
  FirmwarePackage file;
  std::vector<uint8_t> coff;
  std::vector<uint8_t> image;
  EXPECT_TRUE(file.Open(package));
  EXPECT_TRUE(file.ReadEntry(version + "\\BinaryFiles\\", "ZelCode.out", coff));
  EXPECT_EQ(FlashImage::Convert(coff, image), FlashImage::kConverted);
  std::vector<uint16_t> words;
  for (std::size_t i = FlashImage::kHeaderSize; i + 1 < image.size(); i += 2)
    words.push_back(static_cast<uint16_t>(image[i] | (image[i + 1] << 8)));
  return words;
}

bool HistoryHas(const Window& w, const std::string& text) {
  const auto& rows = w.Find(CDownloadDlg::kIdHistory)->rows;
  return std::any_of(rows.begin(), rows.end(),
                     [&](const auto& row) { return !row.empty() && row[0] == text; });
}

TEST(DownloadDialogTest, DownloadsTheChosenVersionAndCannotBeClosedWhileFlashing) {
  SimulatedZel zel(Disabled());
  SamplePackage package;
  DownloadController controller(zel.Comm().Boot());
  controller.SetPackage(package.Path(), "ZEL_1030");
  bool refusedClosing = false;
  zel.Host().QueueModal([&](Window& w) {
    auto& dlg = dynamic_cast<CDownloadDlg&>(w);
    EXPECT_EQ(w.Text(CDownloadDlg::kIdFile), package.Path());
    ASSERT_TRUE(w.Press(CDownloadDlg::kIdStart));
    ASSERT_TRUE(ui::ScriptedHost::PumpUntil([&] { return dlg.InCriticalPhase(); },
                                            std::chrono::seconds(30)));
    EXPECT_TRUE(w.IsVisible(CDownloadDlg::kIdCritical));
    EXPECT_FALSE(w.IsEnabled(CDownloadDlg::kIdStop));
    // Neither Cancel nor Escape nor OK ends the dialog now.
    refusedClosing = !w.Press(ui::kIdCancel) && !w.Press(ui::kIdOk) && !w.IsEnded();
    ASSERT_TRUE(ui::ScriptedHost::PumpUntil(
        [&] {
          const std::string status = w.Text(CDownloadDlg::kIdStatus);
          return status == "Download successful!" || status == "Download failed!";
        },
        std::chrono::seconds(30)));
    EXPECT_EQ(w.Text(CDownloadDlg::kIdStatus), "Download successful!");
    EXPECT_TRUE(HistoryHas(w, "Okay! The 'FlshCtrl' section is downloaded!"));
    EXPECT_TRUE(HistoryHas(w, "Okay! The Flash memory is programmed!"));
    EXPECT_TRUE(w.Press(ui::kIdOk));
  });
  {
    CDownloadDlg dlg(zel.Comm(), controller);
    dlg.DoModal();
    EXPECT_TRUE(dlg.Succeeded());
  }
  EXPECT_TRUE(refusedClosing);
  EXPECT_EQ(zel.Sim().Boot().Flash(), ImageWords(package.Path(), "ZEL_1030"));
  // The line is the device link's again, and the new firmware answers.
  EXPECT_FALSE(zel.Comm().InBootLoaderMode());
  uint16_t software = 0, hardware = 0, number = 0, version = 0;
  ASSERT_TRUE(zel.Comm().Parameter().ReadVersion(software, hardware, number, version));
  EXPECT_EQ(software, 0x1030);
}

TEST(DownloadDialogTest, StartRefusesWhatWouldNotSuitTheZel) {
  sim::DeviceConfig other = Disabled();
  other.identity.hardwareVersion = 0x0300;
  SimulatedZel zel(other);
  SamplePackage package;
  DownloadController controller(zel.Comm().Boot());
  zel.Host().QueueModal([&](Window& w) {
    w.UserSetText(CDownloadDlg::kIdFile, package.Path() + ".zip");
    w.Press(CDownloadDlg::kIdStart);
    EXPECT_EQ(zel.Host().LastMessage(), "No file (*.bin) selected");
    controller.SetPackage(package.Path(), "ZEL_1040");
    w.SetText(CDownloadDlg::kIdFile, package.Path());
    w.Press(CDownloadDlg::kIdStart);
    EXPECT_EQ(zel.Host().LastMessage(),
              "The hardware versions are not compatible!\nYou have to load the hardware "
              "version 0x0300 !");
    EXPECT_TRUE(w.IsEnabled(CDownloadDlg::kIdStart));
    w.Press(ui::kIdCancel);
  });
  const std::vector<uint16_t> before = zel.Sim().Boot().Flash();
  {
    CDownloadDlg dlg(zel.Comm(), controller);
    dlg.DoModal();
    EXPECT_FALSE(dlg.Succeeded());
  }
  EXPECT_EQ(zel.Sim().Boot().Flash(), before);
  EXPECT_EQ(zel.Sim().Boot().State(), sim::BootState::kFirmware);
}

}  // namespace
}  // namespace zel::firmware
