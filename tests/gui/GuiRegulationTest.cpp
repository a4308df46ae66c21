// The simulator comes before any Qt header: Qt defines "forever" as a macro.
#include "ui/SimulatedZel.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <chrono>

#include "app/CMainFrame.h"
#include "gui/GuiDesk.h"
#include "gui/QtHost.h"
#include "gui/QtMainWindow.h"
#include "gui/QtRegulationView.h"
#include "link/ParameterGroup.h"
#include "link/PosixSerialChannel.h"
#include "support/TestOutput.h"

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

}  // namespace
}  // namespace zel::gui
