// The simulator comes before any Qt header: Qt defines "forever" as a macro.
#include "ui/SimulatedZel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>

#include <cctype>
#include <string>

#include "app/CMainFrame.h"
#include "gui/GuiDesk.h"
#include "gui/QtHost.h"
#include "gui/QtMainWindow.h"
#include "link/PosixSerialChannel.h"
#include "support/TestOutput.h"

namespace zel::gui {
namespace {

std::string FileNameOf(int id, const QString& title) {
  std::string name = "menu-" + std::to_string(id) + "-";
  for (char c : title.toStdString())
    name += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c)) : '-';
  return name + ".png";
}

// Each wizard's first page and each dialog a menu command opens, as the user meets it: chosen
// from the menu of the real main window against a simulated ZEL with the monitor running, shown
// by the Qt front end, photographed, then cancelled (with every box that follows).
TEST(GuiMenuScreenshots, EveryWizardAndMainDialogOpensFromItsMenuEntry) {
  sim::DeviceConfig config;
  config.identity = {0x1040, 0x0200, 0x0007, 0x0102};
  GuiDesk desk(config);
  auto& [zel, host, frame, window] = desk;
  frame.Refresh();
  frame.StartMonitor();
  window.Sync();
  const auto dir = test::TestOutputDir("gui");

  const int commands[] = {// The four wizards.
                          32841, 32913, 32885, 32900,
                          // The dialogs of the menu.
                          32892, 32771, 32838, 32785, 32777, 32778, 32780, 32774, 32775, 32849,
                          32792, 32786, 32787, 32872, 32873, 32876, 32877, 32904, 32911, 32909,
                          32882, 32883, 32884, 32856, 32903, 32920, 57664};
  for (int id : commands) {
    SCOPED_TRACE(id);
    QAction* action = window.MenuAction(id);
    ASSERT_NE(action, nullptr);
    ASSERT_TRUE(action->isEnabled());
    QString first;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      // Boxes on the way are closed, not photographed: the window behind them is what counts.
      if (first.isEmpty() && !qobject_cast<QMessageBox*>(dialog)) {
        first = dialog->windowTitle();
        EXPECT_TRUE(
            dialog->grab().save(QString::fromStdString((dir / FileNameOf(id, first)).string())));
      }
      dialog->reject();
    });
    poll.start(20);
    action->trigger();  // modal: returns once the poll has cancelled everything it opened
    poll.stop();
    EXPECT_FALSE(first.isEmpty()) << "no dialog opened";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // The monitor stays on for the next command even where a wizard took the line.
    if (!frame.MonitorRunning()) frame.StartMonitor();
  }
  frame.StopMonitor();
}

}  // namespace
}  // namespace zel::gui
