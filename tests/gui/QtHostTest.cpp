#include "gui/QtHost.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <memory>

#include "gui/QtTestApp.h"
#include "ui/Window.h"

namespace zel::gui {
namespace {

TEST(QtHost, ClassicFilterStringsBecomeQtNameFilters) {
  QtTestApp();
  EXPECT_EQ(QtHost::QtFilters("ZEL Firmware Files (*.bin)|*.bin||"),
            QStringList{"ZEL Firmware Files (*.bin)"});
  EXPECT_EQ(QtHost::QtFilters("Parameter Files|*.udf|Text|*.txt;*.log||"),
            (QStringList{"Parameter Files (*.udf)", "Text (*.txt *.log)"}));
  EXPECT_TRUE(QtHost::QtFilters("").isEmpty());
  EXPECT_TRUE(QtHost::QtFilters("dangling|").isEmpty());
}

TEST(QtHost, InstallsItselfAndReleasesTheDispatcherOnDestruction) {
  QtTestApp();
  {
    QtHost host;
    EXPECT_EQ(&ui::CurrentHost(), &host);
  }
  EXPECT_EQ(dynamic_cast<QtHost*>(&ui::CurrentHost()), nullptr) << "the silent host must be back";
}

TEST(QtHost, AModelessWindowOutlivingTheMainWidgetClosesWithoutTouchingItsDialog) {
  QtTestApp();
  QtHost host;
  // As at program exit: the main window goes first and takes its child dialogs with it; the
  // window objects die later with their owner.
  auto main = std::make_unique<QMainWindow>();
  host.SetMainWidget(main.get());
  ui::Window status("Status");
  status.AddLabel(1, "open");
  status.ShowModeless();
  auto* later = new ui::Window("Later");
  later->ShowModeless();
  main.reset();
  delete later;
  status.Close();
  EXPECT_TRUE(status.IsEnded());
}

// Presses Enter in the first message box that ask() opens.
bool AnswerWithEnter(const std::function<bool()>& ask) {
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&poll] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    poll.stop();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(box, &enter);
  });
  poll.start(10);
  return ask();
}

TEST(QtHost, EnterAnswersNoToAQuestionWhoseYesStartsAMotor) {
  QtTestApp();
  QtHost host;
  EXPECT_TRUE(
      AnswerWithEnter([&] { return host.AskYesNo("Do you want to start the polling monitor?"); }));
  EXPECT_FALSE(AnswerWithEnter([&] {
    return host.AskYesNoDefaultNo(
        "The drive will run again at 1200 rpm when the errors are cleared.\nDo you want to clear "
        "the errors?");
  }));
}

}  // namespace
}  // namespace zel::gui
