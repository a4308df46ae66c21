#include "ui/qt/QtHost.h"

#include <gtest/gtest.h>

#include "ui/qt/QtTestApp.h"

namespace zel::ui::qt {
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
    EXPECT_EQ(&CurrentHost(), &host);
  }
  EXPECT_EQ(dynamic_cast<QtHost*>(&CurrentHost()), nullptr) << "the silent host must be back";
}

}  // namespace
}  // namespace zel::ui::qt
