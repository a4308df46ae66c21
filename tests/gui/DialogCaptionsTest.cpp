// The simulator comes before any Qt header: Qt defines "forever" as a macro.
#include "ui/SimulatedZel.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QTabWidget>
#include <QTreeWidget>
#include <cctype>
#include <memory>
#include <set>

#include "firmware/CApplicationAdjustmentDlg.h"
#include "firmware/CBrowseFirmwareDlg.h"
#include "firmware/CSelectFirmwareDlg.h"
#include "firmware/CSetupFirmwareFilesDlg.h"
#include "gui/QtTestApp.h"
#include "gui/QtWindowDialog.h"
#include "link/CAddrVariableDlg.h"
#include "link/CAttentionDlg.h"
#include "link/CCommunicationDlg.h"
#include "link/CEnableDlg.h"
#include "link/CReadVersionDlg.h"
#include "link/CServiceDlg.h"
#include "link/CValueDlg.h"
#include "link/SerialParameterDevice.h"
#include "monitor/CErrorInfoDlg.h"
#include "monitor/CReadErrorDlg.h"
#include "monitor/CStatusView.h"
#include "monitor/CSysStatusDlg.h"
#include "monitor/CVariablesDlg.h"
#include "parameters/CParameterPropertiesDlg.h"
#include "support/TestOutput.h"
#include "ui/FirmwareSamplePackage.h"

namespace zel::gui {
namespace {

// What the control tree says the user reads: captions, values shown as text, group titles,
// button texts, list column captions and tab titles. Edit and combo contents are the user's.
std::multiset<std::string> TreeCaptions(const ui::Window& window) {
  std::multiset<std::string> captions;
  for (const ui::Control& control : window.Controls()) {
    if (!control.visible) continue;
    switch (control.kind) {
      case ui::ControlKind::Label:
      case ui::ControlKind::Group:
      case ui::ControlKind::Radio:
      case ui::ControlKind::CheckBox:
      case ui::ControlKind::Button:
        if (!control.text.empty()) captions.insert(control.text);
        break;
      case ui::ControlKind::List:
      case ui::ControlKind::Tab:
        for (const std::string& item : control.items)
          if (!item.empty()) captions.insert(item);
        break;
      default:
        break;
    }
  }
  return captions;
}

// What the rendered dialog shows, from the widgets the user can see.
std::multiset<std::string> ShownCaptions(QWidget& dialog) {
  std::multiset<std::string> shown;
  auto add = [&](const QString& text) {
    if (!text.isEmpty()) shown.insert(text.toStdString());
  };
  for (QWidget* widget : dialog.findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(&dialog) || widget->width() <= 0 || widget->height() <= 0) continue;
    if (auto* label = qobject_cast<QLabel*>(widget)) add(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) add(button->text());
    if (auto* group = qobject_cast<QGroupBox*>(widget)) add(group->title());
    if (auto* list = qobject_cast<QTreeWidget*>(widget); list && !list->isHeaderHidden())
      for (int c = 0; c < list->columnCount(); ++c) add(list->headerItem()->text(c));
    if (auto* tabs = qobject_cast<QTabWidget*>(widget))
      for (int t = 0; t < tabs->count(); ++t) add(tabs->tabText(t));
  }
  return shown;
}

std::string FileNameOf(int index, const std::string& title) {
  std::string name = (index < 10 ? "dialog-0" : "dialog-") + std::to_string(index) + "-";
  for (char c : title)
    name += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c)) : '-';
  return name + ".png";
}

TEST(DialogCaptions, EveryDialogShowsEveryCaptionOfItsTree) {
  QtTestApp();
  sim::DeviceConfig config;
  config.identity = {0x1041, 0x0200, 0x0007, 0x0102};
  test::SimulatedZel zel(config);
  test::SamplePackage package;
  link::ZelCommunication& comm = zel.Comm();

  firmware::FirmwareInfo record;
  record.packagePath = package.Path();
  record.date = 1700000000;
  record.softwareVersion = 0x1041;
  record.hardwareVersion = 0x0200;
  record.applicationNumber = 0x0007;
  record.applicationVersion = 0x0102;
  monitor::CErrorMapEntry entry;
  entry.name = "Overcurrent";
  entry.meaning = "The motor current exceeded its limit.";
  auto parameterSlots = std::make_unique<parameters::ParameterSlots>();
  comm.Definitions().CopyOut(*parameterSlots);

  std::vector<std::unique_ptr<ui::Window>> windows;
  windows.push_back(std::make_unique<link::CCommunicationDlg>(comm.Settings()));
  windows.push_back(std::make_unique<link::CServiceDlg>());
  windows.push_back(std::make_unique<link::CReadAddrVariableDlg>(link::AddrVariableInput{}));
  windows.push_back(std::make_unique<link::CEditAddrVariableDlg>(
      0x0321, link::AddrVariableFormat::kSigned16, 42));
  windows.push_back(std::make_unique<link::CEnableDlg>(true));
  windows.push_back(std::make_unique<link::CReadVersionDlg>(0x1041, 0x0200, 0x0007, 0x0102));
  windows.push_back(std::make_unique<link::CAttentionDlg>());
  windows.push_back(std::make_unique<link::CVelocityDlg>(comm.Measurement()));
  windows.push_back(std::make_unique<link::CCurrentDlg>(comm.Measurement(), 0x1041));
  windows.push_back(std::make_unique<link::CPositionDlg>(comm.Measurement()));
  windows.push_back(std::make_unique<monitor::CStatusView>());
  windows.push_back(std::make_unique<monitor::CErrorInfoDlg>(entry));
  windows.push_back(std::make_unique<monitor::CReadErrorDlg>(comm.Status(), nullptr));
  windows.push_back(std::make_unique<monitor::CSysStatusDlg>(comm.Status()));
  windows.push_back(std::make_unique<monitor::CVariablesDlg>(comm.Recorder(), comm.Definitions()));
  link::SerialParameterDevice device(comm.Parameter(), comm.Status());
  windows.push_back(
      std::make_unique<parameters::CParameterPropertiesDlg>(comm.Definitions(), device));
  windows.push_back(std::make_unique<parameters::CParameterPropertyEditDlg>(*parameterSlots, 1));
  windows.push_back(std::make_unique<firmware::CApplicationAdjustmentDlg>([] { return true; }));
  windows.push_back(std::make_unique<firmware::CBrowseFirmwareDlg>(record));
  windows.push_back(std::make_unique<firmware::CSelectFirmwareDlg>(package.Path()));
  windows.push_back(std::make_unique<firmware::CSetupFirmwareFilesDlg>(
      std::vector<firmware::FirmwareInfo>{record}));

  const auto dir = test::TestOutputDir("gui");
  for (std::size_t i = 0; i < windows.size(); ++i) {
    ui::Window& window = *windows[i];
    SCOPED_TRACE(window.Title());
    window.Initialize();
    {
      QtWindowDialog dialog(window);
      dialog.show();
      QApplication::processEvents();
      const std::multiset<std::string> shown = ShownCaptions(dialog);
      const std::multiset<std::string> expected = TreeCaptions(window);
      for (auto it = expected.begin(); it != expected.end(); it = expected.upper_bound(*it))
        EXPECT_GE(shown.count(*it), expected.count(*it)) << "not shown: \"" << *it << "\"";
      const auto shot = dir / FileNameOf(static_cast<int>(i + 1), window.Title());
      EXPECT_TRUE(dialog.grab().save(QString::fromStdString(shot.string())));
      dialog.Detach();
    }
    window.Destroy();
  }
  EXPECT_EQ(zel.Host().Messages(), std::vector<std::string>{}) << "every dialog opened cleanly";
}

}  // namespace
}  // namespace zel::gui
