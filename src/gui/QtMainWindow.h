#pragma once

#include <QMainWindow>
#include <array>
#include <map>

class QAction;
class QLabel;
class QListWidget;
class QSplitter;
class QTabWidget;
class QTimer;

namespace zel::app {
class CMainFrame;
}

namespace zel::gui {

// The main window's shell: menu bar, tool bar and status bar from the main window core, and the
// client area's pane tree (wizard view, regulation tabs, status view). It renders the core's
// state and forwards the user's commands; what a command does is decided by CMainFrame.
class QtMainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit QtMainWindow(app::CMainFrame& frame, QWidget* parent = nullptr);
  ~QtMainWindow() override;

  // The menu action of a command id (nullptr when there is none); tests trigger it.
  QAction* MenuAction(int id) const;
  QTabWidget* RegulationTabs() const { return tabs_; }
  // Re-reads enabled states, labels, the status panes and the regulation tab from the core.
  void Sync();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolBar();
  void BuildStatusBar();
  void BuildPanes();
  void ApplyPaneSizes();
  void FitWizardItems();
  // The narrowest the wizard column may get: its caption, icons and every word of the labels.
  int WizardColumnMinimum() const;

  app::CMainFrame& frame_;
  std::map<int, QAction*> menuActions_;
  std::map<int, QAction*> toolActions_;
  QAction* viewToolbar_ = nullptr;
  QAction* viewStatusBar_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  std::array<QLabel*, 5> panes_{};
  QSplitter* mainSplitter_ = nullptr;
  QSplitter* rightSplitter_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QWidget* wizardView_ = nullptr;
  QListWidget* wizardList_ = nullptr;
  QLabel* wizardCaption_ = nullptr;
  QTimer* statusTimer_ = nullptr;
  // The port's warning about a slow USB adapter, shown once it is given until the program ends.
  QLabel* portWarning_ = nullptr;
  int shownTab_ = -1;
  bool activated_ = false;
  bool sizedAfterShow_ = false;
  bool syncingTab_ = false;
  bool errorShown_ = false;
};

}  // namespace zel::gui
