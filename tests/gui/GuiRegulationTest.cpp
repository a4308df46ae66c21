// The simulator comes before any Qt header: Qt defines "forever" as a macro.
#include "ui/SimulatedZel.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <chrono>

#include "app/CMainFrame.h"
#include "gui/GuiDesk.h"
#include "gui/QtHost.h"
#include "gui/QtMainWindow.h"
#include "gui/QtPlotWidget.h"
#include "gui/QtRegulationView.h"
#include "gui/QtTestApp.h"
#include "link/ParameterGroup.h"
#include "link/PosixSerialChannel.h"
#include "support/TestOutput.h"
#include "views/RegulationTrend.h"

namespace zel::gui {
namespace {

using View = views::CRegulationView;

// Qt's own event loop, with the simulated motor's clock moving along.
bool SpinUntil(test::SimulatedZel& zel, const std::function<bool()>& done, int limitMs = 20000) {
  QDeadlineTimer deadline(limitMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    zel.Device().Advance(std::chrono::milliseconds(20));
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// Types text into an edit as keys, then Enter.
void Type(QWidget* widget, const QString& text) {
  auto* edit = qobject_cast<QLineEdit*>(widget);
  ASSERT_NE(edit, nullptr);
  edit->setFocus();
  edit->selectAll();
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(edit, &press);
  }
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(edit, &enter);
}

TEST(GuiRegulation, BothViewsFollowTheMotorTakeTheirControlsAndSwitchTheModeFromTheTabs) {
  GuiDesk desk;
  auto& [zel, host, frame, window] = desk;
  window.resize(1100, 800);
  window.Sync();
  // Mode, enabling and every limit by software.
  ASSERT_TRUE(frame.Communication().Parameter().SetTempParam(1, 0, 0x9F00));

  // Every question is answered Yes and every box confirmed; the texts are kept.
  QStringList boxes;
  QTimer answer;
  bool sayNo = false;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      boxes << box->text();
      QAbstractButton* yes = box->button(QMessageBox::Yes);
      if (yes && sayNo) {
        box->button(QMessageBox::No)->click();
      } else if (yes) {
        yes->click();
      } else {
        box->accept();
      }
    }
  });
  answer.start(20);

  window.MenuAction(app::CMainFrame::kCmdStartMonitor)->trigger();
  auto* speed = window.findChild<QtRegulationView*>("Speed regulation");
  auto* current = window.findChild<QtRegulationView*>("Current regulation");
  ASSERT_TRUE(speed && current);
  views::CSpeedRegulationView& speedView = frame.SpeedView();
  ASSERT_TRUE(SpinUntil(zel, [&] { return speedView.IsOnline() && speedView.NewDataCount() > 1; }));
  EXPECT_EQ(window.RegulationTabs()->currentIndex(), 1);

  // Enable, then a set value typed into the view moves the motor, and the trend follows.
  qobject_cast<QPushButton*>(speed->ControlWidget(View::kIdEnable))->click();
  ASSERT_TRUE(speedView.DriveEnabled()) << boxes.join(" | ").toStdString();
  Type(speed->ControlWidget(View::kIdSetValue), "1500");
  EXPECT_EQ(speedView.SetValueShown(), 1500);
  ASSERT_TRUE(SpinUntil(zel, [&] { return speedView.DisplayedActual() > 1000; }))
      << "actual " << speedView.DisplayedActual();
  EXPECT_GT(zel.Device().SpeedRpm(), 1000);
  EXPECT_TRUE(SpinUntil(zel, [&] { return speedView.Trend().SampleCount() > 5; }));

  // A limit and a source, each from its control, read back from the ZEL. Too large a value is
  // clamped with one message: the box taking the focus is no second leaving of the edit.
  boxes.clear();
  Type(speed->ControlWidget(speedView.FindSetting(17)->editId), "30000");
  QApplication::processEvents();
  EXPECT_EQ(boxes.count("The value 'Max Speed' is too large!"), 1)
      << boxes.join(" | ").toStdString();
  EXPECT_EQ(zel.Device().TempParameter(17), speedView.FindSetting(17)->maximum);
  Type(speed->ControlWidget(speedView.FindSetting(17)->editId), "20000");
  EXPECT_EQ(zel.Device().TempParameter(17), 20000);
  qobject_cast<QCheckBox*>(speed->ControlWidget(View::kIdP4))->click();
  EXPECT_EQ(zel.Device().TempParameter(1) & 0x0800, 0);
  ASSERT_TRUE(SpinUntil(zel, [&] { return speedView.NewDataCount() > 30; }));
  QApplication::processEvents();
  EXPECT_TRUE(window.grab().save(
      QString::fromStdString((test::TestOutputDir("gui") / "regulation-speed.png").string())));

  // No to the question: the ZEL keeps speed regulation and the speed tab comes back.
  sayNo = true;
  window.RegulationTabs()->setCurrentIndex(0);
  QApplication::processEvents();
  EXPECT_EQ(zel.Device().TempParameter(1) & 0x002C, 0);
  EXPECT_EQ(window.RegulationTabs()->currentIndex(), 1);
  sayNo = false;

  // The current tab: the question, the mode switched with the drive left disabled.
  boxes.clear();
  window.RegulationTabs()->setCurrentIndex(0);
  EXPECT_TRUE(boxes.contains("Do you really want to change to the current regulation mode!"))
      << boxes.join(" | ").toStdString();
  EXPECT_EQ(zel.Device().TempParameter(1) & 0x002C, 0x0004);
  EXPECT_EQ(window.RegulationTabs()->currentIndex(), 0);
  views::CCurrentRegulationView& currentView = frame.CurrentView();
  const int before = currentView.NewDataCount();
  ASSERT_TRUE(SpinUntil(zel, [&] { return currentView.NewDataCount() > before + 2; }));
  qobject_cast<QPushButton*>(current->ControlWidget(View::kIdEnable))->click();
  Type(current->ControlWidget(View::kIdSetValue), "800");
  int32_t setValue = 0;
  ASSERT_TRUE(zel.Device().ReadParameter(131, setValue));
  EXPECT_EQ(setValue, 800);
  ASSERT_TRUE(SpinUntil(zel, [&] { return currentView.NewDataCount() > before + 30; }));
  QApplication::processEvents();
  EXPECT_TRUE(window.grab().save(
      QString::fromStdString((test::TestOutputDir("gui") / "regulation-current.png").string())));

  window.MenuAction(app::CMainFrame::kCmdStopMonitor)->trigger();
  answer.stop();
}

// A plot whose scene is fixed: the widest labels the views and the recorder give.
class FixedPlot : public ui::PlotSource {
 public:
  explicit FixedPlot(ui::PlotScene scene) : scene_(std::move(scene)) {}
  ui::PlotScene Scene() const override { return scene_; }
  void PointerMoved(double, double, double) override {}
  void Zoom(double, double) override {}
  void Pan(double) override {}
  void ResetView() override {}

 private:
  ui::PlotScene scene_;
};

TEST(GuiPlot, EveryLabelAndReadOutLiesInsideTheWidgetClearOfTheCurvesAndOfEachOther) {
  QtTestApp();
  // The live trend's own scene for a drive running between -15000 and 2000 rpm.
  auto now = std::chrono::steady_clock::time_point{};
  views::RegulationTrend trend("rpm", false, [&] { return now; });
  for (int k = 0; k < 40; ++k) {
    now += std::chrono::milliseconds(500);
    trend.Add(k % 2 ? 2000 : -15000, k % 2 ? 1990 : -14990, 0);
  }
  ui::PlotScene speedScene = trend.Scene();
  ASSERT_EQ(speedScene.leftTicks.front().label, "-20000 rpm");
  // The recorder's graph: a right axis as wide, the cursor read-out and the measurement.
  ui::PlotScene graphScene = speedScene;
  graphScene.hasRight = true;
  graphScene.rightMin = -32768;
  graphScene.rightMax = 32767;
  for (int v : {-32768, -16384, 0, 16384, 32767})
    graphScene.rightTicks.push_back({double(v), true, std::to_string(v) + " mA"});
  graphScene.cursorShown = true;
  graphScene.cursorText = "Cursor: -12.500 s ; -14990.000 rpm";
  graphScene.measureShown = true;
  graphScene.measureValue = 2000;
  graphScene.measureText = "Measure: Max. 2000.000 rpm";

  for (const ui::PlotScene* scene : {&speedScene, &graphScene}) {
    FixedPlot source(*scene);
    QtPlotWidget plot(source);
    for (QSize size : {QSize(320, 200), QSize(640, 360)}) {
      SCOPED_TRACE(size.width());
      const QtPlotWidget::Layout layout =
          QtPlotWidget::LayOut(*scene, QFontMetricsF(plot.font()), QSizeF(size));
      const QRectF whole(QPointF(0, 0), QSizeF(size));
      std::vector<QRectF> readOuts;
      for (const QtPlotWidget::PlacedText& text : layout.texts) {
        EXPECT_TRUE(whole.contains(text.box)) << text.text.toStdString();
        EXPECT_FALSE(layout.area.intersects(text.box)) << text.text.toStdString();
        if (text.text.startsWith("Cursor") || text.text.startsWith("Measure"))
          readOuts.push_back(text.box);
      }
      // Every value label is there; no two texts of the plot run into each other.
      EXPECT_GE(layout.texts.size(), scene->leftTicks.size() + scene->rightTicks.size() + 3);
      for (std::size_t a = 0; a < layout.texts.size(); ++a)
        for (std::size_t b = a + 1; b < layout.texts.size(); ++b)
          EXPECT_FALSE(layout.texts[a].box.intersects(layout.texts[b].box))
              << layout.texts[a].text.toStdString() << " / " << layout.texts[b].text.toStdString();
      EXPECT_EQ(readOuts.size(), scene->cursorText.empty() ? 0u : 2u);
      EXPECT_GT(layout.area.width(), size.width() / 2);
    }
    const std::string name =
        scene == &speedScene ? "plot-trend-320x200.png" : "plot-graph-320x200.png";
    plot.resize(320, 200);
    EXPECT_TRUE(
        plot.grab().save(QString::fromStdString((test::TestOutputDir("gui") / name).string())));
  }
}

TEST(GuiRegulation, AtTheMainWindowsSizeNothingButTheTrendNeedsRoomAndTheLimitsReadWhole) {
  GuiDesk desk;
  auto& [zel, host, frame, window] = desk;
  ASSERT_TRUE(frame.Communication().Parameter().SetTempParam(1, 0, 0x9F00));
  frame.StartMonitor();
  auto* speed = window.findChild<QtRegulationView*>("Speed regulation");
  auto* current = window.findChild<QtRegulationView*>("Current regulation");
  ASSERT_TRUE(speed && current);
  int smallTrend = 0;
  for (QSize size : {QSize(820, 600), QSize(1920, 1080)}) {
    window.resize(size);
    for (int mode : {1, 0}) {
      QtRegulationView* shown = mode == 1 ? speed : current;
      views::CRegulationView& view =
          mode == 1 ? static_cast<views::CRegulationView&>(frame.SpeedView())
                    : static_cast<views::CRegulationView&>(frame.CurrentView());
      // The monitor brings the tab of the ZEL's mode forward.
      ASSERT_TRUE(
          frame.Communication().Parameter().SetTempParam(1, 0, mode == 1 ? 0x9F00 : 0x9F04));
      const int before = view.NewDataCount();
      ASSERT_TRUE(SpinUntil(zel, [&] {
        return window.RegulationTabs()->currentIndex() == mode && view.NewDataCount() > before + 2;
      }));
      QApplication::processEvents();
      SCOPED_TRACE(shown->objectName().toStdString() + " at " + std::to_string(size.width()));

      auto* area = qobject_cast<QScrollArea*>(window.RegulationTabs()->currentWidget());
      ASSERT_NE(area, nullptr);
      EXPECT_FALSE(area->horizontalScrollBar()->isVisible());
      EXPECT_FALSE(area->verticalScrollBar()->isVisible());
      std::vector<int> whole{View::kIdSetValue, View::kIdSetMin, View::kIdSetMax, View::kIdActual,
                             View::kIdEnable};
      for (const View::Setting& s : view.Settings())
        for (int id : {s.minLabelId, s.maxLabelId, s.nameLabelId, s.editId}) whole.push_back(id);
      for (int id : whole) {
        QWidget* widget = shown->ControlWidget(id);
        ASSERT_NE(widget, nullptr) << id;
        EXPECT_TRUE(widget->isVisible()) << id;
        // An edit's own size hint is no text's width: it must hold the value with its frame.
        const int needed =
            qobject_cast<QLineEdit*>(widget)
                ? widget->fontMetrics().horizontalAdvance(QString::fromStdString(view.Text(id))) + 8
                : widget->sizeHint().width();
        EXPECT_LE(needed, widget->width()) << id << " '" << view.Text(id) << "' is cut";
        EXPECT_TRUE(area->viewport()->rect().contains(
            QRect(widget->mapTo(area->viewport(), QPoint(0, 0)), widget->size())))
            << id << " '" << view.Text(id) << "' is outside";
      }
      // The trend takes what the larger window gives.
      if (mode == 1 && size.width() == 820) smallTrend = shown->Trend()->height();
      if (mode == 1 && size.width() == 1920) {
        EXPECT_GT(shown->Trend()->height(), 2 * smallTrend);
      }
      const std::string name = std::string("view-") + (mode == 1 ? "speed" : "current") + "-" +
                               std::to_string(size.width()) + "x" + std::to_string(size.height()) +
                               ".png";
      EXPECT_TRUE(
          window.grab().save(QString::fromStdString((test::TestOutputDir("gui") / name).string())));
    }
  }
  // Without the monitor the last values stay, drawn grey, and the controls are locked.
  frame.StopMonitor();
  ASSERT_TRUE(SpinUntil(zel, [&] { return !frame.CurrentView().IsOnline(); }));
  QApplication::processEvents();
  const QColor stale(QRgb(View::kStaleColour));
  EXPECT_EQ(current->ControlWidget(View::kIdActual)
                ->palette()
                .color(QPalette::Active, QPalette::WindowText),
            stale);
  EXPECT_EQ(current->ControlWidget(View::kIdEnable)
                ->palette()
                .color(QPalette::Active, QPalette::ButtonText),
            stale);
  EXPECT_FALSE(current->ControlWidget(View::kIdSetValue)->isEnabled());
  EXPECT_TRUE(window.grab().save(QString::fromStdString(
      (test::TestOutputDir("gui") / "view-current-offline-1920x1080.png").string())));

  // The longest caption, a wizard holding the link, reads whole at the smallest size.
  window.resize(820, 600);
  frame.CurrentView().SetLinkClaimedBy("Parameter Up/Download Wizard");
  QApplication::processEvents();
  auto* caption = qobject_cast<QLabel*>(current->ControlWidget(View::kIdState));
  ASSERT_NE(caption, nullptr);
  EXPECT_EQ(caption->text().toStdString(),
            "The ZEL is busy with the Parameter Up/Download Wizard.");
  EXPECT_LE(caption->fontMetrics().horizontalAdvance(caption->text()), caption->width());
  auto* area = qobject_cast<QScrollArea*>(window.RegulationTabs()->currentWidget());
  EXPECT_FALSE(area->verticalScrollBar()->isVisible());
  EXPECT_TRUE(window.grab().save(QString::fromStdString(
      (test::TestOutputDir("gui") / "view-current-busy-820x600.png").string())));
  frame.CurrentView().SetLinkClaimedBy({});
}

}  // namespace
}  // namespace zel::gui
