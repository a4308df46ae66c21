#include <gtest/gtest.h>

#include "link/RecorderGroup.h"
#include "recorder/CDisplayDataDlg.h"
#include "recorder/GraphModel.h"
#include "recorder/Recorder.h"
#include "ui/ScriptedHost.h"

namespace zel::recorder {
namespace {

RecordedData Step(float low, float high) {
  RecordedData data;
  Channel channel;
  channel.period = 500;
  for (int k = 0; k < 8; ++k)
    channel.samples.push_back({k * 500, SampleValue::Float(k < 4 ? low : high)});
  data.channels.push_back(channel);
  return data;
}

// The settings file keeps the range the last recording was shown in: the next run's window
// opens with it, and writing the settings back before any window opened keeps it too.
TEST(RecorderStoredRange, TheSettingsFilesRangeReachesTheWindowAndSurvivesUntilItIsShown) {
  ui::ScriptedHost host;
  link::RecorderGroup group(nullptr, nullptr);  // no ZEL: nothing here talks to one
  Recorder recorder(group);

  // As the settings file is read at start-up.
  recorder.Settings().scaleMax = 2200;
  recorder.Settings().scaleMin = -200;
  recorder.Settings().data = Step(0, 2000);
  // Saved again without the window having been opened (the program closed at once).
  recorder.SyncSettings();
  EXPECT_FLOAT_EQ(recorder.Settings().scaleMax, 2200);
  EXPECT_FLOAT_EQ(recorder.Settings().scaleMin, -200);

  recorder.ShowWindow();
  ASSERT_NE(recorder.Window(), nullptr);
  EXPECT_DOUBLE_EQ(recorder.Graph().Ranges().leftMax, 2200);
  EXPECT_DOUBLE_EQ(recorder.Graph().Ranges().leftMin, -200);
  EXPECT_EQ(recorder.Window()->Value(CDisplayDataDlg::kIdAutoScale), 0);

  // A loaded recording below the range widens it; Exit keeps what was shown for the file.
  recorder.SetData(Step(-3000, 0));
  recorder.CloseWindow();
  recorder.ShowWindow();
  ASSERT_NE(recorder.Window(), nullptr);
  EXPECT_DOUBLE_EQ(recorder.Graph().Ranges().leftMin, -3300);
  recorder.Window()->Press(CDisplayDataDlg::kIdExit);
  EXPECT_EQ(recorder.Window(), nullptr);
  recorder.SyncSettings();
  EXPECT_FLOAT_EQ(recorder.Settings().scaleMax, 2200);
  EXPECT_FLOAT_EQ(recorder.Settings().scaleMin, -3300);

  // Reading the settings file again hands its range over once more.
  recorder.Settings().scaleMax = 100;
  recorder.Settings().scaleMin = -100;
  recorder.Settings().data = Step(0, 50);
  recorder.ShowWindow();
  EXPECT_DOUBLE_EQ(recorder.Graph().Ranges().leftMax, 100);
  EXPECT_DOUBLE_EQ(recorder.Graph().Ranges().leftMin, -100);
  recorder.CloseWindow();
}

}  // namespace
}  // namespace zel::recorder
