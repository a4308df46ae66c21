#include <gtest/gtest.h>

#include <limits>

#include "recorder/GraphModel.h"

namespace zel::recorder {
namespace {

RecordedData Samples(std::vector<float> values, std::int32_t period = 100, std::uint8_t axis = 1) {
  RecordedData data;
  Channel channel;
  channel.period = period;
  channel.axis = axis;
  for (std::size_t k = 0; k < values.size(); ++k)
    channel.samples.push_back(
        {static_cast<std::int32_t>(k) * period, SampleValue::Float(values[k])});
  data.channels.push_back(channel);
  return data;
}

TEST(GraphModel, RangesFollowTheDataWhenAutoScaledAndTheManualRangeOtherwise) {
  GraphModel graph;
  // Without samples: 0 to 10000 µs; the manual range until "Auto Scale" is ticked.
  EXPECT_EQ(graph.Ranges().timeMin, 0);
  EXPECT_EQ(graph.Ranges().timeMax, 10000);
  EXPECT_EQ(graph.Ranges().leftMax, 1000);
  EXPECT_EQ(graph.Ranges().leftMin, -1000);
  graph.SetAutoScale(true);
  EXPECT_EQ(graph.Ranges().leftMax, 12);
  EXPECT_EQ(graph.Ranges().leftMin, -12);

  graph.SetData(Samples({5, 5, 5}));
  EXPECT_EQ(graph.Ranges().leftMax, 6);
  EXPECT_EQ(graph.Ranges().leftMin, 4);
  // The last sample lasts one period.
  EXPECT_EQ(graph.Ranges().timeMax, 300);

  std::vector<float> ramp;
  for (int v = 0; v <= 100; ++v) ramp.push_back(static_cast<float>(v));
  graph.SetData(Samples(ramp));
  EXPECT_DOUBLE_EQ(graph.Ranges().leftMax, 110);
  EXPECT_DOUBLE_EQ(graph.Ranges().leftMin, -10);
  EXPECT_FLOAT_EQ(graph.ScaleMax(), 110);
  EXPECT_FLOAT_EQ(graph.ScaleMin(), -10);
  // The value axis starts just below zero; its zero tick reads "0", never "-0".
  const ui::PlotScene scene = graph.Scene();
  ASSERT_FALSE(scene.leftTicks.empty());
  EXPECT_EQ(scene.leftTicks.front().label, "0");

  // A curve entirely below zero is scaled around itself, not stretched up to zero.
  graph.SetData(Samples({-5, -5}));
  EXPECT_EQ(graph.Ranges().leftMax, -4);
  EXPECT_EQ(graph.Ranges().leftMin, -6);

  // A right-axis channel gets its own range; a period of 0 still widens the time range.
  RecordedData both = Samples({0, 10});
  both.channels.push_back(Samples({200, 300}, 0, 2).channels[0]);
  graph.SetData(both);
  EXPECT_TRUE(graph.Ranges().hasRight);
  EXPECT_DOUBLE_EQ(graph.Ranges().rightMax, 310);
  EXPECT_DOUBLE_EQ(graph.Ranges().leftMax, 11);
  EXPECT_EQ(graph.Ranges().timeMax, 200);

  graph.SetAutoScale(false);
  graph.SetManualRange(50, -20);
  EXPECT_EQ(graph.Ranges().leftMax, 50);
  EXPECT_EQ(graph.Ranges().leftMin, -20);
}

TEST(GraphModel, ARecordingIsNeverHiddenBehindAManualRangeNobodyChose) {
  GraphModel graph;
  // A 2000 mA step in the initial manual range: the range widens to take it in, the side the
  // step stays within keeps its value, and the range shown is the one the settings file keeps.
  graph.SetData(Samples({0, 0, 2000, 2000}));
  EXPECT_FALSE(graph.AutoScale());
  EXPECT_DOUBLE_EQ(graph.Ranges().leftMax, 2200);
  EXPECT_DOUBLE_EQ(graph.Ranges().leftMin, -1000);
  EXPECT_FLOAT_EQ(graph.ScaleMax(), 2200);
  EXPECT_FLOAT_EQ(graph.ScaleMin(), -1000);
  EXPECT_FLOAT_EQ(graph.ManualMax(), 2200);  // what "Value Range" offers next
  // A later recording inside it leaves it steady (automatic refresh does not make it jump), and
  // the window's Exit, which empties the graph, does not lose it.
  graph.SetData(Samples({0, 500}));
  EXPECT_DOUBLE_EQ(graph.Ranges().leftMax, 2200);
  graph.ClearData();
  EXPECT_FLOAT_EQ(graph.ScaleMax(), 2200);
  EXPECT_FLOAT_EQ(graph.ScaleMin(), -1000);

  // A range the user chose holds, even when the recording leaves it.
  graph.SetManualRange(500, -500);
  graph.SetData(Samples({0, 2000}));
  EXPECT_TRUE(graph.ManualRangeChosen());
  EXPECT_DOUBLE_EQ(graph.Ranges().leftMax, 500);
  EXPECT_DOUBLE_EQ(graph.Ranges().leftMin, -500);

  // The range from the settings file is what the graph opens with; it widens like the initial
  // one. A file's 0 and 0 (never shown) or a NaN change nothing.
  GraphModel reopened;
  reopened.RestoreScale(2200, -200);
  EXPECT_FALSE(reopened.ManualRangeChosen());
  reopened.SetData(Samples({0, 2000}));
  EXPECT_DOUBLE_EQ(reopened.Ranges().leftMax, 2200);
  EXPECT_DOUBLE_EQ(reopened.Ranges().leftMin, -200);
  reopened.SetData(Samples({-3000, 0}));
  EXPECT_DOUBLE_EQ(reopened.Ranges().leftMin, -3300);
  EXPECT_DOUBLE_EQ(reopened.Ranges().leftMax, 2200);
  for (float nothing : {0.0f, std::numeric_limits<float>::quiet_NaN()}) {
    GraphModel fresh;
    fresh.RestoreScale(nothing, 0);
    EXPECT_EQ(fresh.Ranges().leftMax, 1000);
    EXPECT_EQ(fresh.Ranges().leftMin, -1000);
  }
}

TEST(GraphModel, TimeAxisLabelsEveryFifthTickInMilliseconds) {
  GraphModel graph;
  graph.SetData(Samples(std::vector<float>(256, 1.0f)));
  ui::PlotScene scene = graph.Scene();
  EXPECT_EQ(scene.timeTitle, "TimeBase: [ms]");
  std::vector<std::string> labels;
  int small = 0;
  for (const ui::PlotTick& tick : scene.timeTicks) {
    if (tick.major)
      labels.push_back(tick.label);
    else
      ++small;
  }
  EXPECT_EQ(labels,
            (std::vector<std::string>{"0.000", "5.000", "10.000", "15.000", "20.000", "25.000"}));
  EXPECT_EQ(small, 20);
  graph.SetUnits("ms", "", "");
  EXPECT_EQ(graph.Scene().timeTitle, "TimeBase: [s]");
}

TEST(GraphModel, CursorAndMeasureCycleAndReadTheCurve) {
  GraphModel graph;
  graph.CycleCursor();
  EXPECT_EQ(graph.Cursor(), GraphModel::CursorMode::kFree);
  graph.CycleCursor();  // no curve to attach to
  EXPECT_EQ(graph.Cursor(), GraphModel::CursorMode::kOff);
  graph.CycleMeasure();  // nothing to measure
  EXPECT_EQ(graph.Measure(), GraphModel::MeasureMode::kOff);

  RecordedData data = Samples({1, 250000, 3, 4});
  data.channels.push_back(Samples({7, 8, 9, 10}).channels[0]);
  graph.SetData(data);
  graph.SetUnits("µs", "rpm", "mA");
  graph.CycleCursor();
  // The free cursor reads the first curve where it is drawn (joined sample to sample), whatever
  // the mouse's height, and every value carries its axis's unit.
  graph.PointerMoved(250, 12.34567, 0);
  EXPECT_EQ(graph.CursorText(), "Free Cursor: 0.250 ms; 3.500 rpm");
  graph.PointerMoved(150, -3, 0);
  EXPECT_EQ(graph.CursorText(), "Free Cursor: 0.1 ms; 1.3e+05 rpm");
  // Past the last sample the curve keeps its last value.
  graph.PointerMoved(5000, 0, 0);
  EXPECT_EQ(graph.CursorText(), "Free Cursor: 5.000 ms; 4.000 rpm");

  graph.CycleCursor();
  EXPECT_EQ(graph.Cursor(), GraphModel::CursorMode::kAttached);
  graph.PointerMoved(130, 0, 0);  // nearest sample: 100 µs
  EXPECT_EQ(graph.CursorText(), "Attached Cursor: 0.1 ms; 2.5e+05 rpm");
  EXPECT_EQ(graph.Scene().cursorTime, 100);
  graph.NextCurve();
  EXPECT_EQ(graph.CursorText(), "Attached Cursor: 0.100 ms; 8.000 rpm");
  graph.NextCurve();
  EXPECT_EQ(graph.CursorCurve(), 0u);
  graph.CycleCursor();
  EXPECT_EQ(graph.Cursor(), GraphModel::CursorMode::kOff);

  graph.CycleCursor();
  graph.CycleMeasure();
  EXPECT_EQ(graph.Cursor(), GraphModel::CursorMode::kOff);
  EXPECT_EQ(graph.MeasureText(), "Measure: Max. 2.5e+05 rpm");
  graph.CycleMeasure();
  EXPECT_EQ(graph.MeasureText(), "Measure: Min. 1.000 rpm");
  graph.CycleMeasure();
  EXPECT_EQ(graph.MeasureText(), "Measure: Mean. 62502.000 rpm");
  graph.CycleMeasure();
  EXPECT_EQ(graph.MeasureText(), "");

  // With a curve on the right axis the free cursor reads both, each with its unit; samples
  // without a number are gaps the reading bridges.
  RecordedData both = Samples({0, 100, 200});
  Channel right = Samples({10, 20, 30}, 100, 2).channels[0];
  right.samples[1].value = SampleValue{variant::kEmpty, 0, {}};
  both.channels.push_back(right);
  graph.SetData(both);
  graph.CycleCursor();
  graph.PointerMoved(50, 999, 999);
  EXPECT_EQ(graph.CursorText(), "Free Cursor: 0.050 ms; 50.000 rpm ; 15.000 mA");
}

TEST(GraphModel, ZoomAndPanStayInsideTheRecordingAndResetShowsAllOfIt) {
  GraphModel graph;
  graph.SetData(Samples(std::vector<float>(100, 0.0f)));  // 0 .. 10000 µs
  graph.Zoom(2500, 0.5);
  EXPECT_DOUBLE_EQ(graph.ViewMin(), 1250);
  EXPECT_DOUBLE_EQ(graph.ViewMax(), 6250);
  EXPECT_TRUE(graph.Scene().zoomed);
  graph.Pan(-5000);
  EXPECT_DOUBLE_EQ(graph.ViewMin(), 0);
  EXPECT_DOUBLE_EQ(graph.ViewMax(), 5000);
  graph.Pan(1e9);
  EXPECT_DOUBLE_EQ(graph.ViewMax(), 10000);
  for (int i = 0; i < 100; ++i) graph.Zoom(9000, 0.5);
  EXPECT_GE(graph.ViewMax() - graph.ViewMin(), 10);
  // A refresh with the same time range keeps the zoom; one that no longer holds it shows all.
  graph.SetData(Samples(std::vector<float>(100, 1.0f)));
  EXPECT_TRUE(graph.Scene().zoomed);
  graph.SetData(Samples(std::vector<float>(10, 1.0f)));
  EXPECT_FALSE(graph.Scene().zoomed);
  graph.Zoom(5000, 4);
  EXPECT_DOUBLE_EQ(graph.ViewMax(), 1000);
  graph.Zoom(500, 0.1);
  graph.ResetView();
  EXPECT_DOUBLE_EQ(graph.ViewMin(), 0);
  EXPECT_DOUBLE_EQ(graph.ViewMax(), 1000);
}

}  // namespace
}  // namespace zel::recorder
