// The simulator comes before any Qt header: Qt defines "forever" as a macro.
#include "ui/SimulatedZel.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>

#include "app/CMainFrame.h"
#include "gui/GuiDesk.h"
#include "gui/QtHost.h"
#include "gui/QtMainWindow.h"
#include "gui/QtWindowDialog.h"
#include "link/CReadVersionDlg.h"
#include "link/PosixSerialChannel.h"
#include "support/TestOutput.h"

// Keys reach a window as Qt's own test library delivers them: the shortcut map first (menu
// mnemonics and action shortcuts), then the widget with the focus.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k,
                                               Qt::KeyboardModifiers mods,
                                               const QString& text = QString(),
                                               bool autorep = false, ushort count = 1);

namespace zel::gui {
namespace {

void PressKey(QWidget* window, int key, Qt::KeyboardModifiers modifiers, const QString& text = {}) {
  if (qt_sendShortcutOverrideEvent(window, 0, key, modifiers, text)) return;
  QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window;
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(target, &release);
}

// Runs action while a timer closes the first modal dialog it opens; the dialog's title, or
// empty when none opened.
QString CloseModalOpenedBy(const std::function<void()>& action) {
  QString title;
  QElapsedTimer waited;
  waited.start();
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) {
      if (waited.elapsed() > 10000) poll.stop();
      return;
    }
    poll.stop();
    title = dialog->windowTitle();
    if (auto* shown = qobject_cast<QDialog*>(dialog)) shown->reject();
  });
  poll.start(20);
  action();
  poll.stop();
  return title;
}

QString LabelText(QWidget* dialog, int id) {
  auto* label = dialog->findChild<QLabel*>(QStringLiteral("ctl%1").arg(id));
  return label ? label->text() : QString("<missing>");
}

TEST(GuiSmoke, ReadVersionFromTheMenuAgainstTheSimulatedZelAndScreenshot) {
  sim::DeviceConfig config;
  config.identity = {0x1041, 0x0200, 0x0007, 0x0102};
  GuiDesk desk(config);
  auto& [zel, host, frame, window] = desk;
  frame.Refresh();
  window.Sync();

  EXPECT_EQ(window.windowTitle(), "ZEL UserInterface Version 1.06");
  EXPECT_EQ(window.size(), QSize(820, 600));
  ASSERT_EQ(window.RegulationTabs()->count(), 2);
  EXPECT_EQ(window.RegulationTabs()->tabText(0), "Current regulation");
  EXPECT_EQ(window.RegulationTabs()->tabText(1), "Speed regulation");
  auto* monitorPane = window.findChild<QLabel*>("pane61450");
  ASSERT_NE(monitorPane, nullptr);
  EXPECT_TRUE(monitorPane->text().isEmpty()) << "no monitor runs yet";
  QStringList topMenus;
  for (QAction* a : window.menuBar()->actions()) topMenus << a->text();
  EXPECT_EQ(topMenus.front(), "&File");
  EXPECT_EQ(topMenus.back(), "&Help");
  EXPECT_EQ(window.MenuAction(32877)->text(), "Set CAN BCR1 and BCR2");
  EXPECT_FALSE(window.MenuAction(32878)->isEnabled()) << "BCR2 alone is gone from 0x1040";
  EXPECT_TRUE(window.MenuAction(32842)->isEnabled());
  EXPECT_TRUE(window.MenuAction(32842)->isChecked()) << "the start-up wizard opens at start";

  QAction* readVersion = window.MenuAction(app::CMainFrame::kCmdReadVersion);
  ASSERT_NE(readVersion, nullptr);
  EXPECT_EQ(readVersion->text(), "Read &Version");
  ASSERT_TRUE(readVersion->isEnabled());

  QString title;
  QStringList values;
  QElapsedTimer waited;
  waited.start();
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QtWindowDialog*>(QApplication::activeModalWidget());
    if (!dialog) {
      if (waited.elapsed() > 10000) poll.stop();
      return;
    }
    poll.stop();
    title = dialog->windowTitle();
    for (int id :
         {link::CReadVersionDlg::kIdSoftwareVersion, link::CReadVersionDlg::kIdHardwareVersion,
          link::CReadVersionDlg::kIdApplicationNumber,
          link::CReadVersionDlg::kIdApplicationVersion})
      values << LabelText(dialog, id);
    auto* ok = dialog->findChild<QAbstractButton*>(QStringLiteral("ctl%1").arg(ui::kIdOk));
    if (ok) {
      ok->click();
    } else {
      dialog->reject();
    }
  });
  poll.start(20);
  readVersion->trigger();  // runs the dialog modally until the poll closes it

  EXPECT_EQ(title, "ReadVersion");
  EXPECT_EQ(values, (QStringList{"0x1041", "0x0200", "0x0007", "0x0102"}));
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

  // Wizard launches: a double click on each icon posts WM_USER+1 with that icon's index, which
  // reaches the main window's handler through Qt's event loop and runs that wizard's slot; one
  // on empty space posts -1 and runs none.
  std::vector<int> launched;
  for (int i = 0; i < app::CMainFrame::kWizardCount; ++i)
    frame.SetWizardLauncher(i, [&launched, i] { launched.push_back(i); });
  auto* list = window.findChild<QListWidget*>("ctl1301");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->count(), 4);
  EXPECT_EQ(list->item(2)->text(), "Firmware Download Wizard");
  auto doubleClick = [&](QPoint at) {
    QMouseEvent event(QEvent::MouseButtonDblClick, at, list->viewport()->mapToGlobal(at),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &event);
  };
  QApplication::processEvents();
  for (int i = 0; i < list->count(); ++i) {
    // The whole label fits its item, wrapped at the item's width: nothing is cut off.
    const QRect item = list->visualItemRect(list->item(i));
    const QRect text = list->fontMetrics().boundingRect(QRect(0, 0, item.width(), 1 << 16),
                                                        Qt::AlignHCenter | Qt::TextWordWrap,
                                                        list->item(i)->text());
    EXPECT_LE(text.width(), item.width()) << list->item(i)->text().toStdString();
    EXPECT_LE(text.height() + list->iconSize().height(), item.height())
        << list->item(i)->text().toStdString();
    doubleClick(item.center());
  }
  doubleClick(QPoint(list->viewport()->width() - 2, list->viewport()->height() - 2));
  EXPECT_TRUE(launched.empty()) << "launches wait for the main window's message";
  QApplication::processEvents();
  EXPECT_EQ(launched, (std::vector<int>{0, 1, 2, 3}));

  QApplication::processEvents();
  auto shot = test::TestOutputDir("gui") / "main-window.png";
  ASSERT_TRUE(window.grab().save(QString::fromStdString(shot.string())));
  EXPECT_GT(std::filesystem::file_size(shot), 0u);
}

// Shortcuts of a window reach it while it is the active one, as after a dialog has gone.
bool Activate(QWidget& window) {
  window.activateWindow();
  QElapsedTimer waited;
  waited.start();
  while (!window.isActiveWindow() && waited.elapsed() < 10000) QApplication::processEvents();
  return window.isActiveWindow();
}

TEST(GuiSmoke, TheMenuBarAndTheCommonCommandsAreReachedFromTheKeyboard) {
  GuiDesk desk;
  auto& [zel, host, frame, window] = desk;
  ASSERT_TRUE(Activate(window));

  // Alt and a top-level menu's letter open that menu; no two menus of a bar share a letter.
  QList<QAction*> bar = window.menuBar()->actions();
  ASSERT_FALSE(bar.isEmpty());
  QMenu* file = bar.front()->menu();
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(file->isVisible());
  PressKey(&window, Qt::Key_F, Qt::AltModifier, "f");
  QApplication::processEvents();
  EXPECT_TRUE(file->isVisible()) << "Alt+F opened nothing";
  file->close();
  std::set<QChar> letters;
  for (QAction* menu : bar) {
    const QString title = menu->text();
    const qsizetype amp = title.indexOf('&');
    ASSERT_GE(amp, 0) << title.toStdString() << " cannot be reached from the keyboard";
    EXPECT_TRUE(letters.insert(title.at(amp + 1).toLower()).second) << title.toStdString();
  }
  // Every shortcut of the window is one command's only.
  std::set<QString> keys;
  for (QAction* action : window.findChildren<QAction*>()) {
    if (action->shortcut().isEmpty()) continue;
    EXPECT_TRUE(keys.insert(action->shortcut().toString()).second)
        << action->shortcut().toString().toStdString();
  }
  EXPECT_EQ(keys.size(), 5u);

  // The common commands by their keys: start the monitor, read the version and the errors,
  // stop the monitor, leave.
  QApplication::processEvents();
  PressKey(&window, Qt::Key_F5, Qt::NoModifier);
  ASSERT_TRUE(frame.MonitorRunning()) << "F5 did not start the monitor";
  EXPECT_EQ(CloseModalOpenedBy([&] { PressKey(&window, Qt::Key_I, Qt::ControlModifier); }),
            "ReadVersion");
  ASSERT_TRUE(Activate(window));
  PressKey(&window, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_NE(frame.ReadErrorWindow(), nullptr) << "Ctrl+Shift+E did not show the errors";
  frame.OnCommand(app::CMainFrame::kCmdReadError);  // closes it again
  ASSERT_TRUE(Activate(window));
  PressKey(&window, Qt::Key_F5, Qt::ShiftModifier);
  EXPECT_FALSE(frame.MonitorRunning()) << "Shift+F5 did not stop the monitor";
  EXPECT_FALSE(frame.Closing());
  PressKey(&window, Qt::Key_Q, Qt::ControlModifier);
  EXPECT_TRUE(frame.Closing()) << "Ctrl+Q did not exit";
}

TEST(GuiSmoke, TheWizardColumnNeverShrinksBelowItsIconsAndWords) {
  GuiDesk desk;
  auto& window = desk.window;
  QApplication::processEvents();
  auto* splitter = window.findChild<QSplitter*>("MainView");
  auto* list = window.findChild<QListWidget*>("ctl1301");
  ASSERT_TRUE(splitter && list);
  // As far to the left as the user can drag the handle.
  splitter->setSizes({0, splitter->width()});
  QApplication::processEvents();
  EXPECT_GT(splitter->sizes().front(), 0) << "the column collapsed";
  for (int i = 0; i < list->count(); ++i) {
    const QRect item = list->visualItemRect(list->item(i));
    EXPECT_GE(item.width(), list->iconSize().width()) << list->item(i)->text().toStdString();
    EXPECT_LE(item.right(), list->viewport()->width()) << list->item(i)->text().toStdString();
    const QRect text = list->fontMetrics().boundingRect(QRect(0, 0, item.width(), 1 << 16),
                                                        Qt::AlignHCenter | Qt::TextWordWrap,
                                                        list->item(i)->text());
    EXPECT_LE(text.width(), item.width())
        << "a word of " << list->item(i)->text().toStdString() << " is cut";
  }
}

}  // namespace
}  // namespace zel::gui
