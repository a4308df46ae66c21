// The simulator comes before any Qt header: Qt defines "forever" as a macro.
#include "ui/SimulatedZel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTimer>

#include "app/CMainFrame.h"
#include "gui/GuiDesk.h"
#include "gui/QtHost.h"
#include "gui/QtMainWindow.h"
#include "gui/QtPlotWidget.h"
#include "gui/QtWindowDialog.h"
#include "link/ParameterGroup.h"
#include "link/PosixSerialChannel.h"
#include "link/StatusGroup.h"
#include "recorder/CDisplayDataDlg.h"
#include "recorder/CSetupRecorderDlg.h"
#include "recorder/GraphModel.h"
#include "support/TestOutput.h"

namespace zel::gui {
namespace {

TEST(GuiRecorder, RecordDataFromTheMenuPlotsTheStepResponseOfAJump) {
  GuiDesk desk;
  auto& [zel, host, frame, window] = desk;
  window.Sync();
  // Enabled by software and by hand, speed regulation: the jump is allowed.
  link::ZelCommunication& comm = frame.Communication();
  comm.SetShowFlags(false);
  ASSERT_TRUE(comm.Parameter().SetTempParam(1, 0, 0x9000));
  ASSERT_TRUE(comm.Status().Enable(true));
  comm.SetShowFlags(true);

  // The set-up dialog: SpeedDetValue every 0.5 ms, as a user fills it in.
  bool setUp = false;
  QTimer::singleShot(0, [&] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QtWindowDialog*>(top);
      if (!dialog || dialog->Model().Title() != "SetupRecorder") continue;
      dialog->Model().UserSetText(recorder::CSetupRecorderDlg::kIdPeriod, "0.5");
      dialog->Model().UserSelect(recorder::CSetupRecorderDlg::kIdVariable, 6);
      dialog->Model().Press(ui::kIdOk);
      setUp = true;
    }
  });
  QAction* record = window.MenuAction(app::CMainFrame::kCmdRecordData);
  ASSERT_NE(record, nullptr);
  ASSERT_TRUE(record->isEnabled());
  record->trigger();
  ASSERT_TRUE(setUp);
  recorder::CDisplayDataDlg* display = frame.Recorder().Window();
  ASSERT_NE(display, nullptr);
  window.Sync();
  EXPECT_TRUE(record->isChecked());

  QtPlotWidget* plot = nullptr;
  // The display window's plot, not one of the regulation trends of the main window.
  for (QWidget* top : QApplication::topLevelWidgets())
    if (!plot && qobject_cast<QtWindowDialog*>(top)) plot = top->findChild<QtPlotWidget*>();
  ASSERT_NE(plot, nullptr);

  display->UserSetText(recorder::CDisplayDataDlg::kIdJumpValue, "2000");
  display->Press(recorder::CDisplayDataDlg::kIdJump);
  const auto& samples = display->Graph().Data().channels.at(0).samples;
  ASSERT_EQ(samples.size(), 256u);
  EXPECT_GT(samples.back().value.number, samples.front().value.number + 1000);

  // Without "Auto Scale" the step above 1000 rpm is in the graph all the same.
  const recorder::GraphRanges& ranges = display->Graph().Ranges();
  EXPECT_EQ(display->Value(recorder::CDisplayDataDlg::kIdAutoScale), 0);
  for (const recorder::Sample& sample : samples) {
    EXPECT_LE(sample.value.number, ranges.leftMax);
    EXPECT_GE(sample.value.number, ranges.leftMin);
  }

  // The free cursor follows the mouse along the time axis and reads the curve there, in the
  // recorded parameter's unit: the mouse's height changes nothing.
  display->Press(recorder::CDisplayDataDlg::kIdCursor);
  const auto moveTo = [&](QPointF at) {
    QMouseEvent move(QEvent::MouseMove, at, plot->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(plot, &move);
    return display->Graph().CursorText();
  };
  const std::string high = moveTo(QPointF(plot->width() * 0.6, plot->height() * 0.2));
  const std::string low = moveTo(QPointF(plot->width() * 0.6, plot->height() * 0.8));
  EXPECT_EQ(high.rfind(recorder::GraphModel::kFreeCursor, 0), 0u) << high;
  EXPECT_TRUE(high.ends_with(" rpm")) << high;
  EXPECT_EQ(low, high);
  display->Press(recorder::CDisplayDataDlg::kIdMeasure);
  EXPECT_TRUE(display->Graph().MeasureText().ends_with(" rpm"));
  display->UserSetValue(recorder::CDisplayDataDlg::kIdAutoScale, 1);
  QApplication::processEvents();

  // The picture shows the curve: some pixels carry the first curve's colour.
  QWidget* shown = plot->window();
  const QImage picture = shown->grab().toImage();
  int curvePixels = 0;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      if (picture.pixelColor(x, y).blue() > 150 && picture.pixelColor(x, y).red() < 80)
        ++curvePixels;
  EXPECT_GT(curvePixels, 50);
  auto shot = test::TestOutputDir("gui") / "display-data-step-response.png";
  EXPECT_TRUE(picture.save(QString::fromStdString(shot.string())));
  std::string error;
  EXPECT_TRUE(plot->SavePng((test::TestOutputDir("gui") / "display-data-plot.png").string(), error))
      << error;

  record->trigger();
  EXPECT_EQ(frame.Recorder().Window(), nullptr);
}

}  // namespace
}  // namespace zel::gui
