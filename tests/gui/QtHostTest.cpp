#include "gui/QtHost.h"

#include <gtest/gtest.h>

#include <QMainWindow>
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

}  // namespace
}  // namespace zel::gui
