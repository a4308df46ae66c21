#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "link/ParameterGroup.h"
#include "link/StatusGroup.h"
#include "recorder/CDisplayDataDlg.h"
#include "recorder/CSetupRecorderDlg.h"
#include "recorder/GraphModel.h"
#include "recorder/RdaFile.h"
#include "recorder/Recorder.h"
#include "support/HandFiredTimer.h"
#include "ui/MainFrameDesk.h"

namespace zel::recorder {
namespace {

namespace fs = std::filesystem;
using test::MainFrameDesk;

constexpr int kRecordData = 32780;
constexpr std::uint16_t kJumpConfig = 0x9000;  // enabled by software and by hand, speed mode

// Plays the "SetupRecorder" dialog: the period text and the variable's list position.
ui::ScriptedHost::ModalScript PlaySetup(std::string period, int position) {
  return [period, position](ui::Window& window) {
    window.UserSetText(CSetupRecorderDlg::kIdPeriod, period);
    window.UserSetValue(CSetupRecorderDlg::kIdSelectVariable, 1);
    window.UserSelect(CSetupRecorderDlg::kIdVariable, position);
    window.Press(ui::kIdOk);
  };
}

TEST(SetupRecorderDialog, ReadsThePeriodInTenthsAndRefusesWhatIsNoPeriod) {
  std::uint16_t tenths = 0;
  std::string message;
  EXPECT_TRUE(CSetupRecorderDlg::ParsePeriod("12.5", tenths, message));
  EXPECT_EQ(tenths, 125);
  EXPECT_TRUE(CSetupRecorderDlg::ParsePeriod("12", tenths, message));
  EXPECT_EQ(tenths, 120);
  EXPECT_TRUE(CSetupRecorderDlg::ParsePeriod("6553.5", tenths, message));
  EXPECT_EQ(tenths, 65535);
  EXPECT_TRUE(CSetupRecorderDlg::ParsePeriod("", tenths, message));
  EXPECT_EQ(tenths, 0);
  for (const char* bad : {"12.55", "1.2.3", "12a", "-1", " 1"}) {
    EXPECT_FALSE(CSetupRecorderDlg::ParsePeriod(bad, tenths, message)) << bad;
    EXPECT_EQ(message, "The sampling period is not a correct number!");
  }
  for (const char* large : {"6553.6", "99999999999999999999999"}) {
    EXPECT_FALSE(CSetupRecorderDlg::ParsePeriod(large, tenths, message));
    EXPECT_EQ(message, "The value is too large!");
  }

  // In the dialog a refused text keeps it open with the edit focused; the list skips the two
  // 32-bit positions from position 7 on.
  ui::ScriptedHost host;
  parameters::CParameterTable table;
  CSetupRecorderDlg dialog(RecorderSetup{}, table);
  host.QueueModal([&](ui::Window& window) {
    EXPECT_EQ(window.Text(CSetupRecorderDlg::kIdPeriod), "0.1");
    EXPECT_EQ(window.Text(CSetupRecorderDlg::kIdAddress), "0x0300");
    EXPECT_FALSE(window.IsVisible(CSetupRecorderDlg::kIdAddress));
    window.UserSetText(CSetupRecorderDlg::kIdPeriod, "1.25");
    window.Press(ui::kIdOk);
    EXPECT_FALSE(window.IsEnded());
    EXPECT_EQ(window.FocusId(), CSetupRecorderDlg::kIdPeriod);
    window.UserSetText(CSetupRecorderDlg::kIdPeriod, "1.5");
    window.UserSetValue(CSetupRecorderDlg::kIdEnterAddress, 1);
    EXPECT_EQ(window.Text(CSetupRecorderDlg::kIdInputLabel), "Memory address");
    window.UserSetText(CSetupRecorderDlg::kIdAddress, "0x1G");
    window.Press(ui::kIdOk);
    EXPECT_FALSE(window.IsEnded());
    window.UserSetText(CSetupRecorderDlg::kIdAddress, "0x2A0");
    window.UserSelect(CSetupRecorderDlg::kIdFormat, CSetupRecorderDlg::kFormatSigned);
    window.Press(ui::kIdOk);
  });
  ASSERT_EQ(dialog.DoModal(), ui::kResultOk);
  EXPECT_EQ(host.Messages(),
            (std::vector<std::string>{"The sampling period is not a correct number!",
                                      "Value is not a hexadecimal number!"}));
  EXPECT_EQ(dialog.Setup(), (RecorderSetup{15, 0x2A0, 1, 1}));
  ASSERT_EQ(dialog.Offered().size(), 11u);
  EXPECT_EQ(dialog.Offered()[6], 134);
  EXPECT_EQ(dialog.Offered()[7], 137);
}

TEST(RecorderUpload, WordsBecomeSamplesOfTheVariablesTypeAndPeriod) {
  MainFrameDesk desk;
  Recorder& recorder = desk.frame->Recorder();
  EXPECT_EQ(recorder.UploadTimeoutMs(), 100);

  // A 32-bit parameter: 256 words give 128 signed samples, whatever the definition's sign.
  ASSERT_TRUE(recorder.Configure({10, 136, RecorderSetup::kModeParameter, 0}));
  EXPECT_EQ(recorder.UploadTimeoutMs(), 356);
  std::vector<std::uint16_t> words(256, 0xFFFF);
  recorder.BuildChannel(words);
  const Channel& wide = recorder.Data().channels.at(0);
  EXPECT_EQ(wide.name, "PosDetValue");
  EXPECT_EQ(wide.period, 1000);
  ASSERT_EQ(wide.samples.size(), 128u);
  EXPECT_EQ(wide.samples[1].time, 1000);
  EXPECT_EQ(wide.samples[127].value.number, -1.0);

  // A memory address is read as the chosen format.
  ASSERT_TRUE(recorder.Configure({1, 0x0100, RecorderSetup::kModeAddress, 0}));
  recorder.BuildChannel(std::vector<std::uint16_t>{0xFFFF});
  EXPECT_EQ(recorder.Data().channels.at(0).name, "Address 0x0100");
  EXPECT_EQ(recorder.Data().channels.at(0).samples.at(0).value.number, 65535.0);
  ASSERT_TRUE(recorder.Configure({1, 0x0100, RecorderSetup::kModeAddress, 1}));
  recorder.BuildChannel(std::vector<std::uint16_t>{0xFFFF});
  EXPECT_EQ(recorder.Data().channels.at(0).samples.at(0).value.number, -1.0);

  // The real upload of a 32-bit position against the simulated ZEL.
  ASSERT_TRUE(recorder.Configure({1, 136, RecorderSetup::kModeParameter, 0}));
  ASSERT_TRUE(recorder.Upload(0));
  EXPECT_EQ(recorder.Data().channels.at(0).samples.size(), 128u);
}

class RecorderWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zel-recwin-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  CDisplayDataDlg* Window() { return desk_.frame->Recorder().Window(); }
  const Channel& Curve() { return Window()->Graph().Data().channels.at(0); }
  void EnableJump() {
    link::ZelCommunication& comm = desk_.frame->Communication();
    uint16_t config = 0;
    ASSERT_TRUE(comm.Parameter().ReadTempParam(1, config));
    config = static_cast<uint16_t>((config | kJumpConfig) & ~0x0025u);
    ASSERT_TRUE(comm.Parameter().SetTempParam(1, 0, config));
    ASSERT_TRUE(comm.Status().Enable(true));
  }

  MainFrameDesk desk_;
  fs::path dir_;
};

TEST_F(RecorderWindowTest, RecordDataShowsTheStepResponseOfAJump) {
  desk_.Host().QueueModal(PlaySetup("0.5", 6));  // SpeedDetValue every 0.5 ms
  desk_.frame->OnCommand(kRecordData);
  ASSERT_NE(Window(), nullptr);
  EXPECT_TRUE(desk_.frame->IsCommandChecked(kRecordData));
  EXPECT_EQ(desk_.Host().ModelessTitles(), (std::vector<std::string>{"Display Data"}));
  EXPECT_EQ(Curve().name, "SpeedDetValue");
  ASSERT_EQ(Curve().samples.size(), 256u);
  EXPECT_EQ(Curve().samples[255].time, 255 * 500);

  // Not enabled by software: the box, and nothing recorded.
  Window()->UserSetText(CDisplayDataDlg::kIdJumpValue, "2000");
  Window()->Press(CDisplayDataDlg::kIdJump);
  EXPECT_EQ(desk_.Host().LastMessage(),
            "Control follow points:\n'Enable' input deactive ?\nThe ZEL is ... Enabled ?\n"
            "'Digital 2' input deactive ?\n'SetValue' input deactive?          ");

  EnableJump();
  desk_.Host().Clear();
  Window()->Press(CDisplayDataDlg::kIdJump);
  EXPECT_TRUE(desk_.Host().Messages().empty());
  // The speed rises from standstill towards the new set value over the 128 ms.
  const auto& samples = Curve().samples;
  EXPECT_LT(samples.front().value.number, 200);
  EXPECT_GT(samples.back().value.number, 1500);
  EXPECT_LE(samples.back().value.number, 2000);
  for (std::size_t k = 1; k < samples.size(); ++k)
    EXPECT_GE(samples[k].value.number + 1, samples[k - 1].value.number);

  // Measure reads the curve's maximum, in the recorded parameter's unit.
  Window()->Press(CDisplayDataDlg::kIdMeasure);
  char expected[64];
  std::snprintf(expected, sizeof expected, "Measure: Max. %.3f rpm", samples.back().value.number);
  EXPECT_EQ(Window()->Graph().MeasureText(), expected);

  // The menu closes the window; the recorder keeps the recording for the next one.
  desk_.frame->OnCommand(kRecordData);
  EXPECT_EQ(Window(), nullptr);
  EXPECT_FALSE(desk_.frame->IsCommandChecked(kRecordData));
  EXPECT_EQ(desk_.frame->Recorder().Data().channels.at(0).samples.size(), 256u);
}

TEST_F(RecorderWindowTest, AutoRefreshUploadsUntilTheZelStopsAnswering) {
  desk_.Host().QueueModal(PlaySetup("0.1", 0));
  desk_.frame->OnCommand(kRecordData);
  ASSERT_NE(Window(), nullptr);
  std::atomic<ui::PeriodicTimer::Callback*> tick{nullptr};
  Window()->SetTimerFactory([&] { return std::make_unique<test::HandFiredTimer>(tick); });
  Window()->UserSetValue(CDisplayDataDlg::kIdAutoRefresh, 1);
  EXPECT_FALSE(Window()->IsEnabled(CDisplayDataDlg::kIdRefresh));
  ASSERT_TRUE(Window()->AutoRefreshRunning());

  const int before = Window()->Value(CDisplayDataDlg::kIdPlot);
  ASSERT_TRUE(ui::ScriptedHost::PumpUntil([&] { return tick.load() != nullptr; }));
  (*tick.load())();
  ASSERT_TRUE(ui::ScriptedHost::PumpUntil(
      [&] { return Window()->Value(CDisplayDataDlg::kIdPlot) != before; }));
  EXPECT_EQ(Curve().samples.size(), 256u);

  desk_.zel.Sim().Faults().SetNeverAnswer(true);
  (*tick.load())();
  ASSERT_TRUE(ui::ScriptedHost::PumpUntil(
      [&] { return Window()->Value(CDisplayDataDlg::kIdAutoRefresh) == 0; }));
  EXPECT_FALSE(Window()->AutoRefreshRunning());
  EXPECT_TRUE(Window()->IsEnabled(CDisplayDataDlg::kIdRefresh));
  EXPECT_EQ(Curve().samples.size(), 256u);
  desk_.zel.Sim().Faults().SetNeverAnswer(false);

  // Minimising pauses a running refresh, restoring starts it again.
  Window()->UserSetValue(CDisplayDataDlg::kIdAutoRefresh, 1);
  Window()->UserMinimize(true);
  EXPECT_FALSE(Window()->AutoRefreshRunning());
  Window()->UserMinimize(false);
  EXPECT_TRUE(Window()->AutoRefreshRunning());
  Window()->Press(CDisplayDataDlg::kIdExit);
  EXPECT_EQ(Window(), nullptr);
}

TEST_F(RecorderWindowTest, SavedRecordingsLoadAgainAndDamagedFilesKeepTheRecording) {
  desk_.Host().QueueModal(PlaySetup("0.2", 1));
  desk_.frame->OnCommand(kRecordData);
  ASSERT_NE(Window(), nullptr);
  const Channel recorded = Curve();
  const std::string rda = (dir_ / "step.rda").string();
  const std::string txt = (dir_ / "step.txt").string();
  const std::string csv = (dir_ / "step.csv").string();
  desk_.Host().QueueFile(rda, 1);
  Window()->Press(CDisplayDataDlg::kIdSave);
  desk_.Host().QueueFile(txt, 2);
  Window()->Press(CDisplayDataDlg::kIdSave);
  desk_.Host().QueueFile(csv, 1);
  Window()->Press(CDisplayDataDlg::kIdExport);
  EXPECT_TRUE(desk_.Host().Messages().empty());
  ASSERT_EQ(desk_.Host().FileRequests().size(), 3u);
  EXPECT_EQ(desk_.Host().FileRequests()[0].filter,
            "RecordedData Files (*.rda)|*.rda|ASCII Files (*.txt)|*.txt||");
  EXPECT_EQ(desk_.Host().FileRequests()[0].defaultExtension, "rda");
  std::ifstream text(txt, std::ios::binary);
  std::string firstLine;
  std::getline(text, firstLine);
  EXPECT_EQ(firstLine, "Number of Samples = 256\t");
  EXPECT_TRUE(fs::exists(csv));

  // A damaged file: the message, and the recording stays.
  const auto size = fs::file_size(rda);
  fs::copy_file(rda, dir_ / "cut.rda");
  fs::resize_file(dir_ / "cut.rda", size - 3);
  desk_.Host().QueueFile((dir_ / "cut.rda").string());
  Window()->Press(CDisplayDataDlg::kIdLoad);
  EXPECT_EQ(desk_.Host().LastMessage().rfind(RdaFile::kDamagedText, 0), 0u);
  EXPECT_EQ(Curve().samples.size(), 256u);

  // Another recording, then the saved one loaded back.
  Window()->Press(CDisplayDataDlg::kIdRefresh);
  RecordedData other;
  other.channels.push_back(recorded);
  other.channels[0].name = "Other";
  std::string error;
  ASSERT_TRUE(RdaFile::SaveRda(dir_ / "other.rda", other, error));
  desk_.Host().QueueFile((dir_ / "other.rda").string());
  Window()->Press(CDisplayDataDlg::kIdLoad);
  EXPECT_EQ(Curve().name, "Other");
  desk_.Host().QueueFile(rda);
  Window()->Press(CDisplayDataDlg::kIdLoad);
  EXPECT_EQ(Curve().name, recorded.name);
  ASSERT_EQ(Curve().samples.size(), recorded.samples.size());
  for (std::size_t k = 0; k < recorded.samples.size(); ++k)
    EXPECT_EQ(Curve().samples[k].value.number, recorded.samples[k].value.number);
}

}  // namespace
}  // namespace zel::recorder
