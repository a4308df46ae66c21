#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "ui/Window.h"

class QBoxLayout;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTreeWidget;

namespace zel::ui {
class PropertySheet;
}

namespace zel::gui {

// Renders any window from its control tree with a generic layout: one row per control unless it
// asks to sit beside the previous one, groups as frames, tab controls as tab widgets. Keeps the
// widgets in step with the window (through its observer) and forwards what the user does.
// A property sheet additionally shows its active page below its own tab strip.
//
// Each control's widget is named "ctl<id>" so tests can find it.
class QtWindowWidget : public QWidget {
  Q_OBJECT

 public:
  explicit QtWindowWidget(ui::Window& window, QWidget* parent = nullptr);
  ~QtWindowWidget() override;

  ui::Window& Model() { return window_; }
  // Stops following the window (also for a page shown inside); call before the window may die
  // while this widget still waits for deletion.
  void Detach();
  // Called with the window's result once it has ended.
  void SetEndedHandler(std::function<void(int)> ended) { ended_ = std::move(ended); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Build();
  void Clear();
  void OnChanged(int id);
  void Update(const ui::Control& control, QWidget* widget);
  void UpdatePage();
  void BuildPages(ui::PropertySheet& sheet);
  QPushButton* OnwardButton() const;
  void UpdateDefaultButton();
  void LinkMnemonicLabels();
  QWidget* Create(const ui::Control& control);
  QBoxLayout* LayoutFor(const ui::Control& control);
  static void ShareColumns(QTreeWidget* list, const std::vector<int>& shares);
  static int SharedListMinimumWidth(QTreeWidget* list, const ui::Control& control);
  static void FitReadOnlyText(QLineEdit* edit);

  ui::Window& window_;
  std::function<void(int)> ended_;
  QBoxLayout* root_ = nullptr;
  QWidget* body_ = nullptr;
  // The widget of every control, in tree order: captions share id 0 and are found only here.
  std::vector<QWidget*> built_;
  std::map<int, QWidget*> widgets_;
  // Layouts keyed by (parent id, page): the window itself is (0, 0).
  std::map<std::pair<int, int>, QBoxLayout*> containers_;
  std::map<std::pair<int, int>, QBoxLayout*> lastRow_;
  // A sheet's pages, one widget each for the sheet's whole life, so that the sheet is as large
  // as its largest page and keeps that size from page to page.
  QStackedWidget* pageArea_ = nullptr;
  std::vector<QtWindowWidget*> pageWidgets_;
  bool shownOnce_ = false;
  std::size_t builtCount_ = 0;
  bool updating_ = false;
  bool detached_ = false;
};

}  // namespace zel::gui
