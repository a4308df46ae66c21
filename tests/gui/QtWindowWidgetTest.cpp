#include "gui/QtTestApp.h"
#include "gui/QtWindowDialog.h"
#include "gui/QtWindowWidget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTreeWidget>

#include "can/CCanWizardSearchDialogs.h"
#include "firmware/CSetupFirmwareFilesDlg.h"
#include "link/CCommunicationDlg.h"
#include "link/CEnableDlg.h"
#include "monitor/CErrorInfoDlg.h"
#include "ui/PropertySheet.h"

namespace zel::gui {
namespace {

template <typename T>
T* Child(QWidget& widget, int id) {
  return widget.findChild<T*>(QStringLiteral("ctl%1").arg(id));
}

TEST(QtWindowWidget, WidgetsAndWindowStayInStepBothWays) {
  QtTestApp();
  link::CommSettings stored;
  stored.baudRate = 14400;
  link::CCommunicationDlg dlg(stored);
  dlg.Initialize();
  QtWindowWidget widget(dlg);
  EXPECT_EQ(widget.windowTitle(), "Communication");

  auto* baud = Child<QComboBox>(widget, link::CCommunicationDlg::kIdBaud);
  ASSERT_NE(baud, nullptr);
  EXPECT_EQ(baud->count(), 11);
  EXPECT_EQ(baud->currentText(), "14400");

  auto* timeout = Child<QLineEdit>(widget, link::CCommunicationDlg::kIdTimeout);
  ASSERT_NE(timeout, nullptr);
  EXPECT_EQ(timeout->text(), "100");
  timeout->setText("250");
  emit timeout->textEdited("250");
  EXPECT_EQ(dlg.Text(link::CCommunicationDlg::kIdTimeout), "250");

  dlg.SetText(link::CCommunicationDlg::kIdTrials, "9");
  dlg.Enable(link::CCommunicationDlg::kIdTrials, false);
  auto* trials = Child<QLineEdit>(widget, link::CCommunicationDlg::kIdTrials);
  EXPECT_EQ(trials->text(), "9");
  EXPECT_FALSE(trials->isEnabled());

  int ended = 0;
  widget.SetEndedHandler([&](int result) { ended = result; });
  Child<QPushButton>(widget, ui::kIdCancel)->click();
  EXPECT_EQ(ended, ui::kResultCancel);
}

TEST(QtWindowWidget, ClickingTheCheckedRadioLeavesItChecked) {
  QtTestApp();
  link::CEnableDlg dlg(true);
  dlg.Initialize();
  QtWindowWidget widget(dlg);
  auto* enable = Child<QRadioButton>(widget, link::CEnableDlg::kIdEnable);
  auto* disable = Child<QRadioButton>(widget, link::CEnableDlg::kIdDisable);
  ASSERT_NE(enable, nullptr);
  ASSERT_NE(disable, nullptr);
  enable->click();
  EXPECT_TRUE(enable->isChecked()) << "the user sees the choice the dialog will send";
  EXPECT_TRUE(dlg.EnableChosen());
  disable->click();
  EXPECT_FALSE(enable->isChecked());
  EXPECT_TRUE(disable->isChecked());
  EXPECT_FALSE(dlg.EnableChosen());
}

TEST(QtWindowWidget, SharedListColumnsAreReadableAtOpeningAndKeepTheirSharesWhenResized) {
  QtTestApp();
  firmware::FirmwareInfo record;
  record.packagePath = "/home/service/firmware/ZelFirmware.bin";
  record.date = 1700000000;
  record.softwareVersion = 0x1041;
  record.hardwareVersion = 0x0200;
  record.applicationNumber = 0x0007;
  record.applicationVersion = 0x0102;
  firmware::CSetupFirmwareFilesDlg dlg({record});
  dlg.Initialize();
  {
    // At the size the dialog opens with, every caption and every cell but the path reads in
    // full: the path column takes what is left and may cut a long path short.
    QtWindowDialog opened(dlg);
    opened.show();
    QApplication::processEvents();
    auto* list = Child<QTreeWidget>(opened, firmware::CSetupFirmwareFilesDlg::kIdList);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->topLevelItemCount(), 1);
    const int textMargin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
    for (int c = 0; c < 5; ++c) {
      const QString cell = list->topLevelItem(0)->text(c);
      EXPECT_GE(list->columnWidth(c), list->header()->sectionSizeHint(c))
          << list->headerItem()->text(c).toStdString();
      EXPECT_EQ(list->fontMetrics().elidedText(cell, Qt::ElideRight,
                                               list->columnWidth(c) - 2 * textMargin),
                cell);
    }
    opened.Detach();
  }
  QtWindowWidget widget(dlg);
  auto* list = Child<QTreeWidget>(widget, firmware::CSetupFirmwareFilesDlg::kIdList);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->columnCount(), 6);
  const int shares[6] = {8, 5, 5, 6, 6, 30};
  for (int width : {600, 1200}) {
    widget.resize(width, 400);
    widget.show();
    QApplication::processEvents();
    const int inner = list->viewport()->width();
    ASSERT_GT(inner, 60);
    // The last column stretches to fill what rounding leaves; the others are their exact share.
    for (int c = 0; c < 5; ++c)
      EXPECT_EQ(list->columnWidth(c), inner * shares[c] / 60) << "column " << c << " at " << width;
  }
}

void Type(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
  }
}

TEST(QtWindowWidget, AnEditGivenTheFocusByTheDialogOrTheKeyboardIsReplacedByTyping) {
  QtTestApp();
  can::CNumberOfModulesDlg dlg(127);
  dlg.Initialize();
  {
    QtWindowDialog opened(dlg);
    opened.show();
    opened.activateWindow();
    QApplication::processEvents();
    auto* count = Child<QLineEdit>(opened, can::CNumberOfModulesDlg::kIdCount);
    ASSERT_NE(count, nullptr);
    ASSERT_TRUE(count->hasFocus()) << "the dialog opens in its field";
    EXPECT_EQ(count->selectedText(), "127");
    Type(count, "3");
    EXPECT_EQ(dlg.Text(can::CNumberOfModulesDlg::kIdCount), "3") << "not 1273";
    // Back to the field with Tab after leaving it: again the whole text.
    Child<QPushButton>(opened, ui::kIdOk)->setFocus(Qt::MouseFocusReason);
    count->deselect();
    count->setFocus(Qt::BacktabFocusReason);
    EXPECT_EQ(count->selectedText(), "3");
    // A click places the cursor and selects nothing.
    Child<QPushButton>(opened, ui::kIdOk)->setFocus(Qt::MouseFocusReason);
    count->deselect();
    count->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(count->selectedText(), "");
    opened.Detach();
  }
  dlg.Destroy();
}

TEST(QtWindowWidget, ReadOnlyFieldsOpenWideEnoughForTheirWholeText) {
  QtTestApp();
  monitor::CErrorMapEntry entry;
  entry.name = "Overcurrent of the power stage in phase U";
  entry.meaning = "The motor current exceeded the peak current limit set in parameter 14.";
  entry.causedBy = "A short circuit in the motor cable or a wrongly set current regulator.";
  entry.effect = "The power stage is disabled at once and the drive coasts to a stop.";
  monitor::CErrorInfoDlg dlg(entry);
  dlg.Initialize();
  {
    QtWindowDialog opened(dlg);
    opened.show();
    QApplication::processEvents();
    int fields = 0;
    for (auto* edit : opened.findChildren<QLineEdit*>()) {
      if (!edit->isReadOnly() || edit->text().isEmpty()) continue;
      ++fields;
      SCOPED_TRACE(edit->text().toStdString());
      const QMargins margins = edit->textMargins();
      const int room = edit->contentsRect().width() - margins.left() - margins.right() - 4;
      EXPECT_LE(edit->fontMetrics().horizontalAdvance(edit->text()), room);
      EXPECT_EQ(edit->cursorPosition(), 0) << "shown from its start";
    }
    EXPECT_GE(fields, 4);
    opened.Detach();
  }
  dlg.Destroy();
}

class CheckPage : public ui::PropertyPage {
 public:
  explicit CheckPage(std::string title) : ui::PropertyPage(std::move(title)) {
    AddCheckBox(7, "Flag");
  }
};

TEST(QtWindowWidget, PropertySheetShowsItsActivePage) {
  QtTestApp();
  CheckPage first("First"), second("Second");
  ui::PropertySheet sheet("Sheet", true);
  sheet.AddPage(first);
  sheet.AddPage(second);
  sheet.Initialize();
  QtWindowWidget widget(sheet);
  auto* pages = widget.findChild<QStackedWidget*>();
  ASSERT_NE(pages, nullptr);
  auto shownTitle = [&] {
    auto* page = qobject_cast<QtWindowWidget*>(pages->currentWidget());
    return page ? page->Model().Title() : std::string();
  };
  EXPECT_EQ(shownTitle(), "First");
  Child<QPushButton>(widget, ui::kIdNext)->click();
  EXPECT_EQ(shownTitle(), "Second");
  auto* flag = Child<QCheckBox>(*pages->currentWidget(), 7);
  ASSERT_NE(flag, nullptr);
  flag->click();
  EXPECT_EQ(second.Value(7), 1);
  sheet.Destroy();
}

}  // namespace
}  // namespace zel::gui
