// The simulator comes before any Qt header: Qt defines "forever" as a macro.
#include "ui/SimulatedZel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QLabel>
#include <QTreeWidget>

#include <functional>

#include "app/CMainFrame.h"
#include "gui/GuiDesk.h"
#include "gui/QtHost.h"
#include "gui/QtMainWindow.h"
#include "link/PosixSerialChannel.h"
#include "monitor/CStatusView.h"
#include "support/TestOutput.h"

namespace zel::gui {
namespace {

// Runs Qt's own event loop, not the test pump: what the monitor posts must reach the widgets
// through the front end's wake-up alone.
bool SpinUntil(const std::function<bool()>& done, int limitMs = 10000) {
  QDeadlineTimer deadline(limitMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

// Pixels of the widget as drawn that are clearly red (the error colour), not grey or black.
int RedPixels(QWidget* widget) {
  const QImage image = widget->grab().toImage();
  int red = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (pixel.red() > 150 && pixel.green() < 90 && pixel.blue() < 90) ++red;
    }
  return red;
}

TEST(GuiMonitor, TheMenuStartsTheMonitorErrorsAppearAndALostZelDoesNotHoldTheWindow) {
  GuiDesk desk;
  auto& [zel, host, frame, window] = desk;
  window.Sync();

  QAction* start = window.MenuAction(app::CMainFrame::kCmdStartMonitor);
  QAction* stop = window.MenuAction(app::CMainFrame::kCmdStopMonitor);
  ASSERT_TRUE(start && stop);
  EXPECT_TRUE(start->isEnabled());
  EXPECT_FALSE(stop->isEnabled());
  start->trigger();
  auto* pane = window.findChild<QLabel*>("pane61450");
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(pane->text(), "Monitor Running");
  EXPECT_FALSE(start->isEnabled());
  EXPECT_TRUE(stop->isEnabled());

  auto* statusView = window.findChild<QWidget*>("CStatusView");
  ASSERT_NE(statusView, nullptr);
  auto* list = statusView->findChild<QTreeWidget*>(
      QStringLiteral("ctl%1").arg(monitor::CStatusView::kIdList));
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(SpinUntil([&] { return frame.StatusView().IsOnline(); }));
  EXPECT_EQ(list->topLevelItemCount(), 0);
  auto* message = window.findChild<QLabel*>("pane0");
  ASSERT_NE(message, nullptr);
  EXPECT_EQ(RedPixels(message), 0) << message->text().toStdString();
  zel.Device().RaiseError(0);
  ASSERT_TRUE(SpinUntil([&] { return list->topLevelItemCount() > 0; }))
      << "the error never reached the status view's list";
  // The status line names it in red, whichever tab is in front.
  window.Sync();
  EXPECT_EQ(message->text(), "ERROR FOUND! Error 0");
  EXPECT_GT(RedPixels(message), 0) << "the error is not red in the status line";

  auto shot = test::TestOutputDir("gui") / "main-window-monitor.png";
  EXPECT_TRUE(window.grab().save(QString::fromStdString(shot.string())));

  // The ZEL goes away: the cycles now wait for their time-outs on the monitor's thread while the
  // window keeps handling events, and the monitor still stops on command.
  zel.Sim().Stop();
  const std::uint64_t before = frame.Monitor().CycleCount();
  int spins = 0;
  ASSERT_TRUE(SpinUntil([&] {
    ++spins;
    return frame.Monitor().CycleCount() >= before + 2;
  }));
  EXPECT_GT(spins, 10) << "the event loop stood still while the ZEL did not answer";
  EXPECT_TRUE(SpinUntil([&] { return !frame.StatusView().IsOnline(); }));
  stop->trigger();
  EXPECT_FALSE(frame.MonitorRunning());
  EXPECT_EQ(pane->text(), "");
  EXPECT_TRUE(start->isEnabled());
}

}  // namespace
}  // namespace zel::gui
