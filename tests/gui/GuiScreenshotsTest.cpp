// The simulator comes before any Qt header: Qt defines "forever" as a macro.
#include "ui/SimulatedZel.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTabWidget>
#include <QTimer>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/CMainFrame.h"
#include "app/MainPaneLayout.h"
#include "can/CCanWizardSetupPages.h"
#include "gui/GuiDesk.h"
#include "gui/QtHost.h"
#include "gui/QtMainWindow.h"
#include "gui/QtTestApp.h"
#include "gui/QtWindowDialog.h"
#include "link/ParameterGroup.h"
#include "link/PosixSerialChannel.h"
#include "support/TestOutput.h"
#include "ui/PropertySheet.h"
#include "views/CRegulationView.h"

namespace zel::gui {
namespace {

namespace fs = std::filesystem;

const QSize kSizes[] = {{820, 600}, {1920, 1080}};
constexpr int kEditAllTempParam = 32774;  // the parameter sheet

std::string Slug(const std::string& text) {
  std::string slug;
  for (char c : text) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      slug += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    } else if (!slug.empty() && slug.back() != '-') {
      slug += '-';
    }
  }
  while (!slug.empty() && slug.back() == '-') slug.pop_back();
  return slug;
}

std::string SizeText(QSize size) {
  return std::to_string(size.width()) + "x" + std::to_string(size.height());
}

// A simulated ZEL with two modules on its CAN bus, so the CAN wizard's search finds something to
// show.
sim::DeviceConfig ScreenshotDevice() {
  sim::DeviceConfig config;
  config.identity = {0x1040, 0x0200, 0x0007, 0x0102};
  return config;
}

std::vector<sim::CanModuleConfig> ScreenshotModules() {
  std::vector<sim::CanModuleConfig> modules(2);
  modules[0].moduleId = 2;
  modules[1].moduleId = 3;
  for (auto& module : modules) module.device = ScreenshotDevice();
  return modules;
}

// Drives the modal windows a command opens: every page of a wizard is photographed at each size
// and left with Next while the page lets it, every tab of a sheet is photographed, then the
// window is cancelled; boxes on the way are answered (questions with the configured answer) and
// any other dialog is cancelled.
//
// Whatever may open a further modal window (Next, a tab, Cancel) runs from a posted call, never
// from the poll itself: Qt does not fire a timer again while its handler runs, so a box opened
// inside the handler would never be answered.
class ModalWalker {
 public:
  struct Walk {
    std::string title;
    bool wizard = false;
    int pageCount = 0;
    std::vector<std::string> boxes;  // the boxes met on the way
    std::vector<std::string> pages;  // the titles of the pages photographed
  };

  explicit ModalWalker(fs::path dir) : dir_(std::move(dir)) {
    QObject::connect(&poll_, &QTimer::timeout, [this] { Tick(); });
  }

  void SetAnswer(bool yes) { answerYes_ = yes; }
  // What the technician does at the device before a page lets them on (the page whose title
  // starts with the text), done once when the page shows without Next.
  using DeviceAction = std::function<void(ui::PropertyPage&)>;
  void SetDeviceAction(std::string pageTitle, DeviceAction action) {
    deviceActions_[std::move(pageTitle)] = std::move(action);
  }

  // Triggers the action (modal: it returns once everything it opened is closed); the sheets it
  // opens are named after name.
  void Run(QAction* action, std::string name) {
    name_ = std::move(name);
    // A sheet of an earlier run may have lived at the same address.
    walkOf_.clear();
    cancelled_.clear();
    walking_ = SIZE_MAX;
    poll_.start(20);
    action->trigger();
    poll_.stop();
  }
  // Runs anything that may open boxes with the poll answering them.
  template <typename F>
  void RunAnswering(F&& what) {
    poll_.start(20);
    what();
    poll_.stop();
  }

  const std::vector<Walk>& Walks() const { return walks_; }
  const std::vector<fs::path>& Saved() const { return saved_; }
  const std::vector<std::string>& Failed() const { return failed_; }

  // Grabs the widget as it is into "<name>.png".
  void Save(QWidget& widget, const std::string& name) {
    const fs::path file = dir_ / (name + ".png");
    if (widget.grab().save(QString::fromStdString(file.string())))
      saved_.push_back(file);
    else
      failed_.push_back(file.string());
  }

 private:
  // Grabs the dialog at each size into "<name>-<size>.png".
  void Photograph(QWidget& widget, const std::string& name) {
    for (QSize size : kSizes) {
      widget.resize(size);
      // The page just shown may still have layout requests queued; nothing else is run here,
      // since a posted call could open a box inside the poll.
      QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
      Save(widget, name + "-" + SizeText(size));
    }
  }

  void Tick() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || acting_.count(modal) != 0) return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      if (walking_ < walks_.size()) walks_[walking_].boxes.push_back(box->text().toStdString());
      QAbstractButton* yes = box->button(QMessageBox::Yes);
      if ((answerYes_ || closing_) && yes != nullptr)
        yes->click();
      else
        box->reject();
      return;
    }
    auto* dialog = qobject_cast<QDialog*>(modal);
    if (dialog == nullptr) return;
    auto* shown = qobject_cast<QtWindowDialog*>(dialog);
    auto* sheet = shown ? dynamic_cast<ui::PropertySheet*>(&shown->Model()) : nullptr;
    if (sheet == nullptr) {
      Close(dialog);
      return;
    }
    Walk& walk = WalkOf(*sheet);
    walking_ = walkOf_[sheet];
    const int index = sheet->ActiveIndex();
    // Pages are numbered in the order the walk meets them, as the wizards' "Step %i" count.
    const std::string name = walk.title + "/" + std::to_string(index);
    if (shot_.insert(name).second) {
      walk.pages.push_back(sheet->ActivePage()->Title());
      Photograph(*dialog, (sheet->IsWizard() ? "wizard-" : "sheet-") + walk.title +
                              (sheet->IsWizard() ? "-page" : "-tab") +
                              std::to_string(walk.pages.size()));
    }

    const bool last = index + 1 >= sheet->PageCount();
    if (!sheet->IsWizard()) {
      if (last)
        Close(dialog);
      else
        Post(dialog, [sheet, index] { sheet->UserSelect(ui::kIdPageTabs, index + 1); });
      return;
    }
    const bool next = (sheet->WizardButtons() & ui::kWizNext) != 0 &&
                      sheet->IsEnabled(ui::kIdNext) && sheet->IsVisible(ui::kIdNext);
    if (!last && !next) {
      ui::PropertyPage* page = sheet->ActivePage();
      for (const auto& [title, action] : deviceActions_) {
        if (page->Title().rfind(title, 0) != 0 || !acted_.insert(name).second) continue;
        Post(dialog, [page, action] { action(*page); });
        return;
      }
      // A page that waits for the user's confirmation gets it, as the technician gives it: a
      // box ticked or a "&Confirm ..." button pressed, once each.
      for (const ui::Control& control : page->Controls()) {
        const bool box = control.kind == ui::ControlKind::CheckBox && page->Value(control.id) == 0;
        const bool button =
            control.kind == ui::ControlKind::Button && control.text.rfind("&Confirm", 0) == 0;
        if (control.id == 0 || !(box || button)) continue;
        if (!page->IsEnabled(control.id) || !page->IsVisible(control.id)) continue;
        if (!ticked_.insert(name + "/" + std::to_string(control.id)).second) continue;
        const int id = control.id;
        if (box)
          Post(dialog, [page, id] { page->UserSetValue(id, 1); });
        else
          Post(dialog, [page, id] { page->Press(id); });
        return;
      }
    }
    if (last || !next || stuck_.count(name) != 0) {
      Close(dialog);
      return;
    }
    Post(dialog, [this, sheet, index, name] {
      sheet->Press(ui::kIdNext);
      // A page that stays after Next (it wants a device action first) ends the walk there.
      if (!sheet->IsEnded() && sheet->ActiveIndex() == index) stuck_.insert(name);
    });
  }

  // Cancels the dialog. A dialog that asked before closing and was answered No is asked again
  // on the next tick; that time the question is answered Yes, so the walk cannot go round.
  void Close(QDialog* dialog) {
    Post(dialog, [this, dialog] {
      closing_ = !cancelled_.insert(dialog).second;
      dialog->reject();
      closing_ = false;
    });
  }

  template <typename F>
  void Post(QDialog* dialog, F action) {
    acting_.insert(dialog);
    QTimer::singleShot(0, dialog, [this, dialog, action] {
      action();
      acting_.erase(dialog);
    });
  }

  Walk& WalkOf(ui::PropertySheet& sheet) {
    auto found = walkOf_.find(&sheet);
    if (found != walkOf_.end()) return walks_[found->second];
    // A sheet opened from within another one is named after both.
    const std::string title = walkOf_.empty() ? name_ : name_ + "-" + Slug(sheet.Title());
    walks_.push_back({title, sheet.IsWizard(), sheet.PageCount(), {}, {}});
    walkOf_[&sheet] = walks_.size() - 1;
    return walks_.back();
  }

  fs::path dir_;
  QTimer poll_;
  bool answerYes_ = false;
  bool closing_ = false;
  std::set<QDialog*> cancelled_;
  std::set<QWidget*> acting_;
  std::set<std::string> shot_;
  std::set<std::string> stuck_;
  std::set<std::string> ticked_;
  std::set<std::string> acted_;
  std::map<std::string, DeviceAction> deviceActions_;
  std::string name_;
  std::vector<Walk> walks_;
  std::map<ui::PropertySheet*, std::size_t> walkOf_;
  std::size_t walking_ = SIZE_MAX;  // the walk the boxes belong to
  std::vector<fs::path> saved_;
  std::vector<std::string> failed_;
};

// One picture per main view, sheet tab and reachable wizard page at 820x600 and at 1920x1080,
// for a look at what a technician sees at the smallest and at a common screen size.
TEST(GuiScreenshots, EveryMainViewSheetTabAndWizardPageAtBothSizes) {
  GuiDesk desk(ScreenshotDevice(), ScreenshotModules());
  auto& [zel, host, frame, window] = desk;
  frame.Refresh();
  frame.StartMonitor();
  window.Sync();
  ModalWalker walker(test::TestOutputDir("gui"));

  // The main window with each regulation tab in front: the ZEL is put in that mode (by
  // software, not by its 'Digital2' input) and the window follows it as the monitor reads it.
  link::ZelCommunication& comm = frame.Communication();
  const auto showMode = [&](int mode) {
    std::uint16_t sysConfig = 0;
    ASSERT_TRUE(comm.Parameter().ReadTempParam(1, sysConfig));
    ASSERT_TRUE(comm.Parameter().SetTempParam(
        1, 0,
        static_cast<std::uint16_t>(views::CRegulationView::WithMode(sysConfig, mode) | 0x8000)));
    walker.RunAnswering([&] {
      // And until the view shows the ZEL's values of this moment: a picture taken before the
      // monitor's first cycle would show the greyed, offline state.
      const views::CRegulationView& view =
          mode == app::MainPaneLayout::kSpeedRegulationTab
              ? static_cast<const views::CRegulationView&>(frame.SpeedView())
              : frame.CurrentView();
      while (window.RegulationTabs()->currentIndex() != mode || !view.ShowsLiveValues()) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        window.Sync();
      }
    });
  };
  const std::pair<int, const char*> tabs[] = {
      {app::MainPaneLayout::kSpeedRegulationTab, "main-speed-tab"},
      {app::MainPaneLayout::kCurrentRegulationTab, "main-current-tab"}};
  QWidget* statusView = window.findChild<QWidget*>("CStatusView");
  ASSERT_NE(statusView, nullptr);
  for (QSize size : kSizes) {
    // Resized as the user drags it, with the events that follow handled before the picture.
    window.resize(size);
    QApplication::processEvents();
    for (const auto& [mode, name] : tabs) {
      showMode(mode);
      QApplication::processEvents();
      walker.Save(window, std::string(name) + "-" + SizeText(size));
    }
    // The status view is the lower pane of the window at that size.
    walker.Save(*statusView, "main-status-view-" + SizeText(size));
  }

  // Wizards and sheets from the menu; their questions are answered No, so nothing is written
  // to the ZEL that a page does not write by itself.
  walker.SetAnswer(false);
  // The CAN wizard starts with the power switched off: the ZEL stops answering until the
  // confirmation has seen it silent.
  walker.SetDeviceAction("Step 1: Introduction!", [&zel](ui::PropertyPage& page) {
    zel.Sim().Faults().SetNeverAnswer(true);
    page.Press(can::CCanWizardPage1::kIdConfirm);
    zel.Sim().Faults().SetNeverAnswer(false);
  });
  const std::pair<int, const char*> commands[] = {
      {app::CMainFrame::kCmdStartupWizard, "startup"},
      {app::CMainFrame::kCmdCanWizard, "can"},
      {app::CMainFrame::kCmdFirmwareDownloadWizard, "download"},
      {app::CMainFrame::kCmdUpDownloadWizard, "updownload"},
      {app::CMainFrame::kCmdCanNetwork, "can-network"},
      {kEditAllTempParam, "parameters"}};
  for (const auto& [id, name] : commands) {
    SCOPED_TRACE(name);
    QAction* action = window.MenuAction(id);
    ASSERT_NE(action, nullptr);
    ASSERT_TRUE(action->isEnabled());
    walker.Run(action, name);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // The monitor stays on for the next command even where a wizard took the line.
    if (!frame.MonitorRunning()) frame.StartMonitor();
  }
  frame.StopMonitor();

  // What was walked, for the reader of the log; the pictures are in the "gui" output folder.
  std::size_t pages = 0;
  for (const ModalWalker::Walk& walk : walker.Walks()) {
    std::printf("%s %s: %zu pages\n", walk.wizard ? "wizard" : "sheet", walk.title.c_str(),
                walk.pages.size());
    for (const std::string& page : walk.pages) std::printf("    %s\n", page.c_str());
    for (const std::string& box : walk.boxes) std::printf("    box: %s\n", box.c_str());
    pages += walk.pages.size();
  }
  EXPECT_TRUE(walker.Failed().empty());
  // Two regulation tabs and the status view, and every page, at both sizes.
  EXPECT_EQ(walker.Saved().size(), 2 * (3 + pages));

  // Each wizard reached its last page that needs no more than the simulated ZEL: the
  // download wizard stops at the file, which takes a firmware package and then the flash.
  std::map<std::string, std::string> lastPages;
  for (const ModalWalker::Walk& walk : walker.Walks()) {
    if (!walk.wizard) {
      EXPECT_EQ(static_cast<int>(walk.pages.size()), walk.pageCount) << walk.title;
    } else if (!walk.pages.empty()) {
      lastPages[walk.title] = walk.pages.back();
    }
  }
  EXPECT_EQ(lastPages,
            (std::map<std::string, std::string>{{"startup", "Step 9: Summary"},
                                                {"can", "Step 9: Summary!"},
                                                {"download", "Step 2: Firmware File!"}}));
  EXPECT_EQ(walker.Walks().size(), 6u);
}

}  // namespace
}  // namespace zel::gui
