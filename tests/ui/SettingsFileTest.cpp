#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <vector>

#include "app/CMainFrame.h"
#include "app/SettingsFile.h"
#include "files/ArchiveWriter.h"
#include "ui/FirmwareSamplePackage.h"
#include "ui/ScriptedHost.h"

namespace zel::app {
namespace {

// A main window without a ZEL: every open fails, and each is recorded with its baud rate.
struct Frame {
  std::vector<int32_t> opens;
  CMainFrame frame{[this](const std::string&, int32_t baud, uint8_t& code) {
    opens.push_back(baud);
    code = 0x80;
    return std::unique_ptr<link::ByteChannel>();
  }};
  std::vector<std::uint8_t> Bytes() { return SettingsFile::Write(frame); }
};

// Every record away from its default.
void ChangeEverything(Frame& f, const std::string& package) {
  CMainFrame& frame = f.frame;
  frame.Wizards().SetStartupWizardAtStart(0);
  frame.Wizards().SetCanWizardAtStart(true);
  frame.Wizards().SetUpDownloadWizardAtStart(true);
  link::CommSettings& settings = frame.Communication().Settings();
  settings.baudRate = 19200;
  settings.portName = "Com3";
  settings.spare = 7;
  settings.timeoutMs = 150;
  settings.transmitTrials = 2;
  link::CanGateway& gateway = frame.Communication().Can();
  gateway.SetLastDestination(9);
  gateway.RememberedFor(0x33).values = {1, 2, 3, 4, 5};
  gateway.RememberedFor(0x33).hexadecimal = false;
  frame.Recorder().Settings().setup.samplePeriod = 40;
  frame.Recorder().Settings().setup.variable = 131;
  frame.Communication().Service().SetLastAddrVariable(
      {0x0321, link::AddrVariableFormat::kSigned32, 0x12345678});
  frame.Communication().Status().SetLastEnableChoice(false);
  frame.Communication().Parameter().SetLastParameterNumber(17);
  frame.DownloadControl().SetPackage(package, "");
  frame.DownloadControl().Select(2);
  frame.DownloadControl().Link().Times().SetAt(4, 4321);
  ASSERT_GT(frame.RegisterPackage(package), 0);
}

TEST(SettingsFileTest, EveryBlockComesBackAndTheLinkReopensFirstWithTheStoredRecord) {
  ui::ScriptedHost host;
  test::SamplePackage package;
  Frame before;
  const std::vector<std::uint8_t> defaults = before.Bytes();
  ChangeEverything(before, package.Path());
  const std::vector<std::uint8_t> bytes = before.Bytes();
  ASSERT_NE(bytes, defaults);

  Frame after;
  after.opens.clear();
  SettingsFile::Read(after.frame, bytes);
  EXPECT_TRUE(host.Messages().empty());
  EXPECT_EQ(after.Bytes(), bytes) << "every record reads back to what was written";
  EXPECT_EQ(after.opens, std::vector<int32_t>{19200});
  CMainFrame& frame = after.frame;
  EXPECT_EQ(frame.Wizards().StartupWizardAtStart(), 0);
  EXPECT_TRUE(after.frame.Wizards().CanWizardAtStart());
  EXPECT_FALSE(frame.Wizards().DownloadWizardAtStart());
  EXPECT_TRUE(frame.Wizards().UpDownloadWizardAtStart());
  EXPECT_EQ(frame.Communication().Settings(), before.frame.Communication().Settings());
  EXPECT_EQ(frame.Communication().Can().LastDestination(), 9);
  EXPECT_EQ(frame.Recorder().Settings().setup.samplePeriod, 40);
  EXPECT_EQ(frame.Communication().Service().LastAddrVariable().value, 0x12345678u);
  EXPECT_FALSE(frame.Communication().Status().LastEnableChoice());
  EXPECT_EQ(frame.Communication().Parameter().LastParameterNumber(), 17);
  EXPECT_EQ(frame.DownloadControl().Selected(), 2);
  EXPECT_EQ(frame.DownloadControl().PackagePath(), package.Path());
  EXPECT_EQ(frame.DownloadControl().Link().Times().At(4), 4321);
  EXPECT_EQ(frame.Firmware().Records().size(), before.frame.Firmware().Records().size());

  // The serial record sits right after the version text and the four 32-bit flags.
  files::ArchiveWriter head;
  head.WriteString(SettingsFile::kVersion);
  const std::size_t serialEnd = head.Data().size() + 16 + 4 + 1 + 4 + 2 + 4 + 4;
  Frame cut;
  cut.opens.clear();
  SettingsFile::Read(cut.frame, {bytes.begin(), bytes.begin() + serialEnd});
  EXPECT_EQ(cut.opens, std::vector<int32_t>{19200}) << "reopened before the rest is read";
  EXPECT_EQ(cut.frame.Communication().Settings().portName, "Com3");
  EXPECT_EQ(cut.frame.Communication().Can().LastDestination(), 1) << "not in the file";

  // A time-out no dialog accepts would stall every exchange: the record is damaged, not taken.
  std::vector<std::uint8_t> stalled = bytes;
  for (std::size_t i = serialEnd - 8; i < serialEnd - 4; ++i) stalled[i] = 0xFF;
  stalled[serialEnd - 5] = 0x7F;
  Frame damaged;
  damaged.opens.clear();
  SettingsFile::Read(damaged.frame, stalled);
  EXPECT_TRUE(damaged.opens.empty());
  EXPECT_EQ(damaged.frame.Communication().Settings(), link::CommSettings{});
}

TEST(SettingsFileTest, AnotherVersionKeepsEveryDefaultAndACutFileKeepsWhatWasReadSilently) {
  ui::ScriptedHost host;
  test::SamplePackage package;
  Frame source;
  const std::vector<std::uint8_t> defaults = source.Bytes();
  ChangeEverything(source, package.Path());
  const std::vector<std::uint8_t> bytes = source.Bytes();

  // Same layout, older version text: refused as a whole.
  std::vector<std::uint8_t> older = bytes;
  older[1 + 20] = '5';  // "ZEL_UserInterface_1.05"
  Frame refused;
  refused.opens.clear();
  SettingsFile::Read(refused.frame, older);
  EXPECT_EQ(host.Messages(), std::vector<std::string>{SettingsFile::kVersionTooOld});
  EXPECT_EQ(refused.Bytes(), defaults);
  EXPECT_TRUE(refused.opens.empty());

  // Every shorter file: no message, nothing beyond the cut, and the blocks before it whole.
  host.Clear();
  for (std::size_t length = 0; length < bytes.size(); ++length) {
    Frame cut;
    SettingsFile::Read(cut.frame, {bytes.begin(), bytes.begin() + length});
    ASSERT_TRUE(host.Messages().empty()) << length;
    ASSERT_LE(cut.frame.Firmware().Records().size(), source.frame.Firmware().Records().size());
    if (length >= bytes.size() - 1) continue;
    ASSERT_NE(cut.Bytes(), bytes) << "the registry cannot be whole at " << length;
  }
  // Cut inside the registry: everything before it came through.
  Frame nearlyWhole;
  SettingsFile::Read(nearlyWhole.frame, {bytes.begin(), bytes.end() - 1});
  EXPECT_TRUE(nearlyWhole.frame.Firmware().Records().empty());
  EXPECT_EQ(nearlyWhole.frame.DownloadControl().Selected(), 2);
  EXPECT_EQ(nearlyWhole.frame.Communication().Parameter().LastParameterNumber(), 17);
}

TEST(SettingsFileTest, SavedIntoTheFolderCurrentAtCreationWhateverItIsLater) {
  ui::ScriptedHost host;
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("zel-settings-" + std::to_string(::getpid()));
  const std::filesystem::path first = root / "first";
  const std::filesystem::path later = root / "later";
  std::filesystem::create_directories(first);
  std::filesystem::create_directories(later);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(first);
  {
    Frame f;
    f.frame.LoadSettings();  // none there yet: defaults, silently
    f.frame.Communication().Settings().portName = "Com4";
    std::filesystem::current_path(later);  // a file dialog moved on
    ASSERT_TRUE(f.frame.SaveSettings());
    f.frame.Communication().Settings().portName = "Com5";
    ASSERT_TRUE(f.frame.SaveSettings());  // replaces the earlier file
  }
  EXPECT_TRUE(std::filesystem::exists(first / SettingsFile::kFileName));
  EXPECT_FALSE(std::filesystem::exists(later / SettingsFile::kFileName));
  std::filesystem::current_path(first);
  {
    Frame f;
    f.frame.LoadSettings();
    EXPECT_EQ(f.frame.Communication().Settings().portName, "Com5");
  }
  EXPECT_TRUE(host.Messages().empty());
  std::filesystem::current_path(previous);
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace zel::app
