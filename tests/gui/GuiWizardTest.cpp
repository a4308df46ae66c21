// The simulator comes before any Qt header: Qt defines "forever" as a macro.
#include "ui/SimulatedZel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <cctype>
#include <string>

#include "app/CStartupWizardPages.h"
#include "app/CStartupWizardSheet.h"
#include "can/CCanWizardSheet.h"
#include "can/CanModule.h"
#include "firmware/CDownloadWizardSheet.h"
#include "firmware/DownloadController.h"
#include "firmware/FirmwarePackage.h"
#include "firmware/FirmwareRegistry.h"
#include "gui/QtTestApp.h"
#include "gui/QtWindowDialog.h"
#include "gui/QtWindowWidget.h"
#include "link/SerialParameterDevice.h"
#include "parameters/CUploadWizardSheet.h"
#include "support/TestOutput.h"
#include "ui/FirmwareSamplePackage.h"

namespace zel::gui {
namespace {

template <typename T>
T* Child(QWidget& widget, int id) {
  return widget.findChild<T*>(QStringLiteral("ctl%1").arg(id));
}

std::string FileName(const std::string& wizard, int page) {
  std::string name = "wizard-" + wizard + "-page-" + std::to_string(page) + ".png";
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.') c = '-';
  return name;
}

// Shows every page of sheet as the technician would meet it: Enter goes on (Next, or Finish
// where Next is not offered; OK on a sheet with tabs), never back nor to another button while
// it can go on, and the window keeps one size from page to page.
void WalkPages(ui::PropertySheet& sheet, const std::string& name) {
  sheet.Initialize();
  {
    QtWindowDialog dialog(sheet);
    dialog.show();
    QApplication::processEvents();
    const QSize opened = dialog.size();
    int walked = 0;
    for (int i = 0; i < sheet.PageCount(); ++i) {
      if (!sheet.SetActivePage(i)) continue;
      QApplication::processEvents();
      ++walked;
      SCOPED_TRACE(name + ", page " + std::to_string(i) + " \"" + sheet.Title() + "\"");
      QPushButton* onward = Child<QPushButton>(dialog, ui::kIdOk);
      if (sheet.IsWizard()) {
        auto* back = Child<QPushButton>(dialog, ui::kIdBack);
        auto* next = Child<QPushButton>(dialog, ui::kIdNext);
        auto* finish = Child<QPushButton>(dialog, ui::kIdFinish);
        ASSERT_TRUE(back && next && finish);
        onward = next->isVisibleTo(&dialog) ? next : finish;
        EXPECT_FALSE(back->isDefault());
      }
      ASSERT_NE(onward, nullptr);
      // A page that waits for its one button (a confirmation) may hold the focus on it.
      auto* focus = qobject_cast<QPushButton*>(QApplication::focusWidget());
      if (onward->isEnabled() || !focus) {
        EXPECT_TRUE(onward->isDefault()) << onward->text().toStdString() << " is not the default";
        if (focus && focus != onward)
          ADD_FAILURE() << "Enter would press \"" << focus->text().toStdString() << "\"";
      } else {
        EXPECT_NE(focus, Child<QPushButton>(dialog, ui::kIdCancel));
        EXPECT_NE(focus, Child<QPushButton>(dialog, ui::kIdBack));
      }
      EXPECT_EQ(dialog.size(), opened) << "the window changed its size";
      const auto shot = test::TestOutputDir("gui") / FileName(name, i);
      EXPECT_TRUE(dialog.grab().save(QString::fromStdString(shot.string())));
    }
    EXPECT_GE(walked, 2);
    dialog.Detach();
  }
  sheet.Destroy();
}

TEST(GuiWizard, EveryPageOfEveryWizardGoesOnWithEnterAtOneSize) {
  QtTestApp();
  sim::CanModuleConfig module;
  module.moduleId = 3;
  test::SimulatedZel zel{sim::DeviceConfig{}, true, {module}};
  link::ZelCommunication& comm = zel.Comm();
  {
    app::CStartupWizardSheet startup(comm, ui::Dispatcher::TargetId{}, 1);
    WalkPages(startup, "startup");
  }
  {
    can::CanModule canModule(comm.Can(), comm.Parameter());
    can::CCanWizardSheet canWizard(comm, canModule);
    WalkPages(canWizard, "can");
  }
  {
    firmware::DownloadController controller(comm.Boot());
    firmware::FirmwareRegistry registry;
    firmware::CDownloadWizardSheet download(comm, controller, registry);
    WalkPages(download, "download");
  }
  {
    link::SerialParameterDevice serial(comm.Parameter(), comm.Status());
    parameters::UploadWizardDevices devices;
    devices.table = &comm.Definitions();
    devices.serial = &serial;
    parameters::CUploadWizardSheet upDownload(std::move(devices));
    WalkPages(upDownload, "updownload");
  }
}

TEST(GuiWizard, TheVersionTableShowsTheZelAndTheFileSideBySideOnceAFileIsChosen) {
  QtTestApp();
  test::SimulatedZel zel;
  test::SamplePackage package;
  using Page = firmware::CDownloadWizardPageSourceFile;
  firmware::FirmwarePackage::SetVersionChooser([](const std::string&, std::string& chosen) {
    chosen = "ZEL_1030";
    return true;
  });
  firmware::DownloadController controller(zel.Comm().Boot());
  firmware::FirmwareRegistry registry;
  firmware::CDownloadWizardSheet sheet(zel.Comm(), controller, registry);
  sheet.Initialize();
  {
    QtWindowDialog dialog(sheet);
    dialog.show();
    ASSERT_TRUE(sheet.SetActivePage(firmware::CDownloadWizardSheet::kSourceFile));
    zel.Host().QueueFile(package.Path());
    ASSERT_TRUE(sheet.Page(firmware::CDownloadWizardSheet::kSourceFile).Press(Page::kIdBrowse));
    QApplication::processEvents();
    QTreeWidget* table = nullptr;
    for (auto* list :
         dialog.findChildren<QTreeWidget*>(QStringLiteral("ctl%1").arg(Page::kIdVersions)))
      if (list->isVisibleTo(&dialog)) table = list;
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->columnCount(), 4);
    EXPECT_FALSE(table->isHeaderHidden());
    EXPECT_EQ(table->headerItem()->text(Page::kZelColumn), "ZEL");
    EXPECT_EQ(table->headerItem()->text(Page::kFileColumn), "File");
    ASSERT_EQ(table->topLevelItemCount(), 4);
    const QStringList software = {"Software Version", "0x1040", "-->", "0x1030"};
    const int margin = table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    int right = 0;
    for (int c = 0; c < 4; ++c) {
      const QString cell = table->topLevelItem(0)->text(c);
      EXPECT_EQ(cell, software[c]);
      // Each cell reads in full in its own column, the columns one after the other.
      EXPECT_EQ(
          table->fontMetrics().elidedText(cell, Qt::ElideRight, table->columnWidth(c) - 2 * margin),
          cell);
      EXPECT_GE(table->header()->sectionPosition(c), right);
      right = table->header()->sectionPosition(c) + table->columnWidth(c);
    }
    EXPECT_LE(right, table->viewport()->width());
    const auto shot = test::TestOutputDir("gui") / "wizard-download-version-table.png";
    EXPECT_TRUE(dialog.grab().save(QString::fromStdString(shot.string())));
    dialog.Detach();
  }
  firmware::FirmwarePackage::SetVersionChooser({});
  sheet.Destroy();
}

// What a label shows, as pixels: a caption kept in the resource form draws as its plain text.
QImage Drawn(QLabel& label, const QSize& size) {
  label.resize(size);
  QImage image(size, QImage::Format_ARGB32);
  image.fill(Qt::white);
  label.render(&image);
  return image;
}

TEST(GuiWizard, StartupStepSevenShowsOneAmpersandInItsCaption) {
  QtTestApp();
  test::SimulatedZel zel;
  app::CStartupWizardSheet sheet(zel.Comm(), ui::Dispatcher::TargetId{}, 1);
  sheet.Initialize();
  {
    QtWindowDialog dialog(sheet);
    dialog.show();
    ASSERT_TRUE(sheet.SetActivePage(6));
    QApplication::processEvents();
    ASSERT_EQ(sheet.ActivePage()->Title(), "Step 7: Potentiometer && Input Signals!");
    QLabel* caption = nullptr;
    for (auto* label : dialog.findChildren<QLabel*>(
             QStringLiteral("ctl%1").arg(app::CStartupWizardPage::kIdCaption)))
      if (label->isVisibleTo(&dialog)) caption = label;
    ASSERT_NE(caption, nullptr);
    QLabel plain(QStringLiteral("Step 7: Potentiometer & Input Signals!"));
    plain.setFont(caption->font());
    const QSize size = caption->sizeHint().expandedTo(plain.sizeHint());
    EXPECT_EQ(Drawn(*caption, size), Drawn(plain, size));
    dialog.Detach();
  }
  sheet.Destroy();
}

}  // namespace
}  // namespace zel::gui
